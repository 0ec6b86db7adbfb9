// The saver's pictures: the sprite sheet, the three enemy pictures and the icons. The
// art is kept as readable text in display/art/*.inc, one string a pixel row, one
// character a pixel, and turned into palette-index bytes here at compile time: every
// picture is constant data in static storage, so there is no work and no allocation at
// start-up. A malformed row (wrong length, unknown character) stops the build.
//
// Legend of the art, shared by every .inc file (lower case: the dark half of the
// palette, upper case: the bright half):
//
//   .  black    0        R  red      9
//   m  maroon   1        L  lime    10
//   v  green    2        Y  yellow  11
//   o  olive    3        B  blue    12
//   n  navy     4        F  fuchsia 13
//   p  purple   5        A  aqua    14
//   t  teal     6        W  white   15
//   s  silver   7
//   g  grey     8
//
// Only in the program file's icon, whose mask it also gives: ' ' (space) is a
// transparent pixel (black in the picture, 1 in ProgramIconMask).

#include "display/pictures.h"

const TColor Palette16[16] = {
    0x000000, 0x800000, 0x008000, 0x808000, 0x000080, 0x800080, 0x008080, 0xC0C0C0,
    0x808080, 0xFF0000, 0x00FF00, 0xFFFF00, 0x0000FF, 0xFF00FF, 0x00FFFF, 0xFFFFFF,
};

namespace {

// Palette index of one character of the art, -1 if it is none.
constexpr int IndexOfCode(char Code) {
  switch (Code) {
    case '.': return pcBlack;
    case 'm': return pcMaroon;
    case 'v': return pcGreen;
    case 'o': return pcOlive;
    case 'n': return pcNavy;
    case 'p': return pcPurple;
    case 't': return pcTeal;
    case 's': return pcSilver;
    case 'g': return pcGrey;
    case 'R': return pcRed;
    case 'L': return pcLime;
    case 'Y': return pcYellow;
    case 'B': return pcBlue;
    case 'F': return pcFuchsia;
    case 'A': return pcAqua;
    case 'W': return pcWhite;
    default: return -1;
  }
}

constexpr char ClearCode = ' ';

// Width x Height bytes, row-major: palette indices, or mask bytes.
template <int Width, int Height>
struct TPixels {
  uint8_t Data[Width * Height];
};

// Compile-time checks: reaching a throw in a constant evaluation fails the build with
// the thrown message in the compiler's output.
constexpr void CheckRow(const char *Row, int Width, bool AllowClear) {
  if (Row == nullptr) throw "pixel art: a row is missing";
  int Length = 0;
  for (; Row[Length] != '\0'; ++Length) {
    if (IndexOfCode(Row[Length]) < 0 && !(AllowClear && Row[Length] == ClearCode))
      throw "pixel art: unknown character in a row";
  }
  if (Length != Width) throw "pixel art: a row of the wrong length";
}

// The palette indices of Height rows of Width characters.
template <int Width, int Height>
consteval TPixels<Width, Height> Parse(const char *const (&Rows)[Height], bool AllowClear = false) {
  TPixels<Width, Height> Result{};
  for (int y = 0; y < Height; ++y) {
    CheckRow(Rows[y], Width, AllowClear);
    for (int x = 0; x < Width; ++x) {
      const char Code = Rows[y][x];
      Result.Data[y * Width + x] =
          static_cast<uint8_t>(Code == ClearCode ? pcBlack : IndexOfCode(Code));
    }
  }
  return Result;
}

// The transparency mask of rows in which ' ' marks a transparent pixel: 1 there, else 0.
template <int Width, int Height>
consteval TPixels<Width, Height> ParseMask(const char *const (&Rows)[Height]) {
  TPixels<Width, Height> Result{};
  for (int y = 0; y < Height; ++y) {
    CheckRow(Rows[y], Width, true);
    for (int x = 0; x < Width; ++x) Result.Data[y * Width + x] = Rows[y][x] == ClearCode;
  }
  return Result;
}

// ---- The art ----------------------------------------------------------------------

#include "display/art/enemies.inc"      // Scad1Rows, Scad2Rows, Scad3Rows [32]
#include "display/art/explosions.inc"   // ExplosionRows[20][32], generated
#include "display/art/icons.inc"        // Icon32Rows, Icon16Rows, ProgramIconRows
#include "display/art/interceptor.inc"  // InterceptorRows[16]

// ---- The sprite sheet -------------------------------------------------------------

constexpr int SheetWidth = 512, SheetHeight = 96, CellSize = 32, CellsAcross = 16;
constexpr int ExplosionFrames = sizeof ExplosionRows / sizeof ExplosionRows[0];
static_assert(ExplosionFrames == 20);

// Copies a parsed picture into the sheet with its top-left pixel at the top-left of
// cell Cell.
template <int Width, int Height>
constexpr void PutInCell(TPixels<SheetWidth, SheetHeight> &Sheet, int Cell,
                         const TPixels<Width, Height> &Art) {
  const int Left = CellSize * (Cell % CellsAcross), Top = CellSize * (Cell / CellsAcross);
  for (int y = 0; y < Height; ++y)
    for (int x = 0; x < Width; ++x)
      Sheet.Data[(Top + y) * SheetWidth + Left + x] = Art.Data[y * Width + x];
}

// 512 x 96, black but for the interceptor in cell 1 and explosion frame n in cell n + 2.
consteval TPixels<SheetWidth, SheetHeight> BuildSheet() {
  TPixels<SheetWidth, SheetHeight> Sheet{};
  PutInCell(Sheet, InterceptorCell, Parse<16, 16>(InterceptorRows));
  for (int Frame = 0; Frame < ExplosionFrames; ++Frame)
    PutInCell(Sheet, ExplosionCell(Frame), Parse<CellSize, CellSize>(ExplosionRows[Frame]));
  return Sheet;
}

constexpr TPixels<SheetWidth, SheetHeight> SheetPixels = BuildSheet();
constexpr TPixels<32, 32> Scad1Pixels = Parse<32, 32>(Scad1Rows);
constexpr TPixels<32, 32> Scad2Pixels = Parse<32, 32>(Scad2Rows);
constexpr TPixels<32, 32> Scad3Pixels = Parse<32, 32>(Scad3Rows);
constexpr TPixels<32, 32> Icon32Pixels = Parse<32, 32>(Icon32Rows);
constexpr TPixels<16, 16> Icon16Pixels = Parse<16, 16>(Icon16Rows);
constexpr TPixels<32, 32> ProgramIconPixels = Parse<32, 32>(ProgramIconRows, true);
constexpr TPixels<32, 32> ProgramIconMaskPixels = ParseMask<32, 32>(ProgramIconRows);

}  // namespace

constinit const TPicture ResPicture = {SheetWidth, SheetHeight, SheetPixels.Data};
constinit const TPicture Scad1Picture = {32, 32, Scad1Pixels.Data};
constinit const TPicture Scad2Picture = {32, 32, Scad2Pixels.Data};
constinit const TPicture Scad3Picture = {32, 32, Scad3Pixels.Data};
constinit const TPicture Icon32Picture = {32, 32, Icon32Pixels.Data};
constinit const TPicture Icon16Picture = {16, 16, Icon16Pixels.Data};
constinit const TPicture *const SaverPictures[4] = {&ResPicture, &Scad1Picture, &Scad2Picture,
                                                    &Scad3Picture};
constinit const TPicture ProgramIconPicture = {32, 32, ProgramIconPixels.Data};

constinit const uint8_t *const ProgramIconMask = ProgramIconMaskPixels.Data;

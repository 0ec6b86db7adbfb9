// Tests of the saver's pictures: sizes, palette, the sheet's cell layout, the exact
// interceptor, the extents and colours of every explosion frame and enemy picture, the
// black margins as the drawing relies on them, and the icons.
#include "display/pictures.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <initializer_list>
#include <string>
#include <vector>

namespace {

// A rectangle of a picture: Width x Height pixels from (Left, Top).
struct TView {
  const TPicture &Picture;
  int Left = 0, Top = 0, Width = 0, Height = 0;

  uint8_t At(int x, int y) const { return Picture.Pixels[(Top + y) * Picture.Width + Left + x]; }
};

TView Whole(const TPicture &Picture) { return {Picture, 0, 0, Picture.Width, Picture.Height}; }

TView Cell(int Cell) { return {ResPicture, 32 * (Cell % 16), 32 * (Cell / 16), 32, 32}; }

// Smallest box holding every non-black pixel (or every pixel of index Only), inclusive;
// Empty if there is none.
struct TExtent {
  int Left, Right, Top, Bottom;
  bool Empty;
};

TExtent ExtentOf(const TView &View, int Only = -1) {
  TExtent Extent{View.Width, -1, View.Height, -1, true};
  for (int y = 0; y < View.Height; ++y)
    for (int x = 0; x < View.Width; ++x)
      if (Only < 0 ? View.At(x, y) != pcBlack : View.At(x, y) == Only) {
        Extent = {std::min(Extent.Left, x), std::max(Extent.Right, x), std::min(Extent.Top, y),
                  std::max(Extent.Bottom, y), false};
      }
  return Extent;
}

// Set of palette indices used, black excluded: bit i for index i.
using TColours = uint16_t;

constexpr TColours Colours(std::initializer_list<uint8_t> Indices) {
  TColours Set = 0;
  for (uint8_t Index : Indices) Set |= TColours(1u << Index);
  return Set;
}

TColours ColoursOf(const TView &View, int Top = 0, int Bottom = -1) {
  if (Bottom < 0) Bottom = View.Height - 1;
  TColours Set = 0;
  for (int y = Top; y <= Bottom; ++y)
    for (int x = 0; x < View.Width; ++x)
      if (View.At(x, y) != pcBlack) Set |= TColours(1u << (View.At(x, y) & 15));
  return Set;
}

int CountOf(const TView &View, uint8_t Index) {
  int Count = 0;
  for (int y = 0; y < View.Height; ++y)
    for (int x = 0; x < View.Width; ++x) Count += View.At(x, y) == Index;
  return Count;
}

constexpr TColours Red = Colours({pcRed}), RedYellow = Colours({pcRed, pcYellow}),
                   Broken = Colours({pcRed, pcYellow, pcBlue, pcLime}),
                   BrokenNoLime = Colours({pcRed, pcYellow, pcBlue}),
                   EnemyColours = Colours({pcWhite, pcSilver, pcGrey, pcRed, pcYellow});

// The explosion frames: sheet origin of the frame's cell, extent, colours.
struct TFrameCase {
  int Frame, SheetX, SheetY;
  TExtent Extent;
  TColours Colours;
};

const TFrameCase FrameCases[] = {
    {0, 64, 0, {14, 17, 16, 19, false}, Red},
    {1, 96, 0, {13, 19, 15, 21, false}, Red},
    {2, 128, 0, {11, 20, 14, 23, false}, Red},
    {3, 160, 0, {7, 24, 10, 27, false}, RedYellow},
    {4, 192, 0, {4, 25, 6, 30, false}, RedYellow},
    {5, 224, 0, {5, 26, 6, 30, false}, RedYellow},
    {6, 256, 0, {4, 28, 7, 30, false}, RedYellow},
    {7, 288, 0, {4, 27, 7, 30, false}, Broken},
    {8, 320, 0, {5, 28, 7, 30, false}, Broken},
    {9, 352, 0, {4, 26, 6, 30, false}, BrokenNoLime},
    {10, 384, 0, {5, 26, 8, 29, false}, RedYellow},
    {11, 416, 0, {6, 26, 8, 28, false}, RedYellow},
    {12, 448, 0, {7, 24, 10, 27, false}, RedYellow},
    {13, 480, 0, {7, 22, 9, 26, false}, RedYellow},
    {14, 0, 32, {9, 23, 12, 26, false}, RedYellow},
    {15, 32, 32, {9, 22, 13, 26, false}, Red},
    {16, 64, 32, {11, 20, 17, 24, false}, Red},
    {17, 96, 32, {11, 18, 17, 23, false}, Red},
    {18, 128, 32, {14, 17, 19, 22, false}, Red},
    {19, 160, 32, {13, 15, 20, 22, false}, Red},
};

// The enemy pictures: extent (row 31 included), colours, and the black side columns of
// the shown 31 x 31 (columns 0..LeftMargin - 1 and RightMargin..30).
struct TEnemyCase {
  const char *Name;
  const TPicture &Picture;
  TExtent Extent;
  int LeftMargin, RightMargin;
};

const TEnemyCase EnemyCases[] = {
    {"carrier", Scad1Picture, {4, 27, 6, 31, false}, 5, 27},
    {"fragment", Scad2Picture, {6, 25, 6, 31, false}, 6, 26},
    {"warhead", Scad3Picture, {6, 25, 6, 31, false}, 6, 26},
};

void ExpectAllBlack(const TView &View, const std::string &What) {
  const TExtent Extent = ExtentOf(View);
  EXPECT_TRUE(Extent.Empty) << What << ": a coloured pixel at column " << Extent.Left << ", row "
                            << Extent.Top;
}

void ExpectExtent(const TExtent &Actual, const TExtent &Expected) {
  ASSERT_FALSE(Actual.Empty);
  EXPECT_EQ(Actual.Left, Expected.Left);
  EXPECT_EQ(Actual.Right, Expected.Right);
  EXPECT_EQ(Actual.Top, Expected.Top);
  EXPECT_EQ(Actual.Bottom, Expected.Bottom);
}

// ---- Palette and sizes ------------------------------------------------------------

TEST(Palette, IsTheStandardSixteenColours) {
  const TColor Expected[16] = {0x000000, 0x800000, 0x008000, 0x808000, 0x000080, 0x800080,
                               0x008080, 0xC0C0C0, 0x808080, 0xFF0000, 0x00FF00, 0xFFFF00,
                               0x0000FF, 0xFF00FF, 0x00FFFF, 0xFFFFFF};
  for (int i = 0; i < 16; ++i) EXPECT_EQ(Palette16[i], Expected[i]) << "index " << i;
  EXPECT_EQ(Palette16[pcBlack], clBlack);
  EXPECT_EQ(Palette16[pcWhite], clWhite);
  EXPECT_EQ(Palette16[pcLime], clLime);
  EXPECT_EQ(Palette16[pcYellow], clYellow);
}

struct TSizeCase {
  const char *Name;
  const TPicture &Picture;
  int Width, Height;
};

TEST(Pictures, HaveTheirSizesAndOnlyPaletteIndices) {
  const TSizeCase Cases[] = {
      {"sheet", ResPicture, 512, 96},
      {"carrier", Scad1Picture, 32, 32},
      {"fragment", Scad2Picture, 32, 32},
      {"warhead", Scad3Picture, 32, 32},
      {"icon 32", Icon32Picture, 32, 32},
      {"icon 16", Icon16Picture, 16, 16},
      {"program icon", ProgramIconPicture, 32, 32},
  };
  for (const TSizeCase &Case : Cases) {
    SCOPED_TRACE(Case.Name);
    EXPECT_EQ(Case.Picture.Width, Case.Width);
    EXPECT_EQ(Case.Picture.Height, Case.Height);
    ASSERT_NE(Case.Picture.Pixels, nullptr);
    int Bad = 0;
    for (int i = 0; i < Case.Width * Case.Height; ++i) Bad += Case.Picture.Pixels[i] > 15;
    EXPECT_EQ(Bad, 0) << "pixels outside the palette";
  }
}

// ---- The sprite sheet -------------------------------------------------------------

TEST(Sheet, UnusedCellsAreBlack) {
  ExpectAllBlack(Cell(0), "cell 0");
  for (int c = 22; c < 48; ++c) ExpectAllBlack(Cell(c), "cell " + std::to_string(c));
}

TEST(Sheet, InterceptorIsTheRimmedBallPixelForPixel) {
  ASSERT_EQ(InterceptorCell, 1);
  const TView Square{ResPicture, 32, 0, 16, 16};
  // Yellow columns of rows 4..11 and the red run between them.
  const struct {
    int YellowLeft, YellowRight, RedLeft, RedRight;
  } Rows[8] = {{6, 9, 0, -1},  {5, 10, 6, 9},  {4, 11, 5, 10}, {4, 11, 5, 10},
               {4, 11, 5, 10}, {4, 11, 5, 10}, {5, 10, 6, 9},  {6, 9, 0, -1}};
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 16; ++x) {
      uint8_t Expected = pcBlack;
      if (y >= 4 && y <= 11) {
        const auto &Row = Rows[y - 4];
        const bool RimRow = Row.RedRight < 0;  // rows 4 and 11: a yellow run
        if (RimRow ? (x >= Row.YellowLeft && x <= Row.YellowRight)
                   : (x == Row.YellowLeft || x == Row.YellowRight))
          Expected = pcYellow;
        else if (x >= Row.RedLeft && x <= Row.RedRight)
          Expected = pcRed;
      }
      EXPECT_EQ(Square.At(x, y), Expected) << "column " << x << ", row " << y;
    }
  EXPECT_EQ(CountOf(Square, pcRed), 32);
  EXPECT_EQ(CountOf(Square, pcYellow), 20);
  // The rest of the cell, beside and below the square, is black.
  ExpectAllBlack({ResPicture, 48, 0, 16, 32}, "right half of cell 1");
  ExpectAllBlack({ResPicture, 32, 16, 16, 16}, "bottom left of cell 1");
}

TEST(Sheet, ExplosionFramesHaveTheirExtentsAndColours) {
  for (const TFrameCase &Case : FrameCases) {
    SCOPED_TRACE("frame " + std::to_string(Case.Frame));
    const TView View = Cell(ExplosionCell(Case.Frame));
    ASSERT_EQ(View.Left, Case.SheetX);
    ASSERT_EQ(View.Top, Case.SheetY);
    ExpectExtent(ExtentOf(View), Case.Extent);
    EXPECT_EQ(ColoursOf(View), Case.Colours);
  }
}

TEST(Sheet, SmallestFramesAreDots) {
  EXPECT_EQ(CountOf(Cell(ExplosionCell(19)), pcRed), 5);
  // 4 x 4 dots with their corners cut read as round at 1:1.
  for (int Frame : {0, 18}) {
    const TView View = Cell(ExplosionCell(Frame));
    const TExtent Extent = ExtentOf(View);
    EXPECT_EQ(CountOf(View, pcRed), 12) << "frame " << Frame;
    EXPECT_EQ(View.At(Extent.Left, Extent.Top), pcBlack) << "frame " << Frame;
  }
}

// Rows 0..5 and the side columns of the shown 31 x 31 are black; row and column 31 of
// an explosion cell are black too.
TEST(Sheet, ExplosionFramesKeepTheirMargins) {
  for (const TFrameCase &Case : FrameCases) {
    SCOPED_TRACE("frame " + std::to_string(Case.Frame));
    const TView View = Cell(ExplosionCell(Case.Frame));
    ExpectAllBlack({ResPicture, View.Left, View.Top, 32, 6}, "rows 0..5");
    ExpectAllBlack({ResPicture, View.Left, View.Top, 4, 32}, "columns 0..3");
    ExpectAllBlack({ResPicture, View.Left + 29, View.Top, 3, 32}, "columns 29..31");
    ExpectAllBlack({ResPicture, View.Left, View.Top + 31, 32, 1}, "row 31");
  }
}

// ---- Enemy pictures ---------------------------------------------------------------

TEST(Enemies, HaveTheirExtentsColoursAndMargins) {
  for (const TEnemyCase &Case : EnemyCases) {
    SCOPED_TRACE(Case.Name);
    const TView View = Whole(Case.Picture);
    ExpectExtent(ExtentOf(View), Case.Extent);
    EXPECT_EQ(ColoursOf(View), EnemyColours);
    // Within the shown 31 x 31 only; row 31 may reach further out.
    ExpectAllBlack({Case.Picture, 0, 0, 31, 6}, "rows 0..5");
    ExpectAllBlack({Case.Picture, 0, 0, Case.LeftMargin, 31}, "left margin");
    ExpectAllBlack({Case.Picture, Case.RightMargin, 0, 31 - Case.RightMargin, 31}, "right margin");
    // A little detail on the never-shown row 31.
    EXPECT_NE(ColoursOf(View, 31, 31), 0);
  }
}

TEST(Enemies, CarrierFeetReachOutOnlyOnTheHiddenRow) {
  const TView Carrier = Whole(Scad1Picture);
  EXPECT_NE(Carrier.At(4, 31), pcBlack);
  EXPECT_NE(Carrier.At(27, 31), pcBlack);
}

// ---- The margins as the drawing uses them -------------------------------------------

// A black surface that takes opaque copies of a picture's shown 31 x 31.
class TSurface {
 public:
  static constexpr int Pad = 2, Size = 31 + 2 * Pad + 5;

  TSurface() : Pixels(Size * Size, pcBlack) {}

  void Copy(const TView &Source, int X, int Y) {
    for (int y = 0; y < 31; ++y)
      for (int x = 0; x < 31; ++x) Pixels[(Y + y) * Size + Pad + X + x] = Source.At(x, y);
  }

  // Coloured pixels outside the 31 x 31 at (X, Y).
  int ColouredOutside(int X, int Y) const {
    int Count = 0;
    for (int y = 0; y < Size; ++y)
      for (int x = 0; x < Size; ++x) {
        const bool Inside = x >= Pad + X && x < Pad + X + 31 && y >= Y && y < Y + 31;
        Count += !Inside && Pixels[y * Size + x] != pcBlack;
      }
    return Count;
  }

 private:
  std::vector<uint8_t> Pixels;
};

// Draws First, then Second 1..5 pixels lower and up to 2 to either side, without
// erasing: nothing of First may show outside Second.
void ExpectRedrawCovers(const TView &First, const TView &Second, const std::string &What) {
  for (int dy = 1; dy <= 5; ++dy)
    for (int dx = -2; dx <= 2; ++dx) {
      TSurface Surface;
      Surface.Copy(First, 0, 0);
      Surface.Copy(Second, dx, dy);
      EXPECT_EQ(Surface.ColouredOutside(dx, dy), 0)
          << What << ", moved by (" << dx << ", " << dy << ")";
    }
}

TEST(Redraw, EnemyDrawnAgainLeavesNoTrail) {
  for (const TEnemyCase &Case : EnemyCases)
    ExpectRedrawCovers(Whole(Case.Picture), Whole(Case.Picture), Case.Name);
}

TEST(Redraw, EnemyThenFirstExplosionFrameLeavesNoTrail) {
  for (const TEnemyCase &Case : EnemyCases)
    ExpectRedrawCovers(Whole(Case.Picture), Cell(ExplosionCell(0)),
                       std::string(Case.Name) + " then frame 0");
}

TEST(Redraw, ExplosionFramesLeaveNoTrail) {
  for (int Frame = 0; Frame < 20; ++Frame) {
    const std::string Name = "frame " + std::to_string(Frame);
    ExpectRedrawCovers(Cell(ExplosionCell(Frame)), Cell(ExplosionCell(Frame)), Name);
    if (Frame < 19)
      ExpectRedrawCovers(Cell(ExplosionCell(Frame)), Cell(ExplosionCell(Frame + 1)),
                         Name + " then the next");
  }
}

// A picture with a coloured pixel in its margin must fail the check above; a picture
// that only uses row 31 must pass, as that row is never copied.
TEST(Redraw, CheckCatchesAPixelInTheMargin) {
  uint8_t Pixels[32 * 32] = {};
  const TPicture Picture{32, 32, Pixels};
  Pixels[31 * 32 + 0] = pcRed;
  {
    TSurface Surface;
    Surface.Copy(Whole(Picture), 0, 0);
    Surface.Copy(Whole(Picture), -2, 5);
    EXPECT_EQ(Surface.ColouredOutside(-2, 5), 0);
  }
  Pixels[10 * 32 + 30] = pcRed;  // column 30: uncovered by a move to the left
  TSurface Surface;
  Surface.Copy(Whole(Picture), 0, 0);
  Surface.Copy(Whole(Picture), -1, 1);
  EXPECT_EQ(Surface.ColouredOutside(-1, 1), 1);
}

// ---- Icons --------------------------------------------------------------------------

TEST(Icons, Icon32HasTitleTrailsAndGround) {
  const TView Icon = Whole(Icon32Picture);
  EXPECT_EQ(ColoursOf(Icon, 0, 1), 0);
  EXPECT_EQ(ColoursOf(Icon, 2, 9), Colours({pcYellow}));
  EXPECT_EQ(ColoursOf(Icon, 10, 11), 0);
  EXPECT_EQ(ColoursOf(Icon, 12, 25), Red);
  for (int x = 0; x < 32; ++x) {
    EXPECT_EQ(Icon.At(x, 26), pcAqua) << "ground line, column " << x;
    for (int y = 27; y < 32; ++y) EXPECT_EQ(Icon.At(x, y), pcBlue) << x << ", " << y;
  }
  // The title spans the width: letters near both sides.
  const TExtent Title = ExtentOf({Icon32Picture, 0, 2, 32, 8});
  EXPECT_LE(Title.Left, 2);
  EXPECT_GE(Title.Right, 29);
}

TEST(Icons, Icon16HasArcsTrailsAndChequeredGround) {
  const TView Icon = Whole(Icon16Picture);
  EXPECT_TRUE(ColoursOf(Icon, 0, 5) & Colours({pcLime}));
  EXPECT_FALSE(ColoursOf(Icon, 0, 5) & Colours({pcRed, pcAqua, pcBlue}));
  EXPECT_EQ(ColoursOf(Icon, 6, 6), 0);
  EXPECT_EQ(ColoursOf(Icon, 7, 12), Red);
  for (int y = 13; y < 16; ++y)
    for (int x = 0; x < 16; ++x) {
      const uint8_t Pixel = Icon.At(x, y);
      EXPECT_TRUE(Pixel == pcAqua || Pixel == pcBlue) << x << ", " << y;
      if (x > 0) {
        EXPECT_NE(Pixel, Icon.At(x - 1, y)) << "chequer at " << x << ", " << y;
      }
      if (y > 13) {
        EXPECT_NE(Pixel, Icon.At(x, y - 1)) << "chequer at " << x << ", " << y;
      }
    }
}

TEST(Icons, ProgramIconShowsAMonitorWithColouredLines) {
  const TView Icon = Whole(ProgramIconPicture);
  const TColours Used = ColoursOf(Icon);
  const TColours Needed = Colours(
      {pcSilver, pcGrey, pcNavy, pcAqua, pcYellow, pcWhite, pcFuchsia, pcLime, pcBlue, pcRed});
  EXPECT_EQ(Used & Needed, Needed);
  // The navy screen fills most of the monitor's width.
  const TExtent Screen = ExtentOf(Icon, pcNavy);
  EXPECT_LE(Screen.Left, 4);
  EXPECT_GE(Screen.Right, 27);
  EXPECT_GT(CountOf(Icon, pcNavy), 200);
}

// The mask leaves pixels outside the outline transparent: they touch the icon's edge
// through other transparent pixels (no holes in the monitor), they are black in the
// picture (so the icon's XOR image leaves the screen alone there) and they are few.
TEST(Icons, ProgramIconMaskOnlyClearsTheBorderRegion) {
  int Transparent = 0;
  for (int i = 0; i < 32 * 32; ++i) {
    ASSERT_LE(ProgramIconMask[i], 1) << "mask byte " << i;
    if (ProgramIconMask[i]) {
      ++Transparent;
      EXPECT_EQ(ProgramIconPicture.Pixels[i], pcBlack) << "transparent pixel " << i;
    }
  }
  EXPECT_GT(Transparent, 0);
  EXPECT_LT(Transparent, 32 * 32 / 4);
  for (int i : {0, 31, 31 * 32, 32 * 32 - 1}) EXPECT_EQ(ProgramIconMask[i], 1) << i;

  // Flood the transparent pixels from the edge; every one must be reached.
  std::vector<bool> Reached(32 * 32, false);
  std::vector<int> Stack;
  for (int i = 0; i < 32; ++i)
    for (int Edge : {i, 31 * 32 + i, i * 32, i * 32 + 31})
      if (ProgramIconMask[Edge] && !Reached[Edge]) {
        Reached[Edge] = true;
        Stack.push_back(Edge);
      }
  while (!Stack.empty()) {
    const int At = Stack.back(), x = At % 32, y = At / 32;
    Stack.pop_back();
    const int Next[4][2] = {{x - 1, y}, {x + 1, y}, {x, y - 1}, {x, y + 1}};
    for (const auto &N : Next) {
      if (N[0] < 0 || N[0] > 31 || N[1] < 0 || N[1] > 31) continue;
      const int j = N[1] * 32 + N[0];
      if (ProgramIconMask[j] && !Reached[j]) {
        Reached[j] = true;
        Stack.push_back(j);
      }
    }
  }
  for (int i = 0; i < 32 * 32; ++i) {
    if (ProgramIconMask[i]) {
      EXPECT_TRUE(Reached[i]) << "a transparent hole at " << i % 32 << ", " << i / 32;
    }
  }
}

}  // namespace

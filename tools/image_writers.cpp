#include "tools/image_writers.h"

#include <gif_lib.h>
#include <png.h>

#include <csetjmp>
#include <cstdio>
#include <new>

#include "display/pictures.h"

namespace {

// libpng's own handlers print to stderr; the caller reports a failure in its own words.
[[noreturn]] void PngFailed(png_structp Png, png_const_charp) { png_longjmp(Png, 1); }
void PngWarned(png_structp, png_const_charp) {}

// Everything libpng may longjmp out of lives here, with plain locals only, so that the
// jump skips no destructor. Row holds 3 * Width bytes.
bool WritePngStream(std::FILE *File, const uint32_t *Pixels, int32_t Width, int32_t Height,
                    png_bytep Row) {
  png_structp Png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, PngFailed, PngWarned);
  if (!Png) return false;
  png_infop Info = png_create_info_struct(Png);
  if (!Info) {
    png_destroy_write_struct(&Png, nullptr);
    return false;
  }
  if (setjmp(png_jmpbuf(Png))) {
    png_destroy_write_struct(&Png, &Info);
    return false;
  }
  png_init_io(Png, File);
  png_set_IHDR(Png, Info, Width, Height, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(Png, Info);
  for (int32_t Y = 0; Y < Height; ++Y) {
    const uint32_t *Src = Pixels + static_cast<size_t>(Y) * Width;
    for (int32_t X = 0; X < Width; ++X) {
      Row[3 * X] = static_cast<png_byte>(Src[X] >> 16);
      Row[3 * X + 1] = static_cast<png_byte>(Src[X] >> 8);
      Row[3 * X + 2] = static_cast<png_byte>(Src[X]);
    }
    png_write_row(Png, Row);
  }
  png_write_end(Png, Info);
  png_destroy_write_struct(&Png, &Info);
  return true;
}

// giflib writes through this rather than its own file handle, so that the file gets the
// usual permissions and a failing close is seen.
int WriteToFile(GifFileType *Gif, const GifByteType *Data, int Length) {
  return static_cast<int>(
      std::fwrite(Data, 1, static_cast<size_t>(Length), static_cast<std::FILE *>(Gif->UserData)));
}

}  // namespace

bool WritePng(const char *Path, const uint32_t *Pixels, int32_t Width, int32_t Height) {
  // libpng itself refuses rows wider than a million pixels; refuse them before
  // allocating the row.
  if (!Path || !Pixels || Width <= 0 || Height <= 0 || Width > 1000000) return false;
  png_bytep Row = new (std::nothrow) png_byte[3 * static_cast<size_t>(Width)];
  if (!Row) return false;
  std::FILE *File = std::fopen(Path, "wb");
  bool Ok = File != nullptr;
  if (Ok) {
    Ok = WritePngStream(File, Pixels, Width, Height, Row);
    if (std::fclose(File) != 0) Ok = false;
  }
  delete[] Row;
  return Ok;
}

bool TGifWriter::Open(const char *Path, int32_t Width, int32_t Height, int DelayCentiseconds) {
  if (FGif) Close();
  if (!Path || Width <= 0 || Height <= 0 || Width > 65535 || Height > 65535 ||
      DelayCentiseconds < 0 || DelayCentiseconds > 65535)
    return false;
  const size_t Count = static_cast<size_t>(Width) * static_cast<size_t>(Height);
  try {
    FPrevious.assign(Count, 0);
    FCurrent.assign(Count, 0);
  } catch (const std::bad_alloc &) {
    FPrevious = {};
    FCurrent = {};
    return false;
  }
  std::FILE *File = std::fopen(Path, "wb");
  if (!File) return false;
  int Error = 0;
  GifFileType *Gif = EGifOpen(File, WriteToFile, &Error);
  if (!Gif) {
    std::fclose(File);
    return false;
  }
  EGifSetGifVersion(Gif, true);  // the loop and the delays need GIF89a

  GifColorType Colors[16];
  for (int I = 0; I < 16; ++I) {
    Colors[I].Red = static_cast<GifByteType>(Palette16[I] >> 16);
    Colors[I].Green = static_cast<GifByteType>(Palette16[I] >> 8);
    Colors[I].Blue = static_cast<GifByteType>(Palette16[I]);
  }
  ColorMapObject *Map = GifMakeMapObject(16, Colors);
  // The NETSCAPE2.0 block: sub-block 1, loop count 0 = for ever.
  static const GifByteType Loop[3] = {1, 0, 0};
  bool Ok = Map && EGifPutScreenDesc(Gif, Width, Height, 8, 0, Map) == GIF_OK &&
            EGifPutExtensionLeader(Gif, APPLICATION_EXT_FUNC_CODE) == GIF_OK &&
            EGifPutExtensionBlock(Gif, 11, "NETSCAPE2.0") == GIF_OK &&
            EGifPutExtensionBlock(Gif, 3, Loop) == GIF_OK && EGifPutExtensionTrailer(Gif) == GIF_OK;
  GifFreeMapObject(Map);  // the screen description keeps its own copy
  if (!Ok) {
    EGifCloseFile(Gif, &Error);
    std::fclose(File);
    return false;
  }
  FGif = Gif;
  FFile = File;
  FFailed = false;
  FHasFrame = false;
  FWidth = Width;
  FHeight = Height;
  FDelay = DelayCentiseconds;
  return true;
}

uint8_t TGifWriter::IndexOf(uint32_t Color) {
  Color &= 0xFFFFFFu;
  const uint32_t Slot = (Color * 2654435761u) >> 24;
  if (FCacheUsed[Slot] && FCacheKey[Slot] == Color) return FCacheIndex[Slot];
  const int R = (Color >> 16) & 0xFF, G = (Color >> 8) & 0xFF, B = Color & 0xFF;
  int Best = 0;
  int BestDistance = 0x7FFFFFFF;
  for (int I = 0; I < 16; ++I) {
    const int DR = R - static_cast<int>((Palette16[I] >> 16) & 0xFF);
    const int DG = G - static_cast<int>((Palette16[I] >> 8) & 0xFF);
    const int DB = B - static_cast<int>(Palette16[I] & 0xFF);
    const int Distance = DR * DR + DG * DG + DB * DB;
    if (Distance < BestDistance) {
      BestDistance = Distance;
      Best = I;
    }
  }
  FCacheUsed[Slot] = true;
  FCacheKey[Slot] = Color;
  FCacheIndex[Slot] = static_cast<uint8_t>(Best);
  return static_cast<uint8_t>(Best);
}

bool TGifWriter::AddFrame(const uint32_t *Pixels) {
  if (!FGif || FFailed || !Pixels) return false;
  const size_t Count = FCurrent.size();
  for (size_t I = 0; I < Count; ++I) FCurrent[I] = IndexOf(Pixels[I]);

  // The box of changed pixels; the first frame is whole, a still one is its top-left
  // pixel unchanged.
  int32_t Left = 0, Top = 0, Right = FWidth, Bottom = FHeight;
  if (FHasFrame) {
    Left = FWidth;
    Top = FHeight;
    Right = 0;
    Bottom = 0;
    for (int32_t Y = 0; Y < FHeight; ++Y) {
      const uint8_t *New = FCurrent.data() + static_cast<size_t>(Y) * FWidth;
      const uint8_t *Old = FPrevious.data() + static_cast<size_t>(Y) * FWidth;
      int32_t X0 = 0;
      while (X0 < FWidth && New[X0] == Old[X0]) ++X0;
      if (X0 == FWidth) continue;
      int32_t X1 = FWidth;
      while (New[X1 - 1] == Old[X1 - 1]) --X1;
      if (X0 < Left) Left = X0;
      if (X1 > Right) Right = X1;
      if (Y < Top) Top = Y;
      Bottom = Y + 1;
    }
    if (Left >= Right) {
      Left = Top = 0;
      Right = Bottom = 1;
    }
  }

  GraphicsControlBlock Control;
  Control.DisposalMode = DISPOSE_DO_NOT;
  Control.UserInputFlag = false;
  Control.DelayTime = FDelay;
  Control.TransparentColor = NO_TRANSPARENT_COLOR;
  GifByteType Extension[4];
  const size_t ExtensionLength = EGifGCBToExtension(&Control, Extension);
  bool Ok = EGifPutExtension(FGif, GRAPHICS_EXT_FUNC_CODE, static_cast<int>(ExtensionLength),
                             Extension) == GIF_OK &&
            EGifPutImageDesc(FGif, Left, Top, Right - Left, Bottom - Top, false, nullptr) == GIF_OK;
  for (int32_t Y = Top; Ok && Y < Bottom; ++Y)
    Ok = EGifPutLine(FGif, FCurrent.data() + static_cast<size_t>(Y) * FWidth + Left,
                     Right - Left) == GIF_OK;
  if (!Ok) {
    FFailed = true;
    return false;
  }
  FPrevious.swap(FCurrent);
  FHasFrame = true;
  return true;
}

bool TGifWriter::Close() {
  if (!FGif) return false;
  int Error = 0;
  bool Ok = !FFailed;
  if (EGifCloseFile(FGif, &Error) != GIF_OK) Ok = false;
  if (std::fclose(FFile) != 0) Ok = false;
  FGif = nullptr;
  FFile = nullptr;
  FFailed = false;
  FHasFrame = false;
  return Ok;
}

#include <gtest/gtest.h>

#include <gif_lib.h>
#include <png.h>

#include <climits>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "display/pictures.h"
#include "tools/image_writers.h"

namespace {

std::string TempPath(const char *Name) {
  return testing::TempDir() + "tolvane_" +
         testing::UnitTest::GetInstance()->current_test_info()->name() + "_" + Name;
}

std::vector<uint32_t> ReadPng(const std::string &Path, int32_t &Width, int32_t &Height,
                              png_uint_32 &FileFormat) {
  png_image Image;
  std::memset(&Image, 0, sizeof Image);
  Image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&Image, Path.c_str())) return {};
  FileFormat = Image.format;
  Image.format = PNG_FORMAT_RGB;
  std::vector<uint8_t> Bytes(PNG_IMAGE_SIZE(Image));
  if (!png_image_finish_read(&Image, nullptr, Bytes.data(), 0, nullptr)) return {};
  Width = static_cast<int32_t>(Image.width);
  Height = static_cast<int32_t>(Image.height);
  std::vector<uint32_t> Pixels(Bytes.size() / 3);
  for (size_t I = 0; I < Pixels.size(); ++I)
    Pixels[I] = uint32_t{Bytes[3 * I]} << 16 | uint32_t{Bytes[3 * I + 1]} << 8 | Bytes[3 * I + 2];
  return Pixels;
}

// ---------------------------------------------------------------------------------------
// PNG

TEST(WritePng, ReadsBackPixelForPixel) {
  constexpr int32_t W = 13, H = 7;
  std::vector<uint32_t> Pixels(W * H);
  for (int I = 0; I < W * H; ++I) Pixels[I] = (I * 0x9E3779u) & 0xFFFFFFu;  // any colours
  Pixels[0] = 0x000000;
  Pixels[1] = 0xFFFFFF;
  Pixels[2] = 0x010203;
  const std::string Path = TempPath("a.png");
  ASSERT_TRUE(WritePng(Path.c_str(), Pixels.data(), W, H));
  int32_t RW = 0, RH = 0;
  png_uint_32 Format = 0;
  const auto Read = ReadPng(Path, RW, RH, Format);
  EXPECT_EQ(Format, png_uint_32{PNG_FORMAT_RGB});  // 8-bit RGB, no alpha, no palette
  EXPECT_EQ(RW, W);
  EXPECT_EQ(RH, H);
  EXPECT_EQ(Read, Pixels);
  std::remove(Path.c_str());
}

TEST(WritePng, BadArgumentsAndUnwritablePathsFail) {
  const uint32_t Pixels[4] = {};
  const std::string Good = TempPath("b.png");
  const std::string Missing = testing::TempDir() + "tolvane_no_such_dir/x.png";
  const std::string Directory = testing::TempDir();
  struct TCase {
    const char *Name, *Path;
    const uint32_t *Pixels;
    int32_t W, H;
  };
  const TCase Cases[] = {
      {"no directory", Missing.c_str(), Pixels, 2, 2},
      {"a directory", Directory.c_str(), Pixels, 2, 2},
      {"null path", nullptr, Pixels, 2, 2},
      {"null pixels", Good.c_str(), nullptr, 2, 2},
      {"zero width", Good.c_str(), Pixels, 0, 2},
      {"negative height", Good.c_str(), Pixels, 2, -1},
      {"too wide", Good.c_str(), Pixels, INT32_MAX, 1},
      {"device full", "/dev/full", Pixels, 2, 2},
  };
  for (const auto &Case : Cases)
    EXPECT_FALSE(WritePng(Case.Path, Case.Pixels, Case.W, Case.H)) << Case.Name;
}

// ---------------------------------------------------------------------------------------
// GIF

struct TGifFile {
  GifFileType *Gif = nullptr;
  explicit TGifFile(const std::string &Path) {
    int Error = 0;
    Gif = DGifOpenFileName(Path.c_str(), &Error);
    if (Gif && DGifSlurp(Gif) != GIF_OK) {
      DGifCloseFile(Gif, &Error);
      Gif = nullptr;
    }
  }
  ~TGifFile() {
    int Error = 0;
    if (Gif) DGifCloseFile(Gif, &Error);
  }
};

// Plays the frames over each other as a viewer does with "do not dispose".
std::vector<std::vector<uint32_t>> PlayFrames(GifFileType *Gif) {
  std::vector<std::vector<uint32_t>> Frames;
  std::vector<uint32_t> Screen(size_t(Gif->SWidth) * Gif->SHeight, 0xDEAD);
  for (int I = 0; I < Gif->ImageCount; ++I) {
    const SavedImage &Image = Gif->SavedImages[I];
    const GifImageDesc &D = Image.ImageDesc;
    const ColorMapObject *Map = D.ColorMap ? D.ColorMap : Gif->SColorMap;
    for (int Y = 0; Y < D.Height; ++Y)
      for (int X = 0; X < D.Width; ++X) {
        const GifColorType &C = Map->Colors[Image.RasterBits[Y * D.Width + X]];
        Screen[size_t(D.Top + Y) * Gif->SWidth + D.Left + X] =
            uint32_t{C.Red} << 16 | uint32_t{C.Green} << 8 | C.Blue;
      }
    Frames.push_back(Screen);
  }
  return Frames;
}

bool LoopsForever(const SavedImage &First) {
  for (int I = 0; I + 1 < First.ExtensionBlockCount; ++I) {
    const ExtensionBlock &App = First.ExtensionBlocks[I], &Data = First.ExtensionBlocks[I + 1];
    if (App.Function == APPLICATION_EXT_FUNC_CODE && App.ByteCount == 11 &&
        std::memcmp(App.Bytes, "NETSCAPE2.0", 11) == 0 && Data.Function == CONTINUE_EXT_FUNC_CODE &&
        Data.ByteCount == 3 && Data.Bytes[0] == 1 && Data.Bytes[1] == 0 && Data.Bytes[2] == 0)
      return true;
  }
  return false;
}

TEST(GifWriter, FramesPlayBackAsWritten) {
  constexpr int32_t W = 9, H = 6;
  std::vector<std::vector<uint32_t>> Frames;
  std::vector<uint32_t> F(W * H);
  for (int I = 0; I < W * H; ++I) F[I] = Palette16[(I * 7) % 16];
  Frames.push_back(F);
  F[2 * W + 3] = Palette16[pcYellow];  // changes in rows 2..4, columns 3..6
  F[4 * W + 6] = Palette16[pcBlue];
  F[3 * W + 5] = Palette16[(F[3 * W + 5] == Palette16[pcRed]) ? pcLime : pcRed];
  Frames.push_back(F);
  Frames.push_back(F);                              // still
  F[0] = Palette16[F[0] == 0 ? pcWhite : pcBlack];  // opposite corners: the whole frame
  F[W * H - 1] = Palette16[F[W * H - 1] == 0 ? pcWhite : pcBlack];
  Frames.push_back(F);

  const std::string Path = TempPath("a.gif");
  {
    TGifWriter Writer;
    ASSERT_TRUE(Writer.Open(Path.c_str(), W, H, 7));
    for (const auto &Frame : Frames) ASSERT_TRUE(Writer.AddFrame(Frame.data()));
    ASSERT_TRUE(Writer.Close());
  }

  std::FILE *File = std::fopen(Path.c_str(), "rb");
  ASSERT_NE(File, nullptr);
  char Signature[6] = {};
  EXPECT_EQ(std::fread(Signature, 1, 6, File), 6u);
  std::fclose(File);
  EXPECT_EQ(std::string(Signature, 6), "GIF89a");

  TGifFile Gif(Path);
  ASSERT_NE(Gif.Gif, nullptr);
  ASSERT_EQ(Gif.Gif->ImageCount, 4);
  EXPECT_EQ(Gif.Gif->SWidth, W);
  EXPECT_EQ(Gif.Gif->SHeight, H);
  ASSERT_NE(Gif.Gif->SColorMap, nullptr);
  ASSERT_EQ(Gif.Gif->SColorMap->ColorCount, 16);
  EXPECT_EQ(Gif.Gif->SColorMap->BitsPerPixel, 4);
  for (int I = 0; I < 16; ++I) {
    const GifColorType &C = Gif.Gif->SColorMap->Colors[I];
    EXPECT_EQ(uint32_t{C.Red} << 16 | uint32_t{C.Green} << 8 | C.Blue, Palette16[I]) << I;
  }
  EXPECT_TRUE(LoopsForever(Gif.Gif->SavedImages[0]));
  for (int I = 0; I < 4; ++I) {
    GraphicsControlBlock Control;
    ASSERT_EQ(DGifSavedExtensionToGCB(Gif.Gif, I, &Control), GIF_OK) << I;
    EXPECT_EQ(Control.DelayTime, 7) << I;
    EXPECT_EQ(Control.DisposalMode, DISPOSE_DO_NOT) << I;
    EXPECT_EQ(Control.TransparentColor, NO_TRANSPARENT_COLOR) << I;
  }
  auto Box = [&](int I) {
    const GifImageDesc &D = Gif.Gif->SavedImages[I].ImageDesc;
    return std::vector<int>{D.Left, D.Top, D.Width, D.Height};
  };
  EXPECT_EQ(Box(0), (std::vector<int>{0, 0, W, H}));
  EXPECT_EQ(Box(1), (std::vector<int>{3, 2, 4, 3}));
  EXPECT_EQ(Box(2), (std::vector<int>{0, 0, 1, 1}));
  EXPECT_EQ(Box(3), (std::vector<int>{0, 0, W, H}));
  EXPECT_EQ(PlayFrames(Gif.Gif), Frames);
  std::remove(Path.c_str());
}

TEST(GifWriter, ColoursOutsideThePaletteBecomeTheNearest) {
  const uint32_t Input[6] = {0x7F0101, 0xF0F0F0, 0xB8B8C8, 0x10FE01, 0xFF800000, 0x0101A0};
  const uint32_t Want[6] = {0x800000, 0xFFFFFF, 0xC0C0C0, 0x00FF00, 0x800000, 0x000080};
  const std::string Path = TempPath("b.gif");
  TGifWriter Writer;
  ASSERT_TRUE(Writer.Open(Path.c_str(), 3, 2, 0));
  ASSERT_TRUE(Writer.AddFrame(Input));
  ASSERT_TRUE(Writer.AddFrame(Input));  // same colours, so a still frame
  ASSERT_TRUE(Writer.Close());
  TGifFile Gif(Path);
  ASSERT_NE(Gif.Gif, nullptr);
  ASSERT_EQ(Gif.Gif->ImageCount, 2);
  EXPECT_EQ(Gif.Gif->SavedImages[1].ImageDesc.Width, 1);
  const auto Frames = PlayFrames(Gif.Gif);
  EXPECT_EQ(Frames[0], std::vector<uint32_t>(Want, Want + 6));
  EXPECT_EQ(Frames[1], Frames[0]);
  std::remove(Path.c_str());
}

TEST(GifWriter, TheDestructorFinishesTheFile) {
  const std::string Path = TempPath("c.gif");
  const uint32_t Frame[4] = {0, Palette16[3], Palette16[9], 0xFFFFFF};
  {
    TGifWriter Writer;
    ASSERT_TRUE(Writer.Open(Path.c_str(), 2, 2, 65535));
    ASSERT_TRUE(Writer.AddFrame(Frame));
  }
  TGifFile Gif(Path);
  ASSERT_NE(Gif.Gif, nullptr);
  ASSERT_EQ(Gif.Gif->ImageCount, 1);
  GraphicsControlBlock Control;
  ASSERT_EQ(DGifSavedExtensionToGCB(Gif.Gif, 0, &Control), GIF_OK);
  EXPECT_EQ(Control.DelayTime, 65535);
  EXPECT_EQ(PlayFrames(Gif.Gif)[0], std::vector<uint32_t>(Frame, Frame + 4));
  std::remove(Path.c_str());
}

TEST(GifWriter, RefusesBadUseAndReportsFailedWrites) {
  const uint32_t Frame[4] = {};
  const std::string Path = TempPath("d.gif");
  const std::string Missing = testing::TempDir() + "tolvane_no_such_dir/x.gif";
  TGifWriter Writer;
  EXPECT_FALSE(Writer.AddFrame(Frame));  // nothing open
  EXPECT_FALSE(Writer.Close());
  EXPECT_FALSE(Writer.Open(Missing.c_str(), 2, 2, 5));
  EXPECT_FALSE(Writer.Open(nullptr, 2, 2, 5));
  EXPECT_FALSE(Writer.Open(Path.c_str(), 0, 2, 5));
  EXPECT_FALSE(Writer.Open(Path.c_str(), 2, -2, 5));
  EXPECT_FALSE(Writer.Open(Path.c_str(), 65536, 2, 5));
  EXPECT_FALSE(Writer.Open(Path.c_str(), 2, 2, -1));
  EXPECT_FALSE(Writer.Open(Path.c_str(), 2, 2, 65536));
  EXPECT_FALSE(Writer.AddFrame(Frame));

  ASSERT_TRUE(Writer.Open(Path.c_str(), 2, 2, 5));
  EXPECT_FALSE(Writer.AddFrame(nullptr));
  EXPECT_TRUE(Writer.AddFrame(Frame));
  EXPECT_TRUE(Writer.Close());
  EXPECT_FALSE(Writer.Close());  // already closed
  std::remove(Path.c_str());

  // A device that takes nothing: the failure shows by Close at the latest.
  ASSERT_TRUE(Writer.Open("/dev/full", 64, 64, 5));
  std::vector<uint32_t> Big(64 * 64);
  bool AllAdded = true;
  for (int I = 0; I < 50; ++I) {
    for (size_t J = 0; J < Big.size(); ++J) Big[J] = Palette16[(J + I) % 16];
    AllAdded = Writer.AddFrame(Big.data()) && AllAdded;
  }
  const bool Closed = Writer.Close();
  EXPECT_FALSE(AllAdded && Closed);
  EXPECT_FALSE(Closed);
}

}  // namespace

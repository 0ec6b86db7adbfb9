// The X11 canvas against the reference raster canvas, drawing into pixmaps of an Xvfb.
#include <gtest/gtest.h>
// After gtest: Xlib defines None, Status and Bool as macros.
#include "platform/x11/x11_canvas.h"

#include <X11/Xutil.h>

#include <cstdlib>
#include <functional>
#include <memory>
#include <vector>

#include "battle/battle.h"
#include "display/pictures.h"
#include "shell/frm_main.h"
#include "tests/alloc_counter.h"
#include "tests/x11/x11_test_support.h"
#include "ui/raster_canvas.h"

namespace {

constexpr uint32_t Seed = 12345;
uint32_t FixedClock() { return Seed; }

// A pixmap of the default depth and an X11 canvas on it.
class CanvasTest : public ::testing::Test {
 protected:
  void Make(int Width, int Height) {
    D = TXvfb::Get().Connection();
    ASSERT_NE(D, nullptr);
    W = Width;
    H = Height;
    const int Screen = DefaultScreen(D);
    Target = XCreatePixmap(D, RootWindow(D, Screen), unsigned(W), unsigned(H),
                           unsigned(DefaultDepth(D, Screen)));
    Canvas =
        std::make_unique<TX11Canvas>(D, Target, DefaultVisual(D, Screen), DefaultDepth(D, Screen));
    ASSERT_EQ(Canvas->Error(), "");
    Canvas->SetClientSize(W, H);
  }
  void TearDown() override {
    Canvas.reset();
    if (Target) XFreePixmap(D, Target);
    if (D) XSync(D, False);
  }
  TPixels Read() { return ReadPixels(D, Target, W, H); }
  void FillWhite() {
    GC G = XCreateGC(D, Target, 0, nullptr);
    XSetForeground(D, G, WhitePixel(D, DefaultScreen(D)));
    XFillRectangle(D, Target, G, 0, 0, unsigned(W), unsigned(H));
    XFreeGC(D, G);
  }

  Display *D = nullptr;
  Pixmap Target = 0;
  int W = 0, H = 0;
  std::unique_ptr<TX11Canvas> Canvas;
};

// Sends copies and fills to both canvases; arcs to neither, as their exact pixels are
// each platform's own (compared separately, within a pixel).
class TTeeCanvas : public TCanvas {
 public:
  TTeeCanvas(TCanvas &A, TCanvas &B) : A(A), B(B) {}
  void CopyRect(const TRect &Dest, const TImage &Source, const TRect &SourceRect) override {
    A.CopyRect(Dest, Source, SourceRect);
    B.CopyRect(Dest, Source, SourceRect);
  }
  void FillRect(const TRect &Rect) override {
    A.FillRect(Rect);
    B.FillRect(Rect);
  }
  void SetPenColor(TColor) override {}
  void Arc(int32_t, int32_t, int32_t, int32_t, int32_t, int32_t, int32_t, int32_t) override {}
  void ShapeMoved(const TShape &) override {}
  void ShapeShown(const TShape &) override {}

 private:
  TCanvas &A, &B;
};

// Forwards everything, counting the arcs.
class TArcCounter : public TCanvas {
 public:
  explicit TArcCounter(TCanvas &To) : To(To) {}
  void CopyRect(const TRect &Dest, const TImage &Source, const TRect &SourceRect) override {
    To.CopyRect(Dest, Source, SourceRect);
  }
  void FillRect(const TRect &Rect) override { To.FillRect(Rect); }
  void SetPenColor(TColor Color) override { To.SetPenColor(Color); }
  void Arc(int32_t X1, int32_t Y1, int32_t X2, int32_t Y2, int32_t X3, int32_t Y3, int32_t X4,
           int32_t Y4) override {
    ++Arcs;
    To.Arc(X1, Y1, X2, Y2, X3, Y3, X4, Y4);
  }
  void ShapeMoved(const TShape &S) override { To.ShapeMoved(S); }
  void ShapeShown(const TShape &S) override { To.ShapeShown(S); }
  long Arcs = 0;

 private:
  TCanvas &To;
};

int CountDifferences(const TPixels &X, const TRasterCanvas &R) {
  int Count = 0;
  for (int Y = 0; Y < X.Height; ++Y)
    for (int I = 0; I < X.Width; ++I)
      if (X.At(I, Y) != R.Pixel(I, Y)) ++Count;
  return Count;
}

// Whether every lit pixel of one picture has a lit pixel of the other within one pixel.
bool WithinOnePixel(const std::vector<std::pair<int, int>> &From, int W, int H,
                    const std::function<bool(int, int)> &Lit) {
  for (auto [X, Y] : From) {
    bool Near = false;
    for (int DY = -1; DY <= 1 && !Near; ++DY)
      for (int DX = -1; DX <= 1 && !Near; ++DX)
        Near = X + DX >= 0 && Y + DY >= 0 && X + DX < W && Y + DY < H && Lit(X + DX, Y + DY);
    if (!Near) return false;
  }
  return true;
}

}  // namespace

TEST_F(CanvasTest, CopiesAndFillsMatchTheReferenceCanvas) {
  Make(320, 600);
  TRasterCanvas Raster(W, H);
  TTeeCanvas Both(*Canvas, Raster);
  Both.FillRect({0, 0, W, H});

  // Each picture, whole and in parts, across every edge of the field and of the picture.
  TfrmMain Form;
  const TImage *Images[] = {&Form.imgRes, &Form.imgScad1, &Form.imgScad2, &Form.imgScad3};
  const TRect Places[] = {
      {-10, -12, 21, 19}, {300, 580, 331, 611}, {150, 300, 181, 331}, {-40, 100, -9, 131}};
  for (const TImage *Image : Images)
    for (const TRect &Place : Places) Both.CopyRect(Place, *Image, {0, 0, 31, 31});
  Both.CopyRect({0, 200, 31, 231}, Form.imgRes, {500, 80, 531, 111});
  Both.CopyRect({100, 400, 612, 496}, Form.imgRes, {0, 0, 512, 96});
  Both.FillRect({120, 420, 160, 700});
  Both.FillRect({-5, -5, 3, 3});
  EXPECT_EQ(CountDifferences(Read(), Raster), 0);

  // A battle's copies and erases, tick by tick, for a few seconds of play.
  frmMain = &Form;
  Form.ClientWidth = W;
  Form.ClientHeight = H;
  Form.Canvas = &Both;
  BattleClock = FixedClock;
  Level = 0;
  ResetBattle();
  for (int Tick = 0; Tick < 400; ++Tick) BattleTick();
  const TPixels Pixels = Read();
  int Lit = 0;
  for (uint32_t P : Pixels.Rgb) Lit += P != 0;
  EXPECT_GT(Lit, 2000) << "the battle should have drawn sprites";
  EXPECT_EQ(CountDifferences(Pixels, Raster), 0);
  frmMain = nullptr;
}

TEST_F(CanvasTest, ArcsRunCounterClockwiseAsTheReferenceDoes) {
  Make(200, 160);
  struct Case {
    const char *What;
    int32_t X1, Y1, X2, Y2, X3, Y3, X4, Y4;
  } Cases[] = {
      {"ground flash, upper half", 70, 70, 130, 130, 130, 100, 70, 100},
      {"lower half", 70, 70, 130, 130, 70, 100, 130, 100},
      {"right to top", 40, 40, 160, 160, 160, 100, 100, 40},
      {"top to right, three quarters", 40, 40, 160, 160, 100, 40, 160, 100},
      {"whole circle", 60, 60, 140, 140, 140, 100, 140, 100},
      {"ellipse, skewed rays", 20, 50, 180, 110, 180, 50, 20, 110},
      {"centre between pixels", 71, 71, 130, 130, 130, 100, 71, 100},
  };
  for (const Case &C : Cases) {
    SCOPED_TRACE(C.What);
    TRasterCanvas Raster(W, H);
    Canvas->FillRect({0, 0, W, H});
    Canvas->SetPenColor(clWhite);
    Raster.SetPenColor(clWhite);
    Canvas->Arc(C.X1, C.Y1, C.X2, C.Y2, C.X3, C.Y3, C.X4, C.Y4);
    Raster.Arc(C.X1, C.Y1, C.X2, C.Y2, C.X3, C.Y3, C.X4, C.Y4);
    const TPixels P = Read();
    std::vector<std::pair<int, int>> XLit, RLit;
    for (int Y = 0; Y < H; ++Y)
      for (int X = 0; X < W; ++X) {
        if (P.At(X, Y) == 0xFFFFFF) XLit.push_back({X, Y});
        if (Raster.Pixel(X, Y) == 0xFFFFFF) RLit.push_back({X, Y});
        EXPECT_TRUE(P.At(X, Y) == 0 || P.At(X, Y) == 0xFFFFFF);
      }
    ASSERT_GT(XLit.size(), 20u);
    EXPECT_TRUE(WithinOnePixel(XLit, W, H, [&](int X, int Y) {
      return Raster.Pixel(X, Y) == 0xFFFFFF;
    })) << "X drew where the reference has nothing near";
    EXPECT_TRUE(WithinOnePixel(RLit, W, H, [&](int X, int Y) { return P.At(X, Y) == 0xFFFFFF; }))
        << "X left out part of the reference arc";
  }

  // The flash's black pass covers its white pass: the pen changes between them.
  Canvas->FillRect({0, 0, W, H});
  Canvas->SetPenColor(clWhite);
  for (int R = 0; R < 16; ++R)
    Canvas->Arc(100 - R, 150 - R, 100 + R, 150 + R, 100 + R, 150, 100 - R, 150);
  Canvas->SetPenColor(clBlack);
  for (int R = 16; R >= 0; --R)
    Canvas->Arc(100 - R, 150 - R, 100 + R, 150 + R, 100 + R, 150, 100 - R, 150);
  for (uint32_t Pixel : Read().Rgb) ASSERT_EQ(Pixel, 0u);
}

TEST_F(CanvasTest, RepaintIsBlackWithTheVisibleMarkersInsideTheAreaOnly) {
  Make(120, 40);
  TCanvas *NoCanvas = nullptr;
  TShape Shown("a", NoCanvas), Hidden("b", NoCanvas), Red("c", NoCanvas);
  Shown.Left = 10;
  Shown.Top = 30;
  Hidden.Left = 50;
  Hidden.Top = 30;
  Hidden.Visible = false;
  Red.Left = 116;  // half outside the field
  Red.Top = 2;
  Red.PenColor = 0xFF0000;
  Red.BrushColor = 0x0000FF;
  const TShape *const Shapes[] = {&Shown, nullptr, &Hidden, &Red};

  FillWhite();
  Canvas->Repaint({0, 0, W, H}, Shapes, 4);
  TPixels P = Read();
  EXPECT_TRUE(MarkerAt(P, 10, 30));
  EXPECT_EQ(P.At(116, 2), 0xFF0000u);
  EXPECT_EQ(P.At(117, 3), 0x0000FFu);
  EXPECT_EQ(P.At(119, 9), 0xFF0000u);
  int Black = 0;
  for (uint32_t Pixel : P.Rgb) Black += Pixel == 0;
  EXPECT_EQ(Black, W * H - 64 - 32) << "all else black, the hidden marker too";

  // An exposed strip through the middle of the marker: only that strip is painted.
  FillWhite();
  Canvas->Repaint({0, 0, 14, H}, Shapes, 4);
  P = Read();
  for (int Y = 0; Y < H; ++Y)
    for (int X = 0; X < W; ++X) {
      SCOPED_TRACE(testing::Message() << X << "," << Y);
      const bool InMarker = X >= 10 && X < 18 && Y >= 30 && Y < 38;
      if (X >= 14)
        ASSERT_EQ(P.At(X, Y), 0xFFFFFFu);
      else if (!InMarker)
        ASSERT_EQ(P.At(X, Y), 0u);
      else
        ASSERT_EQ(P.At(X, Y), X == 10 || Y == 30 || Y == 37 ? 0xFFFF00u : 0x00FF00u);
    }
}

TEST_F(CanvasTest, ThirtyTwoBitVisualsGetOpaquePixels) {
  D = TXvfb::Get().Connection();
  ASSERT_NE(D, nullptr);
  XVisualInfo Info;
  if (!XMatchVisualInfo(D, DefaultScreen(D), 32, TrueColor, &Info))
    GTEST_SKIP() << "this server has no 32-bit TrueColor visual";
  W = 32;
  H = 32;
  Target = XCreatePixmap(D, RootWindow(D, DefaultScreen(D)), 32, 32, 32);
  Canvas = std::make_unique<TX11Canvas>(D, Target, Info.visual, 32);
  ASSERT_EQ(Canvas->Error(), "");
  Canvas->SetClientSize(32, 32);
  TfrmMain Form;
  Canvas->CopyRect({0, 0, 32, 32}, Form.imgScad1, {0, 0, 32, 32});
  XImage *Image = XGetImage(D, Target, 0, 0, 32, 32, AllPlanes, ZPixmap);
  ASSERT_NE(Image, nullptr);
  const unsigned long Alpha = 0xFFFFFFFFul & ~(Info.red_mask | Info.green_mask | Info.blue_mask);
  ASSERT_NE(Alpha, 0u);
  for (int Y = 0; Y < 32; ++Y)
    for (int X = 0; X < 32; ++X) {
      const unsigned long Pixel = XGetPixel(Image, X, Y);
      ASSERT_EQ(Pixel & Alpha, Alpha) << X << "," << Y;
      ASSERT_EQ(Pixel & ~Alpha,
                Canvas->PixelOf(Palette16[Scad1Picture.Pixels[Y * 32 + X]]) & ~Alpha);
    }
  XDestroyImage(Image);
}

TEST(X11Canvas, VisualsWithoutTrueColourAreRefusedWithAReason) {
  struct Case {
    int Class, Depth;
    const char *Name;
  } Cases[] = {{PseudoColor, 8, "PseudoColor"},
               {DirectColor, 24, "DirectColor"},
               {StaticGray, 1, "StaticGray"}};
  for (const Case &C : Cases) {
    Visual Fake{};
    Fake.c_class = C.Class;
    Fake.red_mask = C.Class == DirectColor ? 0xFF0000 : 0;
    Fake.green_mask = C.Class == DirectColor ? 0xFF00 : 0;
    Fake.blue_mask = C.Class == DirectColor ? 0xFF : 0;
    TX11Canvas Canvas(nullptr, 0, &Fake, C.Depth);  // refused before it touches the server
    EXPECT_NE(Canvas.Error().find(C.Name), std::string::npos) << Canvas.Error();
    EXPECT_NE(Canvas.Error().find("TrueColor"), std::string::npos) << Canvas.Error();
    EXPECT_EQ(Canvas.Error().find('\n'), std::string::npos);
  }
}

TEST_F(CanvasTest, ATickAllocatesNothing) {
  // A low field, so that enemies land and the ground flash's arcs are drawn too.
  Make(320, 100);
  TfrmMain Form;
  frmMain = &Form;
  Form.ClientWidth = W;
  Form.ClientHeight = H;
  TArcCounter Counter(*Canvas);
  Form.Canvas = &Counter;
  BattleClock = FixedClock;
  ResetBattle();
  for (int Tick = 0; Tick < 50; ++Tick) BattleTick();
  XFlush(D);
  const long Before = AllocationCount();
  for (int Tick = 0; Tick < 2000; ++Tick) {
    BattleTick();
    XFlush(D);
  }
  EXPECT_EQ(AllocationCount(), Before);
  EXPECT_GT(Counter.Arcs, 0) << "no ground flash was drawn";
  XSync(D, False);
  frmMain = nullptr;
}

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "display/pictures.h"
#include "ui/raster_canvas.h"
#include "ui/trace_canvas.h"

namespace {

constexpr uint32_t kRed = 0xFF0000;
// Shapes keep a reference to their canvas pointer, so it must outlive them.
TCanvas *const kNoCanvas = nullptr;

// A 5 x 4 picture whose pixels all differ from their neighbours and from red, with black
// (index 0) in it so that opacity shows.
const uint8_t kGridPixels[5 * 4] = {
    0, 1, 2, 3, 4, 5, 6, 7, 8, 0, 10, 11, 12, 13, 14, 15, 0, 1, 2, 3,
};
const TPicture kGridPicture{5, 4, kGridPixels};
const TImage kGrid("imgGrid", kGridPicture);

// An all-red picture larger than the test fields, to paint a background.
std::vector<uint8_t> RedPixels(64 * 64, pcRed);
const TPicture kRedPicture{64, 64, RedPixels.data()};
const TImage kRedImage("imgRed", kRedPicture);

void PaintRed(TRasterCanvas &C) { C.CopyRect({0, 0, 64, 64}, kRedImage, {0, 0, 64, 64}); }

std::vector<uint32_t> Snapshot(const TRasterCanvas &C) {
  const uint32_t *P = C.Pixels();
  return P ? std::vector<uint32_t>(P, P + size_t(C.Width()) * C.Height()) : std::vector<uint32_t>();
}

// Set pixels of a field: those not black.
std::vector<std::pair<int, int>> Lit(const TRasterCanvas &C) {
  std::vector<std::pair<int, int>> Out;
  for (int Y = 0; Y < C.Height(); ++Y)
    for (int X = 0; X < C.Width(); ++X)
      if (C.Pixel(X, Y) != 0) Out.push_back({X, Y});
  return Out;
}

// Whether the lit pixels form one 8-connected piece.
bool Connected(const TRasterCanvas &C) {
  const auto Points = Lit(C);
  if (Points.empty()) return true;
  std::vector<char> Seen(size_t(C.Width()) * C.Height(), 0);
  std::vector<std::pair<int, int>> Stack{Points[0]};
  Seen[size_t(Points[0].second) * C.Width() + Points[0].first] = 1;
  size_t Reached = 0;
  while (!Stack.empty()) {
    auto [X, Y] = Stack.back();
    Stack.pop_back();
    ++Reached;
    for (int DY = -1; DY <= 1; ++DY)
      for (int DX = -1; DX <= 1; ++DX) {
        const int NX = X + DX, NY = Y + DY;
        if (NX < 0 || NY < 0 || NX >= C.Width() || NY >= C.Height()) continue;
        char &S = Seen[size_t(NY) * C.Width() + NX];
        if (!S && C.Pixel(NX, NY) != 0) {
          S = 1;
          Stack.push_back({NX, NY});
        }
      }
  }
  return Reached == Points.size();
}

void FlashPass(TCanvas &C, int32_t Gx, int32_t Gy, int N, bool White) {
  if (White) {
    C.SetPenColor(clWhite);
    for (int R = 0; R < N; ++R) C.Arc(Gx - R, Gy - R, Gx + R, Gy + R, Gx + R, Gy, Gx - R, Gy);
  } else {
    C.SetPenColor(clBlack);
    for (int R = N; R >= 0; --R) C.Arc(Gx - R, Gy - R, Gx + R, Gy + R, Gx + R, Gy, Gx - R, Gy);
  }
}

// ---------------------------------------------------------------------------------------
// Field

TEST(RasterCanvasField, StartsBlackWithTheGivenSize) {
  TRasterCanvas C(7, 3);
  ASSERT_EQ(C.Width(), 7);
  ASSERT_EQ(C.Height(), 3);
  EXPECT_EQ(Snapshot(C), std::vector<uint32_t>(21, 0u));
}

TEST(RasterCanvasField, EmptyFieldsIgnoreEveryCall) {
  for (auto [W, H] : {std::pair{0, 0}, {0, 5}, {5, 0}, {-3, 4}, {INT32_MIN, INT32_MIN}}) {
    TRasterCanvas C(W, H);
    EXPECT_EQ(C.Width() * int64_t{C.Height()}, 0);
    EXPECT_EQ(C.Pixels(), nullptr);
    C.CopyRect({0, 0, 5, 4}, kGrid, {0, 0, 5, 4});
    C.FillRect({-1, -1, 2, 2});
    C.SetPenColor(clWhite);
    C.Arc(-2, -2, 2, 2, 0, 0, 0, 0);
    TShape S("shp", kNoCanvas);
    const TShape *List[] = {&S};
    C.Repaint(List, 1);
    EXPECT_EQ(C.Pixel(0, 0), 0u);
  }
}

TEST(RasterCanvasField, OnePixelFieldTakesEachOperation) {
  TRasterCanvas C(1, 1);
  C.CopyRect({-1, -1, 2, 2}, kGrid, {1, 1, 4, 4});  // the field gets grid (2, 2)
  EXPECT_EQ(C.Pixel(0, 0), Palette16[12]);
  C.FillRect({0, 0, 1, 1});
  EXPECT_EQ(C.Pixel(0, 0), 0u);
  C.SetPenColor(clWhite);
  C.Arc(-1, -1, 1, 1, 1, 0, -1, 0);  // radius 1 about the pixel: only its end points
  EXPECT_EQ(C.Pixel(0, 0), 0u);
  C.Arc(0, 0, 0, 0, 1, 0, -1, 0);  // no extent: the one pixel
  EXPECT_EQ(C.Pixel(0, 0), clWhite);
}

// ---------------------------------------------------------------------------------------
// FillRect and CopyRect clipping

struct TClipCase {
  const char *Name;
  TRect Rect;
};

const TClipCase kFillCases[] = {
    {"inside", {2, 1, 5, 4}},
    {"whole field", {0, 0, 8, 6}},
    {"beyond every side", {-5, -5, 100, 100}},
    {"over the left", {-3, 1, 2, 3}},
    {"over the top", {1, -3, 3, 2}},
    {"over the right", {6, 1, 12, 3}},
    {"over the bottom", {1, 4, 3, 9}},
    {"wholly left", {-9, 0, 0, 6}},
    {"wholly above", {0, -9, 8, 0}},
    {"wholly right", {8, 0, 20, 6}},
    {"wholly below", {0, 6, 8, 20}},
    {"negative corner", {-4, -4, -1, -1}},
    {"empty", {3, 3, 3, 5}},
    {"inverted", {5, 4, 2, 1}},
    {"int32 extremes", {INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX}},
    {"inverted extremes", {INT32_MAX, INT32_MAX, INT32_MIN, INT32_MIN}},
};

TEST(RasterCanvasFill, BlackensExactlyTheClippedRectangle) {
  for (const auto &Case : kFillCases) {
    SCOPED_TRACE(Case.Name);
    TRasterCanvas C(8, 6);
    PaintRed(C);
    C.FillRect(Case.Rect);
    const TRect &R = Case.Rect;
    for (int Y = 0; Y < 6; ++Y)
      for (int X = 0; X < 8; ++X) {
        const bool In = X >= R.Left && X < R.Right && Y >= R.Top && Y < R.Bottom;
        ASSERT_EQ(C.Pixel(X, Y), In ? 0u : kRed) << X << "," << Y;
      }
  }
}

struct TCopyCase {
  const char *Name;
  TRect Dest, Source;
};

const TCopyCase kCopyCases[] = {
    {"inside", {1, 1, 6, 5}, {0, 0, 5, 4}},
    {"part of the picture", {3, 2, 5, 4}, {2, 1, 4, 3}},
    {"over the left", {-2, 1, 3, 5}, {0, 0, 5, 4}},
    {"over the top", {1, -3, 6, 1}, {0, 0, 5, 4}},
    {"over the right", {5, 1, 10, 5}, {0, 0, 5, 4}},
    {"over the bottom", {1, 4, 6, 8}, {0, 0, 5, 4}},
    {"wholly outside", {8, 6, 13, 10}, {0, 0, 5, 4}},
    {"wholly left, negative", {-5, -4, 0, 0}, {0, 0, 5, 4}},
    {"source left of the picture", {0, 0, 5, 4}, {-2, 0, 3, 4}},
    {"source over the picture's bottom right", {2, 2, 7, 6}, {3, 2, 8, 6}},
    {"source wholly outside", {0, 0, 5, 4}, {5, 0, 10, 4}},
    {"empty", {2, 2, 2, 6}, {0, 0, 0, 4}},
    {"inverted", {6, 5, 1, 1}, {5, 4, 0, 0}},
    {"int32 extremes",
     {INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX},
     {INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX}},
};

TEST(RasterCanvasCopy, CopiesOnlyWhereFieldAndPictureOverlap) {
  for (const auto &Case : kCopyCases) {
    SCOPED_TRACE(Case.Name);
    TRasterCanvas C(8, 6);
    PaintRed(C);
    C.CopyRect(Case.Dest, kGrid, Case.Source);
    const int64_t W = int64_t{Case.Dest.Right} - Case.Dest.Left;
    const int64_t H = int64_t{Case.Dest.Bottom} - Case.Dest.Top;
    for (int Y = 0; Y < 6; ++Y)
      for (int X = 0; X < 8; ++X) {
        const int64_t I = X - int64_t{Case.Dest.Left}, J = Y - int64_t{Case.Dest.Top};
        const int64_t SX = Case.Source.Left + I, SY = Case.Source.Top + J;
        uint32_t Want = kRed;
        if (I >= 0 && I < W && J >= 0 && J < H && SX >= 0 && SX < 5 && SY >= 0 && SY < 4)
          Want = Palette16[kGridPixels[SY * 5 + SX]];
        ASSERT_EQ(C.Pixel(X, Y), Want) << X << "," << Y;
      }
  }
}

TEST(RasterCanvasCopy, BlackSourcePixelsOverwrite) {
  TRasterCanvas C(8, 6);
  PaintRed(C);
  C.CopyRect({2, 1, 7, 5}, kGrid, {0, 0, 5, 4});
  EXPECT_EQ(C.Pixel(2, 1), 0u);  // grid (0, 0) is black
  EXPECT_EQ(C.Pixel(6, 2), 0u);  // grid (4, 1)
  EXPECT_EQ(C.Pixel(3, 4), 0u);  // grid (1, 3)
  EXPECT_EQ(C.Pixel(3, 1), Palette16[pcMaroon]);
  EXPECT_EQ(C.Pixel(2, 4), Palette16[pcWhite]);
  EXPECT_EQ(C.Pixel(1, 1), kRed);
  EXPECT_EQ(C.Pixel(7, 1), kRed);
}

TEST(RasterCanvasCopy, IndicesAbove15WrapAndBadPicturesDrawNothing) {
  const uint8_t Wild[2] = {0x1A, 0xFF};
  const TPicture WildPicture{2, 1, Wild};
  const TPicture NoPixels{4, 4, nullptr};
  const TPicture Negative{-4, 4, Wild};
  TRasterCanvas C(4, 2);
  PaintRed(C);
  C.CopyRect({0, 0, 2, 1}, TImage("imgWild", WildPicture), {0, 0, 2, 1});
  EXPECT_EQ(C.Pixel(0, 0), Palette16[10]);
  EXPECT_EQ(C.Pixel(1, 0), Palette16[15]);
  C.CopyRect({0, 1, 4, 2}, TImage("imgNull", NoPixels), {0, 0, 4, 1});
  C.CopyRect({0, 1, 4, 2}, TImage("imgNegative", Negative), {0, 0, 4, 1});
  for (int X = 0; X < 4; ++X) EXPECT_EQ(C.Pixel(X, 1), kRed);
}

// ---------------------------------------------------------------------------------------
// Arc

TEST(RasterCanvasArc, FlashArcIsTheConnectedUpperHalfCircle) {
  constexpr int Gx = 50, Gy = 50;
  for (int R = 1; R <= 45; ++R) {
    SCOPED_TRACE(R);
    TRasterCanvas C(101, 101);
    C.SetPenColor(clWhite);
    C.Arc(Gx - R, Gy - R, Gx + R, Gy + R, Gx + R, Gy, Gx - R, Gy);
    EXPECT_EQ(C.Pixel(Gx + R, Gy), clWhite);
    EXPECT_EQ(C.Pixel(Gx - R, Gy), clWhite);
    EXPECT_EQ(C.Pixel(Gx, Gy - R), clWhite);
    EXPECT_TRUE(Connected(C));
    for (auto [X, Y] : Lit(C)) {
      ASSERT_LE(Y, Gy) << X;
      ASSERT_EQ(C.Pixel(X, Y), clWhite);
      const double D = std::hypot(X - Gx, Y - Gy);
      ASSERT_LT(std::fabs(D - R), 1.0) << X << "," << Y;
    }
    // Left-right mirror image: the dome has no lopsided side.
    for (auto [X, Y] : Lit(C)) ASSERT_EQ(C.Pixel(2 * Gx - X, Y), clWhite) << X << "," << Y;
  }
}

TEST(RasterCanvasArc, BlackFlashPassErasesTheWhitePassExactly) {
  struct TCase {
    int W, H, Gx, Gy;
  };
  const TCase Cases[] = {
      {120, 100, 60, 100},  {120, 100, 0, 100},  {120, 100, 119, 100}, {120, 100, -3, 100},
      {120, 100, 124, 100}, {64, 37, 32, 37},    {300, 250, 150, 125}, {300, 250, 1, 250},
      {50, 9, 25, 9},       {200, 120, 199, 60},
  };
  for (const auto &Case : Cases) {
    SCOPED_TRACE(testing::Message()
                 << Case.W << "x" << Case.H << " gx " << Case.Gx << " gy " << Case.Gy);
    const int N = Case.H / 10;
    TRasterCanvas C(Case.W, Case.H);
    PaintRed(C);
    FlashPass(C, Case.Gx, Case.Gy, N, true);
    const auto White = Snapshot(C);
    FlashPass(C, Case.Gx, Case.Gy, N, false);
    const auto After = Snapshot(C);
    size_t WhiteCount = 0;
    for (size_t I = 0; I < White.size(); ++I) {
      if (White[I] == clWhite) {
        ++WhiteCount;
        ASSERT_EQ(After[I], 0u) << "pixel " << I;
      }
      ASSERT_NE(After[I], clWhite) << "pixel " << I;
    }
    // With the ground point within reach of the field, the dome showed.
    if (N > 1 && Case.Gx >= -N && Case.Gx < Case.W + N) {
      EXPECT_GT(WhiteCount, 0u);
    }
  }
}

TEST(RasterCanvasArc, SweepRunsCounterClockwiseOnScreen) {
  // Circle of radius 10 about (20, 20); rays given by points on the axes.
  constexpr int C0 = 20;
  const std::pair<int, int> East{30, 20}, North{20, 10}, West{10, 20}, South{20, 30};
  struct TCase {
    const char *Name;
    std::pair<int, int> Start, End;
    // The sweep must leave this open quadrant empty (dx, dy signs); 0 = none.
    int NoDx, NoDy;
    // And must reach these two points.
    std::pair<int, int> Reach1, Reach2;
  };
  const TCase Cases[] = {
      {"east to north: upper right", East, North, 0, 0, East, North},
      {"north to west: upper left", North, West, 0, 0, North, West},
      {"west to south: lower left", West, South, 0, 0, West, South},
      {"south to east: lower right", South, East, 0, 0, South, East},
      {"north to east: all but upper right", North, East, 1, -1, West, South},
  };
  const int QuadrantOf[4][2] = {{1, -1}, {-1, -1}, {-1, 1}, {1, 1}};
  for (int I = 0; I < 5; ++I) {
    const auto &Case = Cases[I];
    SCOPED_TRACE(Case.Name);
    TRasterCanvas C(41, 41);
    C.SetPenColor(clWhite);
    C.Arc(10, 10, 30, 30, Case.Start.first, Case.Start.second, Case.End.first, Case.End.second);
    EXPECT_EQ(C.Pixel(Case.Reach1.first, Case.Reach1.second), clWhite);
    EXPECT_EQ(C.Pixel(Case.Reach2.first, Case.Reach2.second), clWhite);
    EXPECT_TRUE(Connected(C));
    for (auto [X, Y] : Lit(C)) {
      const int DX = X - C0, DY = Y - C0;
      if (I < 4) {  // a quarter: every pixel in its closed quadrant
        ASSERT_GE(DX * QuadrantOf[I][0], 0) << X << "," << Y;
        ASSERT_GE(DY * QuadrantOf[I][1], 0) << X << "," << Y;
      } else {
        ASSERT_FALSE(DX * Case.NoDx > 0 && DY * Case.NoDy > 0) << X << "," << Y;
      }
    }
  }
}

TEST(RasterCanvasArc, RayPointsAnywhereOnTheirRays) {
  // The same upper half from ray points near the centre, far off and at the int32 ends;
  // a start point on the centre itself counts as a ray to the right.
  TRasterCanvas Ref(41, 41);
  Ref.SetPenColor(clWhite);
  Ref.Arc(10, 10, 30, 30, 30, 20, 10, 20);
  const std::pair<int32_t, int32_t> Starts[] = {{21, 20}, {100000, 20}, {INT32_MAX, 20}, {20, 20}};
  const std::pair<int32_t, int32_t> Ends[] = {{19, 20}, {-100000, 20}, {INT32_MIN, 20}};
  for (auto S : Starts)
    for (auto E : Ends) {
      TRasterCanvas C(41, 41);
      C.SetPenColor(clWhite);
      C.Arc(10, 10, 30, 30, S.first, S.second, E.first, E.second);
      EXPECT_EQ(Snapshot(C), Snapshot(Ref)) << S.first << " " << E.first;
    }
}

TEST(RasterCanvasArc, DiagonalRaysCutAtTheirAngle) {
  // From the up-right diagonal counter-clockwise to the up-left one: the top quarter.
  TRasterCanvas C(41, 41);
  C.SetPenColor(clWhite);
  C.Arc(5, 5, 35, 35, 21, 19, 19, 19);
  EXPECT_EQ(C.Pixel(20, 5), clWhite);
  EXPECT_TRUE(Connected(C));
  const auto Points = Lit(C);
  ASSERT_FALSE(Points.empty());
  for (auto [X, Y] : Points) ASSERT_LE(std::abs(X - 20), 20 - Y) << X << "," << Y;
  // Near the diagonals on both sides (radius 15 * 0.707 = 10.6).
  bool Left = false, Right = false;
  for (auto [X, Y] : Points) {
    Left |= X <= 10;
    Right |= X >= 30;
  }
  EXPECT_TRUE(Left && Right);
}

TEST(RasterCanvasArc, WholeEllipsesSpanTheirRectangle) {
  // Wider than tall, taller than wide, odd sizes (centre between pixels), flat ones.
  const TRect Cases[] = {{5, 10, 45, 30}, {10, 3, 22, 38}, {4, 4, 13, 9},
                         {3, 8, 40, 9},   {20, 2, 20, 30}, {2, 20, 40, 20}};
  for (const auto &R : Cases) {
    SCOPED_TRACE(testing::Message() << R.Left << "," << R.Top << "-" << R.Right << "," << R.Bottom);
    TRasterCanvas C(50, 42);
    C.SetPenColor(clYellow);
    C.Arc(R.Left, R.Top, R.Right, R.Bottom, 0, 0, 0, 0);  // equal rays: the whole curve
    int MinX = 99, MaxX = -1, MinY = 99, MaxY = -1;
    for (auto [X, Y] : Lit(C)) {
      MinX = std::min(MinX, X), MaxX = std::max(MaxX, X);
      MinY = std::min(MinY, Y), MaxY = std::max(MaxY, Y);
      ASSERT_EQ(C.Pixel(X, Y), clYellow);
      ASSERT_EQ(C.Pixel(R.Left + R.Right - X, Y), clYellow) << "mirror " << X << "," << Y;
      ASSERT_EQ(C.Pixel(X, R.Top + R.Bottom - Y), clYellow) << "mirror " << X << "," << Y;
    }
    EXPECT_EQ(MinX, R.Left);
    EXPECT_EQ(MaxX, R.Right);
    EXPECT_EQ(MinY, R.Top);
    EXPECT_EQ(MaxY, R.Bottom);
    EXPECT_TRUE(Connected(C));
  }
}

TEST(RasterCanvasArc, PointAndHugeRectangles) {
  TRasterCanvas C(20, 20);
  C.SetPenColor(clWhite);
  C.Arc(7, 4, 7, 4, 8, 4, 6, 4);
  EXPECT_EQ(Lit(C), (std::vector<std::pair<int, int>>{{7, 4}}));
  // Too large to draw: nothing, and promptly.
  C.Arc(INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX, 0, 0, 1, 1);
  C.Arc(-40000, 0, 40000, 10, 0, 0, 0, 0);
  EXPECT_EQ(Lit(C).size(), 1u);
  // The largest drawable circle, centred far off the field, crosses it at its radius.
  C.Arc(-32768 + 10, 10 - 16384, 10, 10 + 16384, 0, 0, 0, 0);
  const auto Points = Lit(C);
  ASSERT_GT(Points.size(), 1u);
  for (auto [X, Y] : Points) {
    if (X == 7 && Y == 4) continue;
    ASSERT_LT(std::fabs(std::hypot(X + 16374.0, Y - 10.0) - 16384.0), 1.0) << X << "," << Y;
  }
}

TEST(RasterCanvasArc, PenColourIsKeptAndMasked) {
  TRasterCanvas C(9, 9);
  C.SetPenColor(0xFF123456);
  EXPECT_EQ(C.PenColor(), 0x123456u);
  C.Arc(2, 2, 6, 6, 6, 4, 6, 4);
  EXPECT_EQ(C.Pixel(6, 4), 0x123456u);
  C.FillRect({0, 0, 9, 9});  // the brush stays black whatever the pen
  EXPECT_EQ(Lit(C).size(), 0u);
}

// ---------------------------------------------------------------------------------------
// Markers

TEST(RasterCanvasRepaint, PaintsVisibleMarkersOverBlack) {
  TRasterCanvas C(24, 12);
  TCanvas *Owner = &C;
  TShape A("shpA", Owner), Hidden("shpB", Owner), Edge("shpC", Owner), Tiny("shpD", Owner);
  A.SetLeft(2);
  A.SetTop(3);
  Hidden.SetLeft(12);
  Hidden.SetVisible(false);
  Edge.SetLeft(-3);
  Edge.SetTop(8);
  Edge.PenColor = 0x0000FF;
  Edge.BrushColor = 0xFF00FF;
  Tiny.Left = 20, Tiny.Top = 1, Tiny.Width = 2, Tiny.Height = 2;
  // Moving and showing leave the field alone; only the repaint shows them.
  EXPECT_EQ(Lit(C).size(), 0u);

  PaintRed(C);
  const TShape *List[] = {&A, nullptr, &Hidden, &Edge, &Tiny};
  C.Repaint(List, 5);
  for (int Y = 0; Y < 12; ++Y)
    for (int X = 0; X < 24; ++X) {
      uint32_t Want = 0;
      auto Marker = [&](int L, int T, int W, int H, uint32_t Pen, uint32_t Brush) {
        if (X < L || X >= L + W || Y < T || Y >= T + H) return;
        const bool Rim = X == L || X == L + W - 1 || Y == T || Y == T + H - 1;
        Want = Rim ? Pen : Brush;
      };
      Marker(2, 3, 8, 8, clYellow, clLime);
      Marker(-3, 8, 8, 8, 0x0000FF, 0xFF00FF);
      Marker(20, 1, 2, 2, clYellow, clLime);
      ASSERT_EQ(C.Pixel(X, Y), Want) << X << "," << Y;
    }
  EXPECT_EQ(C.Pixel(3, 4), clLime);     // inside of A
  EXPECT_EQ(C.Pixel(9, 10), clYellow);  // A's bottom-right corner
  EXPECT_EQ(C.Pixel(0, 9), 0xFF00FFu);  // inside of the clipped marker
}

TEST(RasterCanvasRepaint, NoShapesMeansBlack) {
  TRasterCanvas C(6, 6);
  PaintRed(C);
  C.Repaint(nullptr, 3);
  EXPECT_EQ(Lit(C).size(), 0u);
  TShape Flat("shpFlat", kNoCanvas);
  Flat.Width = 0;
  const TShape *List[] = {&Flat};
  PaintRed(C);
  C.Repaint(List, -1);
  EXPECT_EQ(Lit(C).size(), 0u);
  C.Repaint(List, 1);
  EXPECT_EQ(Lit(C).size(), 0u);
}

// ---------------------------------------------------------------------------------------
// Trace canvas

// Records what reaches it, for checking that the trace passes calls on.
class TRecordingCanvas : public TCanvas {
 public:
  std::vector<std::string> Calls;
  void CopyRect(const TRect &D, const TImage &S, const TRect &R) override {
    Calls.push_back(std::string("copy ") + S.Name + " " + std::to_string(D.Left) + " " +
                    std::to_string(R.Bottom));
  }
  void FillRect(const TRect &R) override { Calls.push_back("fill " + std::to_string(R.Right)); }
  void SetPenColor(TColor C) override { Calls.push_back("pen " + std::to_string(C)); }
  void Arc(int32_t X1, int32_t, int32_t, int32_t, int32_t, int32_t, int32_t, int32_t Y4) override {
    Calls.push_back("arc " + std::to_string(X1) + " " + std::to_string(Y4));
  }
  void ShapeMoved(const TShape &S) override { Calls.push_back(std::string("moved ") + S.Name); }
  void ShapeShown(const TShape &S) override { Calls.push_back(std::string("shown ") + S.Name); }
};

std::string ReadAll(std::FILE *F) {
  std::rewind(F);
  std::string Text;
  char Buffer[256];
  size_t N;
  while ((N = std::fread(Buffer, 1, sizeof Buffer, F)) > 0) Text.append(Buffer, N);
  return Text;
}

void DrawSequence(TCanvas &C, TShape &Marker) {
  C.CopyRect({84, 24, 115, 55}, kGrid, {0, 0, 31, 31});
  C.FillRect({-16, -3, 15, 28});
  C.SetPenColor(clWhite);
  C.SetPenColor(0x0A0B0C);
  C.SetPenColor(0xABCDEF);
  C.Arc(-5, 95, 5, 105, 5, 100, -5, 100);
  Marker.SetLeft(316);
  Marker.SetTop(-8);
  Marker.SetVisible(false);
  Marker.SetVisible(true);
}

TEST(TraceCanvas, PrintsOneLinePerCallAndPassesThemOn) {
  std::FILE *Out = std::tmpfile();
  ASSERT_NE(Out, nullptr);
  TRecordingCanvas Next;
  TTraceCanvas Trace(Out, &Next);
  TCanvas *Owner = &Trace;
  TShape Marker("shpBaseC", Owner);
  DrawSequence(Trace, Marker);
  EXPECT_EQ(ReadAll(Out),
            "copy imgGrid 84 24 115 55 0 0 31 31\n"
            "fill -16 -3 15 28\n"
            "pen FFFFFF\n"
            "pen 0A0B0C\n"
            "pen ABCDEF\n"
            "arc -5 95 5 105 5 100 -5 100\n"
            "marker shpBaseC 316 -8 0\n"
            "marker shpBaseC 316 -8 1\n");
  std::fclose(Out);
  EXPECT_EQ(Next.Calls,
            (std::vector<std::string>{"copy imgGrid 84 31", "fill 15", "pen 16777215", "pen 658188",
                                      "pen 11259375", "arc -5 100", "moved shpBaseC",
                                      "moved shpBaseC", "shown shpBaseC", "shown shpBaseC"}));
}

TEST(TraceCanvas, DrawsThroughToARasterCanvas) {
  TRasterCanvas Direct(40, 30), Behind(40, 30);
  TTraceCanvas Trace(nullptr, &Behind);  // no output, only the passing on
  TShape M1("m", kNoCanvas), M2("m", kNoCanvas);
  DrawSequence(Direct, M1);
  DrawSequence(Trace, M2);
  EXPECT_EQ(Snapshot(Direct), Snapshot(Behind));
  EXPECT_EQ(Behind.PenColor(), 0xABCDEFu);
}

TEST(TraceCanvas, WithoutNextOnlyPrints) {
  std::FILE *Out = std::tmpfile();
  ASSERT_NE(Out, nullptr);
  TTraceCanvas Trace(Out);
  const TImage Nameless(nullptr, kGridPicture);
  Trace.CopyRect({0, 0, 1, 1}, Nameless, {0, 0, 1, 1});
  TShape Shape(nullptr, kNoCanvas);
  Trace.ShapeShown(Shape);
  Trace.ShapeMoved(Shape);
  Trace.SetPenColor(0xFF000001);
  EXPECT_EQ(ReadAll(Out), "copy - 0 0 1 1 0 0 1 1\nmarker - 0 0 1\npen 000001\n");
  std::fclose(Out);
}

}  // namespace

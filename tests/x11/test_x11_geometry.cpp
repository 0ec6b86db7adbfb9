#include "platform/x11/x11_geometry.h"

#include <gtest/gtest.h>

namespace {

constexpr int32_t Full = 360 * 64;

}  // namespace

TEST(X11Geometry, ArcRaysBecomeStartAndExtent) {
  struct Case {
    const char *What;
    int32_t X1, Y1, X2, Y2, X3, Y3, X4, Y4;
    int32_t X, Y, W, H, Angle1, Angle2;
  } Cases[] = {
      // The ground flash: right end, over the top, to the left end.
      {"flash", 90, 190, 110, 210, 110, 200, 90, 200, 90, 190, 20, 20, 0, 180 * 64},
      {"flash from the left is the lower half", 90, 190, 110, 210, 90, 200, 110, 200, 90, 190, 20,
       20, 180 * 64, 180 * 64},
      {"right to top: upper right quarter", 0, 0, 100, 100, 100, 50, 50, 0, 0, 0, 100, 100, 0,
       90 * 64},
      {"top to right: three quarters", 0, 0, 100, 100, 50, 0, 100, 50, 0, 0, 100, 100, 90 * 64,
       270 * 64},
      {"ray points far out count by direction", 0, 0, 100, 100, 1000, 50, 50, -7000, 0, 0, 100, 100,
       0, 90 * 64},
      {"equal rays: whole ellipse", 0, 0, 100, 100, 100, 0, 100, 0, 0, 0, 100, 100, 45 * 64, Full},
      {"same direction, other length: whole", 0, 0, 100, 100, 60, 40, 150, -50, 0, 0, 100, 100,
       45 * 64, Full},
      {"centre as a ray point: to the right", 0, 0, 100, 100, 50, 50, 50, 0, 0, 0, 100, 100, 0,
       90 * 64},
      {"corners given the other way round", 110, 210, 90, 190, 110, 200, 90, 200, 90, 190, 20, 20,
       0, 180 * 64},
      // X's angles on an ellipse are parametric: 45 degrees on the screen on a 2:1
      // ellipse is atan(2) = 63.43 degrees.
      {"skewed on an ellipse", 0, 0, 200, 100, 200, -50, 0, 50, 0, 0, 200, 100, 4060, 7460},
  };
  for (const Case &C : Cases) {
    SCOPED_TRACE(C.What);
    const XArcRequest A = ArcToX(C.X1, C.Y1, C.X2, C.Y2, C.X3, C.Y3, C.X4, C.Y4);
    ASSERT_EQ(A.Kind, XArcRequest::Curve);
    EXPECT_EQ(A.X, C.X);
    EXPECT_EQ(A.Y, C.Y);
    EXPECT_EQ(A.Width, C.W);
    EXPECT_EQ(A.Height, C.H);
    EXPECT_EQ(A.Angle1, C.Angle1);
    EXPECT_EQ(A.Angle2, C.Angle2);
  }
}

TEST(X11Geometry, ArcEdgeCases) {
  // Rays a hair apart: from just above the axis round to it is all but a whole turn,
  // from just below it is a sliver; rounding to 64ths must make neither whole nor empty.
  const XArcRequest AlmostWhole = ArcToX(-10000, -10000, 10000, 10000, 10000, -1, 10000, 0);
  ASSERT_EQ(AlmostWhole.Kind, XArcRequest::Curve);
  EXPECT_EQ(AlmostWhole.Angle2, Full - 1);
  const XArcRequest Sliver = ArcToX(-10000, -10000, 10000, 10000, 10000, 1, 10000, 0);
  ASSERT_EQ(Sliver.Kind, XArcRequest::Curve);
  EXPECT_EQ(Sliver.Angle2, 1);

  // The flash at radius 0 is one pixel.
  const XArcRequest Dot = ArcToX(7, 9, 7, 9, 7, 9, 7, 9);
  EXPECT_EQ(Dot.Kind, XArcRequest::Dot);
  EXPECT_EQ(Dot.X, 7);
  EXPECT_EQ(Dot.Y, 9);

  // Nothing that X's 16-bit fields cannot carry.
  EXPECT_EQ(ArcToX(-40000, 0, -39990, 10, 0, 0, 0, 0).Kind, XArcRequest::Nothing);
  EXPECT_EQ(ArcToX(0, 0, 70000, 10, 0, 0, 0, 0).Kind, XArcRequest::Nothing);
  EXPECT_EQ(ArcToX(40000, 40000, 40000, 40000, 0, 0, 0, 0).Kind, XArcRequest::Nothing);
  EXPECT_EQ(ArcToX(INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX, INT32_MIN, 0, INT32_MAX, 0).Kind,
            XArcRequest::Nothing);
}

TEST(X11Geometry, CopiesClipToTheClientAndThePicture) {
  struct Case {
    const char *What;
    TRect Dest, Source;
    bool Drawn;
    XBlit Blit;
  } Cases[] = {
      {"inside", {10, 20, 41, 51}, {0, 0, 31, 31}, true, {0, 0, 10, 20, 31, 31}},
      {"off the left and top", {-5, -7, 26, 24}, {32, 0, 63, 31}, true, {37, 7, 0, 0, 26, 24}},
      {"off the right and bottom",
       {180, 140, 211, 171},
       {0, 0, 31, 31},
       true,
       {0, 0, 180, 140, 20, 10}},
      {"source past the picture's edge",
       {0, 0, 31, 31},
       {500, 80, 531, 111},
       true,
       {500, 80, 0, 0, 12, 16}},
      {"rectangles of two sizes: the common top-left part",
       {0, 0, 10, 40},
       {0, 0, 20, 5},
       true,
       {0, 0, 0, 0, 10, 5}},
      {"wholly outside", {200, 0, 231, 31}, {0, 0, 31, 31}, false, {}},
      {"source wholly outside", {0, 0, 31, 31}, {-40, 0, -9, 31}, false, {}},
      {"empty", {10, 10, 10, 41}, {0, 0, 0, 31}, false, {}},
      {"inside out", {41, 51, 10, 20}, {31, 31, 0, 0}, false, {}},
      {"far out", {INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX}, {0, 0, 31, 31}, false, {}},
  };
  for (const Case &C : Cases) {
    SCOPED_TRACE(C.What);
    XBlit B{};
    ASSERT_EQ(ClipCopy(C.Dest, C.Source, 512, 96, 200, 150, B), C.Drawn);
    if (!C.Drawn) continue;
    EXPECT_EQ(B.SrcX, C.Blit.SrcX);
    EXPECT_EQ(B.SrcY, C.Blit.SrcY);
    EXPECT_EQ(B.DstX, C.Blit.DstX);
    EXPECT_EQ(B.DstY, C.Blit.DstY);
    EXPECT_EQ(B.Width, C.Blit.Width);
    EXPECT_EQ(B.Height, C.Blit.Height);
  }
}

TEST(X11Geometry, FillsClipToTheClientAndToSixteenBits) {
  struct Case {
    TRect Rect;
    int32_t ClientWidth, ClientHeight;
    bool Drawn;
    XBlit Blit;
  } Cases[] = {
      {{10, 20, 41, 51}, 200, 150, true, {0, 0, 10, 20, 31, 31}},
      {{-16, -16, 15, 15}, 200, 150, true, {0, 0, 0, 0, 15, 15}},
      {{INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX}, 200, 150, true, {0, 0, 0, 0, 200, 150}},
      {{0, 0, 100000, 100000}, 100000, 100000, true, {0, 0, 0, 0, 32767, 32767}},
      {{200, 0, 231, 31}, 200, 150, false, {}},
      {{0, 0, 10, 10}, 0, 0, false, {}},
      {{0, 0, 10, 10}, -5, 10, false, {}},
  };
  for (const Case &C : Cases) {
    SCOPED_TRACE(testing::Message() << C.Rect.Left << "," << C.Rect.Top << " in " << C.ClientWidth
                                    << "x" << C.ClientHeight);
    XBlit B{};
    ASSERT_EQ(ClipFill(C.Rect, C.ClientWidth, C.ClientHeight, B), C.Drawn);
    if (!C.Drawn) continue;
    EXPECT_EQ(B.DstX, C.Blit.DstX);
    EXPECT_EQ(B.DstY, C.Blit.DstY);
    EXPECT_EQ(B.Width, C.Blit.Width);
    EXPECT_EQ(B.Height, C.Blit.Height);
  }
}

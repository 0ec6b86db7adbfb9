// The arithmetic between the canvas's calls and X's requests: clipping to the client
// area (X coordinates are 16-bit, so nothing may reach the server unclipped) and the
// conversion of an arc's two end rays into X's start angle and extent. No X11 header.
#pragma once

#include <cstdint>

#include "ui/ui.h"

// One XCopyArea or XFillRectangle, already clipped: every value fits X's 16-bit fields.
struct XBlit {
  int32_t SrcX, SrcY;  // copies only
  int32_t DstX, DstY;
  int32_t Width, Height;  // both at least 1
};

// The largest client size drawn into: beyond it X's 16-bit coordinates wrap.
constexpr int32_t MaxXCoordinate = 32767;

// The part of a copy of SourceRect (of a PictureWidth x PictureHeight picture) to Dest
// where both the client area and the picture have a pixel; destination pixels whose
// source lies outside the picture are left alone. Should the two rectangles differ in
// size, the common top-left part is copied. Returns false when nothing is left.
bool ClipCopy(const TRect &Dest, const TRect &SourceRect, int32_t PictureWidth,
              int32_t PictureHeight, int32_t ClientWidth, int32_t ClientHeight, XBlit &Blit);

// The part of Rect inside the client area; false when nothing is left.
bool ClipFill(const TRect &Rect, int32_t ClientWidth, int32_t ClientHeight, XBlit &Blit);

// One XDrawArc (or XDrawPoint) for a GDI-style arc: the ellipse inscribed in
// (X1, Y1)-(X2, Y2), counter-clockwise on the screen from the ray through (X3, Y3) to
// the ray through (X4, Y4). X's angles run counter-clockwise too, in 64ths of a degree,
// and on an ellipse they are the "skewed" angles of its parametric form.
struct XArcRequest {
  enum { Nothing, Dot, Curve } Kind;
  int32_t X, Y, Width, Height;  // Dot: only X, Y
  int32_t Angle1, Angle2;       // start in [0, 360 * 64), extent in (0, 360 * 64]
};

// Equal rays draw the whole ellipse, a ray point on the centre counts as a ray to the
// right, a rectangle of no extent is the one pixel (X1, Y1), and one that X's 16-bit
// fields cannot hold draws nothing.
XArcRequest ArcToX(int32_t X1, int32_t Y1, int32_t X2, int32_t Y2, int32_t X3, int32_t Y3,
                   int32_t X4, int32_t Y4);

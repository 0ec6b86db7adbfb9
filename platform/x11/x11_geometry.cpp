#include "platform/x11/x11_geometry.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace {

constexpr int32_t FullCircle = 360 * 64;

bool FitsInt16(int64_t V) { return V >= -32768 && V <= 32767; }

// X's angle of a ray (screen coordinates, y down) on an ellipse of Width x Height: the
// parametric angle, counter-clockwise from 3 o'clock, in radians.
double SkewedAngle(int64_t DX, int64_t DY, int64_t Width, int64_t Height) {
  if (DX == 0 && DY == 0) return 0.0;
  return std::atan2(-double(DY) * double(Width), double(DX) * double(Height));
}

}  // namespace

bool ClipCopy(const TRect &Dest, const TRect &SourceRect, int32_t PictureWidth,
              int32_t PictureHeight, int32_t ClientWidth, int32_t ClientHeight, XBlit &Blit) {
  const int64_t W =
      std::min(int64_t{Dest.Right} - Dest.Left, int64_t{SourceRect.Right} - SourceRect.Left);
  const int64_t H =
      std::min(int64_t{Dest.Bottom} - Dest.Top, int64_t{SourceRect.Bottom} - SourceRect.Top);
  const int64_t DX = Dest.Left, DY = Dest.Top, SX = SourceRect.Left, SY = SourceRect.Top;
  const int64_t CW = std::clamp<int64_t>(ClientWidth, 0, MaxXCoordinate);
  const int64_t CH = std::clamp<int64_t>(ClientHeight, 0, MaxXCoordinate);
  // Offsets I, J into the rectangles where both the client area and the picture have a
  // pixel.
  const int64_t I0 = std::max({int64_t{0}, -DX, -SX});
  const int64_t I1 = std::min({W, CW - DX, int64_t{PictureWidth} - SX});
  const int64_t J0 = std::max({int64_t{0}, -DY, -SY});
  const int64_t J1 = std::min({H, CH - DY, int64_t{PictureHeight} - SY});
  if (I0 >= I1 || J0 >= J1) return false;
  Blit = {int32_t(SX + I0), int32_t(SY + J0), int32_t(DX + I0),
          int32_t(DY + J0), int32_t(I1 - I0), int32_t(J1 - J0)};
  return true;
}

bool ClipFill(const TRect &Rect, int32_t ClientWidth, int32_t ClientHeight, XBlit &Blit) {
  const int64_t L = std::max<int64_t>(Rect.Left, 0), T = std::max<int64_t>(Rect.Top, 0);
  const int64_t R = std::min<int64_t>(Rect.Right, std::clamp(ClientWidth, 0, MaxXCoordinate));
  const int64_t B = std::min<int64_t>(Rect.Bottom, std::clamp(ClientHeight, 0, MaxXCoordinate));
  if (L >= R || T >= B) return false;
  Blit = {0, 0, int32_t(L), int32_t(T), int32_t(R - L), int32_t(B - T)};
  return true;
}

XArcRequest ArcToX(int32_t X1, int32_t Y1, int32_t X2, int32_t Y2, int32_t X3, int32_t Y3,
                   int32_t X4, int32_t Y4) {
  XArcRequest A{XArcRequest::Nothing, 0, 0, 0, 0, 0, 0};
  const int64_t Left = std::min(X1, X2), Top = std::min(Y1, Y2);
  const int64_t Width = std::llabs(int64_t{X2} - X1), Height = std::llabs(int64_t{Y2} - Y1);
  if (Width == 0 && Height == 0) {
    if (!FitsInt16(X1) || !FitsInt16(Y1)) return A;
    A.Kind = XArcRequest::Dot;
    A.X = X1;
    A.Y = Y1;
    return A;
  }
  if (!FitsInt16(Left) || !FitsInt16(Top) || Width > 65535 || Height > 65535) return A;

  // The rays from the centre in doubled coordinates, so that a centre between pixels
  // stays on the integer grid.
  const int64_t SumX = int64_t{X1} + X2, SumY = int64_t{Y1} + Y2;
  int64_t SX = 2 * int64_t{X3} - SumX, SY = 2 * int64_t{Y3} - SumY;
  int64_t EX = 2 * int64_t{X4} - SumX, EY = 2 * int64_t{Y4} - SumY;
  if (SX == 0 && SY == 0) SX = 1;
  if (EX == 0 && EY == 0) EX = 1;
  // Same direction, decided exactly: rounding to 64ths of a degree must not turn a
  // sliver of an arc into the whole ellipse or the other way round.
  const __int128 Cross = __int128{SX} * EY - __int128{SY} * EX;
  const __int128 Inner = __int128{SX} * EX + __int128{SY} * EY;
  const bool Whole = Cross == 0 && Inner > 0;

  constexpr double Pi = 3.14159265358979323846;
  constexpr double To64ths = 180.0 * 64.0 / Pi;
  const double Start = SkewedAngle(SX, SY, Width, Height);
  const double End = SkewedAngle(EX, EY, Width, Height);
  int64_t Angle1 = std::llround(Start * To64ths) % FullCircle;
  if (Angle1 < 0) Angle1 += FullCircle;
  int64_t Angle2 = FullCircle;
  if (!Whole) {
    double Sweep = End - Start;
    while (Sweep <= 0) Sweep += 2 * Pi;
    while (Sweep > 2 * Pi) Sweep -= 2 * Pi;
    Angle2 = std::clamp<int64_t>(std::llround(Sweep * To64ths), 1, FullCircle - 1);
  }
  A = {XArcRequest::Curve, int32_t(Left),   int32_t(Top),   int32_t(Width),
       int32_t(Height),    int32_t(Angle1), int32_t(Angle2)};
  return A;
}

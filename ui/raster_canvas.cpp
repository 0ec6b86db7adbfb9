#include "ui/raster_canvas.h"

#include <algorithm>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <new>

#include "display/pictures.h"

namespace {

// Unsigned 64 x 64 -> 128-bit product as (Hi, Lo), without compiler extensions so that
// the Windows build gets the same result.
void MulWide(uint64_t A, uint64_t B, uint64_t &Hi, uint64_t &Lo) {
  const uint64_t A0 = A & 0xFFFFFFFFu, A1 = A >> 32, B0 = B & 0xFFFFFFFFu, B1 = B >> 32;
  const uint64_t P00 = A0 * B0, P01 = A0 * B1, P10 = A1 * B0, P11 = A1 * B1;
  const uint64_t Mid = (P00 >> 32) + (P01 & 0xFFFFFFFFu) + (P10 & 0xFFFFFFFFu);
  Lo = (Mid << 32) | (P00 & 0xFFFFFFFFu);
  Hi = P11 + (P01 >> 32) + (P10 >> 32) + (Mid >> 32);
}

int SignOfProduct(int64_t A, int64_t B) {
  if (A == 0 || B == 0) return 0;
  return (A < 0) != (B < 0) ? -1 : 1;
}

uint64_t Magnitude(int64_t A) { return A < 0 ? 0 - static_cast<uint64_t>(A) : A; }

// Sign of A * B - C * D, exact: the arc's end rays may be as long as the int32 range
// allows, so their cross product does not fit in 64 bits.
int SignOfDifference(int64_t A, int64_t B, int64_t C, int64_t D) {
  const int S1 = SignOfProduct(A, B), S2 = SignOfProduct(C, D);
  if (S1 != S2) return S1 > S2 ? 1 : -1;
  if (S1 == 0) return 0;
  uint64_t H1, L1, H2, L2;
  MulWide(Magnitude(A), Magnitude(B), H1, L1);
  MulWide(Magnitude(C), Magnitude(D), H2, L2);
  int Cmp = 0;
  if (H1 != H2)
    Cmp = H1 > H2 ? 1 : -1;
  else if (L1 != L2)
    Cmp = L1 > L2 ? 1 : -1;
  return S1 > 0 ? Cmp : -Cmp;
}

// Which directions from the centre an arc covers. Vectors are in screen coordinates
// (y down); Ccw(a, b) > 0 when b lies less than half a turn counter-clockwise, as seen
// on the screen, from a.
class TSweep {
 public:
  TSweep(int64_t SX, int64_t SY, int64_t EX, int64_t EY) : SX(SX), SY(SY), EX(EX), EY(EY) {
    const int Turn = SignOfDifference(SY, EX, SX, EY);  // Ccw(S, E)
    if (Turn > 0)
      Kind = kNarrow;
    else if (Turn < 0)
      Kind = kWide;
    else
      Kind = SignOfDifference(SX, EX, -SY, EY) > 0 ? kWhole : kHalf;  // by S . E
  }

  // U, V are small (the ellipse's own offsets), so these products fit in 64 bits.
  bool Covers(int64_t U, int64_t V) const {
    const bool AfterStart = SY * U - SX * V >= 0;  // Ccw(S, P)
    const bool BeforeEnd = V * EX - U * EY >= 0;   // Ccw(P, E)
    switch (Kind) {
      case kNarrow: return AfterStart && BeforeEnd;
      case kWide: return AfterStart || BeforeEnd;
      case kHalf: return AfterStart;
      case kWhole: break;
    }
    return true;
  }

 private:
  enum { kNarrow, kWide, kHalf, kWhole } Kind;
  int64_t SX, SY, EX, EY;
};

}  // namespace

TRasterCanvas::TRasterCanvas(int32_t Width, int32_t Height) {
  for (int I = 0; I < 16; ++I) FPalette[I] = Palette16[I] & 0xFFFFFFu;
  for (int I = 0; I < 4; ++I) {
    const TPicture &Pic = *SaverPictures[I];
    const size_t N = size_t(Pic.Width) * size_t(Pic.Height);
    FConverted[I].Pixels.reset(new (std::nothrow) uint32_t[N]);
    if (!FConverted[I].Pixels) continue;
    FConverted[I].Picture = &Pic;
    for (size_t K = 0; K < N; ++K) FConverted[I].Pixels[K] = FPalette[Pic.Pixels[K] & 15];
  }
  const int64_t Count = int64_t{std::max(Width, 0)} * std::max(Height, 0);
  if (Count <= 0 || static_cast<uint64_t>(Count) > SIZE_MAX / sizeof(uint32_t)) return;
  FPixels.reset(new (std::nothrow) uint32_t[static_cast<size_t>(Count)]());
  if (FPixels) {
    FWidth = Width;
    FHeight = Height;
  }
}

uint32_t TRasterCanvas::Pixel(int32_t X, int32_t Y) const {
  if (X < 0 || Y < 0 || X >= FWidth || Y >= FHeight) return 0;
  return FPixels[int64_t{Y} * FWidth + X];
}

void TRasterCanvas::Fill(int64_t Left, int64_t Top, int64_t Right, int64_t Bottom, uint32_t Color) {
  Left = std::max<int64_t>(Left, 0);
  Top = std::max<int64_t>(Top, 0);
  Right = std::min<int64_t>(Right, FWidth);
  Bottom = std::min<int64_t>(Bottom, FHeight);
  if (Left >= Right || Top >= Bottom) return;
  for (int64_t Y = Top; Y < Bottom; ++Y) {
    uint32_t *Row = FPixels.get() + Y * FWidth;
    // Black is every erase and clear; memset is several times faster than a loop here.
    if (Color == 0)
      std::memset(Row + Left, 0, static_cast<size_t>(Right - Left) * sizeof(uint32_t));
    else
      std::fill(Row + Left, Row + Right, Color);
  }
}

void TRasterCanvas::Repaint(const TShape *const *Shapes, int Count) {
  Fill(0, 0, FWidth, FHeight, clBlack);
  if (!Shapes) return;
  for (int I = 0; I < Count; ++I) {
    const TShape *S = Shapes[I];
    if (!S || !S->Visible || S->Width <= 0 || S->Height <= 0) continue;
    const int64_t L = S->Left, T = S->Top, R = L + S->Width, B = T + S->Height;
    Fill(L, T, R, B, S->PenColor & 0xFFFFFFu);
    Fill(L + 1, T + 1, R - 1, B - 1, S->BrushColor & 0xFFFFFFu);
  }
}

void TRasterCanvas::CopyRect(const TRect &Dest, const TImage &Source, const TRect &SourceRect) {
  const TPicture &Pic = Source.Picture;
  if (!Pic.Pixels || Pic.Width <= 0 || Pic.Height <= 0 || !FPixels) return;
  const int64_t W =
      std::min(int64_t{Dest.Right} - Dest.Left, int64_t{SourceRect.Right} - SourceRect.Left);
  const int64_t H =
      std::min(int64_t{Dest.Bottom} - Dest.Top, int64_t{SourceRect.Bottom} - SourceRect.Top);
  const int64_t DX = Dest.Left, DY = Dest.Top, SX = SourceRect.Left, SY = SourceRect.Top;
  // Offsets I, J into the rectangles where both the field and the picture have a pixel.
  const int64_t I0 = std::max({int64_t{0}, -DX, -SX});
  const int64_t I1 = std::min({W, FWidth - DX, Pic.Width - SX});
  const int64_t J0 = std::max({int64_t{0}, -DY, -SY});
  const int64_t J1 = std::min({H, FHeight - DY, Pic.Height - SY});
  if (I0 >= I1 || J0 >= J1) return;
  const int64_t N = I1 - I0;
  for (const TConverted &C : FConverted) {
    if (C.Picture != &Pic) continue;
    for (int64_t J = J0; J < J1; ++J)
      std::memcpy(FPixels.get() + (DY + J) * FWidth + DX + I0,
                  C.Pixels.get() + (SY + J) * Pic.Width + SX + I0, size_t(N) * sizeof(uint32_t));
    return;
  }
  for (int64_t J = J0; J < J1; ++J) {
    const uint8_t *Src = Pic.Pixels + (SY + J) * Pic.Width + SX + I0;
    uint32_t *Dst = FPixels.get() + (DY + J) * FWidth + DX + I0;
    for (int64_t K = 0; K < N; ++K) Dst[K] = FPalette[Src[K] & 15];
  }
}

void TRasterCanvas::FillRect(const TRect &Rect) {
  Fill(Rect.Left, Rect.Top, Rect.Right, Rect.Bottom, clBlack);
}

void TRasterCanvas::SetPenColor(TColor Color) { FPen = Color & 0xFFFFFFu; }

void TRasterCanvas::Arc(int32_t X1, int32_t Y1, int32_t X2, int32_t Y2, int32_t X3, int32_t Y3,
                        int32_t X4, int32_t Y4) {
  // Work in doubled coordinates about the centre, so that a centre between pixels is
  // still on the integer grid: U = 2x - (X1 + X2), V = 2y - (Y1 + Y2). The ellipse is
  // U^2 Q^2 + V^2 P^2 = P^2 Q^2, and the pixels have U of P's parity and V of Q's.
  const int64_t P = std::llabs(int64_t{X2} - X1), Q = std::llabs(int64_t{Y2} - Y1);
  if (P > 32768 || Q > 32768) return;  // keeps P^2 Q^2 within 64 bits
  const int64_t SumX = int64_t{X1} + X2, SumY = int64_t{Y1} + Y2;
  int64_t SX = 2 * int64_t{X3} - SumX, SY = 2 * int64_t{Y3} - SumY;
  int64_t EX = 2 * int64_t{X4} - SumX, EY = 2 * int64_t{Y4} - SumY;
  if (SX == 0 && SY == 0) SX = 1;
  if (EX == 0 && EY == 0) EX = 1;
  const TSweep Sweep(SX, SY, EX, EY);

  const int64_t P2 = P * P, Q2 = Q * Q, P2Q2 = P2 * Q2;
  auto Error = [&](int64_t U, int64_t V) {
    const int64_t F = U * U * Q2 + V * V * P2 - P2Q2;
    return F < 0 ? -F : F;
  };
  auto Plot4 = [&](int64_t U, int64_t V) {
    for (int64_t MU : {U, -U})
      for (int64_t MV : {V, -V})
        if (Sweep.Covers(MU, MV)) Plot((MU + SumX) / 2, (MV + SumY) / 2);
  };

  // Walk one quadrant, from the end of the horizontal axis to the end of the vertical
  // one, in 8-connected steps, each time taking the step that stays nearest the curve,
  // and mirror it into the other three. Along the walk the
  // direction from the centre turns one way only, so the part the sweep keeps is one
  // connected run.
  int64_t U = P, V = Q & 1;
  const int64_t UEnd = P & 1, VEnd = Q;
  for (;;) {
    Plot4(U, V);
    if (U == UEnd && V == VEnd) break;
    if (U == UEnd) {
      V += 2;
    } else if (V == VEnd) {
      U -= 2;
    } else {
      const int64_t Diagonal = Error(U - 2, V + 2), Across = Error(U - 2, V), Up = Error(U, V + 2);
      if (Diagonal <= Across && Diagonal <= Up) {
        U -= 2;
        V += 2;
      } else if (Across <= Up) {
        U -= 2;
      } else {
        V += 2;
      }
    }
  }
}

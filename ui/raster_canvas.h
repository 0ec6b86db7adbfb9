// A canvas that draws into a 32-bit pixel buffer of its own, for the headless simulator
// and the tests. It behaves as the window canvas does: everything is clipped to the
// field, copies are opaque, fills are black, and the launcher markers appear only when
// the field is repainted.
#pragma once

#include <cstdint>
#include <memory>

#include "ui/ui.h"

class TRasterCanvas : public TCanvas {
 public:
  // An all-black field. This is the only place the canvas allocates (the field and
  // 32-bit copies of the saver's pictures). A negative size
  // counts as 0; if the buffer cannot be had the canvas is 0 x 0 (Width() tells).
  TRasterCanvas(int32_t Width, int32_t Height);

  int32_t Width() const { return FWidth; }
  int32_t Height() const { return FHeight; }
  // Width() * Height() pixels of 0x00RRGGBB, row-major; null for an empty field.
  const uint32_t *Pixels() const { return FPixels.get(); }
  // The pixel at (X, Y), or 0 outside the field.
  uint32_t Pixel(int32_t X, int32_t Y) const;
  TColor PenColor() const { return FPen; }

  // Repaints as a window system does: all black, then each visible shape in order (a
  // one-pixel outline in its PenColor around the inside in its BrushColor). Null
  // entries are skipped.
  void Repaint(const TShape *const *Shapes, int Count);

  // Copies the overlap of SourceRect with the picture; destination pixels whose source
  // lies outside the picture keep their colour. Should the two rectangles differ in
  // size, the common top-left part is copied. Palette indices above 15 wrap to 0..15.
  void CopyRect(const TRect &Dest, const TImage &Source, const TRect &SourceRect) override;
  void FillRect(const TRect &Rect) override;
  void SetPenColor(TColor Color) override;
  // The ellipse passes through the pixel centres of columns X1 and X2 and rows Y1 and
  // Y2 (both inclusive), centred on ((X1 + X2) / 2, (Y1 + Y2) / 2), which may fall
  // between pixels. So Arc(gx - r, gy - r, gx + r, gy + r, ...) is the circle of radius
  // r about (gx, gy). Both end rays are inclusive; equal rays draw the whole ellipse; a
  // ray point on the centre counts as a ray to the right. A rectangle of no extent draws
  // the one pixel (X1, Y1). A rectangle more than 32768 pixels across draws nothing.
  void Arc(int32_t X1, int32_t Y1, int32_t X2, int32_t Y2, int32_t X3, int32_t Y3, int32_t X4,
           int32_t Y4) override;
  // Markers show on Repaint, as on a window that paints its own child shapes.
  void ShapeMoved(const TShape &) override {}
  void ShapeShown(const TShape &) override {}

 private:
  void Fill(int64_t Left, int64_t Top, int64_t Right, int64_t Bottom, uint32_t Color);
  void Plot(int64_t X, int64_t Y) {
    if (X >= 0 && Y >= 0 && X < FWidth && Y < FHeight) FPixels[Y * FWidth + X] = FPen;
  }

  int32_t FWidth = 0;
  int32_t FHeight = 0;
  std::unique_ptr<uint32_t[]> FPixels;
  uint32_t FPalette[16];  // Palette16, copied so that the copy loop reads a local table
  // The saver's own pictures in 32-bit pixels, made once here so that a copy from them
  // is a row of memcpy: drawing a tick's sprites is most of a tick.
  struct TConverted {
    const TPicture *Picture = nullptr;
    std::unique_ptr<uint32_t[]> Pixels;
  };
  TConverted FConverted[4];
  TColor FPen = clBlack;
};

// The saver window's canvas on X11: every operation is one request of the X server's
// own (XCopyArea from pixmaps of the pictures, XFillRectangle, XDrawArc) through one GC.
// Nothing is allocated after construction, so a battle tick allocates nothing here.
#pragma once

#include <X11/Xlib.h>

#include <cstdint>
#include <string>

#include "ui/ui.h"

class TX11Canvas : public TCanvas {
 public:
  // Draws on Target, a window or pixmap of the given visual and depth. Makes the GC
  // and a pixmap of each of the saver's four pictures; on a visual it cannot draw on,
  // or when the server refuses, Error() says why and the canvas must not be used.
  // Errors of the server arrive asynchronously: the caller syncs after construction.
  TX11Canvas(Display *Dpy, Drawable Target, Visual *Vis, int Depth);
  ~TX11Canvas() override;
  TX11Canvas(const TX11Canvas &) = delete;
  TX11Canvas &operator=(const TX11Canvas &) = delete;

  const std::string &Error() const { return FError; }

  // The client area that everything is clipped to.
  void SetClientSize(int32_t Width, int32_t Height);

  // Repaints Area as a window system does: black, then each visible shape in order (a
  // one-pixel outline in its PenColor around the inside in its BrushColor), nothing
  // outside Area. Null entries are skipped.
  void Repaint(const TRect &Area, const TShape *const *Shapes, int Count);
  // Whether a shape moved or was shown or hidden since the last call: its window then
  // owes a repaint.
  bool TakeShapesChanged();

  // The visual's pixel value of a colour (opaque where the visual has alpha bits).
  unsigned long PixelOf(TColor Color) const;

  // Copies from the saver's four pictures (ResPicture, Scad1..3Picture); any other
  // picture has no pixmap and draws nothing.
  void CopyRect(const TRect &Dest, const TImage &Source, const TRect &SourceRect) override;
  void FillRect(const TRect &Rect) override;
  void SetPenColor(TColor Color) override;
  void Arc(int32_t X1, int32_t Y1, int32_t X2, int32_t Y2, int32_t X3, int32_t Y3, int32_t X4,
           int32_t Y4) override;
  void ShapeMoved(const TShape &) override { FShapesChanged = true; }
  void ShapeShown(const TShape &) override { FShapesChanged = true; }

 private:
  void Fill(const TRect &Rect, unsigned long Pixel);

  Display *FDisplay;
  Drawable FTarget;
  GC FGC = nullptr;
  std::string FError;
  int32_t FWidth = 0, FHeight = 0;
  unsigned long FRedMask = 0, FGreenMask = 0, FBlueMask = 0, FAlphaBits = 0;
  unsigned long FBlack = 0, FPen = 0;
  struct TPixmapPicture {
    const TPicture *Picture = nullptr;
    Pixmap Pixels = 0;
  };
  TPixmapPicture FPictures[4];
  bool FShapesChanged = false;
};

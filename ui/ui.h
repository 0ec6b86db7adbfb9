// The small window-and-drawing layer that the saver's portable code is written against:
// rectangles, colours, pictures, the canvas, image and shape components, and a form
// with a client area. Each platform (Win32, X11, headless) supplies a canvas and fills
// in a form's client size; nothing here includes a platform header.
#pragma once

#include <cstdint>

// A rectangle covering columns Left .. Right - 1 and rows Top .. Bottom - 1.
struct TRect {
  int32_t Left, Top, Right, Bottom;
};

// A colour as 0xRRGGBB.
using TColor = uint32_t;
constexpr TColor clBlack = 0x000000;
constexpr TColor clWhite = 0xFFFFFF;
constexpr TColor clLime = 0x00FF00;
constexpr TColor clYellow = 0xFFFF00;

// A picture of palette indices (0..15 into Palette16), row-major, Width * Height bytes.
struct TPicture {
  int32_t Width;
  int32_t Height;
  const uint8_t *Pixels;
};

// Base of everything that can send an event.
class TObject {
 public:
  virtual ~TObject() = default;
};

// A hidden image component: it only holds a picture that the canvas copies from.
class TImage : public TObject {
 public:
  TImage(const char *Name, const TPicture &Picture) : Name(Name), Picture(Picture) {}
  const char *const Name;
  const TPicture &Picture;
};

class TShape;

// The drawing surface of a window. Everything is clipped to the client area; nothing
// reports failure.
class TCanvas {
 public:
  virtual ~TCanvas() = default;
  // Copies SourceRect of Source into Dest, pixel for pixel and opaque; both rectangles
  // have the same size.
  virtual void CopyRect(const TRect &Dest, const TImage &Source, const TRect &SourceRect) = 0;
  // Fills Rect with the brush, which is always the window colour, black.
  virtual void FillRect(const TRect &Rect) = 0;
  // Sets the colour of the one-pixel pen that Arc draws with.
  virtual void SetPenColor(TColor Color) = 0;
  // Draws the part of the ellipse inscribed in (X1, Y1)-(X2, Y2) that runs
  // counter-clockwise (as seen on the screen) from the ray through (X3, Y3) to the ray
  // through (X4, Y4), both rays from the centre.
  virtual void Arc(int32_t X1, int32_t Y1, int32_t X2, int32_t Y2, int32_t X3, int32_t Y3,
                   int32_t X4, int32_t Y4) = 0;
  // A marker shape was moved (Left or Top assigned).
  virtual void ShapeMoved(const TShape &Shape) = 0;
  // A marker shape's Visible was assigned.
  virtual void ShapeShown(const TShape &Shape) = 0;
};

// A square marker painted by its window: a one-pixel Pen outline around a Brush inside.
// The window paints it when it repaints; the canvas is told of every change.
class TShape : public TObject {
 public:
  TShape(const char *Name, TCanvas *const &Canvas) : Name(Name), Canvas(Canvas) {}
  const char *const Name;
  int32_t Left = 0, Top = 0, Width = 8, Height = 8;
  bool Visible = true;
  TColor BrushColor = clLime, PenColor = clYellow;

  void SetLeft(int32_t Value) {
    Left = Value;
    if (Canvas) Canvas->ShapeMoved(*this);
  }
  void SetTop(int32_t Value) {
    Top = Value;
    if (Canvas) Canvas->ShapeMoved(*this);
  }
  void SetVisible(bool Value) {
    Visible = Value;
    if (Canvas) Canvas->ShapeShown(*this);
  }

 private:
  TCanvas *const &Canvas;  // the owning form's canvas, which may be set after construction
};

// A window as portable code sees it: a client area of ClientWidth x ClientHeight with
// (0, 0) at its top-left pixel, and the canvas that draws on it.
class TForm : public TObject {
 public:
  TCanvas *Canvas = nullptr;
  int32_t ClientWidth = 0;
  int32_t ClientHeight = 0;
  TRect ClientRect() const { return {0, 0, ClientWidth, ClientHeight}; }
};

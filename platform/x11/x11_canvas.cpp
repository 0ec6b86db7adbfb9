#include "platform/x11/x11_canvas.h"

#include <X11/Xutil.h>

#include <algorithm>
#include <bit>
#include <cstdlib>

#include "display/pictures.h"
#include "platform/x11/x11_geometry.h"

namespace {

// An 8-bit channel value scaled into the bits of Mask.
unsigned long Channel(uint32_t Value, unsigned long Mask) {
  if (Mask == 0) return 0;
  const int Shift = std::countr_zero(Mask);
  const unsigned long Max = Mask >> Shift;
  return ((Value * Max + 127) / 255) << Shift;
}

}  // namespace

TX11Canvas::TX11Canvas(Display *Dpy, Drawable Target, Visual *Vis, int Depth)
    : FDisplay(Dpy), FTarget(Target) {
  if (Vis == nullptr || Vis->c_class != TrueColor || Vis->red_mask == 0 || Vis->green_mask == 0 ||
      Vis->blue_mask == 0 || Depth < 8 || Depth > 32) {
    static const char *const Classes[] = {"StaticGray",  "GrayScale", "StaticColor",
                                          "PseudoColor", "TrueColor", "DirectColor"};
    const int Class = Vis ? Vis->c_class : -1;
    FError = std::string("the window's visual is ") +
             (Class >= 0 && Class <= 5 ? Classes[Class] : "unknown") + " of depth " +
             std::to_string(Depth) + "; only TrueColor visuals are supported";
    return;
  }
  FRedMask = Vis->red_mask;
  FGreenMask = Vis->green_mask;
  FBlueMask = Vis->blue_mask;
  // A 32-bit visual keeps alpha in the bits no colour uses: make those opaque.
  const unsigned long DepthBits = Depth >= 32 ? 0xFFFFFFFFul : (1ul << Depth) - 1;
  FAlphaBits = DepthBits & ~(FRedMask | FGreenMask | FBlueMask);
  FBlack = PixelOf(clBlack);
  FPen = FBlack;

  XGCValues Values{};
  Values.graphics_exposures = False;  // copies come from pixmaps: nothing to re-expose
  Values.foreground = FBlack;
  FGC = XCreateGC(FDisplay, FTarget, GCGraphicsExposures | GCForeground, &Values);

  unsigned long Palette[16];
  for (int I = 0; I < 16; ++I) Palette[I] = PixelOf(Palette16[I]);
  for (int K = 0; K < 4; ++K) {
    const TPicture &Pic = *SaverPictures[K];
    XImage *Image = XCreateImage(FDisplay, Vis, unsigned(Depth), ZPixmap, 0, nullptr,
                                 unsigned(Pic.Width), unsigned(Pic.Height), 32, 0);
    if (Image == nullptr) {
      FError = "cannot make the pictures' images";
      return;
    }
    // XDestroyImage frees the data with free().
    Image->data = static_cast<char *>(std::malloc(size_t(Image->bytes_per_line) * Pic.Height));
    if (Image->data == nullptr) {
      XDestroyImage(Image);
      FError = "not enough memory for the pictures";
      return;
    }
    for (int Y = 0; Y < Pic.Height; ++Y)
      for (int X = 0; X < Pic.Width; ++X)
        XPutPixel(Image, X, Y, Palette[Pic.Pixels[Y * Pic.Width + X] & 15]);
    const Pixmap Pix = XCreatePixmap(FDisplay, FTarget, unsigned(Pic.Width), unsigned(Pic.Height),
                                     unsigned(Depth));
    XPutImage(FDisplay, Pix, FGC, Image, 0, 0, 0, 0, unsigned(Pic.Width), unsigned(Pic.Height));
    XDestroyImage(Image);
    FPictures[K] = {&Pic, Pix};
  }
}

TX11Canvas::~TX11Canvas() {
  for (const TPixmapPicture &P : FPictures)
    if (P.Pixels) XFreePixmap(FDisplay, P.Pixels);
  if (FGC) XFreeGC(FDisplay, FGC);
}

void TX11Canvas::SetClientSize(int32_t Width, int32_t Height) {
  FWidth = Width;
  FHeight = Height;
}

unsigned long TX11Canvas::PixelOf(TColor Color) const {
  return Channel((Color >> 16) & 0xFF, FRedMask) | Channel((Color >> 8) & 0xFF, FGreenMask) |
         Channel(Color & 0xFF, FBlueMask) | FAlphaBits;
}

void TX11Canvas::Fill(const TRect &Rect, unsigned long Pixel) {
  XBlit B;
  if (!ClipFill(Rect, FWidth, FHeight, B)) return;
  XSetForeground(FDisplay, FGC, Pixel);
  XFillRectangle(FDisplay, FTarget, FGC, B.DstX, B.DstY, unsigned(B.Width), unsigned(B.Height));
}

void TX11Canvas::Repaint(const TRect &Area, const TShape *const *Shapes, int Count) {
  XBlit B;
  if (!ClipFill(Area, FWidth, FHeight, B)) return;
  XRectangle Clip{short(B.DstX), short(B.DstY), (unsigned short)B.Width, (unsigned short)B.Height};
  XSetClipRectangles(FDisplay, FGC, 0, 0, &Clip, 1, Unsorted);
  Fill(Area, FBlack);
  for (int I = 0; Shapes && I < Count; ++I) {
    const TShape *S = Shapes[I];
    if (!S || !S->Visible || S->Width <= 0 || S->Height <= 0) continue;
    const int64_t L = S->Left, T = S->Top, R = L + S->Width, Bm = T + S->Height;
    auto Rect = [](int64_t A, int64_t C, int64_t D, int64_t E) {
      return TRect{int32_t(std::clamp<int64_t>(A, INT32_MIN, INT32_MAX)),
                   int32_t(std::clamp<int64_t>(C, INT32_MIN, INT32_MAX)),
                   int32_t(std::clamp<int64_t>(D, INT32_MIN, INT32_MAX)),
                   int32_t(std::clamp<int64_t>(E, INT32_MIN, INT32_MAX))};
    };
    Fill(Rect(L, T, R, Bm), PixelOf(S->PenColor));
    Fill(Rect(L + 1, T + 1, R - 1, Bm - 1), PixelOf(S->BrushColor));
  }
  XSetClipMask(FDisplay, FGC, None);
}

bool TX11Canvas::TakeShapesChanged() {
  const bool Changed = FShapesChanged;
  FShapesChanged = false;
  return Changed;
}

void TX11Canvas::CopyRect(const TRect &Dest, const TImage &Source, const TRect &SourceRect) {
  const TPicture &Pic = Source.Picture;
  for (const TPixmapPicture &P : FPictures) {
    if (P.Picture != &Pic) continue;
    XBlit B;
    if (ClipCopy(Dest, SourceRect, Pic.Width, Pic.Height, FWidth, FHeight, B))
      XCopyArea(FDisplay, P.Pixels, FTarget, FGC, B.SrcX, B.SrcY, unsigned(B.Width),
                unsigned(B.Height), B.DstX, B.DstY);
    return;
  }
}

void TX11Canvas::FillRect(const TRect &Rect) { Fill(Rect, FBlack); }

void TX11Canvas::SetPenColor(TColor Color) { FPen = PixelOf(Color); }

void TX11Canvas::Arc(int32_t X1, int32_t Y1, int32_t X2, int32_t Y2, int32_t X3, int32_t Y3,
                     int32_t X4, int32_t Y4) {
  const XArcRequest A = ArcToX(X1, Y1, X2, Y2, X3, Y3, X4, Y4);
  if (A.Kind == XArcRequest::Nothing) return;
  XSetForeground(FDisplay, FGC, FPen);
  if (A.Kind == XArcRequest::Dot)
    XDrawPoint(FDisplay, FTarget, FGC, A.X, A.Y);
  else
    XDrawArc(FDisplay, FTarget, FGC, A.X, A.Y, unsigned(A.Width), unsigned(A.Height), A.Angle1,
             A.Angle2);
}

#include "ui/trace_canvas.h"

#include <cinttypes>

namespace {
const char *NameOf(const char *Name) { return Name ? Name : "-"; }
}  // namespace

void TTraceCanvas::CopyRect(const TRect &Dest, const TImage &Source, const TRect &SourceRect) {
  if (FOut)
    std::fprintf(FOut,
                 "copy %s %" PRId32 " %" PRId32 " %" PRId32 " %" PRId32 " %" PRId32 " %" PRId32
                 " %" PRId32 " %" PRId32 "\n",
                 NameOf(Source.Name), Dest.Left, Dest.Top, Dest.Right, Dest.Bottom, SourceRect.Left,
                 SourceRect.Top, SourceRect.Right, SourceRect.Bottom);
  if (FNext) FNext->CopyRect(Dest, Source, SourceRect);
}

void TTraceCanvas::FillRect(const TRect &Rect) {
  if (FOut)
    std::fprintf(FOut, "fill %" PRId32 " %" PRId32 " %" PRId32 " %" PRId32 "\n", Rect.Left,
                 Rect.Top, Rect.Right, Rect.Bottom);
  if (FNext) FNext->FillRect(Rect);
}

void TTraceCanvas::SetPenColor(TColor Color) {
  // A colour is 0xRRGGBB; anything above is not part of it.
  if (FOut) std::fprintf(FOut, "pen %06" PRIX32 "\n", Color & 0xFFFFFFu);
  if (FNext) FNext->SetPenColor(Color);
}

void TTraceCanvas::Arc(int32_t X1, int32_t Y1, int32_t X2, int32_t Y2, int32_t X3, int32_t Y3,
                       int32_t X4, int32_t Y4) {
  if (FOut)
    std::fprintf(FOut,
                 "arc %" PRId32 " %" PRId32 " %" PRId32 " %" PRId32 " %" PRId32 " %" PRId32
                 " %" PRId32 " %" PRId32 "\n",
                 X1, Y1, X2, Y2, X3, Y3, X4, Y4);
  if (FNext) FNext->Arc(X1, Y1, X2, Y2, X3, Y3, X4, Y4);
}

void TTraceCanvas::ShapeMoved(const TShape &Shape) {
  if (FNext) FNext->ShapeMoved(Shape);
}

void TTraceCanvas::ShapeShown(const TShape &Shape) {
  if (FOut)
    std::fprintf(FOut, "marker %s %" PRId32 " %" PRId32 " %d\n", NameOf(Shape.Name), Shape.Left,
                 Shape.Top, Shape.Visible ? 1 : 0);
  if (FNext) FNext->ShapeShown(Shape);
}

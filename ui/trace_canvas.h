// A canvas that logs every call as one line of text, for checking what the drawing asks
// of the window, and optionally hands the call on to another canvas.
#pragma once

#include <cstdio>

#include "ui/ui.h"

// Lines, one per call:
//   copy <image Name> <dl> <dt> <dr> <db> <sl> <st> <sr> <sb>
//   fill <l> <t> <r> <b>
//   pen <RRGGBB>
//   arc <x1> <y1> <x2> <y2> <x3> <y3> <x4> <y4>
//   marker <shape Name> <Left> <Top> <0|1>      (on ShapeShown; ShapeMoved logs nothing)
// A null name prints as "-"; with a null Out nothing is printed.
class TTraceCanvas : public TCanvas {
 public:
  // Prints one line per call to Out, then passes the call on to Next when given.
  explicit TTraceCanvas(std::FILE *Out, TCanvas *Next = nullptr) : FOut(Out), FNext(Next) {}

  void CopyRect(const TRect &Dest, const TImage &Source, const TRect &SourceRect) override;
  void FillRect(const TRect &Rect) override;
  void SetPenColor(TColor Color) override;
  void Arc(int32_t X1, int32_t Y1, int32_t X2, int32_t Y2, int32_t X3, int32_t Y3, int32_t X4,
           int32_t Y4) override;
  void ShapeMoved(const TShape &Shape) override;
  void ShapeShown(const TShape &Shape) override;

 private:
  std::FILE *FOut;
  TCanvas *FNext;
};

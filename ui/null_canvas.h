// The null driver's canvas: it draws nothing, for headless runs and benchmarks where
// only the battle state matters.
#pragma once

#include "ui/ui.h"

// A canvas that draws nothing, for runs where only the battle state matters.
class TNullCanvas : public TCanvas {
 public:
  void CopyRect(const TRect &, const TImage &, const TRect &) override {}
  void FillRect(const TRect &) override {}
  void SetPenColor(TColor) override {}
  void Arc(int32_t, int32_t, int32_t, int32_t, int32_t, int32_t, int32_t, int32_t) override {}
  void ShapeMoved(const TShape &) override {}
  void ShapeShown(const TShape &) override {}
};

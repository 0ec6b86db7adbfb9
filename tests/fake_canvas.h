// A canvas for tests that keeps every call as a line of text, in the order made.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "ui/ui.h"

class TFakeCanvas : public TCanvas {
 public:
  std::vector<std::string> Calls;

  void CopyRect(const TRect &D, const TImage &Source, const TRect &S) override {
    Add("copy %s %d %d %d %d %d %d %d %d", Source.Name, D.Left, D.Top, D.Right, D.Bottom, S.Left,
        S.Top, S.Right, S.Bottom);
  }
  void FillRect(const TRect &R) override {
    Add("fill %d %d %d %d", R.Left, R.Top, R.Right, R.Bottom);
  }
  void SetPenColor(TColor Color) override { Add("pen %06X", Color); }
  void Arc(int32_t X1, int32_t Y1, int32_t X2, int32_t Y2, int32_t X3, int32_t Y3, int32_t X4,
           int32_t Y4) override {
    Add("arc %d %d %d %d %d %d %d %d", X1, Y1, X2, Y2, X3, Y3, X4, Y4);
  }
  void ShapeMoved(const TShape &S) override { Add("moved %s %d %d", S.Name, S.Left, S.Top); }
  void ShapeShown(const TShape &S) override { Add("shown %s %d", S.Name, S.Visible ? 1 : 0); }

 private:
  template <typename... Args>
  void Add(const char *Format, Args... args) {
    char Line[160];
    std::snprintf(Line, sizeof Line, Format, args...);
    Calls.emplace_back(Line);
  }
};

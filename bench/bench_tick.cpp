// The cost of one battle tick: the battle alone with full tables, and the battle drawing
// on the software canvas at full-HD size.
#include <benchmark/benchmark.h>

#include "battle/battle.h"
#include "settings/settings.h"
#include "shell/frm_main.h"
#include "ui/null_canvas.h"
#include "ui/raster_canvas.h"

static uint32_t FixedClock() { return 1; }

static void ResetOn(TfrmMain &Form, TCanvas &Canvas, int32_t Limit, int32_t StartLevel) {
  frmMain = &Form;
  Form.Canvas = &Canvas;
  Form.ClientWidth = 1920;
  Form.ClientHeight = 1080;
  IniPath[0] = '\0';
  MisailNumOverride = Limit;
  BattleClock = FixedClock;
  Level = StartLevel;
  ResetBattle();
}

static void BM_TickFullTablesNullCanvas(benchmark::State &State) {
  static TfrmMain Form;
  TNullCanvas Canvas;
  ResetOn(Form, Canvas, 256, 99999);
  for (int t = 0; t < 5000; t++) BattleTick();  // fill the tables
  int64_t Occupied = 0;
  for (auto _ : State) {
    BattleTick();
    Occupied += SingleCount + CarrierCount;
  }
  State.counters["enemies"] = benchmark::Counter(double(Occupied), benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_TickFullTablesNullCanvas)->Iterations(200000);

// Counts ground flashes (each starts with a white pen) on top of the raster canvas.
class TFlashCounter : public TRasterCanvas {
 public:
  using TRasterCanvas::TRasterCanvas;
  int64_t Flashes = 0;
  void SetPenColor(TColor Color) override {
    Flashes += Color == clWhite;
    TRasterCanvas::SetPenColor(Color);
  }
};

static void BM_TickRaster1920x1080(benchmark::State &State) {
  static TfrmMain Form;
  TFlashCounter Canvas(1920, 1080);
  ResetOn(Form, Canvas, 256, 5000);
  for (auto _ : State) BattleTick();
  State.counters["flashes"] = benchmark::Counter(double(Canvas.Flashes));
  State.counters["level"] = Level;
}
BENCHMARK(BM_TickRaster1920x1080)->Iterations(200000);

BENCHMARK_MAIN();

// The cost of one battle tick: the battle alone with full tables, and the battle drawing
// on the software canvas at full-HD size.
#include <benchmark/benchmark.h>

#include "battle/battle.h"
#include "display/drawing.h"
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
  State.counters["enemies"] =
      benchmark::Counter(double(Occupied), benchmark::Counter::kAvgIterations);
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

// Interceptors rarely miss on a field this tall, so ground flashes are forced: every
// FlashPeriod ticks the first flying enemy is put just above the ground line, to land
// with a flash in the next tick.
static void LandOneEnemy() {
  for (EnemySlot &E : Enemies) {
    if (E.state < esWarhead || E.state > esFragment) continue;
    E.y = FieldBottom - 16 - E.dy;
    return;
  }
}

static void BM_TickRaster1920x1080(benchmark::State &State) {
  const int FlashPeriod = int(State.range(0));
  static TfrmMain Form;
  TFlashCounter Canvas(1920, 1080);
  ResetOn(Form, Canvas, 100, 0);  // the saver's defaults, from a fresh start
  int64_t Tick = 0;
  for (auto _ : State) {
    if (FlashPeriod && ++Tick % FlashPeriod == 0) LandOneEnemy();
    BattleTick();
  }
  State.counters["flashes"] = benchmark::Counter(double(Canvas.Flashes));
  State.counters["level"] = Level;
}
// 0: free play; 50: two ground flashes a second at the saver's 100 ticks a second.
BENCHMARK(BM_TickRaster1920x1080)->Arg(0)->Arg(50)->Iterations(200000);

static void BM_TickRasterFullTables1920x1080(benchmark::State &State) {
  static TfrmMain Form;
  TRasterCanvas Canvas(1920, 1080);
  ResetOn(Form, Canvas, 256, 99999);
  for (int t = 0; t < 5000; t++) BattleTick();
  for (auto _ : State) BattleTick();
}
BENCHMARK(BM_TickRasterFullTables1920x1080)->Iterations(50000);

static void BM_GroundFlash1920x1080(benchmark::State &State) {
  static TfrmMain Form;
  TRasterCanvas Canvas(1920, 1080);
  ResetOn(Form, Canvas, 0, 0);
  int32_t gx = 0;
  for (auto _ : State) DrawGroundFlash(gx = (gx + 97) % 1920);
}
BENCHMARK(BM_GroundFlash1920x1080);

BENCHMARK_MAIN();

// tolvane-sim: the battle without a window, for debugging, regression runs and demos.
// It resets the battle on a field of the given size from a fixed seed and runs it tick by
// tick, printing the drawing calls, the final state, a PNG of the last frame or a GIF.

#include <cstdio>
#include <cstring>
#include <memory>
#include <new>

#include "battle/battle.h"
#include "settings/settings.h"
#include "shell/frm_main.h"
#include "tools/image_writers.h"
#include "tools/sim_options.h"
#include "ui/null_canvas.h"
#include "ui/raster_canvas.h"
#include "ui/trace_canvas.h"

static SimOptions Options;
static uint32_t SeedClock() { return Options.Seed; }

static void Dump() {
  std::printf("level %d single %d carrier %d\n", Level, SingleCount, CarrierCount);
  for (int i = 0; i < SlotCount; i++) {
    const EnemySlot &E = Enemies[i];
    if (E.state != esEmpty)
      std::printf("enemy %d %d %.17g %.17g %.17g %.17g\n", i, E.state, E.x, E.y, E.dx, E.dy);
  }
  for (int i = 0; i < SlotCount; i++) {
    const InterceptorSlot &I = Interceptors[i];
    if (I.active) std::printf("interceptor %d %.17g %.17g %.17g %.17g\n", i, I.x, I.y, I.dx, I.dy);
  }
}

// A ground flash is drawn and painted over inside one tick, so no frame taken between
// ticks shows it. This keeps the moment the white dome is complete as a frame of its own,
// as an eye on a real screen catches it.
class TFlashCatcher : public TCanvas {
 public:
  TFlashCatcher(TRasterCanvas &Raster, TGifWriter &Gif) : Raster(Raster), Gif(Gif) {}
  bool Failed = false;
  void CopyRect(const TRect &D, const TImage &S, const TRect &R) override { Raster.CopyRect(D, S, R); }
  void FillRect(const TRect &R) override { Raster.FillRect(R); }
  void SetPenColor(TColor Color) override {
    if (Pen == clWhite && Color == clBlack && Gif.IsOpen() && !Gif.AddFrame(Raster.Pixels()))
      Failed = true;
    Pen = Color;
    Raster.SetPenColor(Color);
  }
  void Arc(int32_t X1, int32_t Y1, int32_t X2, int32_t Y2, int32_t X3, int32_t Y3, int32_t X4,
           int32_t Y4) override {
    Raster.Arc(X1, Y1, X2, Y2, X3, Y3, X4, Y4);
  }
  void ShapeMoved(const TShape &S) override { Raster.ShapeMoved(S); }
  void ShapeShown(const TShape &S) override { Raster.ShapeShown(S); }

 private:
  TRasterCanvas &Raster;
  TGifWriter &Gif;
  TColor Pen = clBlack;
};

static int Fail(const std::string &Message) {
  std::fprintf(stderr, "tolvane-sim: %s\n", Message.c_str());
  return 2;
}

int main(int argc, char **argv) {
  std::string Error;
  if (!ParseSimOptions(argc, argv, Options, Error)) return Fail(Error);
  if (Options.Help) {
    std::fputs(SimUsage, stdout);
    return 0;
  }
  if (Options.SettingsFile.size() >= IniPathSize)
    return Fail("--settings: the path is longer than " + std::to_string(IniPathSize - 1) +
                " bytes");

  // The settings come from the file as the saver would load them, else the defaults;
  // the command line's values go over them for this run.
  std::memcpy(IniPath, Options.SettingsFile.c_str(), Options.SettingsFile.size() + 1);
  MisailNumOverride = Options.MisailNum;
  if (Options.BaseVisible) BaseVisibleOverride = static_cast<int8_t>(*Options.BaseVisible);

  const bool Pictures = !Options.PngFile.empty() || !Options.GifFile.empty();
  if (Pictures && (Options.Width == 0 || Options.Height == 0))
    return Fail("--png and --gif need a field of at least 1 x 1");
  std::unique_ptr<TRasterCanvas> Raster;
  if (Pictures) {
    try {
      Raster = std::make_unique<TRasterCanvas>(Options.Width, Options.Height);
    } catch (const std::bad_alloc &) {
      return Fail("not enough memory for a " + std::to_string(Options.Width) + " x " +
                  std::to_string(Options.Height) + " picture");
    }
  }
  TGifWriter Gif;
  TNullCanvas Null;
  std::unique_ptr<TFlashCatcher> Catcher;
  if (Raster && !Options.GifFile.empty()) Catcher = std::make_unique<TFlashCatcher>(*Raster, Gif);
  TCanvas *Drawn = Catcher ? static_cast<TCanvas *>(Catcher.get())
                   : Raster ? static_cast<TCanvas *>(Raster.get())
                            : &Null;
  TTraceCanvas Trace(stdout, Drawn);

  static TfrmMain Form;
  frmMain = &Form;
  Form.ClientWidth = Options.Width;
  Form.ClientHeight = Options.Height;
  Form.Canvas = Options.Trace ? &Trace : Drawn;

  if (!Options.GifFile.empty() &&
      !Gif.Open(Options.GifFile.c_str(), Options.Width, Options.Height, Options.Every))
    return Fail("cannot write " + Options.GifFile);

  Level = Options.Level;
  BattleClock = SeedClock;
  if (Options.Trace) std::puts("reset");
  ResetBattle();
  // The window's first repaint: the black field with the visible markers.
  const TShape *const Markers[] = {&Form.shpBaseL, &Form.shpBaseC, &Form.shpBaseR};
  if (Raster) Raster->Repaint(Markers, 3);
  if (Gif.IsOpen() && !Gif.AddFrame(Raster->Pixels()))
    return Fail("cannot write " + Options.GifFile);

  for (int64_t Tick = 1; Tick <= Options.Ticks; Tick++) {
    if (Options.Trace) std::printf("tick %lld\n", static_cast<long long>(Tick));
    Form.cTimerTimer(&Form);
    if (Gif.IsOpen() && ((Tick % Options.Every == 0 && !Gif.AddFrame(Raster->Pixels())) ||
                         Catcher->Failed))
      return Fail("cannot write " + Options.GifFile);
  }

  if (Options.Dump) Dump();
  if (Gif.IsOpen() && !Gif.Close()) return Fail("cannot write " + Options.GifFile);
  if (!Options.PngFile.empty() &&
      !WritePng(Options.PngFile.c_str(), Raster->Pixels(), Options.Width, Options.Height))
    return Fail("cannot write " + Options.PngFile);
  if (std::fflush(stdout) != 0) return Fail("cannot write the standard output");
  return 0;
}

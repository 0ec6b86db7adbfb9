// A million ticks for each of a set of fields and settings, drawing on a null canvas,
// with every invariant of the battle checked after every tick. Each tick is watched by a
// second thread that aborts the run if one does not end: a hang must fail, not stall CI.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <climits>
#include <cmath>
#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <ostream>
#include <string>
#include <thread>

#include "battle/battle.h"
#include "settings/settings.h"
#include "shell/frm_main.h"
#include "ui/null_canvas.h"

namespace {

constexpr int64_t SoakTicks = 1'000'000;
constexpr auto TickLimit = std::chrono::seconds(10);

struct SoakCase {
  const char *Name;
  int32_t Width, Height;
  int32_t Limit;  // MisailNum
  int32_t Level;  // before the reset
};

// Every listed field size, limit and starting level appears at least once; the pairings
// put the limits that spawn nothing on the small fields and the large limits where the
// table can fill (a tall field, carriers from a high level).
const SoakCase Cases[] = {
    {"Field0x0_Limit100_Level0", 0, 0, 100, 0},
    {"Field0x0_LimitIntMin_Level99999", 0, 0, INT32_MIN, 99999},
    {"Field1x1_Limit256_Level1001", 1, 1, 256, 1001},
    {"Field1x1_LimitMinus5_Level1000", 1, 1, -5, 1000},
    {"Field100x9_Limit10_Level99999", 100, 9, 10, 99999},
    {"Field100x9_Limit0_Level0", 100, 9, 0, 0},
    {"Field152x112_Limit4_Level1000", 152, 112, 4, 1000},
    {"Field152x112_Limit5_Level1001", 152, 112, 5, 1001},
    {"Field152x112_Limit100_Level0", 152, 112, 100, 0},
    {"Field152x112_Limit300_Level99999", 152, 112, 300, 99999},
    {"Field7680x4320_Limit256_Level0", 7680, 4320, 256, 0},
    {"Field7680x4320_LimitIntMax_Level1001", 7680, 4320, INT32_MAX, 1001},
};

void PrintTo(const SoakCase &C, std::ostream *Out) { *Out << C.Name; }

// Aborts the process when the tick counter stops moving for longer than TickLimit.
class TickWatchdog {
 public:
  explicit TickWatchdog(const char *CaseName) : CaseName(CaseName), Thread([this] { Watch(); }) {}
  ~TickWatchdog() {
    {
      std::lock_guard<std::mutex> Lock(Mutex);
      Stopping = true;
    }
    Wake.notify_one();
    Thread.join();
  }
  void TickEnded() { Ticks.fetch_add(1, std::memory_order_relaxed); }

 private:
  void Watch() {
    std::unique_lock<std::mutex> Lock(Mutex);
    uint64_t Seen = Ticks.load(std::memory_order_relaxed);
    auto Since = std::chrono::steady_clock::now();
    while (!Wake.wait_for(Lock, std::chrono::milliseconds(200), [this] { return Stopping; })) {
      const uint64_t Now = Ticks.load(std::memory_order_relaxed);
      if (Now != Seen) {
        Seen = Now;
        Since = std::chrono::steady_clock::now();
      } else if (std::chrono::steady_clock::now() - Since > TickLimit) {
        std::fprintf(stderr, "soak %s: tick %llu has not ended after %lld s; aborting\n", CaseName,
                     static_cast<unsigned long long>(Now) + 1,
                     static_cast<long long>(TickLimit.count()));
        std::abort();
      }
    }
  }

  const char *CaseName;
  std::atomic<uint64_t> Ticks{0};
  std::mutex Mutex;
  std::condition_variable Wake;
  bool Stopping = false;
  std::thread Thread;  // last: starts once everything it reads is built
};

bool IsSingle(int32_t State) {
  return State == esWarhead || State == esFragment || (State >= 10 && State <= 29);
}

bool IsWhole(double V) { return std::floor(V) == V; }

// What broke after a tick, or an empty string. Occupied receives the number of
// occupied enemy slots.
std::string Violation(const SoakCase &C, int32_t LevelBefore, int &Occupied) {
  int32_t Singles = 0, Carriers = 0;
  for (int i = 0; i < SlotCount; i++) {
    const EnemySlot &E = Enemies[i];
    if (E.state == esEmpty) continue;
    if (E.state == esCarrier)
      Carriers++;
    else if (IsSingle(E.state))
      Singles++;
    else
      return "enemy " + std::to_string(i) + " in state " + std::to_string(E.state);
    // Whole-number motion within the field: what keeps every enemy slower than an
    // interceptor and every position a valid pixel.
    const double MaxDx = E.state == esFragment || E.state >= 10 ? 2 : 1;
    if (!IsWhole(E.dx) || !IsWhole(E.dy) || std::fabs(E.dx) > MaxDx || E.dy < 1 || E.dy > 5)
      return "enemy " + std::to_string(i) + " has velocity " + std::to_string(E.dx) + ", " +
             std::to_string(E.dy);
    if (!(E.x >= FieldLeft && E.x <= FieldRight && E.y < FieldBottom - 16.0))
      return "enemy " + std::to_string(i) + " at " + std::to_string(E.x) + ", " +
             std::to_string(E.y) + " is outside the field";
  }
  if (SingleCount != Singles || CarrierCount != Carriers)
    return "counters " + std::to_string(SingleCount) + "/" + std::to_string(CarrierCount) +
           " but slots " + std::to_string(Singles) + "/" + std::to_string(Carriers);
  Occupied = Singles + Carriers;

  if (C.Limit <= SlotCount) {
    // A limit of 4 or less spawns nothing at all.
    const int64_t Bound = C.Limit <= 4 ? 0 : int64_t{C.Limit} - 2;
    const int64_t Weighted = 3 * int64_t{Carriers} + Singles;
    if (Weighted > Bound || Occupied > Bound)
      return "weighted count " + std::to_string(Weighted) + ", occupied " +
             std::to_string(Occupied) + " above " + std::to_string(Bound);
  }

  for (int i = 0; i < SlotCount; i++) {
    const InterceptorSlot &I = Interceptors[i];
    if (I.active == 0) continue;
    if (I.active != 1)
      return "interceptor " + std::to_string(i) + " active " + std::to_string(I.active);
    const double Speed = std::hypot(I.dx, I.dy);
    if (!(std::fabs(Speed - InterceptorSpeed) <= 1e-9))
      return "interceptor " + std::to_string(i) + " flies at " + std::to_string(Speed);
  }

  if (Level < LevelBefore || Level > MaxLevel)
    return "level went from " + std::to_string(LevelBefore) + " to " + std::to_string(Level);
  return {};
}

class Soak : public ::testing::TestWithParam<SoakCase> {
 protected:
  void SetUp() override {
    Form.Canvas = &Null;
    frmMain = &Form;
    BattleClock = [] { return uint32_t{20240611}; };
    IniPath[0] = '\0';  // no file: the defaults, then the limit below over them
  }
  void TearDown() override {
    frmMain = nullptr;
    MisailNumOverride.reset();
    Level = 0;
  }

  TfrmMain Form;
  TNullCanvas Null;
};

TEST_P(Soak, EveryTickKeepsTheInvariants) {
  const SoakCase &C = GetParam();
  Form.ClientWidth = C.Width;
  Form.ClientHeight = C.Height;
  MisailNumOverride = C.Limit;
  Level = C.Level;
  ResetBattle();
  ASSERT_EQ(MisailNum, C.Limit);

  // Enemies outlive their tick only where some can spawn and the field is tall enough
  // for one to fall a pixel without landing.
  const bool Busy = C.Limit > 4 && C.Height > 17;
  int Peak = 0;
  TickWatchdog Watchdog(C.Name);
  for (int64_t t = 0; t < SoakTicks; t++) {
    const int32_t LevelBefore = Level;
    BattleTick();
    int Occupied = 0;
    const std::string Broken = Violation(C, LevelBefore, Occupied);
    if (!Broken.empty()) FAIL() << "after tick " << t + 1 << ": " << Broken;
    if (Occupied > Peak) Peak = Occupied;
    Watchdog.TickEnded();
  }
  if (Busy)
    EXPECT_GT(Peak, 0) << "no enemy ever stayed in the air";
  else
    EXPECT_EQ(Peak, 0) << "an enemy stayed in the air where none can";
  std::printf("%s: peak %d enemies, level %d after %lld ticks\n", C.Name, Peak, Level,
              static_cast<long long>(SoakTicks));
}

INSTANTIATE_TEST_SUITE_P(Fields, Soak, ::testing::ValuesIn(Cases),
                         [](const ::testing::TestParamInfo<SoakCase> &Info) {
                           return std::string(Info.param.Name);
                         });

}  // namespace

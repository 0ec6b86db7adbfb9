#include <algorithm>

#include "tests/alloc_counter.h"
#include "tests/battle_fixture.h"
#include "ui/raster_canvas.h"

// --- The generator -----------------------------------------------------------------

TEST(Random, KnownDrawsFromSeedsOneAndZero) {
  SeedRandom(1);
  EXPECT_EQ(NextRandom(), 346);
  EXPECT_EQ(NextRandom(), 130);
  SeedRandom(0);
  EXPECT_EQ(NextRandom(), 0);
  EXPECT_EQ(NextRandom(), 346);
}

TEST(Random, DrawsStayInFifteenBitsAndReachBothEnds) {
  SeedRandom(12345);
  int32_t Low = 32767, High = 0;
  for (int n = 0; n < 1'000'000; n++) {
    const int32_t R = NextRandom();
    ASSERT_GE(R, 0);
    ASSERT_LE(R, 32767);
    Low = std::min(Low, R);
    High = std::max(High, R);
  }
  EXPECT_EQ(Low, 0);
  EXPECT_EQ(High, 32767);
}

// --- Spawning ------------------------------------------------------------------------

class SpawnTest : public BattleTest {
 protected:
  // Fills every slot but slot 0 with a warhead hanging still in mid-air, so that one
  // pass draws only for slot 0.
  void OnlySlotZeroFree() {
    for (int i = 1; i < SlotCount; i++) Enemies[i] = {200, 100, 0, 0, esWarhead};
    Enemies[0].state = esEmpty;
  }
};

TEST_F(SpawnTest, DrawsStopAtTheFirstFailedTest) {
  Reset(640, 480);
  OnlySlotZeroFree();
  const uint32_t Passing = SeedPassingSpawnDraw();
  uint32_t Failing = 0;
  for (;; Failing++) {
    SeedRandom(Failing);
    if (NextRandom() % 200 != 0) break;
  }
  struct Case {
    const char *What;
    uint32_t Seed;
    int32_t Weighted;  // 3 x carriers + singles before the pass
    int Draws;
  } Cases[] = {
      {"one-in-200 draw fails", Failing, 0, 1},
      {"limit reached", Passing, 96, 1},
      {"limit exceeded", Passing, 200, 1},
      {"spawns", Passing, 95, 5},
  };
  for (const Case &C : Cases) {
    SCOPED_TRACE(C.What);
    MisailNumOverride = 100;
    LoadSettings();
    const int Taken = DrawsTakenBy(C.Seed, [&] {
      Enemies[0].state = esEmpty;
      SingleCount = C.Weighted;
      CarrierCount = 0;
      MoveEnemies();
    });
    EXPECT_EQ(Taken, C.Draws);
    EXPECT_EQ(Enemies[0].state != esEmpty, C.Draws == 5);
  }
}

TEST_F(SpawnTest, NothingSpawnsWithALimitOfFourOrLess) {
  for (int32_t Limit : {INT32_MIN, -5, 0, 4}) {
    Reset(640, 480, 7, Limit);
    for (int t = 0; t < 3000; t++) BattleTick();
    EXPECT_EQ(SingleCount + CarrierCount, 0) << Limit;
  }
}

TEST_F(SpawnTest, HugeLimitDoesNotOverflowTheComparison) {
  Reset(640, 480, 7, INT32_MAX);
  SingleCount = INT32_MAX / 3;  // 3 x carriers + singles would overflow 32 bits
  CarrierCount = INT32_MAX / 3;
  Enemies[0].state = esEmpty;
  const int Taken = DrawsTakenBy(SeedPassingSpawnDraw(), [] {
    for (int i = 1; i < SlotCount; i++) Enemies[i] = {200, 100, 0, 0, esWarhead};
    MoveEnemies();
  });
  EXPECT_EQ(Taken, 1);  // 4 x (2^31 / 3) is not below 2^31 - 5
}

// Every new enemy, seen in the tick it spawns (moved once from the top of the field).
struct NewEnemy {
  double x0, dx, dy;
  int32_t state;
};

static std::vector<NewEnemy> WatchSpawns(int Ticks) {
  std::vector<NewEnemy> Seen;
  int32_t Before[SlotCount];
  for (int t = 0; t < Ticks; t++) {
    for (int i = 0; i < SlotCount; i++) Before[i] = Enemies[i].state;
    MoveEnemies();
    for (int i = 0; i < SlotCount; i++) {
      const EnemySlot &E = Enemies[i];
      if (Before[i] == esEmpty && (E.state == esWarhead || E.state == esCarrier))
        Seen.push_back({E.x - E.dx, E.dx, E.dy, E.state});
    }
  }
  return Seen;
}

TEST_F(SpawnTest, NewEnemiesFollowTheLevel) {
  struct Case {
    int32_t Level;
    double DyBound;    // dy never exceeds it
    bool BoundCommon;  // and reaches it often enough to be seen here
    bool Carriers;
  } Cases[] = {{0, 1, true, false},    {999, 1, true, false}, {1000, 2, false, false},
               {1001, 2, false, true}, {1999, 2, true, true}, {4000, 5, false, true},
               {99999, 5, true, true}};
  for (const Case &C : Cases) {
    SCOPED_TRACE(C.Level);
    Level = C.Level;
    Reset(640, 480, 3, 256);
    const std::vector<NewEnemy> Seen = WatchSpawns(2000);
    ASSERT_GT(Seen.size(), 100u);
    bool AnyCarrier = false;
    double TopDy = 0;
    for (const NewEnemy &E : Seen) {
      EXPECT_GE(E.x0, 50);
      EXPECT_LE(E.x0, 589);
      EXPECT_TRUE(E.dx == -1 || E.dx == 0 || E.dx == 1);
      EXPECT_GE(E.dy, 1);
      EXPECT_EQ(E.dy, std::floor(E.dy));
      TopDy = std::max(TopDy, E.dy);
      AnyCarrier |= E.state == esCarrier;
    }
    EXPECT_LE(TopDy, C.DyBound);
    if (C.BoundCommon) {
      EXPECT_EQ(TopDy, C.DyBound);
    }
    EXPECT_EQ(AnyCarrier, C.Carriers);
  }
}

TEST_F(SpawnTest, NarrowFieldsSpawnAtTheCentre) {
  for (int32_t Width : {100, 60, 1, 0}) {
    SCOPED_TRACE(Width);
    Reset(Width, 480, 5, 256);
    int Straight = 0;  // those drifting sideways may wrap at once on so narrow a field
    for (const NewEnemy &E : WatchSpawns(500)) {
      if (E.dx != 0) continue;
      EXPECT_EQ(E.x0, Width / 2);
      Straight++;
    }
    EXPECT_GT(Straight, 0);
  }
}

// --- Motion, edges, ground and explosions ------------------------------------------

TEST_F(BattleTest, EnemiesWrapAtTheSideEdges) {
  Reset(640, 480, 1, 0);  // nothing spawns
  Enemies[3] = {0, 100, -1, 1, esWarhead};
  Enemies[4] = {640, 100, 1, 1, esFragment};
  Enemies[5] = {640, 100, 0, 1, esWarhead};  // exactly on the edge: stays
  SingleCount = 3;
  MoveEnemies();
  EXPECT_EQ(Enemies[3].x, 640);
  EXPECT_EQ(Enemies[4].x, 0);
  EXPECT_EQ(Enemies[5].x, 640);
  const std::vector<std::string> Expected = {
      "fill -17 85 14 116", "copy imgScad3 624 85 655 116 0 0 31 31", "fill 625 85 656 116",
      "copy imgScad2 -16 85 15 116 0 0 31 31", "copy imgScad3 624 85 655 116 0 0 31 31"};
  EXPECT_EQ(Canvas.Calls, Expected);
}

TEST_F(BattleTest, LandingFreesTheSlotWithAFlashOnlyForFlyingEnemies) {
  Reset(640, 480, 1, 0);
  struct Case {
    int32_t State;
    double y;  // lands when y + 1 reaches 464
    bool Lands, Flash;
  } Cases[] = {{esWarhead, 463, true, true},
               {esCarrier, 463, true, true},
               {esFragment, 463, true, true},
               {esExplosion + 4, 463, true, false},
               {esWarhead, 462, false, false}};
  for (const Case &C : Cases) {
    SCOPED_TRACE(C.State);
    Enemies[9] = {100.0, C.y, 0, 1, C.State};
    SingleCount = C.State == esCarrier ? 0 : 1;
    CarrierCount = C.State == esCarrier ? 1 : 0;
    Canvas.Calls.clear();
    MoveEnemies();
    EXPECT_EQ(Enemies[9].state == esEmpty, C.Lands);
    if (C.Lands) {
      EXPECT_EQ(SingleCount + CarrierCount, 0);
      EXPECT_EQ(Canvas.Calls.front(), "fill 84 448 115 479");
    }
    const bool Flashed = std::count(Canvas.Calls.begin(), Canvas.Calls.end(), "pen FFFFFF") == 1;
    EXPECT_EQ(Flashed, C.Flash);
    if (C.Flash) {
      EXPECT_EQ(Canvas.Calls[2], "arc 100 480 100 480 100 480 100 480");
    }
    Enemies[9].state = esEmpty;
  }
}

TEST_F(BattleTest, AnEnemyLeavingSidewaysOntoTheGroundFlashesAtItsNewEdge) {
  Reset(640, 480, 1, 0);
  Enemies[0] = {640, 463, 1, 1, esWarhead};
  SingleCount = 1;
  MoveEnemies();
  ASSERT_GE(Canvas.Calls.size(), 4u);
  EXPECT_EQ(Canvas.Calls[0], "fill 625 448 656 479");
  EXPECT_EQ(Canvas.Calls[1], "fill -16 448 15 479");
  EXPECT_EQ(Canvas.Calls[3], "arc 0 480 0 480 0 480 0 480");
}

TEST_F(BattleTest, AnExplosionPlaysTwentyFramesThenFreesItsSlot) {
  Reset(640, 480, 1, 0);
  Enemies[2] = {300, 100, 1, 1, esExplosion};
  SingleCount = 1;
  for (int Frame = 0; Frame < 20; Frame++) {
    Canvas.Calls.clear();
    MoveEnemies();
    ASSERT_FALSE(Canvas.Calls.empty());
    const int Cell = Frame + 2;
    char Expect[96];
    std::snprintf(Expect, sizeof Expect, "copy imgRes %d %d %d %d %d %d %d %d",
                  300 + Frame + 1 - 16, 100 + Frame + 1 - 16, 300 + Frame + 1 + 15,
                  100 + Frame + 1 + 15, 32 * (Cell % 16), 32 * (Cell / 16), 32 * (Cell % 16) + 31,
                  32 * (Cell / 16) + 31);
    EXPECT_EQ(Canvas.Calls[0], Expect);
    EXPECT_EQ(Enemies[2].state, Frame < 19 ? esExplosion + Frame + 1 : esEmpty);
    EXPECT_EQ(SingleCount, Frame < 19 ? 1 : 0);
    EXPECT_EQ(Canvas.Calls.size(), Frame < 19 ? 1u : 2u);  // frame 19 is erased at once
  }
}

// --- Interceptors --------------------------------------------------------------------

TEST_F(BattleTest, HitTestIsAStrictColumnAboveTheEnemy) {
  struct Case {
    double x, y;
    bool Hit;
  } Cases[] = {{300, 200, true}, {300, 206, false},  {326, 150, false},
               {300, 20, true},  {294.5, 100, true}, {294, 100, false}};
  for (const Case &C : Cases) {
    SCOPED_TRACE(testing::Message() << C.x << "," << C.y);
    Reset(640, 768, 1, 0);
    Enemies[7] = {310, 190, 0, 1, esWarhead};
    SingleCount = 1;
    Interceptors[7] = {C.x, C.y, 0, 0, 1};  // at rest: the move keeps it in place
    MoveInterceptors();
    EXPECT_EQ(Enemies[7].state == esExplosion, C.Hit);
    EXPECT_EQ(Interceptors[7].active, C.Hit ? 0 : 1);
  }
}

TEST_F(BattleTest, AnEmptySlotIsNeverHitWhateverItsStalePosition) {
  Reset(640, 480, 1, 0);
  Enemies[7] = {300, 200, 0, 1, esEmpty};
  Interceptors[7] = {300, 190, 0, -6, 1};
  MoveInterceptors();
  EXPECT_EQ(Interceptors[7].active, 1);
  EXPECT_EQ(Level, 0);
}

TEST_F(BattleTest, LevelRisesMoreForHitsHighUpAndStopsAt99999) {
  struct Case {
    int32_t Height;
    double EnemyY;
    int32_t Before, After;
  } Cases[] = {{480, 463, 0, 1}, {480, 0, 0, 8},         {768, 100, 0, 11},
               {768, 700, 5, 7}, {480, 0, 99995, 99999}, {480, 0, 99999, 99999}};
  for (const Case &C : Cases) {
    Reset(640, C.Height, 1, 0);
    Level = C.Before;
    Enemies[0] = {320, C.EnemyY, 0, 1, esWarhead};
    SingleCount = 1;
    Interceptors[0] = {320, C.EnemyY, 0, 0, 1};
    MoveInterceptors();
    EXPECT_EQ(Level, C.After) << C.EnemyY;
  }
}

TEST_F(BattleTest, ACarrierSplitsIntoThreeFragments) {
  Reset(640, 480, 1, 0);
  Enemies[40] = {200, 100, 1, 3, esCarrier};
  CarrierCount = 1;
  Interceptors[40] = {200, 110, 0, 0, 1};
  MoveInterceptors();
  EXPECT_EQ(CarrierCount, 0);
  EXPECT_EQ(SingleCount, 3);
  EXPECT_EQ(Level, 20 + (480 - 100) / 64 + 1);
  std::vector<double> Drifts;
  for (const EnemySlot &E : Enemies) {
    if (E.state == esEmpty) continue;
    EXPECT_EQ(E.state, esFragment);
    EXPECT_EQ(E.x, 200);
    EXPECT_EQ(E.y, 100);
    EXPECT_EQ(E.dy, 3);
    Drifts.push_back(E.dx);
  }
  std::sort(Drifts.begin(), Drifts.end());
  EXPECT_EQ(Drifts, (std::vector<double>{0, 1, 2}));
  EXPECT_TRUE(Canvas.Calls.size() == 1 && Canvas.Calls[0].rfind("fill", 0) == 0)
      << "only the interceptor is erased";
}

TEST_F(BattleTest, ASplitInAFullTablePlacesOnlyWhatFits) {
  Reset(640, 480, 1, 0);
  for (int i = 0; i < SlotCount; i++) Enemies[i] = {200, 100, 0, 1, esWarhead};
  Enemies[40].state = esCarrier;
  Enemies[41].state = esEmpty;
  SingleCount = SlotCount - 2;
  CarrierCount = 1;
  Interceptors[40] = {200, 110, 0, 0, 1};
  MoveInterceptors();  // two slots free: the carrier's own and slot 41
  ExpectCountersMatchStates();
  EXPECT_EQ(SingleCount, SlotCount);
  EXPECT_EQ(Enemies[40].state, esFragment);
  EXPECT_EQ(Enemies[41].state, esFragment);
}

TEST_F(BattleTest, InterceptorsLeaveAtTheTopAndBottomAndWrapAtTheSides) {
  struct Case {
    double x, y;
    int32_t Active;
    double NewX;
  } Cases[] = {{100, -0.1, 0, 0},  {100, 0, 1, 100},    {100, 480.1, 0, 0},
               {100, 480, 1, 100}, {-0.5, 300, 1, 640}, {640.5, 300, 1, 0}};
  for (const Case &C : Cases) {
    SCOPED_TRACE(testing::Message() << C.x << "," << C.y);
    Reset(640, 480, 1, 0);
    Interceptors[0] = {C.x, C.y, 0, 0, 1};
    MoveInterceptors();
    EXPECT_EQ(Interceptors[0].active, C.Active);
    if (C.Active) {
      EXPECT_EQ(Interceptors[0].x, C.NewX);
      EXPECT_EQ(Interceptors[0].y, C.y);
      ASSERT_EQ(Canvas.Calls.size(), 2u);
      EXPECT_EQ(Canvas.Calls[1].rfind("copy imgRes " + std::to_string(int(C.NewX) - 8), 0), 0u)
          << Canvas.Calls[1];
    } else {
      EXPECT_EQ(Canvas.Calls.size(), 1u);  // erased, not drawn again
    }
  }
}

// --- Fire control --------------------------------------------------------------------

TEST_F(BattleTest, LauncherChosenByTheEnemysX) {
  Reset(640, 480, 1, 0);
  struct Case {
    double x;
    double Launcher;
  } Cases[] = {{0, 107}, {212, 107}, {213, 320}, {426, 320}, {427, 533}, {640, 533}};
  for (const Case &C : Cases) {
    Enemies[0] = {C.x, 100, 0, 1, esWarhead};
    Interceptors[0].active = 0;
    LaunchInterceptor(0);
    EXPECT_EQ(Interceptors[0].x, C.Launcher) << C.x;
    EXPECT_EQ(Interceptors[0].y, 464);
  }
}

TEST_F(BattleTest, LaunchAimsOnTheWorkedCourses) {
  Reset(640, 480, 1, 0);
  struct Case {
    EnemySlot E;
    double dx, dy;
  } Cases[] = {{{320, 100, 0, 1, 1}, 0, -6},
               {{320, 100, 1, 1, 1}, 1, -std::sqrt(35.0)},
               {{100, 200, -1, 2, 1}, -1.208859, -5.876960}};
  for (const Case &C : Cases) {
    Enemies[0] = C.E;
    Interceptors[0].active = 0;
    LaunchInterceptor(0);
    EXPECT_EQ(Interceptors[0].active, 1);
    EXPECT_NEAR(Interceptors[0].dx, C.dx, 5e-7);
    EXPECT_NEAR(Interceptors[0].dy, C.dy, 5e-7);
  }
}

TEST_F(BattleTest, EveryLaunchFliesAtSixAndMeetsAnEnemyHoldingItsCourse) {
  Reset(1024, 768, 1, 0);
  SeedRandom(99);
  for (int n = 0; n < 20000; n++) {
    const EnemySlot E = {double(NextRandom() % 1025), double(NextRandom() % 740),
                         double(NextRandom() % 5 - 2), double(NextRandom() % 5 + 1), esFragment};
    Enemies[0] = E;
    Interceptors[0].active = 0;
    LaunchInterceptor(0);
    const InterceptorSlot &I = Interceptors[0];
    ASSERT_EQ(I.active, 1);
    ASSERT_NEAR(std::hypot(I.dx, I.dy), 6.0, 1e-12);
    // The line of sight keeps its direction: the closing velocity is along it.
    const double a = E.x - I.x, b = E.y - I.y;
    const double Across = a * (E.dy - I.dy) - b * (E.dx - I.dx);
    ASSERT_NEAR(Across, 0.0, 1e-9 * (std::fabs(a) + std::fabs(b) + 1));
    ASSERT_LT(a * (E.dx - I.dx) + b * (E.dy - I.dy), 0.0) << "closing";
  }
}

TEST_F(BattleTest, AnEnemyOnTheLaunchPointIsRefused) {
  Reset(640, 480, 1, 0);
  Enemies[0] = {320, 464, 0, 1, esWarhead};
  Interceptors[0].active = 0;
  LaunchInterceptor(0);
  EXPECT_EQ(Interceptors[0].active, 0);
  EXPECT_EQ(Interceptors[0].x, 320);
  EXPECT_EQ(Interceptors[0].y, 464);
}

// --- Reset and tick ------------------------------------------------------------------

TEST_F(BattleTest, ResetPlacesLaunchersAndClearsOnlyStatesFlagsAndCounters) {
  struct Case {
    int32_t Width, L, C, R;
  } Cases[] = {
      {640, 107, 320, 533}, {800, 134, 400, 666}, {1024, 171, 512, 853}, {152, 26, 76, 126}};
  for (const Case &C : Cases) {
    Enemies[5] = {11, 22, 1, 2, esCarrier};
    Interceptors[5] = {33, 44, 3, 4, 1};
    Level = 1234;
    SingleCount = CarrierCount = 9;
    Form.ClientWidth = C.Width;
    Form.ClientHeight = 300;
    ResetBattle();
    EXPECT_EQ(BaseLX, C.L);
    EXPECT_EQ(BaseCX, C.C);
    EXPECT_EQ(BaseRX, C.R);
    EXPECT_EQ(FieldRight, C.Width);
    EXPECT_EQ(FieldBottom, 300);
    EXPECT_EQ(Level, 1234);
    EXPECT_EQ(SingleCount + CarrierCount, 0);
    EXPECT_EQ(Enemies[5].state, esEmpty);
    EXPECT_EQ(Interceptors[5].active, 0);
    EXPECT_EQ(Enemies[5].x, 11);
    EXPECT_EQ(Interceptors[5].dy, 4);
  }
  EXPECT_EQ(MisailNum, 100);
  EXPECT_EQ(BaseVisible, 1);
}

TEST_F(BattleTest, FireControlServesFlyingEnemiesWithAFreeInterceptor) {
  Reset(640, 480, 1, 0);
  Enemies[1] = {300, 100, 0, 1, esWarhead};
  Enemies[2] = {300, 100, 0, 1, esExplosion + 3};
  Enemies[3] = {300, 100, 0, 1, esWarhead};
  Interceptors[3] = {10, 400, 0, -6, 1};  // still chasing an earlier enemy
  SingleCount = 3;
  BattleTick();
  EXPECT_EQ(Interceptors[1].active, 1);
  EXPECT_EQ(Interceptors[1].y, 464);  // launched, not moved yet
  EXPECT_EQ(Interceptors[2].active, 0);
  EXPECT_EQ(Interceptors[3].x, 10);
  EXPECT_EQ(Interceptors[3].y, 394);
}

TEST_F(BattleTest, ASpawnGetsItsInterceptorInTheSameTick) {
  Reset(640, 480, 1);
  int Served = 0;
  for (int t = 0; t < 400; t++) {
    int32_t Before[SlotCount], WasActive[SlotCount];
    for (int i = 0; i < SlotCount; i++) {
      Before[i] = Enemies[i].state;
      WasActive[i] = Interceptors[i].active;
    }
    BattleTick();
    for (int i = 0; i < SlotCount; i++) {
      if (Before[i] != esEmpty || Enemies[i].state != esWarhead || WasActive[i]) continue;
      ASSERT_EQ(Interceptors[i].active, 1);
      ASSERT_EQ(Interceptors[i].y, 464);  // launched from the ground, not yet moved
      Served++;
    }
  }
  EXPECT_GT(Served, 10);
}

// --- Long runs -----------------------------------------------------------------------

TEST_F(BattleTest, LongRunsKeepTheCountersAndTheOccupancyBound) {
  Form.Canvas = &Null;
  struct Case {
    int32_t Width, Height, Limit, Level;
    uint32_t Seed;
    int Ticks;
  } Cases[] = {{640, 480, 100, 0, 1, 300000},    {1920, 1080, 256, 0, 2, 250000},
               {152, 112, 10, 1500, 3, 150000},  {800, 600, 256, 5000, 4, 150000},
               {320, 2000, 40, 1001, 5, 100000}, {101, 50, 256, 99999, 6, 50000}};
  for (const Case &C : Cases) {
    SCOPED_TRACE(testing::Message() << C.Width << "x" << C.Height << " limit " << C.Limit);
    Level = C.Level;
    Reset(C.Width, C.Height, C.Seed, C.Limit);
    int Occupied = 0, Peak = 0;
    for (int t = 0; t < C.Ticks; t++) {
      BattleTick();
      ASSERT_LE(3 * CarrierCount + SingleCount, std::max(C.Limit - 2, 0));
      Occupied = SingleCount + CarrierCount;
      ASSERT_LE(Occupied, std::max(C.Limit - 2, 0));
      Peak = std::max(Peak, Occupied);
      if (t % 97 == 0) ExpectCountersMatchStates();
      ASSERT_LE(Level, MaxLevel);
    }
    ExpectCountersMatchStates();
    EXPECT_GT(Peak, 0);
  }
}

TEST_F(BattleTest, EveryTickKeepsTheCountersEqualToTheStates) {
  Form.Canvas = &Null;
  Level = 1200;  // carriers from the start
  Reset(800, 600, 11, 256);
  for (int t = 0; t < 20000; t++) {
    BattleTick();
    ExpectCountersMatchStates();
  }
}

TEST_F(BattleTest, LimitsAboveTheTableAndTinyFieldsRunSafely) {
  Form.Canvas = &Null;
  struct Case {
    int32_t Width, Height, Limit, Level;
  } Cases[] = {{0, 0, 100, 0},
               {1, 1, 100, 5000},
               {100, 9, 256, 5000},
               {640, 480, 300, 2000},
               {640, 480, INT32_MAX, 99999},
               {1920, 1080, 1000, 3000}};
  for (const Case &C : Cases) {
    SCOPED_TRACE(testing::Message() << C.Width << "x" << C.Height << " limit " << C.Limit);
    Level = C.Level;
    Reset(C.Width, C.Height, 8, C.Limit);
    for (int t = 0; t < 30000; t++) {
      BattleTick();
      ASSERT_LE(SingleCount + CarrierCount, SlotCount);
    }
    ExpectCountersMatchStates();
  }
}

// --- No allocation in a tick ---------------------------------------------------------

TEST_F(BattleTest, TicksAllocateNothing) {
  // On the null canvas and on the raster canvas, with ground flashes on a short field.
  TRasterCanvas Raster(1280, 200);
  for (TCanvas *Drawn : {static_cast<TCanvas *>(&Null), static_cast<TCanvas *>(&Raster)}) {
    Level = 1500;
    Reset(1280, 200, 21, 256);
    Form.Canvas = Drawn;
    const long Before = AllocationCount();
    for (int t = 0; t < 50000; t++) BattleTick();
    EXPECT_EQ(AllocationCount() - Before, 0);
    EXPECT_GT(Level, 1500);
  }
}

#include "display/drawing.h"

#include <array>

#include "tests/battle_fixture.h"

using Calls = std::vector<std::string>;

TEST(DrawingBoxes, TruncateTowardsZero) {
  struct Case {
    double x, y;
    TRect Enemy, Interceptor;
  } Cases[] = {
      {100.7, 40.2, {84, 24, 115, 55}, {92, 32, 107, 47}},
      {100.0, 40.0, {84, 24, 115, 55}, {92, 32, 107, 47}},
      {-0.7, -0.7, {-16, -16, 15, 15}, {-8, -8, 7, 7}},
      {-1.0, 639.99, {-17, 623, 14, 654}, {-9, 631, 6, 646}},
  };
  for (const Case &C : Cases) {
    const TRect E = EnemyBox(C.x, C.y), I = InterceptorBox(C.x, C.y);
    EXPECT_EQ((std::array{E.Left, E.Top, E.Right, E.Bottom}),
              (std::array{C.Enemy.Left, C.Enemy.Top, C.Enemy.Right, C.Enemy.Bottom}));
    EXPECT_EQ((std::array{I.Left, I.Top, I.Right, I.Bottom}),
              (std::array{C.Interceptor.Left, C.Interceptor.Top, C.Interceptor.Right,
                          C.Interceptor.Bottom}));
  }
}

TEST(DrawingBoxes, ExplosionFramesComeFromTheirSheetCells) {
  struct Case {
    int Frame;
    TRect Source;
  } Cases[] = {{0, {64, 0, 95, 31}},
               {13, {480, 0, 511, 31}},
               {14, {0, 32, 31, 63}},
               {19, {160, 32, 191, 63}}};
  for (const Case &C : Cases) {
    const TRect S = ExplosionSource(C.Frame);
    EXPECT_EQ((std::array{S.Left, S.Top, S.Right, S.Bottom}),
              (std::array{C.Source.Left, C.Source.Top, C.Source.Right, C.Source.Bottom}))
        << C.Frame;
  }
}

class DrawingTest : public BattleTest {};

TEST_F(DrawingTest, EnemyPictureFollowsTheSlotState) {
  Reset(640, 480);
  struct Case {
    int32_t State;
    const char *Expect;
  } Cases[] = {{esWarhead, "copy imgScad3 84 24 115 55 0 0 31 31"},
               {esCarrier, "copy imgScad1 84 24 115 55 0 0 31 31"},
               {esFragment, "copy imgScad2 84 24 115 55 0 0 31 31"},
               {esEmpty, nullptr},
               {esExplosion, nullptr},
               {5, nullptr}};
  for (const Case &C : Cases) {
    Canvas.Calls.clear();
    Enemies[12].state = C.State;
    DrawEnemy(100.7, 40.2, 12);
    EXPECT_EQ(Canvas.Calls, C.Expect ? Calls{C.Expect} : Calls{}) << C.State;
  }
  Enemies[12].state = esEmpty;
}

TEST_F(DrawingTest, SpritesAndErasesUseTheirBoxes) {
  Reset(640, 480);
  DrawInterceptor(100.0, 40.0);
  EraseInterceptor(100.0, 40.0);
  EraseEnemy(100.7, 40.2);
  DrawExplosion(100.7, 40.2, 13);
  EXPECT_EQ(Canvas.Calls, (Calls{"copy imgRes 92 32 107 47 32 0 47 15", "fill 92 32 107 47",
                                 "fill 84 24 115 55", "copy imgRes 84 24 115 55 480 0 511 31"}));
}

TEST_F(DrawingTest, GroundFlashDrawsWhiteDomeThenBlackOneRadiusFurther) {
  for (int32_t Height : {768, 480, 10, 9, 0}) {
    SCOPED_TRACE(Height);
    Reset(640, Height);
    DrawGroundFlash(300);
    const int32_t N = Height / 10;
    Calls Expected = {"pen FFFFFF"};
    char Line[96];
    auto ArcAt = [&](int32_t r) {
      std::snprintf(Line, sizeof Line, "arc %d %d %d %d %d %d %d %d", 300 - r, Height - r, 300 + r,
                    Height + r, 300 + r, Height, 300 - r, Height);
      Expected.push_back(Line);
    };
    for (int32_t r = 0; r < N; r++) ArcAt(r);
    Expected.push_back("pen 000000");
    for (int32_t r = N; r >= 0; r--) ArcAt(r);
    EXPECT_EQ(Canvas.Calls, Expected);
  }
}

TEST_F(DrawingTest, ClearFieldFillsTheClientArea) {
  Reset(640, 480);
  ClearField();
  EXPECT_EQ(Canvas.Calls, Calls{"fill 0 0 640 480"});
}

TEST_F(DrawingTest, ResetPlacesMarkersOnTheGroundThenClears) {
  for (int8_t Visible : {int8_t{1}, int8_t{0}, int8_t{-1}}) {
    SCOPED_TRACE(int(Visible));
    BaseVisibleOverride = Visible;
    Form.ClientWidth = 640;
    Form.ClientHeight = 480;
    Canvas.Calls.clear();
    ResetBattle();
    const int V = Visible != 0;
    EXPECT_EQ(Canvas.Calls,
              (Calls{"moved shpBaseC 316 0", "moved shpBaseC 316 472", "moved shpBaseL 103 0",
                     "moved shpBaseL 103 472", "moved shpBaseR 529 0", "moved shpBaseR 529 472",
                     "shown shpBaseC " + std::to_string(V), "shown shpBaseL " + std::to_string(V),
                     "shown shpBaseR " + std::to_string(V), "fill 0 0 640 480"}));
    // Reset the markers' Top so the next round's first move shows Top 0 again.
    Form.shpBaseC.Top = Form.shpBaseL.Top = Form.shpBaseR.Top = 0;
  }
}

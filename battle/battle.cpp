#include "battle/battle.h"

#include <cmath>
#include <ctime>

#include "display/drawing.h"
#include "settings/settings.h"
#include "shell/frm_main.h"

EnemySlot Enemies[SlotCount];
InterceptorSlot Interceptors[SlotCount];

int32_t SingleCount = 0;
int32_t CarrierCount = 0;
int32_t Level = 0;

int32_t FieldLeft = 0, FieldTop = 0, FieldWidth = 0, FieldHeight = 0, FieldRight = 0,
        FieldBottom = 0;
int32_t BaseLX = 0, BaseCX = 0, BaseRX = 0;

static uint32_t RandomSeed = 0;

void SeedRandom(uint32_t Seed) { RandomSeed = Seed; }

int32_t NextRandom() {
  RandomSeed = RandomSeed * 22695477u + 1u;
  return static_cast<int32_t>((RandomSeed >> 16) & 0x7FFF);
}

static uint32_t CalendarSeconds() { return static_cast<uint32_t>(std::time(nullptr)); }
uint32_t (*BattleClock)() = CalendarSeconds;

static bool IsFlying(int32_t State) { return State >= 1 && State <= 9; }

// The weighted enemy count against the limit, in 64 bits so that no MisailNum a
// hand-edited file can hold overflows either side.
static bool BelowSpawnLimit() {
  return 3 * int64_t{CarrierCount} + SingleCount < int64_t{MisailNum} - 4;
}

static void SpawnEnemy(EnemySlot &E) {
  if (NextRandom() % 200 != 0) return;
  if (!BelowSpawnLimit()) return;
  const int32_t R2 = NextRandom();
  // A field of 100 pixels or less has no room for the usual 50-pixel side margins:
  // its enemies start at the centre.
  E.x = FieldWidth > 100 ? R2 % (FieldWidth - 100) + 50 : FieldLeft + FieldWidth / 2;
  E.y = FieldTop;
  E.dx = (NextRandom() % 30) / 10 - 1;
  E.dy = (NextRandom() % (Level + 1)) / 1000 + 1;
  if (E.dy > 5.0) E.dy = 5.0;
  if (NextRandom() % (2000 / (Level + 1) + 2) == 0 && Level > 1000) {
    E.state = esCarrier;
    CarrierCount += 1;
  } else {
    E.state = esWarhead;
    SingleCount += 1;
  }
}

void MoveEnemies() {
  // The field's edges as doubles, read once: the drawing calls below could change any
  // global as far as the compiler knows.
  const double Left = FieldLeft, Right = FieldRight, Ground = FieldBottom - 16.0;
  for (int i = 0; i < SlotCount; i++) {
    EnemySlot &E = Enemies[i];
    if (E.state == esEmpty) SpawnEnemy(E);
    if (E.state == esEmpty) continue;

    E.x += E.dx;
    E.y += E.dy;
    if (E.x < Left || E.x > Right) {
      EraseEnemy(E.x, E.y);
      E.x = E.x < Left ? Right : Left;
    }

    if (E.y < Ground) {
      if (E.state < esExplosion) {
        DrawEnemy(E.x, E.y, i);
      } else {
        DrawExplosion(E.x, E.y, E.state - esExplosion);
        E.state += 1;
        if (E.state == esExplosion + 20) {
          E.state = esEmpty;
          SingleCount -= 1;
          EraseEnemy(E.x, E.y);
        }
      }
    } else {
      EraseEnemy(E.x, E.y);
      if (E.state == esCarrier)
        CarrierCount -= 1;
      else
        SingleCount -= 1;
      if (IsFlying(E.state)) DrawGroundFlash(static_cast<int32_t>(E.x));
      E.state = esEmpty;
    }
  }
}

// A hit carrier becomes three fragments in random free slots, its own among them. Past
// an enemy limit of 256 the table can be full: then only as many fragments as there
// are free slots are placed. While a slot is free the search ends: the draws' low byte
// comes from a full-period generator modulo 2^24, so it takes every value within 2^24
// draws, and in practice within a few hundred.
static void SplitCarrier(EnemySlot &Carrier) {
  CarrierCount -= 1;
  Carrier.state = esEmpty;
  const EnemySlot Old = Carrier;
  for (int j = 0; j < 3; j++) {
    if (SingleCount + CarrierCount >= SlotCount) break;
    int k = NextRandom() % SlotCount;
    while (Enemies[k].state != esEmpty) k = NextRandom() % SlotCount;
    Enemies[k] = {Old.x, Old.y, Old.dx + (j - 1), Old.dy, esFragment};
    SingleCount += 1;
  }
  Level += 20;
}

void MoveInterceptors() {
  const double Left = FieldLeft, Right = FieldRight, Top = FieldTop, Bottom = FieldBottom;
  for (int i = 0; i < SlotCount; i++) {
    InterceptorSlot &I = Interceptors[i];
    if (I.active == 0) continue;
    EnemySlot &E = Enemies[i];

    EraseInterceptor(I.x, I.y);
    I.x += I.dx;
    I.y += I.dy;

    if (E.state != esEmpty && I.y < E.y + 16 && I.x > E.x - 16 && I.x < E.x + 16) {
      if (E.state == esCarrier)
        SplitCarrier(E);
      else
        E.state = esExplosion;
      // Hits high up raise the level more. In 64 bits: a field can be any height.
      const int64_t Height = static_cast<int64_t>(E.y);
      const int64_t Raised = Level + (FieldBottom - Height) / 64 + 1;
      Level = Raised > MaxLevel ? MaxLevel : static_cast<int32_t>(Raised);
      I.active = 0;
      continue;
    }

    if (I.y < Top || I.y > Bottom) {
      I.active = 0;
      continue;
    }
    if (I.x < Left)
      I.x = Right;
    else if (I.x > Right)
      I.x = Left;
    DrawInterceptor(I.x, I.y);
  }
}

void LaunchInterceptor(int i) {
  const EnemySlot &E = Enemies[i];
  InterceptorSlot &I = Interceptors[i];

  const int32_t ML = BaseLX + (BaseCX - BaseLX) / 2;
  const int32_t MR = BaseCX + (BaseRX - BaseCX) / 2;
  I.x = E.x < ML ? BaseLX : E.x > MR ? BaseRX : BaseCX;
  I.y = FieldBottom - 16;

  // The one velocity of length s whose component across the line of sight matches the
  // enemy's, so the line of sight keeps its direction until they meet.
  const double s = InterceptorSpeed;
  const double a = E.x - I.x;
  const double b = E.y - I.y;
  const double r = a * a + b * b;
  const double t = a * E.dy - b * E.dx;
  const double u = std::sqrt(r * s * s - t * t);
  if (r == 0) return;
  I.dx = (a * u - b * t) / r;
  I.dy = (b * u + a * t) / r;
  I.active = 1;
}

void ResetBattle() {
  SeedRandom(BattleClock());
  LoadSettings();
  FieldTop = 0;
  FieldLeft = 0;
  FieldWidth = frmMain->ClientWidth;
  FieldRight = FieldLeft + FieldWidth;
  FieldHeight = frmMain->ClientHeight;
  FieldBottom = FieldTop + FieldHeight;
  BaseCX = FieldWidth / 2 + FieldLeft;
  BaseLX = BaseCX - FieldWidth / 3;
  BaseRX = BaseCX + FieldWidth / 3;
  PlaceBaseMarkers();
  ClearField();
  for (int i = 0; i < SlotCount; i++) {
    Interceptors[i].active = 0;
    Enemies[i].state = esEmpty;
  }
  CarrierCount = 0;
  SingleCount = 0;
}

void BattleTick() {
  MoveEnemies();
  MoveInterceptors();
  for (int i = 0; i < SlotCount; i++)
    if (Interceptors[i].active == 0 && IsFlying(Enemies[i].state)) LaunchInterceptor(i);
}

void TfrmMain::cTimerTimer(TObject * /*Sender*/) { BattleTick(); }

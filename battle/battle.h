// The battle: process-wide tables of enemies and their interceptors, the counters, the
// threat level, the field geometry and the generator, and the passes that move them.
// Nothing here allocates; every operation runs on the one user-interface thread.
#pragma once

#include <cstdint>

constexpr int SlotCount = 256;

// EnemySlot::state values. 1..9 are flying (only 1, 2, 3 are stored), 10..29 exploding,
// where state - 10 is the explosion frame shown next.
enum : int32_t {
  esEmpty = 0,
  esWarhead = 1,
  esCarrier = 2,
  esFragment = 3,
  esExplosion = 10,
};

struct EnemySlot {
  double x, y;    // centre
  double dx, dy;  // velocity, pixels per tick; always whole numbers
  int32_t state;
};

struct InterceptorSlot {
  double x, y;    // centre
  double dx, dy;  // velocity fixed at launch, length InterceptorSpeed
  int32_t active;
};

// Interceptor slot i only ever chases enemy slot i.
extern EnemySlot Enemies[SlotCount];
extern InterceptorSlot Interceptors[SlotCount];

extern int32_t SingleCount;   // slots in states 1, 3 and 10..29
extern int32_t CarrierCount;  // slots in state 2
extern int32_t Level;         // threat level, 0..99999, only grows

constexpr double InterceptorSpeed = 6.0;
constexpr int32_t MaxLevel = 99999;

extern int32_t FieldLeft, FieldTop, FieldWidth, FieldHeight, FieldRight, FieldBottom;
extern int32_t BaseLX, BaseCX, BaseRX;

// The battle's generator: seed <- seed * 22695477 + 1 (mod 2^32); a draw is bits 16..30.
void SeedRandom(uint32_t Seed);
int32_t NextRandom();

// The calendar time in whole seconds that ResetBattle seeds the generator with; a
// recorder or a test may point it elsewhere for a repeatable battle.
extern uint32_t (*BattleClock)();

// The enemy pass: spawn, move, wrap, draw, explode and land, slots in ascending order.
void MoveEnemies();
// The interceptor pass: erase, move, hit test, split carriers, leave or wrap, draw.
void MoveInterceptors();
// Puts interceptor i into flight from the launcher chosen by enemy i's x, on the course
// that meets enemy i if it holds its course. Needs Interceptors[i] inactive and
// Enemies[i] flying.
void LaunchInterceptor(int i);

// Prepares the battle for the client size of frmMain: seeds the generator, loads the
// settings, sets the geometry and launchers, places the markers, clears the field and
// empties the tables. Level and the stale slot positions are kept.
void ResetBattle();
// One tick: enemy pass, interceptor pass, fire-control pass.
void BattleTick();

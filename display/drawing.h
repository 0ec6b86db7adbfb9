// The drawing operations of the battle. Each draws straight onto frmMain's canvas at the
// moment it is called; positions are truncated towards zero.
#pragma once

#include "ui/ui.h"

// The picture of the enemy in slot Slot (chosen by its state), centred on (x, y).
void DrawEnemy(double x, double y, int Slot);
// A black fill of the 31 x 31 enemy box centred on (x, y).
void EraseEnemy(double x, double y);
// The interceptor sprite, centred on (x, y).
void DrawInterceptor(double x, double y);
// A black fill of the 15 x 15 interceptor box centred on (x, y).
void EraseInterceptor(double x, double y);
// Explosion frame 0..19, centred on (x, y).
void DrawExplosion(double x, double y, int Frame);
// White half-circles growing on the ground line at gx, then black ones over them.
void DrawGroundFlash(int32_t gx);
// A black fill of the whole client area.
void ClearField();
// Puts the three launcher markers on the ground line and shows or hides them.
void PlaceBaseMarkers();

// The rectangles the operations fill or copy, for tests and tools.
TRect EnemyBox(double x, double y);
TRect InterceptorBox(double x, double y);
TRect ExplosionSource(int Frame);

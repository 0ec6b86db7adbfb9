#include "display/drawing.h"

#include "battle/battle.h"
#include "display/pictures.h"
#include "settings/settings.h"
#include "shell/frm_main.h"

// The rectangles of the current copy or fill, filled afresh by every operation.
static TRect DestRect, SourceRect;

// Positions become pixels by truncation towards zero (-0.7 is 0).
static int32_t Pixel(double v) { return static_cast<int32_t>(v); }

TRect EnemyBox(double x, double y) {
  const int32_t Left = Pixel(x) - 16, Top = Pixel(y) - 16;
  return {Left, Top, Left + 31, Top + 31};
}

TRect InterceptorBox(double x, double y) {
  const int32_t Left = Pixel(x) - 8, Top = Pixel(y) - 8;
  return {Left, Top, Left + 15, Top + 15};
}

TRect ExplosionSource(int Frame) {
  const int Cell = ExplosionCell(Frame);
  const int32_t Left = 32 * (Cell % 16), Top = 32 * (Cell / 16);
  return {Left, Top, Left + 31, Top + 31};
}

void DrawEnemy(double x, double y, int Slot) {
  DestRect = EnemyBox(x, y);
  SourceRect = {0, 0, 31, 31};
  const TImage *Picture = nullptr;
  switch (Enemies[Slot].state) {
    case esWarhead: Picture = &frmMain->imgScad3; break;
    case esCarrier: Picture = &frmMain->imgScad1; break;
    case esFragment: Picture = &frmMain->imgScad2; break;
    default: return;
  }
  frmMain->Canvas->CopyRect(DestRect, *Picture, SourceRect);
}

void EraseEnemy(double x, double y) {
  DestRect = EnemyBox(x, y);
  frmMain->Canvas->FillRect(DestRect);
}

void DrawInterceptor(double x, double y) {
  DestRect = InterceptorBox(x, y);
  SourceRect = {32, 0, 47, 15};
  frmMain->Canvas->CopyRect(DestRect, frmMain->imgRes, SourceRect);
}

void EraseInterceptor(double x, double y) {
  DestRect = InterceptorBox(x, y);
  frmMain->Canvas->FillRect(DestRect);
}

void DrawExplosion(double x, double y, int Frame) {
  DestRect = EnemyBox(x, y);
  SourceRect = ExplosionSource(Frame);
  frmMain->Canvas->CopyRect(DestRect, frmMain->imgRes, SourceRect);
}

// A white dome grows from the ground point, then is painted over in black from the
// outside in; the black pass goes one radius further than the white one.
void DrawGroundFlash(int32_t gx) {
  TCanvas &Canvas = *frmMain->Canvas;
  const int32_t gy = FieldBottom;
  const int32_t N = FieldHeight / 10;
  Canvas.SetPenColor(clWhite);
  for (int32_t r = 0; r < N; r++)
    Canvas.Arc(gx - r, gy - r, gx + r, gy + r, gx + r, gy, gx - r, gy);
  Canvas.SetPenColor(clBlack);
  for (int32_t r = N; r >= 0; r--)
    Canvas.Arc(gx - r, gy - r, gx + r, gy + r, gx + r, gy, gx - r, gy);
}

void ClearField() {
  DestRect = frmMain->ClientRect();
  frmMain->Canvas->FillRect(DestRect);
}

void PlaceBaseMarkers() {
  frmMain->shpBaseC.SetLeft(BaseCX - 4);
  frmMain->shpBaseC.SetTop(FieldBottom - 8);
  frmMain->shpBaseL.SetLeft(BaseLX - 4);
  frmMain->shpBaseL.SetTop(FieldBottom - 8);
  frmMain->shpBaseR.SetLeft(BaseRX - 4);
  frmMain->shpBaseR.SetTop(FieldBottom - 8);
  frmMain->shpBaseC.SetVisible(BaseVisible != 0);
  frmMain->shpBaseL.SetVisible(BaseVisible != 0);
  frmMain->shpBaseR.SetVisible(BaseVisible != 0);
}

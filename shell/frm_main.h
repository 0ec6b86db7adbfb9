// The saver window as the battle and its drawing see it: the client area, the canvas,
// the launcher markers and the hidden pictures. Each platform's window fills in the
// client size and the canvas before the battle is reset, and delivers the events below.
#pragma once

#include <cstdint>

#include "ui/ui.h"

class TfrmMain : public TForm {
 public:
  TfrmMain();

  TImage imgRes;
  TShape shpBaseL, shpBaseC, shpBaseR;
  TImage imgScad1, imgScad2, imgScad3;

  // The OnTimer handler of the battle timer: one battle tick.
  void cTimerTimer(TObject *Sender);

  // Window events, defined by the platform that has such a window. X, Y are client
  // coordinates.
  struct TPoint {
    int32_t x, y;
  };
  TPoint StartCursorPos{0, 0};  // screen position of the cursor when the saver started
  void FormMouseMove(TObject *Sender, int32_t X, int32_t Y);
  void FormMouseDown(TObject *Sender);
  void FormKeyDown(TObject *Sender);
  void FormCloseQuery(TObject *Sender, bool &CanClose);
  void FormDestroy(TObject *Sender);
};

// The one saver window, set before its construction finishes.
extern TfrmMain *frmMain;

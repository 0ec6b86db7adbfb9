// The saver window as the battle and its drawing see it: the client area, the canvas,
// the launcher markers and the hidden pictures. Each platform's window fills in the
// client size and the canvas before the battle is reset.
#pragma once

#include "ui/ui.h"

class TfrmMain : public TForm {
 public:
  TfrmMain();

  TImage imgRes;
  TShape shpBaseL, shpBaseC, shpBaseR;
  TImage imgScad1, imgScad2, imgScad3;

  // The OnTimer handler of the battle timer: one battle tick.
  void cTimerTimer(TObject *Sender);
};

// The one saver window, set before its construction finishes.
extern TfrmMain *frmMain;

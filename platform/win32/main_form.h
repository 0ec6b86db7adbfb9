// The saver window's Win32 form: it owns the window, the canvas and the battle timer of
// the portable saver window frmMain, and delivers its events.
#pragma once

#include "platform/win32/controls.h"
#include "shell/frm_main.h"

extern int32_t SaverMode;
extern HWND PreviewParent;

class TSaverWindow : public TWinForm {
 public:
  // Sizes itself to the virtual screen (full screen) or to the preview parent, creates
  // the window, resets the battle and starts the timer.
  TSaverWindow();
  ~TSaverWindow() override;

  TfrmMain Form;
  POINT Origin{0, 0};  // the window's top-left corner on the screen
  TTimer *cTimer = nullptr;  // the battle tick, every millisecond asked

  void CreateParams(TCreateParams &Params) override;
  void CloseQuery(bool &CanClose) override;
  static void AppMessage(MSG &Msg, bool &Handled);

 protected:
  LRESULT WndProc(UINT Msg, WPARAM wParam, LPARAM lParam) override;

 private:
  TGdiCanvas *Canvas = nullptr;
};

extern TSaverWindow *SaverWindow;

// The settings dialog's Win32 form.
#pragma once

#include "platform/win32/controls.h"

class TOptDialog : public TWinForm {
 public:
  TOptDialog();
  ~TOptDialog() override;

  TLabel Label1;
  TControl Image1;
  TLabel Label3;
  TCheckBox chkBaseVisible;
  TTrackBar trcMisailNum;
  TLabel lblMisailNum;
  TBitBtn btnOK, btnCancel;

  void trcMisailNumChange(TObject *Sender);
  void FormShow(TObject *Sender);
  void btnOKClick(TObject *Sender);
  void btnCancelClick(TObject *Sender);

  void CreateParams(TCreateParams &Params) override;
  bool IsDialog() const override { return true; }

 protected:
  LRESULT WndProc(UINT Msg, WPARAM wParam, LPARAM lParam) override;
  void DoShow() override;

 private:
  static constexpr DWORD Style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;
  static constexpr DWORD ExStyle = WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT;
  HFONT Font = nullptr;
  HICON Icon = nullptr;
  int TextHeight = 15;

  // A place or size laid out at 120 pixels per inch, for this screen.
  int Scale(int Value) const { return MulDiv(Value, TextHeight, 15); }
  RECT Bounds(int Left, int Top, int Width, int Height) const;
};

extern TOptDialog *OptDialog;

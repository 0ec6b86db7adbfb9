// The settings dialog's Win32 form.
#pragma once

#include "platform/win32/forms.h"

class TOptDialog : public TWinForm {
 public:
  TOptDialog();
  ~TOptDialog() override;

  HWND Label1 = nullptr, Image1 = nullptr, Label3 = nullptr, chkBaseVisible = nullptr,
       trcMisailNum = nullptr, lblMisailNum = nullptr, btnOK = nullptr, btnCancel = nullptr;

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
  HICON Icon = nullptr, OkGlyph = nullptr, CancelGlyph = nullptr;
  int TextHeight = 15;
  int FrameWidth = 0, FrameHeight = 0;

  int Scale(int Value) const;
  HWND Control(const wchar_t *Class, const wchar_t *Text, DWORD Style, int Left, int Top,
               int Width, int Height, int Id);
  void AutoSize(HWND Label);
  void SetLimitLabel(int32_t Value);
  int32_t Position() const;
};

extern TOptDialog *OptDialog;

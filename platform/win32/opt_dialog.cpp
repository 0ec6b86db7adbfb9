// The settings dialog: a check box for the launcher markers, a track bar for the enemy
// limit with a label that follows it, OK and Cancel.
#include "platform/win32/opt_dialog.h"

#include <commctrl.h>

#include <string>

#include "display/pictures.h"
#include "settings/settings.h"

TOptDialog *OptDialog = nullptr;

static const wchar_t LimitText[] = L"敵の飛来数　＝　";

TOptDialog::TOptDialog() {
  // Laid out at 120 pixels per inch with a text height of 15: the font follows the
  // screen's density, then every place and size follows the font's new text height.
  HDC Screen = GetDC(nullptr);
  const int Dpi = GetDeviceCaps(Screen, LOGPIXELSY);
  Font = CreateFontW(MulDiv(-15, Dpi, 120), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE,
                     SHIFTJIS_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                     DEFAULT_PITCH | FF_DONTCARE, L"ＭＳ Ｐゴシック");
  HGDIOBJ Old = SelectObject(Screen, Font);
  TEXTMETRICW Metrics{};
  GetTextMetricsW(Screen, &Metrics);
  SelectObject(Screen, Old);
  ReleaseDC(nullptr, Screen);
  TextHeight = Metrics.tmHeight > 0 ? Metrics.tmHeight : 15;

  RECT Frame{0, 0, Scale(393), Scale(214)};
  AdjustWindowRectEx(&Frame, Style, FALSE, ExStyle);
  CreateHandle(Frame.right - Frame.left, Frame.bottom - Frame.top);

  // Made in tab order: the check box, the track bar, OK, Cancel.
  chkBaseVisible.Create(Handle, WC_BUTTONW, L"発射台の表示", BS_AUTOCHECKBOX | WS_TABSTOP,
                        Bounds(24, 80, 137, 17), 0, Font);
  trcMisailNum.Create(Handle, TRACKBAR_CLASSW, L"", TBS_HORZ | TBS_TOP | TBS_AUTOTICKS | WS_TABSTOP,
                      Bounds(24, 152, 201, 41), 0, Font);
  btnOK.Create(Handle, TBitBtn::bkOK, Bounds(296, 112, 81, 33), Font);
  btnCancel.Create(Handle, TBitBtn::bkCancel, Bounds(296, 160, 81, 33), Font);
  Label1.Create(Handle, WC_STATICW, L"", SS_LEFT, Bounds(59, 14, 202, 15), 0, Font);
  Image1.Create(Handle, WC_STATICW, L"", SS_ICON, Bounds(8, 8, 32, 32), 0, Font);
  Label3.Create(Handle, WC_STATICW, L"", SS_LEFT, Bounds(73, 44, 286, 15), 0, Font);
  lblMisailNum.Create(Handle, WC_STATICW, L"", SS_LEFT, Bounds(24, 128, 75, 15), 0, Font);
  Label1.SetCaption(L"Ventrel　スクリーンセーバー");
  Label3.SetCaption(L"落ちてくる敵ミサイルを迎撃します");
  lblMisailNum.SetCaption(L"敵の飛来数");

  trcMisailNum.Setup(10, 256, 50, 1, 10);
  trcMisailNum.SetPosition(100);
  chkBaseVisible.SetChecked(true);

  // The icon shows at its own 32 x 32.
  Icon = MakeIcon(Icon32Picture);
  SendMessageW(Image1.Handle, STM_SETICON, reinterpret_cast<WPARAM>(Icon), 0);
  SetWindowPos(Image1.Handle, nullptr, 0, 0, 32, 32, SWP_NOMOVE | SWP_NOZORDER);
  SendMessageW(Handle, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(Icon));
}

TOptDialog::~TOptDialog() {
  if (Handle) DestroyWindow(Handle);
  Handle = nullptr;
  DestroyIcon(Icon);
  DeleteObject(Font);
}

RECT TOptDialog::Bounds(int Left, int Top, int Width, int Height) const {
  return {Scale(Left), Scale(Top), Scale(Left + Width), Scale(Top + Height)};
}

void TOptDialog::CreateParams(TCreateParams &P) {
  P.Style = Style;
  P.ExStyle = ExStyle;
  P.Caption = L"設定ダイアログ";
  // Centred on the screen, never above or left of its corner.
  P.X = std::max(0, (GetSystemMetrics(SM_CXSCREEN) - P.Width) / 2);
  P.Y = std::max(0, (GetSystemMetrics(SM_CYSCREEN) - P.Height) / 2);
}

void TOptDialog::DoShow() {
  FormShow(this);
  chkBaseVisible.SetFocus();
}

void TOptDialog::FormShow(TObject *) {
  LoadSettings();
  chkBaseVisible.SetChecked(BaseVisible != 0);
  trcMisailNum.SetPosition(MisailNum);  // clamps to 10 .. 256
  lblMisailNum.SetCaption(LimitText + std::to_wstring(MisailNum));
}

void TOptDialog::trcMisailNumChange(TObject *) {
  lblMisailNum.SetCaption(LimitText + std::to_wstring(trcMisailNum.Position()));
}

void TOptDialog::btnOKClick(TObject *) {
  BaseVisible = chkBaseVisible.Checked() ? 1 : 0;
  MisailNum = trcMisailNum.Position();
  // Settings lost without a word would be a fault: say so when neither the system nor
  // the per-user file could be written. The dialog closes all the same.
  if (!SaveSettingsAnywhere())
    MessageBoxW(Handle, L"設定を保存できませんでした", Application->Title.c_str(),
                MB_ICONERROR | MB_OK);
  Close();
}

void TOptDialog::btnCancelClick(TObject *) { Close(); }

LRESULT TOptDialog::WndProc(UINT Msg, WPARAM wParam, LPARAM lParam) {
  switch (Msg) {
    case WM_COMMAND:
      if (HIWORD(wParam) == BN_CLICKED || lParam == 0) {
        if (LOWORD(wParam) == IDOK) btnOKClick(this);
        if (LOWORD(wParam) == IDCANCEL) btnCancelClick(this);
      }
      return 0;
    case WM_HSCROLL:
      if (reinterpret_cast<HWND>(lParam) == trcMisailNum.Handle) trcMisailNumChange(this);
      return 0;
    case WM_ERASEBKGND: {
      RECT Client;
      GetClientRect(Handle, &Client);
      ::FillRect(reinterpret_cast<HDC>(wParam), &Client, GetSysColorBrush(COLOR_BTNFACE));
      return 1;
    }
    case WM_CTLCOLORSTATIC:
      SetBkColor(reinterpret_cast<HDC>(wParam), GetSysColor(COLOR_BTNFACE));
      return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
    case WM_DESTROY:
      Handle = nullptr;
      return 0;
  }
  return TWinForm::WndProc(Msg, wParam, lParam);
}

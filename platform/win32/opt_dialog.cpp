// The settings dialog: a check box for the launcher markers, a track bar for the enemy
// limit with a label that follows it, OK and Cancel.
#include "platform/win32/opt_dialog.h"

#include <commctrl.h>

#include <string>

#include "display/pictures.h"
#include "settings/settings.h"

TOptDialog *OptDialog = nullptr;

namespace {

const wchar_t LimitText[] = L"敵の飛来数　＝　";

// The buttons' glyphs, 16 x 16: a green tick and a red cross.
const char *const TickRows[16] = {
    "................", "................", "................", "...........2....",
    "..........22....", ".........222....", "..2.....222.....", "..22...222......",
    "..222.222.......", "...22222........", "....222.........", ".....2..........",
    "................", "................", "................", "................"};
const char *const CrossRows[16] = {
    "................", "................", "...1.......1....", "..111.....111...",
    "...111...111....", "....111.111.....", ".....11111......", "......111.......",
    ".....11111......", "....111.111.....", "...111...111....", "..111.....111...",
    "...1.......1....", "................", "................", "................"};

// '.' is transparent; digits are palette indices (2 green, 1 maroon).
HICON MakeGlyph(const char *const (&Rows)[16]) {
  static uint8_t Pixels[2][256], Mask[2][256];
  static int Used = 0;
  const int Slot = Used++ % 2;
  for (int y = 0; y < 16; y++)
    for (int x = 0; x < 16; x++) {
      const char c = Rows[y][x];
      Pixels[Slot][y * 16 + x] = c == '.' ? 0 : uint8_t(c - '0');
      Mask[Slot][y * 16 + x] = c == '.';
    }
  return MakeIcon(TPicture{16, 16, Pixels[Slot]}, Mask[Slot]);
}

}  // namespace

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
  FrameWidth = Frame.right - Frame.left;
  FrameHeight = Frame.bottom - Frame.top;
  CreateHandle(FrameWidth, FrameHeight);

  // Made in tab order: the check box, the track bar, OK, Cancel.
  chkBaseVisible = Control(WC_BUTTONW, L"発射台の表示", BS_AUTOCHECKBOX | WS_TABSTOP, 24, 80, 137, 17, 0);
  trcMisailNum = Control(TRACKBAR_CLASSW, L"", TBS_HORZ | TBS_TOP | TBS_AUTOTICKS | WS_TABSTOP, 24,
                         152, 201, 41, 0);
  btnOK = Control(WC_BUTTONW, L"OK", BS_DEFPUSHBUTTON | WS_TABSTOP, 296, 112, 81, 33, IDOK);
  btnCancel = Control(WC_BUTTONW, L"ｷｬﾝｾﾙ", BS_PUSHBUTTON | WS_TABSTOP, 296, 160, 81, 33, IDCANCEL);
  Label1 = Control(WC_STATICW, L"Ventrel　スクリーンセーバー", SS_LEFT, 59, 14, 202, 15, 0);
  Image1 = Control(WC_STATICW, L"", SS_ICON, 8, 8, 32, 32, 0);
  Label3 = Control(WC_STATICW, L"落ちてくる敵ミサイルを迎撃します", SS_LEFT, 73, 44, 286, 15, 0);
  lblMisailNum = Control(WC_STATICW, L"敵の飛来数", SS_LEFT, 24, 128, 75, 15, 0);
  AutoSize(Label1);
  AutoSize(Label3);

  SendMessageW(trcMisailNum, TBM_SETRANGE, FALSE, MAKELPARAM(10, 256));
  SendMessageW(trcMisailNum, TBM_SETPAGESIZE, 0, 50);
  SendMessageW(trcMisailNum, TBM_SETLINESIZE, 0, 1);
  SendMessageW(trcMisailNum, TBM_SETTICFREQ, 10, 0);
  SendMessageW(trcMisailNum, TBM_SETPOS, TRUE, 100);
  SendMessageW(chkBaseVisible, BM_SETCHECK, BST_CHECKED, 0);

  Icon = MakeIcon(Icon32Picture);
  SendMessageW(Image1, STM_SETICON, reinterpret_cast<WPARAM>(Icon), 0);
  SetWindowPos(Image1, nullptr, 0, 0, 32, 32, SWP_NOMOVE | SWP_NOZORDER);
  SendMessageW(Handle, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(Icon));
  OkGlyph = MakeGlyph(TickRows);
  CancelGlyph = MakeGlyph(CrossRows);
  SendMessageW(btnOK, BM_SETIMAGE, IMAGE_ICON, reinterpret_cast<LPARAM>(OkGlyph));
  SendMessageW(btnCancel, BM_SETIMAGE, IMAGE_ICON, reinterpret_cast<LPARAM>(CancelGlyph));
}

TOptDialog::~TOptDialog() {
  if (Handle) DestroyWindow(Handle);
  Handle = nullptr;
  DestroyIcon(Icon);
  DestroyIcon(OkGlyph);
  DestroyIcon(CancelGlyph);
  DeleteObject(Font);
}

int TOptDialog::Scale(int Value) const { return MulDiv(Value, TextHeight, 15); }

HWND TOptDialog::Control(const wchar_t *Class, const wchar_t *Text, DWORD Style, int Left, int Top,
                         int Width, int Height, int Id) {
  HWND Child = CreateWindowExW(0, Class, Text, WS_CHILD | WS_VISIBLE | Style, Scale(Left),
                               Scale(Top), Scale(Width), Scale(Height), Handle,
                               reinterpret_cast<HMENU>(static_cast<INT_PTR>(Id)),
                               GetModuleHandleW(nullptr), nullptr);
  SendMessageW(Child, WM_SETFONT, reinterpret_cast<WPARAM>(Font), FALSE);
  return Child;
}

// Labels take the size of their text.
void TOptDialog::AutoSize(HWND Label) {
  wchar_t Text[128];
  const int Length = GetWindowTextW(Label, Text, 128);
  HDC Dc = GetDC(Label);
  HGDIOBJ Old = SelectObject(Dc, Font);
  SIZE Size{0, 0};
  GetTextExtentPoint32W(Dc, Text, Length, &Size);
  SelectObject(Dc, Old);
  ReleaseDC(Label, Dc);
  SetWindowPos(Label, nullptr, 0, 0, Size.cx, Size.cy, SWP_NOMOVE | SWP_NOZORDER);
  InvalidateRect(Handle, nullptr, TRUE);
}

void TOptDialog::CreateParams(TCreateParams &P) {
  P.Style = Style;
  P.ExStyle = ExStyle;
  P.Caption = L"設定ダイアログ";
  // Centred on the screen, never above or left of its corner.
  P.X = std::max(0, (GetSystemMetrics(SM_CXSCREEN) - P.Width) / 2);
  P.Y = std::max(0, (GetSystemMetrics(SM_CYSCREEN) - P.Height) / 2);
}

void TOptDialog::SetLimitLabel(int32_t Value) {
  SetWindowTextW(lblMisailNum, (LimitText + std::to_wstring(Value)).c_str());
  AutoSize(lblMisailNum);
}

int32_t TOptDialog::Position() const {
  return static_cast<int32_t>(SendMessageW(trcMisailNum, TBM_GETPOS, 0, 0));
}

void TOptDialog::DoShow() {
  FormShow(this);
  SetFocus(chkBaseVisible);
}

void TOptDialog::FormShow(TObject *) {
  LoadSettings();
  SendMessageW(chkBaseVisible, BM_SETCHECK, BaseVisible != 0 ? BST_CHECKED : BST_UNCHECKED, 0);
  SendMessageW(trcMisailNum, TBM_SETPOS, TRUE, MisailNum);  // clamps to 10 .. 256
  SetLimitLabel(MisailNum);
}

void TOptDialog::trcMisailNumChange(TObject *) { SetLimitLabel(Position()); }

void TOptDialog::btnOKClick(TObject *) {
  BaseVisible = SendMessageW(chkBaseVisible, BM_GETCHECK, 0, 0) == BST_CHECKED ? 1 : 0;
  MisailNum = Position();
  if (!SaveSettingsAnywhere())
    MessageBoxW(Handle, L"設定を保存できませんでした。", L"設定ダイアログ", MB_ICONERROR | MB_OK);
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
      if (reinterpret_cast<HWND>(lParam) == trcMisailNum) trcMisailNumChange(this);
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

#include "platform/win32/controls.h"

#include <commctrl.h>

void TTimer::SetEnabled(bool NewEnabled) {
  if (NewEnabled == Enabled || !Owner) return;
  Enabled = NewEnabled;
  if (Enabled)
    SetTimer(Owner, TimerId, Interval, nullptr);
  else
    KillTimer(Owner, TimerId);
}

TRegistry::~TRegistry() {
  if (Key) RegCloseKey(Key);
}

bool TRegistry::OpenKey(const wchar_t *Path) {
  if (*Path == L'\\') Path++;
  // Read access is all the check needs; asking for more would fail for ordinary users
  // and silently turn the password check off.
  return RegOpenKeyExW(RootKey, Path, 0, KEY_READ, &Key) == ERROR_SUCCESS;
}

bool TRegistry::ReadInteger(const wchar_t *Name, DWORD &Value) const {
  DWORD Type = 0, Size = sizeof Value;
  return Key &&
         RegQueryValueExW(Key, Name, nullptr, &Type, reinterpret_cast<BYTE *>(&Value), &Size) ==
             ERROR_SUCCESS &&
         Type == REG_DWORD && Size == sizeof Value;
}

void TControl::Create(HWND Parent, const wchar_t *Class, const wchar_t *Text, DWORD Style,
                      RECT B, int Id, HFONT Font) {
  Handle = CreateWindowExW(0, Class, Text, WS_CHILD | WS_VISIBLE | Style, B.left, B.top,
                           B.right - B.left, B.bottom - B.top, Parent,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(Id)),
                           GetModuleHandleW(nullptr), nullptr);
  SendMessageW(Handle, WM_SETFONT, reinterpret_cast<WPARAM>(Font), FALSE);
}

void TLabel::SetCaption(const std::wstring &Caption) {
  SetWindowTextW(Handle, Caption.c_str());
  HDC Dc = GetDC(Handle);
  HGDIOBJ Old = SelectObject(Dc, reinterpret_cast<HFONT>(SendMessageW(Handle, WM_GETFONT, 0, 0)));
  SIZE Size{0, 0};
  GetTextExtentPoint32W(Dc, Caption.c_str(), int(Caption.size()), &Size);
  SelectObject(Dc, Old);
  ReleaseDC(Handle, Dc);
  SetWindowPos(Handle, nullptr, 0, 0, Size.cx, Size.cy, SWP_NOMOVE | SWP_NOZORDER);
  // The parent repaints the label's old area too, in case the text got shorter.
  InvalidateRect(GetParent(Handle), nullptr, TRUE);
}

bool TCheckBox::Checked() const { return SendMessageW(Handle, BM_GETCHECK, 0, 0) == BST_CHECKED; }

void TCheckBox::SetChecked(bool Checked) {
  SendMessageW(Handle, BM_SETCHECK, Checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

void TTrackBar::Setup(int32_t NewMin, int32_t NewMax, int32_t PageSize, int32_t LineSize,
                      int32_t Frequency) {
  Min = NewMin;
  Max = NewMax;
  SendMessageW(Handle, TBM_SETRANGEMIN, FALSE, Min);
  SendMessageW(Handle, TBM_SETRANGEMAX, FALSE, Max);
  SendMessageW(Handle, TBM_SETPAGESIZE, 0, PageSize);
  SendMessageW(Handle, TBM_SETLINESIZE, 0, LineSize);
  SendMessageW(Handle, TBM_SETTICFREQ, WPARAM(Frequency), 0);
}

int32_t TTrackBar::Position() const {
  return static_cast<int32_t>(SendMessageW(Handle, TBM_GETPOS, 0, 0));
}

void TTrackBar::SetPosition(int32_t Value) {
  SendMessageW(Handle, TBM_SETPOS, TRUE, Value < Min ? Min : Value > Max ? Max : Value);
}

namespace {

// The glyphs, 16 x 16: a green tick and a red cross. '.' is transparent, a digit is a
// palette index (2 green, 1 maroon).
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

HICON MakeGlyph(const char *const (&Rows)[16]) {
  uint8_t Pixels[256], Mask[256];
  for (int i = 0; i < 256; i++) {
    const char c = Rows[i / 16][i % 16];
    Pixels[i] = c == '.' ? 0 : uint8_t(c - '0');
    Mask[i] = c == '.';
  }
  return MakeIcon(TPicture{16, 16, Pixels}, Mask);
}

}  // namespace

TBitBtn::~TBitBtn() {
  if (Glyph) DestroyIcon(Glyph);
}

void TBitBtn::Create(HWND Parent, TKind Kind, RECT Bounds, HFONT Font) {
  const bool Ok = Kind == bkOK;
  TControl::Create(Parent, WC_BUTTONW, Ok ? L"OK" : L"ｷｬﾝｾﾙ",
                   (Ok ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON) | WS_TABSTOP, Bounds,
                   Ok ? IDOK : IDCANCEL, Font);
  Glyph = MakeGlyph(Ok ? TickRows : CrossRows);
  SendMessageW(Handle, BM_SETIMAGE, IMAGE_ICON, reinterpret_cast<LPARAM>(Glyph));
}

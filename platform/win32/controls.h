// The components the saver window and the settings dialog are made of: the timer, the
// registry reader, and thin wrappers over the system's label, check box, track bar and
// button controls. Each offers just what the forms use.
#pragma once

#include "platform/win32/forms.h"

// A window timer: OnTimer runs from the message loop every Interval milliseconds (the
// system delivers at most about one a 10 ms) while Enabled.
class TTimer {
 public:
  TTimer(HWND Owner, UINT Interval) : Owner(Owner), Interval(Interval) {}
  ~TTimer() { SetEnabled(false); }
  void SetEnabled(bool Enabled);
  // Recognises this timer's WM_TIMER.
  bool Owns(WPARAM Id) const { return Id == TimerId; }

 private:
  static constexpr UINT_PTR TimerId = 1;
  HWND Owner;
  UINT Interval;
  bool Enabled = false;
};

// A registry key opened for reading; closed when the object goes.
class TRegistry {
 public:
  explicit TRegistry(HKEY RootKey) : RootKey(RootKey) {}
  ~TRegistry();
  // Opens Path (a leading backslash makes it absolute under the root); never creates it.
  bool OpenKey(const wchar_t *Path);
  // The value as a 32-bit integer; false when it is missing or not a 4-byte DWORD.
  bool ReadInteger(const wchar_t *Name, DWORD &Value) const;

 private:
  HKEY RootKey;
  HKEY Key = nullptr;
};

// The base of the child controls: a system control with the form's font, placed in
// pixels already scaled to the screen.
class TControl {
 public:
  HWND Handle = nullptr;
  void Create(HWND Parent, const wchar_t *Class, const wchar_t *Text, DWORD Style, RECT Bounds,
              int Id, HFONT Font);
  void SetFocus() const { ::SetFocus(Handle); }
};

// A static text that takes the size of its text when the caption changes.
class TLabel : public TControl {
 public:
  void SetCaption(const std::wstring &Caption);
};

class TCheckBox : public TControl {
 public:
  bool Checked() const;
  // Setting it from code fires nothing.
  void SetChecked(bool Checked);
};

// A horizontal track bar. Position set from code is clamped into Min .. Max and fires
// nothing; the user's moves reach the form as WM_HSCROLL, after Position has changed.
class TTrackBar : public TControl {
 public:
  int32_t Min = 0, Max = 10;
  void Setup(int32_t Min, int32_t Max, int32_t PageSize, int32_t LineSize, int32_t Frequency);
  int32_t Position() const;
  void SetPosition(int32_t Value);
};

// A push button of a kind: OK (the default button, Enter) or Cancel (Esc), with its
// caption and glyph. Its command id is IDOK or IDCANCEL, which dialog keys send.
class TBitBtn : public TControl {
 public:
  enum TKind { bkOK, bkCancel };
  ~TBitBtn();
  void Create(HWND Parent, TKind Kind, RECT Bounds, HFONT Font);

 private:
  HICON Glyph = nullptr;
};

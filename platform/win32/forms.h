// The Win32 side of the window layer: the application object with its message loop, a
// window for a form, the GDI canvas and the settings path. Only what the saver window and
// the settings dialog use; their components are in controls.h.
#pragma once

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <new>
#include <string>
#include <vector>

#include "ui/ui.h"

// What start-up shows when construction fails: Message is shown with a full stop added.
class Exception {
 public:
  explicit Exception(std::wstring Message) : Message(std::move(Message)) {}
  std::wstring Message;
};

// A top-level or child window that dispatches its messages to a C++ object.
class TWinForm : public TObject {
 public:
  TWinForm() = default;
  TWinForm(const TWinForm &) = delete;  // a form owns its window
  TWinForm &operator=(const TWinForm &) = delete;
  virtual ~TWinForm();
  HWND Handle = nullptr;

  // The window-creation parameters: the hook may change any of them.
  struct TCreateParams {
    DWORD Style, ExStyle;
    int X, Y, Width, Height;
    HWND WndParent;
    const wchar_t *Caption;
  };
  virtual void CreateParams(TCreateParams &Params) = 0;
  // Creates the window from CreateParams; throws Exception on failure.
  void CreateHandle(int Width, int Height);
  // Shows the form (runs OnShow first, once) and brings it to the front.
  virtual void Show();
  // Asks to close: the close query runs first; an accepted close of the main form ends
  // the application's message loop.
  void Close();
  virtual void CloseQuery(bool & /*CanClose*/) {}
  // Whether the message loop gives the form's keys dialog handling (Tab, Enter, Esc).
  virtual bool IsDialog() const { return false; }

  // The window procedure of every form's window class.
  static LRESULT CALLBACK StaticWndProc(HWND, UINT, WPARAM, LPARAM);

 protected:
  virtual LRESULT WndProc(UINT Msg, WPARAM wParam, LPARAM lParam);
  virtual void DoShow() {}

 private:
  bool Shown = false;
};

class TApplication {
 public:
  // Registers the window class and makes the application's own hidden window.
  void Initialize();
  HWND Handle = nullptr;
  void SetTitle(const std::wstring &Title);
  std::wstring Title = L"Tolvane";

  // Makes a form of class T: Ref refers to it before its constructor runs, as the forms'
  // code relies on. The first form made is the main form.
  template <class T>
  void CreateForm(T *&Ref) {
    void *Storage = ::operator new(sizeof(T));
    Ref = static_cast<T *>(Storage);
    try {
      new (Storage) T();
    } catch (...) {
      Ref = nullptr;
      ::operator delete(Storage);
      throw;
    }
    Forms.push_back(Ref);
    if (!MainForm) MainForm = Ref;
  }
  TWinForm *MainForm = nullptr;

  // Runs the message loop: shows the main form, then dispatches until it closes. Each
  // message taken from the queue is offered to OnMessage first.
  void Run();
  void (*OnMessage)(MSG &Msg, bool &Handled) = nullptr;
  void Terminate() { PostQuitMessage(0); }
  // The exception display: a message box owned by the application window.
  void ShowException(const Exception &E);
  // Destroys the forms in the order they were made.
  void DestroyForms();

 private:
  std::vector<TWinForm *> Forms;
};

extern TApplication *Application;

// The canvas of a window, drawing straight on its (class-owned) device context.
class TGdiCanvas : public TCanvas {
 public:
  explicit TGdiCanvas(HWND Window);
  ~TGdiCanvas() override;
  void CopyRect(const TRect &Dest, const TImage &Source, const TRect &SourceRect) override;
  void FillRect(const TRect &Rect) override;
  void SetPenColor(TColor Color) override;
  void Arc(int32_t X1, int32_t Y1, int32_t X2, int32_t Y2, int32_t X3, int32_t Y3, int32_t X4,
           int32_t Y4) override;
  void ShapeMoved(const TShape &Shape) override;
  void ShapeShown(const TShape &Shape) override;
  // A window repaint: black, then the visible shapes.
  void Paint(HDC Dc, const TShape *const *Shapes, int Count);

 private:
  HWND Window;
  HDC Dc;
  struct TBitmap {
    const TPicture *Picture;
    HDC Dc;
    HBITMAP Bitmap, Old;
  };
  TBitmap Bitmaps[4] = {};
  HDC SourceDc(const TPicture &Picture);
  void Invalidate(const TShape &Shape);
};

// A 32-bit top-down DIB section holding a picture (or an icon image).
HBITMAP MakeBitmap(const TPicture &Picture, HDC Dc);
// An icon from a picture (opaque) of the given size.
HICON MakeIcon(const TPicture &Picture, const uint8_t *Mask = nullptr);

// A function of a library loaded at run time, or null.
template <class F>
F ProcAddress(HMODULE Module, const char *Name) {
  return reinterpret_cast<F>(reinterpret_cast<void (*)()>(GetProcAddress(Module, Name)));
}

// The settings path: the system directory's file, or the per-user one under %APPDATA%
// when that exists. SaveSettingsAnywhere saves to IniPath, else to the per-user file.
bool SaveSettingsAnywhere();

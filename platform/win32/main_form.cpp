// The saver window on Win32: the full-screen window over every monitor, or the preview
// inside the window the display settings give; the battle timer; the input that ends
// the saver; the password check; the settings saved at the end.
#include "platform/win32/main_form.h"

#include <windowsx.h>

#include "battle/battle.h"
#include "settings/settings.h"
#include "shell/switches.h"

int32_t SaverMode = smPreview;
HWND PreviewParent = nullptr;

TSaverWindow *SaverWindow = nullptr;

// The virtual screen: the rectangle that covers every monitor, which may start at
// negative coordinates.
static RECT VirtualScreen() {
  const int X = GetSystemMetrics(SM_XVIRTUALSCREEN), Y = GetSystemMetrics(SM_YVIRTUALSCREEN);
  return {X, Y, X + GetSystemMetrics(SM_CXVIRTUALSCREEN), Y + GetSystemMetrics(SM_CYVIRTUALSCREEN)};
}

TSaverWindow::TSaverWindow() {
  SaverWindow = this;
  int Width, Height;
  if (SaverMode == smRun) {
    const RECT Screen = VirtualScreen();
    Origin = {Screen.left, Screen.top};
    Width = Screen.right - Screen.left;
    Height = Screen.bottom - Screen.top;
    POINT Cursor{0, 0};
    GetCursorPos(&Cursor);
    Form.StartCursorPos = {Cursor.x, Cursor.y};
    ShowCursor(FALSE);
  } else {
    RECT Parent{0, 0, 0, 0};
    GetWindowRect(PreviewParent, &Parent);
    Width = Parent.right - Parent.left;
    Height = Parent.bottom - Parent.top;
  }
  CreateHandle(Width, Height);
  Canvas = new TGdiCanvas(Handle);
  frmMain = &Form;
  RECT Client;
  GetClientRect(Handle, &Client);
  Form.ClientWidth = Client.right;
  Form.ClientHeight = Client.bottom;
  Form.Canvas = Canvas;
  ResetBattle();
  cTimer = new TTimer(Handle, 1);
  cTimer->SetEnabled(true);
}

TSaverWindow::~TSaverWindow() {
  Form.FormDestroy(&Form);
  delete cTimer;
  Form.Canvas = nullptr;
  delete Canvas;
  frmMain = nullptr;
  SaverWindow = nullptr;
}

void TSaverWindow::CreateParams(TCreateParams &P) {
  P.X = Origin.x;
  P.Y = Origin.y;
  P.Caption = L"frmMain";
  P.ExStyle |= WS_EX_TOPMOST;
  if (SaverMode == smPreview) {
    P.X = P.Y = 0;
    P.WndParent = PreviewParent;
    P.Style = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
    P.ExStyle &= ~DWORD(WS_EX_TOPMOST);
  }
  Application->OnMessage = AppMessage;
}

// Drops queued requests to close the saver or to start a screen saver anew.
void TSaverWindow::AppMessage(MSG &Msg, bool &Handled) {
  if (Msg.message == WM_SYSCOMMAND && (Msg.wParam == SC_CLOSE || Msg.wParam == SC_SCREENSAVE))
    Handled = true;
}

void TSaverWindow::CloseQuery(bool &CanClose) { Form.FormCloseQuery(&Form, CanClose); }

LRESULT TSaverWindow::WndProc(UINT Msg, WPARAM wParam, LPARAM lParam) {
  switch (Msg) {
    case WM_TIMER:
      if (cTimer && cTimer->Owns(wParam)) Form.cTimerTimer(&Form);
      return 0;
    case WM_ERASEBKGND:
      return 1;  // WM_PAINT paints it all
    case WM_PAINT: {
      PAINTSTRUCT Paint;
      HDC Dc = BeginPaint(Handle, &Paint);
      const TShape *const Shapes[3] = {&Form.shpBaseL, &Form.shpBaseC, &Form.shpBaseR};
      if (Canvas) Canvas->Paint(Dc, Shapes, 3);
      EndPaint(Handle, &Paint);
      return 0;
    }
    case WM_MOUSEMOVE:
      Form.FormMouseMove(&Form, GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
      return 0;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
    case WM_XBUTTONDOWN:
      Form.FormMouseDown(&Form);
      return 0;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
      Form.FormKeyDown(&Form);
      return 0;
    case WM_SETCURSOR:
      if (SaverMode == smRun) {
        SetCursor(nullptr);
        return TRUE;
      }
      break;
    case WM_DESTROY:
      // A preview whose parent goes away (the display settings close it so) ends here:
      // left running it would also hold the preview mutex for good.
      if (SaverMode == smPreview) Application->Terminate();
      Handle = nullptr;
      return 0;
  }
  return TWinForm::WndProc(Msg, wParam, lParam);
}

// ---- The handlers -------------------------------------------------------------------

void TfrmMain::FormMouseMove(TObject *, int32_t X, int32_t Y) {
  // Client positions made screen positions: the window starts at the virtual screen's
  // corner, which may be negative.
  const POINT Origin = SaverWindow->Origin;
  if (SaverMode == smRun && (X + Origin.x != StartCursorPos.x || Y + Origin.y != StartCursorPos.y))
    SaverWindow->Close();
}

void TfrmMain::FormMouseDown(TObject *) {
  if (SaverMode == smRun) SaverWindow->Close();
}

void TfrmMain::FormKeyDown(TObject *) {
  if (SaverMode == smRun) SaverWindow->Close();
}

void TfrmMain::FormCloseQuery(TObject *, bool &CanClose) {
  if (SaverMode != smRun) return;
  DWORD UsePassword = 0;
  {
    TRegistry Registry(HKEY_USERS);
    if (!Registry.OpenKey(L"\\.Default\\Control Panel\\Desktop") ||
        !Registry.ReadInteger(L"ScreenSaveUsePassword", UsePassword) || UsePassword != 1)
      return;
  }
  HMODULE Module = LoadLibraryA("PASSWORD.CPL");
  if (!Module) return;
  using TVerify = BOOL(WINAPI *)(HWND);
  if (auto Verify = ProcAddress<TVerify>(Module, "VerifyScreenSavePwd")) {
    ShowCursor(TRUE);
    if (!Verify(SaverWindow->Handle)) {
      CanClose = false;
      POINT Cursor{0, 0};
      GetCursorPos(&Cursor);
      StartCursorPos = {Cursor.x, Cursor.y};
      ShowCursor(FALSE);
    }
  }
  FreeLibrary(Module);
}

void TfrmMain::FormDestroy(TObject *) {
  ShowCursor(TRUE);
  SaveSettingsAnywhere();
}

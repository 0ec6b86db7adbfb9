// Test helper run under Wine next to Tolvane.scr. It sees the saver's windows from
// another process, as the display settings would:
//   probe parent W H SECONDS [hidden]
//                             a top-level window of outer size W x H; prints "hwnd N",
//                             then serves stdin commands ("children", "info", "close")
//                             and closes itself after SECONDS or when stdin ends
//   probe dialog              the settings dialog's controls, one per line
//   probe box CAPTION         the message box with that caption, one line per control
//   probe lock PATH           holds PATH open against writers until stdin ends
//   probe post TARGET MSG WPARAM
//                             posts a message to a window: a decimal handle, or "saver"
//                             for the full-screen saver window
// Output is UTF-8, one "key=value ..." record per line, flushed at once.
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
// After windows.h, which it needs.
#include <commctrl.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

void Out(const std::string &Line) {
  DWORD Written = 0;
  const std::string Text = Line + "\n";
  WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), Text.data(), DWORD(Text.size()), &Written, nullptr);
}

std::string Utf8(const std::wstring &Wide) {
  if (Wide.empty()) return {};
  const int Size =
      WideCharToMultiByte(CP_UTF8, 0, Wide.data(), int(Wide.size()), nullptr, 0, nullptr, nullptr);
  std::string Text(Size, '\0');
  WideCharToMultiByte(CP_UTF8, 0, Wide.data(), int(Wide.size()), Text.data(), Size, nullptr,
                      nullptr);
  return Text;
}

std::string ClassOf(HWND Window) {
  wchar_t Name[128] = {};
  GetClassNameW(Window, Name, 128);
  return Utf8(Name);
}

std::string TextOf(HWND Window) {
  wchar_t Text[256] = {};
  GetWindowTextW(Window, Text, 256);
  return Utf8(Text);
}

std::string Number(unsigned long long Value, bool Hex = false) {
  char Text[32];
  std::snprintf(Text, sizeof Text, Hex ? "%llx" : "%llu", Value);
  return Text;
}

// One line about a window: the fields every command shares.
std::string Describe(HWND Window) {
  RECT R{};
  GetWindowRect(Window, &R);
  RECT C{};
  GetClientRect(Window, &C);
  DWORD Pid = 0;
  GetWindowThreadProcessId(Window, &Pid);
  return "hwnd=" + Number(reinterpret_cast<uintptr_t>(Window)) + " pid=" + Number(Pid) +
         " class=" + ClassOf(Window) +
         " style=" + Number(DWORD(GetWindowLongW(Window, GWL_STYLE)), true) +
         " x=" + std::to_string(R.left) + " y=" + std::to_string(R.top) +
         " w=" + std::to_string(R.right - R.left) + " h=" + std::to_string(R.bottom - R.top) +
         " cw=" + std::to_string(C.right) + " ch=" + std::to_string(C.bottom) +
         " visible=" + std::to_string(IsWindowVisible(Window) ? 1 : 0) +
         " parent=" + Number(reinterpret_cast<uintptr_t>(GetParent(Window)));
}

// ---- parent -------------------------------------------------------------------------

HWND Parent = nullptr;

LRESULT CALLBACK ParentProc(HWND Window, UINT Msg, WPARAM wParam, LPARAM lParam) {
  if (Msg == WM_TIMER) {
    DestroyWindow(Window);
    return 0;
  }
  if (Msg == WM_DESTROY) {
    PostQuitMessage(0);
    return 0;
  }
  return DefWindowProcW(Window, Msg, wParam, lParam);
}

BOOL CALLBACK PrintChild(HWND Window, LPARAM) {
  // Direct children only: the preview is one, anything it made itself is not.
  if (GetParent(Window) == Parent) Out("child " + Describe(Window));
  return TRUE;
}

// Commands arrive on stdin; a closed stdin (the harness went away) closes the window.
DWORD WINAPI ReadCommands(LPVOID) {
  std::string Line;
  char c;
  DWORD Read = 0;
  HANDLE In = GetStdHandle(STD_INPUT_HANDLE);
  while (ReadFile(In, &c, 1, &Read, nullptr) && Read == 1) {
    if (c == '\r') continue;
    if (c != '\n') {
      Line += c;
      continue;
    }
    if (Line == "children") {
      EnumChildWindows(Parent, PrintChild, 0);
      Out("end");
    } else if (Line == "info") {
      Out("window " + Describe(Parent));
    } else if (Line == "close") {
      PostMessageW(Parent, WM_CLOSE, 0, 0);
      return 0;
    } else {
      Out("error unknown command " + Line);
    }
    Line.clear();
  }
  PostMessageW(Parent, WM_CLOSE, 0, 0);
  return 0;
}

int RunParent(int Width, int Height, int Seconds, bool Hidden) {
  WNDCLASSW Class{};
  Class.lpfnWndProc = ParentProc;
  Class.hInstance = GetModuleHandleW(nullptr);
  Class.hbrBackground = static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH));
  Class.lpszClassName = L"ProbeParent";
  RegisterClassW(&Class);
  // A frame and a caption, so that outer and client size differ.
  Parent = CreateWindowExW(0, L"ProbeParent", L"Probe parent",
                           WS_OVERLAPPEDWINDOW | (Hidden ? 0 : WS_VISIBLE), 40, 40, Width, Height,
                           nullptr, nullptr, Class.hInstance, nullptr);
  if (!Parent) {
    Out("error CreateWindowEx " + std::to_string(GetLastError()));
    return 2;
  }
  SetTimer(Parent, 1, UINT(Seconds) * 1000u, nullptr);
  Out("hwnd " + Number(reinterpret_cast<uintptr_t>(Parent)) + " " + Describe(Parent));
  CreateThread(nullptr, 0, ReadCommands, nullptr, 0, nullptr);
  MSG Msg;
  while (GetMessageW(&Msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&Msg);
    DispatchMessageW(&Msg);
  }
  Out("closed");
  return 0;
}

// ---- dialog and message box ---------------------------------------------------------

HWND Focus = nullptr;

BOOL CALLBACK PrintControl(HWND Window, LPARAM) {
  std::string Line = "control " + Describe(Window) + " focus=" + (Window == Focus ? "1" : "0");
  const std::string Class = ClassOf(Window);
  if (Class == "Button")
    Line += " check=" + std::to_string(SendMessageW(Window, BM_GETCHECK, 0, 0));
  if (Class == "msctls_trackbar32")
    Line += " pos=" + std::to_string(SendMessageW(Window, TBM_GETPOS, 0, 0)) +
            " min=" + std::to_string(SendMessageW(Window, TBM_GETRANGEMIN, 0, 0)) +
            " max=" + std::to_string(SendMessageW(Window, TBM_GETRANGEMAX, 0, 0));
  if (Class == "Static")
    Line += " icon=" + std::to_string(SendMessageW(Window, STM_GETICON, 0, 0) != 0 ? 1 : 0);
  // The text last: it may hold blanks.
  Line += " text=" + TextOf(Window);
  Out(Line);
  return TRUE;
}

int PrintWindow(const wchar_t *Class, const wchar_t *Caption) {
  HWND Window = FindWindowW(Class, Caption);
  if (!Window) {
    Out("error no such window");
    return 1;
  }
  GUITHREADINFO Info{};
  Info.cbSize = sizeof Info;
  if (GetGUIThreadInfo(GetWindowThreadProcessId(Window, nullptr), &Info)) Focus = Info.hwndFocus;
  Out("window " + Describe(Window) + " text=" + TextOf(Window));
  EnumChildWindows(Window, PrintControl, 0);
  return 0;
}

// ---- lock ---------------------------------------------------------------------------

// Holds a file open for reading that others may read but not write, rename or delete,
// as a backup or virus scanner would, until stdin ends.
int RunLock(const wchar_t *Path) {
  HANDLE File = CreateFileW(Path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (File == INVALID_HANDLE_VALUE) {
    Out("error CreateFile " + std::to_string(GetLastError()));
    return 1;
  }
  Out("locked");
  char c;
  DWORD Read = 0;
  while (ReadFile(GetStdHandle(STD_INPUT_HANDLE), &c, 1, &Read, nullptr) && Read == 1) {
  }
  CloseHandle(File);
  Out("unlocked");
  return 0;
}

// ---- post ---------------------------------------------------------------------------

// A queued message, as another program or the system would send it.
int Post(const std::wstring &Target, const wchar_t *Msg, const wchar_t *wParam) {
  HWND Window =
      Target == L"saver"
          ? FindWindowW(L"TolvaneForm", L"frmMain")
          : reinterpret_cast<HWND>(static_cast<uintptr_t>(_wcstoui64(Target.c_str(), nullptr, 10)));
  if (!Window || !IsWindow(Window)) {
    Out("error no such window");
    return 1;
  }
  if (!PostMessageW(Window, UINT(wcstoul(Msg, nullptr, 0)), WPARAM(wcstoul(wParam, nullptr, 0)),
                    0)) {
    Out("error PostMessage " + std::to_string(GetLastError()));
    return 1;
  }
  Out("posted");
  return 0;
}

}  // namespace

int wmain(int argc, wchar_t **argv) {
  const std::wstring Command = argc > 1 ? argv[1] : L"";
  if (Command == L"parent" && (argc == 5 || (argc == 6 && std::wstring(argv[5]) == L"hidden")))
    return RunParent(_wtoi(argv[2]), _wtoi(argv[3]), _wtoi(argv[4]), argc == 6);
  if (Command == L"dialog" && argc == 2) return PrintWindow(L"TolvaneForm", L"設定ダイアログ");
  if (Command == L"box" && argc == 3) return PrintWindow(L"#32770", argv[2]);
  if (Command == L"lock" && argc == 3) return RunLock(argv[2]);
  if (Command == L"post" && argc == 5) return Post(argv[2], argv[3], argv[4]);
  Out("usage: probe parent W H SECONDS [hidden] | dialog | box CAPTION | lock PATH | "
      "post TARGET MSG WPARAM");
  return 2;
}

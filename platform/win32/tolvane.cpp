// Start-up: the screen-saver switch picks the mode, a preview runs only once at a time,
// and the mode's window runs until it closes.
#include "platform/win32/main_form.h"
#include "platform/win32/opt_dialog.h"

#include <commctrl.h>
#include <shellapi.h>

#include <string>
#include <vector>

#include "settings/settings.h"
#include "shell/switches.h"

static HANDLE PreviewMutex = nullptr;

// The command line split as the C runtime splits it, in UTF-8.
static std::vector<std::string> Arguments() {
  std::vector<std::string> Result;
  int Count = 0;
  wchar_t **Wide = CommandLineToArgvW(GetCommandLineW(), &Count);
  for (int i = 0; Wide && i < Count; i++) {
    const int Size = WideCharToMultiByte(CP_UTF8, 0, Wide[i], -1, nullptr, 0, nullptr, nullptr);
    std::string Text(Size > 0 ? Size - 1 : 0, '\0');
    if (Size > 1) WideCharToMultiByte(CP_UTF8, 0, Wide[i], -1, Text.data(), Size, nullptr, nullptr);
    Result.push_back(std::move(Text));
  }
  LocalFree(Wide);
  return Result;
}

static void ChangePassword() {
  HMODULE Module = LoadLibraryA("MPR.DLL");
  if (!Module) return;
  using TChange = DWORD(WINAPI *)(LPCSTR, HWND, DWORD, LPVOID);
  if (auto Change = ProcAddress<TChange>(Module, "PwdChangePasswordA"))
    Change("SCRSAVE", PreviewParent, 0, nullptr);
  FreeLibrary(Module);
}

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  BuildIniPath();

  const std::vector<std::string> Args = Arguments();
  std::vector<const char *> Argv;
  for (const std::string &A : Args) Argv.push_back(A.c_str());
  const SaverSwitches Switches = ParseSaverSwitches(int(Argv.size()), Argv.data());
  if (!Switches.Valid) return -1;
  SaverMode = Switches.Mode;
  if (SaverMode == smPreview) {
    PreviewParent = reinterpret_cast<HWND>(static_cast<intptr_t>(Switches.Window));
    if (OpenMutexA(MUTEX_ALL_ACCESS, FALSE, "Brevlin")) return -1;
    SECURITY_ATTRIBUTES Attributes{sizeof Attributes, nullptr, TRUE};
    PreviewMutex = CreateMutexA(&Attributes, TRUE, "Brevlin");
  }

  static TApplication App;
  Application = &App;
  try {
    App.Initialize();
    INITCOMMONCONTROLSEX Controls{sizeof Controls, ICC_BAR_CLASSES | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&Controls);
    switch (SaverMode) {
      case smPreview:
        ShowWindow(App.Handle, SW_HIDE);
        ShowWindow(PreviewParent, SW_SHOW);
        App.CreateForm(SaverWindow);
        break;
      case smConfig:
        App.CreateForm(OptDialog);
        break;
      case smRun:
        App.SetTitle(L"スクリーンセーバーサンプル  for Arkenfell");
        App.CreateForm(SaverWindow);
        break;
      case smPassword:
        PreviewParent = Switches.HasWindow
                            ? reinterpret_cast<HWND>(static_cast<intptr_t>(Switches.Window))
                            : GetForegroundWindow();
        ChangePassword();
        break;
    }
    App.Run();
  } catch (const Exception &E) {
    App.ShowException(E);
  }
  App.DestroyForms();
  return 0;
}

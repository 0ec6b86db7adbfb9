// tolvane: the saver on X11. Reads the command line, then runs the saver on the display
// or answers the settings and password switches without one.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/x11/x11_options.h"
#include "platform/x11/x11_saver.h"
#include "settings/settings.h"

namespace {

// The Windows settings switch: there is no dialog here, so say where the two settings
// live and what they are.
int PrintSettings() {
  LoadSettings();
  if (IniPath[0] == '\0')
    std::printf("Settings file: none (neither XDG_CONFIG_HOME nor HOME names a directory)\n");
  else
    std::printf("Settings file: %s%s\n", IniPath,
                access(IniPath, F_OK) == 0 ? "" : " (not written yet: the defaults below)");
  std::printf("Enemy limit: %d\n", static_cast<int>(MisailNum));
  std::printf("Launcher markers: %s (%d)\n", BaseVisible != 0 ? "shown" : "hidden",
              static_cast<int>(BaseVisible));
  std::printf(
      "The file holds these two numbers, one a line. --misailnum N and --no-markers override "
      "them for one run.\n");
  return std::fflush(stdout) == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char **argv) {
  InstallStopSignals();
  BuildIniPath();
  X11Options Options;
  std::string Error;
  if (!ParseX11Options(argc, argv, Options, Error)) {
    std::fprintf(stderr, "tolvane: %s\n", Error.c_str());
    return Options.ErrorStatus;
  }
  if (Options.Mode == X11Mode::Default) {
    const char *Display = std::getenv("DISPLAY");
    Options.Mode = Display != nullptr && *Display != '\0' ? X11Mode::Window : X11Mode::Settings;
  }
  switch (Options.Mode) {
    case X11Mode::Help: std::fputs(X11Usage, stdout); return 0;
    case X11Mode::Settings: return PrintSettings();
    case X11Mode::Password:
      std::puts(
          "tolvane: there is no saver password on Linux; locking the screen is the job of the "
          "screen locker (XScreenSaver, for one)");
      return 0;
    default: break;
  }
  MisailNumOverride = Options.MisailNum;
  if (Options.NoMarkers) BaseVisibleOverride = int8_t{0};
  return RunX11Saver(Options);
}

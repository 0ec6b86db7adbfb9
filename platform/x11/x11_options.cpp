#include "platform/x11/x11_options.h"

#include <cstring>

#include "shell/switches.h"
#include "shell/whole_number.h"

const char X11Usage[] =
    "usage: tolvane [--window | --root | --window-id ID | --fullscreen] [--delay MICROSECONDS]\n"
    "               [--misailnum N] [--no-markers] [--seed S] [--display NAME]\n"
    "       tolvane /s | /p ID | /c | /a\n"
    "A missile-defence screen saver for X11.\n"
    "  --window         a window of its own (the default when there is a display)\n"
    "  --root           the root window, or the window in $XSCREENSAVER_WINDOW\n"
    "  --window-id ID   inside window ID (decimal or 0x-hex), until it goes away\n"
    "  --fullscreen     covers the screen until a key, a button or a mouse move\n"
    "  --delay US       microseconds per battle tick, 1000..1000000 (default 10000)\n"
    "  --misailnum N    enemy limit for this run, 10..256 (settings file untouched)\n"
    "  --no-markers     hide the launcher markers for this run (settings file untouched)\n"
    "  --seed S         a fixed battle seed, 0..4294967295, for a repeatable run\n"
    "  --display NAME   the X display (default $DISPLAY)\n"
    "Options take one dash or two. The Windows switches: /s full screen, /p ID inside a\n"
    "window, /c where the settings are and what they hold, /a the saver password.\n";

namespace {

enum class Kind { Mode, WindowId, Number, Flag, Text };

struct LongOption {
  const char *Name;  // without dashes
  Kind What;
  X11Mode Mode = X11Mode::Default;  // Kind::Mode
  int64_t Low = 0, High = 0;        // Kind::Number
};

const LongOption Options[] = {
    {"window", Kind::Mode, X11Mode::Window},
    {"root", Kind::Mode, X11Mode::Root},
    {"fullscreen", Kind::Mode, X11Mode::Fullscreen},
    {"help", Kind::Mode, X11Mode::Help},
    {"window-id", Kind::WindowId},
    {"delay", Kind::Number, X11Mode::Default, 1000, 1000000},
    {"misailnum", Kind::Number, X11Mode::Default, 10, 256},
    {"seed", Kind::Number, X11Mode::Default, 0, UINT32_MAX},
    {"no-markers", Kind::Flag},
    {"display", Kind::Text},
};

// The option an argument names, with one dash or two; null if none.
const LongOption *FindOption(const char *Arg) {
  if (Arg[0] != '-') return nullptr;
  const char *Name = Arg + (Arg[1] == '-' ? 2 : 1);
  for (const LongOption &O : Options)
    if (!std::strcmp(Name, O.Name)) return &O;
  return nullptr;
}

const char *ModeName(X11Mode Mode) {
  switch (Mode) {
    case X11Mode::Window: return "--window";
    case X11Mode::Root: return "--root";
    case X11Mode::WindowId: return "--window-id";
    case X11Mode::Fullscreen: return "--fullscreen";
    case X11Mode::Help: return "--help";
    default: return "a mode";
  }
}

bool SetMode(X11Options &O, X11Mode Mode, std::string &Error) {
  // --help goes with anything and wins.
  if (O.Mode == X11Mode::Help) return true;
  if (Mode == X11Mode::Help) {
    O.Mode = Mode;
    return true;
  }
  if (O.Mode != X11Mode::Default && O.Mode != Mode) {
    Error = std::string(ModeName(O.Mode)) + " and " + ModeName(Mode) + " cannot be combined";
    return false;
  }
  O.Mode = Mode;
  return true;
}

// The first argument in the Windows style, read by the Windows saver's own table.
bool ParseWindowsSwitch(int argc, const char *const *argv, X11Options &O, std::string &Error) {
  const SaverSwitches S = ParseSaverSwitches(argc, argv);
  if (!S.Valid) {
    O.ErrorStatus = 255;
    const char Letter = argv[1][0] != '\0' ? argv[1][1] : '\0';
    if (Letter == 'p' || Letter == 'P')
      Error = std::string(argv[1]) + " needs exactly one window id after it";
    else
      Error = std::string("unknown switch '") + argv[1] + "' (try --help)";
    return false;
  }
  switch (S.Mode) {
    case smRun: O.Mode = X11Mode::Fullscreen; break;
    case smPreview:
      O.Mode = X11Mode::WindowId;
      O.WindowId = static_cast<uint32_t>(S.Window);  // a handle, read as atol reads it
      break;
    case smPassword: O.Mode = X11Mode::Password; break;
    default: O.Mode = X11Mode::Settings; break;
  }
  return true;
}

}  // namespace

bool ParseWindowId(const char *Text, uint32_t &Id) {
  if (Text == nullptr || *Text == '\0') return false;
  uint64_t Value = 0;
  const char *p = Text;
  if (p[0] == '0' && (p[1] == 'x' || p[1] == 'X')) {
    p += 2;
    if (*p == '\0') return false;
    for (; *p; p++) {
      int Digit;
      if (*p >= '0' && *p <= '9')
        Digit = *p - '0';
      else if (*p >= 'a' && *p <= 'f')
        Digit = *p - 'a' + 10;
      else if (*p >= 'A' && *p <= 'F')
        Digit = *p - 'A' + 10;
      else
        return false;
      Value = Value * 16 + uint64_t(Digit);
      if (Value > UINT32_MAX) return false;
    }
  } else {
    for (; *p; p++) {
      if (*p < '0' || *p > '9') return false;
      Value = Value * 10 + uint64_t(*p - '0');
      if (Value > UINT32_MAX) return false;
    }
  }
  Id = static_cast<uint32_t>(Value);
  return true;
}

bool ParseX11Options(int argc, const char *const *argv, X11Options &O, std::string &Error) {
  if (argc < 2 || argv == nullptr) return true;  // X11Mode::Default
  // A first argument that is none of the options below is a Windows switch, or (as on
  // Windows) a word that opens the settings.
  if (argv[1] == nullptr) return true;
  if (std::strncmp(argv[1], "--", 2) != 0 && FindOption(argv[1]) == nullptr)
    return ParseWindowsSwitch(argc, argv, O, Error);

  for (int i = 1; i < argc; i++) {
    const char *Arg = argv[i] ? argv[i] : "";
    const LongOption *Option = FindOption(Arg);
    if (Option == nullptr) {
      Error = Arg[0] == '-' ? std::string("unknown option '") + Arg + "' (try --help)"
                            : std::string("unexpected argument '") + Arg + "' (try --help)";
      return false;
    }
    if (Option->What == Kind::Mode) {
      if (!SetMode(O, Option->Mode, Error)) return false;
      continue;
    }
    if (Option->What == Kind::Flag) {
      O.NoMarkers = true;
      continue;
    }
    if (i + 1 >= argc || argv[i + 1] == nullptr) {
      Error = std::string(Arg) + " needs a value";
      return false;
    }
    const char *Value = argv[++i];
    switch (Option->What) {
      case Kind::WindowId:
        if (!ParseWindowId(Value, O.WindowId)) {
          Error =
              std::string(Arg) + ": expected a window id (decimal or 0x-hex), got '" + Value + "'";
          return false;
        }
        if (!SetMode(O, X11Mode::WindowId, Error)) return false;
        break;
      case Kind::Text:
        if (*Value == '\0') {
          Error = std::string(Arg) + " needs a display name";
          return false;
        }
        O.Display = Value;
        break;
      default: {
        int64_t Number = 0;
        if (!ParseWholeNumber(Value, Option->Low, Option->High, Number)) {
          Error = std::string(Arg) + ": expected a whole number from " +
                  std::to_string(Option->Low) + " to " + std::to_string(Option->High) + ", got '" +
                  Value + "'";
          return false;
        }
        if (!std::strcmp(Option->Name, "delay"))
          O.DelayMicroseconds = Number;
        else if (!std::strcmp(Option->Name, "misailnum"))
          O.MisailNum = static_cast<int32_t>(Number);
        else
          O.Seed = static_cast<uint32_t>(Number);
        break;
      }
    }
  }
  if (O.Mode == X11Mode::Default) O.Mode = X11Mode::Window;
  return true;
}

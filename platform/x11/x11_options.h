// The command line of the X11 saver: XScreenSaver-style options (one or two dashes), or
// the Windows saver switches read by the same table as on Windows. No X11 header here,
// so that the parser can be tested and fuzzed without a display.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

enum class X11Mode {
  Default,     // no argument at all: a window where there is a display, else Settings
  Window,      // a top-level window of its own
  Root,        // the root window, or $XSCREENSAVER_WINDOW
  WindowId,    // inside a given window
  Fullscreen,  // covers the screen, ends on input
  Settings,    // prints where the settings file is and what it holds
  Password,    // explains that there is no saver password here
  Help,
};

struct X11Options {
  X11Mode Mode = X11Mode::Default;
  uint32_t WindowId = 0;              // X11Mode::WindowId
  int64_t DelayMicroseconds = 10000;  // one battle tick per period
  std::optional<int32_t> MisailNum;   // this run's enemy limit, over the settings file
  bool NoMarkers = false;             // this run hides the launcher markers
  std::optional<uint32_t> Seed;       // a fixed seed in place of the clock
  std::string Display;                // empty: $DISPLAY
  int ErrorStatus = 2;                // exit status after a failed parse
};

// Parses argv[1..argc-1]. On failure returns false with a one-line message (no program
// name, no line end) in Error and the exit status in Options.ErrorStatus: 2 for a bad
// option, 255 for a Windows switch the Windows saver rejects too.
bool ParseX11Options(int argc, const char *const *argv, X11Options &Options, std::string &Error);

// Reads a window id as X tools write it: decimal, or hexadecimal after "0x". Returns
// false for anything else, including values beyond 32 bits.
bool ParseWindowId(const char *Text, uint32_t &Id);

extern const char X11Usage[];

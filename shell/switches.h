// The screen-saver command line: "/s", "/c", "/p <window>", "/a [<window>]", with "-" or
// "/" and either case. Portable, so that every platform's start-up reads it alike.
#pragma once

#include <cstdint>

// Start modes.
enum : int32_t { smPreview = 0, smConfig = 1, smRun = 2, smPassword = 3 };

struct SaverSwitches {
  bool Valid;           // false: an unknown switch, or /p without exactly one argument
  int32_t Mode;         // smPreview, smConfig, smRun or smPassword
  bool HasWindow;       // a window handle followed the switch (/p, or /a with one argument)
  int32_t Window;       // that handle, read as atol reads it (a 32-bit long)
};

// Reads argv[1] (and the argument after a /p or /a) as the saver's start-up does: only
// the first two characters of the switch count; with no switch, or one that starts with
// neither '-' nor '/', the settings open.
SaverSwitches ParseSaverSwitches(int argc, const char *const *argv);

// The C runtime's atol: leading white space, an optional sign, decimal digits up to the
// first other character; 0 when there are none. Out-of-range values wrap to 32 bits, as
// a Windows long does, instead of overflowing.
int32_t AtoL(const char *Text);

// The saver on an X display: opens the window of the mode, resets the battle on it and
// ticks it until the mode's end (input in full screen, the window's close or
// destruction, SIGTERM or SIGINT).
#pragma once

#include "platform/x11/x11_options.h"

// Runs one of the drawing modes (Window, Root, WindowId, Fullscreen). Failures get a
// one-line message on standard error. Returns the exit status: 0 after a clean end,
// 1 when the display, the window or its visual cannot be used. After a clean end the
// settings are saved unless this run overrode them.
int RunX11Saver(const X11Options &Options);

// Blocks SIGTERM and SIGINT and installs their handlers: they are taken only while the
// saver waits for the next tick, and end it cleanly. Call before anything else.
void InstallStopSignals();

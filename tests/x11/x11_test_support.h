// What the X11 tests share: an Xvfb of their own on a free display, child processes that
// are always bounded in time and never outlive a test, and pixels read back from X.
// Include it after <gtest/gtest.h>: Xlib's macros (None, Status, Bool) break gtest.
#pragma once

#include <X11/Xlib.h>
#include <sys/types.h>

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

// An Xvfb server started for this test program. Xvfb picks a free display number itself
// (-displayfd), so parallel test programs never collide. Killed when the program ends,
// or by the kernel should the program die first.
class TXvfb {
 public:
  // Starts the server once per geometry ("1024x768x24"); fails the calling test with a
  // message when it cannot.
  static TXvfb &Get(const std::string &Screen = "1024x768x24");
  ~TXvfb();
  const std::string &Name() const { return FName; }  // ":N", or empty when not running
  // A connection of the test's own, opened once.
  Display *Connection();

 private:
  explicit TXvfb(const std::string &Screen);
  pid_t FPid = -1;
  std::string FName;
  std::string FError;
  Display *FDisplay = nullptr;
};

// A program run with some environment changes (a value of nullopt removes the
// variable), its standard output and error sent to files. The destructor kills it if
// it is still running.
class TChild {
 public:
  TChild(const std::vector<std::string> &Args,
         const std::map<std::string, std::optional<std::string>> &Env = {});
  ~TChild();
  TChild(const TChild &) = delete;
  TChild &operator=(const TChild &) = delete;

  pid_t Pid() const { return FPid; }
  bool Running();
  // Waits at most TimeoutMs for the end; false (and the child killed) if it did not end.
  bool Wait(int TimeoutMs);
  // The exit status, or 128 + the signal that ended it.
  int ExitStatus() const { return FStatus; }
  std::string Out() const;
  std::string Err() const;

 private:
  pid_t FPid = -1;
  bool FDone = false;
  int FStatus = -1;
  std::string FOutPath, FErrPath;
};

// Runs a program to its end (at most TimeoutMs; killed after that).
struct TRun {
  bool Ended;
  int ExitStatus;
  std::string Out, Err;
};
TRun RunProgram(const std::vector<std::string> &Args,
                const std::map<std::string, std::optional<std::string>> &Env = {},
                int TimeoutMs = 10000);

// Polls Condition every 20 ms for at most TimeoutMs; returns its last value.
bool WaitFor(const std::function<bool()> &Condition, int TimeoutMs);

// A drawable's pixels as 0xRRGGBB (alpha dropped), row-major; empty if it cannot be read
// (a window that is gone, say).
struct TPixels {
  int Width = 0, Height = 0;
  std::vector<uint32_t> Rgb;
  uint32_t At(int X, int Y) const { return Rgb[size_t(Y) * Width + X]; }
  bool Empty() const { return Rgb.empty(); }
};
TPixels ReadPixels(Display *D, Drawable Which, int Width, int Height);

// Whether the 8 x 8 launcher marker stands with its top-left at (Left, Top): a one-pixel
// yellow outline around lime.
bool MarkerAt(const TPixels &P, int Left, int Top);

// A fresh empty directory under the test temp dir.
std::string MakeTempDir(const std::string &Tag);
std::string ReadFile(const std::string &Path);
void WriteFile(const std::string &Path, const std::string &Bytes);
bool FileExists(const std::string &Path);

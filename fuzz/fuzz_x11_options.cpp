// The X11 saver's command line: any arguments parse without a fault; window ids read
// as strtoul reads them (decimal, or hexadecimal after 0x) within 32 bits; accepted
// options lie in their ranges and survive a round trip through their own command line.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "fuzz/fuzz_common.h"
#include "platform/x11/x11_options.h"

namespace {

[[noreturn]] void Fail(const char *What, const std::string &Detail = {}) {
  std::fprintf(stderr, "x11 options: %s %s\n", What, Detail.c_str());
  std::abort();
}

// A window id by strtoull, over the whole text and within 32 bits.
bool ReferenceWindowId(const char *Text, uint32_t &Id) {
  const bool Hex = Text[0] == '0' && (Text[1] == 'x' || Text[1] == 'X');
  const char *Digits = Hex ? Text + 2 : Text;
  const char *Allowed = Hex ? "0123456789abcdefABCDEF" : "0123456789";
  const std::size_t Length = std::strlen(Digits);
  if (Length == 0 || std::strspn(Digits, Allowed) != Length) return false;
  errno = 0;
  const unsigned long long Value = std::strtoull(Digits, nullptr, Hex ? 16 : 10);
  if (errno == ERANGE || Value > UINT32_MAX) return false;
  Id = static_cast<uint32_t>(Value);
  return true;
}

bool Same(const X11Options &A, const X11Options &B) {
  return A.Mode == B.Mode && A.WindowId == B.WindowId &&
         A.DelayMicroseconds == B.DelayMicroseconds && A.MisailNum == B.MisailNum &&
         A.NoMarkers == B.NoMarkers && A.Seed == B.Seed && A.Display == B.Display &&
         A.ErrorStatus == B.ErrorStatus;
}

// The long-option command line that states every option of O, for the modes that have
// a long option.
std::vector<std::string> CommandLineOf(const X11Options &O) {
  std::vector<std::string> Args = {"tolvane", "--delay", std::to_string(O.DelayMicroseconds)};
  switch (O.Mode) {
    case X11Mode::Window: Args.push_back("--window"); break;
    case X11Mode::Root: Args.push_back("--root"); break;
    case X11Mode::Fullscreen: Args.push_back("-fullscreen"); break;
    case X11Mode::Help: Args.push_back("--help"); break;
    default: break;
  }
  if (O.Mode == X11Mode::WindowId || (O.Mode == X11Mode::Help && O.WindowId != 0)) {
    Args.push_back("-window-id");
    Args.push_back(std::to_string(O.WindowId));
  }
  if (O.MisailNum) {
    Args.push_back("--misailnum");
    Args.push_back(std::to_string(*O.MisailNum));
  }
  if (O.Seed) {
    Args.push_back("--seed");
    Args.push_back(std::to_string(*O.Seed));
  }
  if (O.NoMarkers) Args.push_back("--no-markers");
  if (!O.Display.empty()) {
    Args.push_back("--display");
    Args.push_back(O.Display);
  }
  return Args;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *Data, std::size_t Size) {
  const FuzzCommandLine Line("tolvane", Data, Size);

  for (int i = 1; i < Line.argc(); i++) {
    uint32_t Got = 0xDEADBEEF, Expected = 0;
    const bool Read = ParseWindowId(Line.argv()[i], Got);
    if (Read != ReferenceWindowId(Line.argv()[i], Expected))
      Fail(Read ? "window id accepted:" : "window id rejected:", Line.argv()[i]);
    if (Read && Got != Expected) Fail("window id misread:", Line.argv()[i]);
  }

  X11Options O;
  std::string Error;
  if (!ParseX11Options(Line.argc(), Line.argv(), O, Error)) {
    if (Error.empty()) Fail("rejected without a message");
    if (Error.back() == '\n') Fail("message ends in a line end:", Error);
    if (O.ErrorStatus != 2 && O.ErrorStatus != 255)
      Fail("exit status", std::to_string(O.ErrorStatus));
    return 0;
  }
  if (!Error.empty()) Fail("accepted with a message:", Error);
  if (Line.argc() > 1 && O.Mode == X11Mode::Default) Fail("arguments left the mode unset");
  if (O.DelayMicroseconds < 1000 || O.DelayMicroseconds > 1000000) Fail("delay out of range");
  if (O.MisailNum && (*O.MisailNum < 10 || *O.MisailNum > 256)) Fail("enemy limit out of range");
  if (O.WindowId != 0 && O.Mode != X11Mode::WindowId && O.Mode != X11Mode::Help)
    Fail("a window id for a mode without one");

  if (O.Mode == X11Mode::Default || O.Mode == X11Mode::Settings || O.Mode == X11Mode::Password)
    return 0;  // no long option states these
  const std::vector<std::string> Again = CommandLineOf(O);
  std::vector<const char *> Argv;
  Argv.reserve(Again.size() + 1);
  for (const std::string &A : Again) Argv.push_back(A.c_str());
  Argv.push_back(nullptr);
  X11Options Reparsed;
  if (!ParseX11Options(static_cast<int>(Again.size()), Argv.data(), Reparsed, Error))
    Fail("its own command line is rejected:", Error);
  if (!Same(O, Reparsed)) Fail("its own command line parses differently");
  return 0;
}

// The simulator's command line: any arguments parse without a fault; accepted options
// lie in their ranges and survive a round trip through their own command line; a
// rejected one comes with a one-line message.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "fuzz/fuzz_common.h"
#include "tools/sim_options.h"

namespace {

[[noreturn]] void Fail(const char *What, const std::string &Detail = {}) {
  std::fprintf(stderr, "sim options: %s %s\n", What, Detail.c_str());
  std::abort();
}

bool Same(const SimOptions &A, const SimOptions &B) {
  return A.Width == B.Width && A.Height == B.Height && A.Seed == B.Seed && A.Ticks == B.Ticks &&
         A.Level == B.Level && A.MisailNum == B.MisailNum && A.BaseVisible == B.BaseVisible &&
         A.SettingsFile == B.SettingsFile && A.Trace == B.Trace && A.Dump == B.Dump &&
         A.Help == B.Help && A.PngFile == B.PngFile && A.GifFile == B.GifFile && A.Every == B.Every;
}

// The command line that states every option of O.
std::vector<std::string> CommandLineOf(const SimOptions &O) {
  std::vector<std::string> Args = {"tolvane-sim",
                                   "--width",
                                   std::to_string(O.Width),
                                   "--height",
                                   std::to_string(O.Height),
                                   "--seed",
                                   std::to_string(O.Seed),
                                   "--ticks",
                                   std::to_string(O.Ticks),
                                   "--level",
                                   std::to_string(O.Level),
                                   "--every",
                                   std::to_string(O.Every)};
  auto Add = [&](const char *Flag, const std::string &Value) {
    Args.push_back(Flag);
    Args.push_back(Value);
  };
  if (O.MisailNum) Add("--misailnum", std::to_string(*O.MisailNum));
  if (O.BaseVisible) Add("--basevisible", std::to_string(*O.BaseVisible));
  if (!O.SettingsFile.empty()) Add("--settings", O.SettingsFile);
  if (!O.PngFile.empty()) Add("--png", O.PngFile);
  if (!O.GifFile.empty()) Add("--gif", O.GifFile);
  if (O.Trace) Args.push_back("--trace");
  if (O.Dump) Args.push_back("--dump");
  if (O.Help) Args.push_back("--help");
  return Args;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *Data, std::size_t Size) {
  const FuzzCommandLine Line("tolvane-sim", Data, Size);
  SimOptions O;
  std::string Error;
  if (!ParseSimOptions(Line.argc(), Line.argv(), O, Error)) {
    if (Error.empty()) Fail("rejected without a message");
    if (Error.back() == '\n') Fail("message ends in a line end:", Error);
    return 0;
  }
  if (!Error.empty()) Fail("accepted with a message:", Error);
  if (O.Width < 0 || O.Width > 16384 || O.Height < 0 || O.Height > 16384)
    Fail("field size out of range");
  if (O.Ticks < 0 || O.Ticks > 1'000'000'000) Fail("tick count out of range");
  if (O.Level < 0 || O.Level > 99999) Fail("level out of range");
  if (O.Every < 1 || O.Every > 1'000'000) Fail("GIF step out of range");

  const std::vector<std::string> Again = CommandLineOf(O);
  std::vector<const char *> Argv;
  Argv.reserve(Again.size() + 1);
  for (const std::string &A : Again) Argv.push_back(A.c_str());
  Argv.push_back(nullptr);
  SimOptions Reparsed;
  if (!ParseSimOptions(static_cast<int>(Again.size()), Argv.data(), Reparsed, Error))
    Fail("its own command line is rejected:", Error);
  if (!Same(O, Reparsed)) Fail("its own command line parses differently");
  return 0;
}

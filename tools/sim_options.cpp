#include "tools/sim_options.h"

#include <cstring>

#include "shell/whole_number.h"

const char SimUsage[] =
    "usage: tolvane-sim [--width W] [--height H] [--seed S] [--ticks N] [--misailnum M]\n"
    "                   [--basevisible B] [--level L] [--settings FILE] [--trace] [--dump]\n"
    "                   [--png FILE] [--gif FILE] [--every K]\n"
    "Runs the battle headless on a W x H field (default 640 x 480) from seed S (default 1)\n"
    "for N ticks (default 100). --trace prints every drawing call, --dump the final state,\n"
    "--png writes the last frame, --gif an animation at 100 ticks a second of every K-th\n"
    "tick (default 2), plus the moment of each ground flash, which falls inside a tick.\n";

bool ParseSimOptions(int argc, const char *const *argv, SimOptions &O, std::string &Error) {
  struct Number {
    const char *Flag;
    int64_t Low, High;
    void (*Set)(SimOptions &, int64_t);
  };
  static const Number Numbers[] = {
      {"--width", 0, 16384, [](SimOptions &o, int64_t v) { o.Width = int32_t(v); }},
      {"--height", 0, 16384, [](SimOptions &o, int64_t v) { o.Height = int32_t(v); }},
      {"--seed", 0, UINT32_MAX, [](SimOptions &o, int64_t v) { o.Seed = uint32_t(v); }},
      {"--ticks", 0, 1'000'000'000, [](SimOptions &o, int64_t v) { o.Ticks = v; }},
      {"--level", 0, 99999, [](SimOptions &o, int64_t v) { o.Level = int32_t(v); }},
      {"--misailnum", INT32_MIN, INT32_MAX,
       [](SimOptions &o, int64_t v) { o.MisailNum = int32_t(v); }},
      {"--basevisible", INT32_MIN, INT32_MAX,
       [](SimOptions &o, int64_t v) { o.BaseVisible = int32_t(v); }},
      {"--every", 1, 1'000'000, [](SimOptions &o, int64_t v) { o.Every = int32_t(v); }},
  };
  for (int i = 1; i < argc; i++) {
    const char *Flag = argv[i];
    if (!std::strcmp(Flag, "--trace")) {
      O.Trace = true;
      continue;
    }
    if (!std::strcmp(Flag, "--dump")) {
      O.Dump = true;
      continue;
    }
    if (!std::strcmp(Flag, "--help") || !std::strcmp(Flag, "-h")) {
      O.Help = true;
      continue;
    }

    const bool TakesFile = !std::strcmp(Flag, "--settings") || !std::strcmp(Flag, "--png") ||
                           !std::strcmp(Flag, "--gif");
    const Number *N = nullptr;
    for (const Number &Candidate : Numbers)
      if (!std::strcmp(Flag, Candidate.Flag)) N = &Candidate;
    if (!TakesFile && !N) {
      Error = std::string("unknown option '") + Flag + "' (try --help)";
      return false;
    }
    if (i + 1 >= argc) {
      Error = std::string(Flag) + " needs a value";
      return false;
    }
    const char *Value = argv[++i];
    if (TakesFile) {
      if (*Value == '\0') {
        Error = std::string(Flag) + " needs a file name";
        return false;
      }
      (!std::strcmp(Flag, "--settings") ? O.SettingsFile
       : !std::strcmp(Flag, "--png")    ? O.PngFile
                                        : O.GifFile) = Value;
      continue;
    }
    int64_t v = 0;
    if (!ParseWholeNumber(Value, N->Low, N->High, v)) {
      Error = std::string(Flag) + ": expected a whole number from " + std::to_string(N->Low) +
              " to " + std::to_string(N->High) + ", got '" + Value + "'";
      return false;
    }
    N->Set(O, v);
  }
  return true;
}

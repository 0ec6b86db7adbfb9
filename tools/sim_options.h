// The command line of tolvane-sim.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

struct SimOptions {
  int32_t Width = 640;
  int32_t Height = 480;
  uint32_t Seed = 1;
  int64_t Ticks = 100;
  int32_t Level = 0;
  std::optional<int32_t> MisailNum;
  std::optional<int32_t> BaseVisible;  // narrowed to a byte, as the settings file is
  std::string SettingsFile;            // empty: no file, the defaults
  bool Trace = false;
  bool Dump = false;
  bool Help = false;
  std::string PngFile;
  std::string GifFile;
  int32_t Every = 2;  // GIF: keep every Every-th tick
};

// Parses argv[1..argc-1]. On a bad flag or value returns false with a one-line message
// (without the program name or a line end) in Error.
bool ParseSimOptions(int argc, const char *const *argv, SimOptions &Options, std::string &Error);

extern const char SimUsage[];

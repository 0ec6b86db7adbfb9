// The two settings and the two-line text file that keeps them between runs.
#pragma once

#include <cstdint>
#include <optional>

// Enemy limit: a spawn needs 3 x carriers + singles below MisailNum - 4.
extern int32_t MisailNum;
// Launcher markers: 0 hides them, any other value shows them.
extern int8_t BaseVisible;

// The settings file's path, zero-terminated; the platform's start-up fills it.
constexpr int IniPathSize = 256;
extern char IniPath[IniPathSize];

// Values given for one run on a command line: LoadSettings puts them over what it read.
extern std::optional<int32_t> MisailNumOverride;
extern std::optional<int8_t> BaseVisibleOverride;

// Reads IniPath: 100 and 1 when it cannot be opened; a number that cannot be read leaves
// its setting as it was. Never fails.
void LoadSettings();
// Writes both settings to IniPath as "%d" lines ended by CR LF, through a file beside it
// that replaces the old one only once it is complete. Returns whether it was written;
// the old file is untouched when not.
bool SaveSettings();

// Parses a settings file's bytes as LoadSettings does, starting from the given values.
struct SettingsValues {
  int32_t MisailNum;
  int8_t BaseVisible;
};
SettingsValues ParseSettings(const char *Data, std::size_t Size, SettingsValues Previous);

// Platform side, one file per platform:
// Fills IniPath with the per-user (or system) settings file's path.
void BuildIniPath();
// Puts the complete file Temp in place of Path in one step (replacing any old Path).
// Returns whether it did; on failure Path is untouched.
bool ReplaceFileWith(const char *Temp, const char *Path);

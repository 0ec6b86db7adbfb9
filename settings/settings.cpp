#include "settings/settings.h"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <random>

int32_t MisailNum = 0;
int8_t BaseVisible = 1;
char IniPath[IniPathSize] = {};

std::optional<int32_t> MisailNumOverride;
std::optional<int8_t> BaseVisibleOverride;

namespace {

constexpr int32_t DefaultMisailNum = 100;
constexpr int8_t DefaultBaseVisible = 1;

// The whitespace that "%d\n" skips, tested by value: isspace would depend on the locale
// and is undefined for negative chars.
bool IsSpace(int C) {
  return C == ' ' || C == '\t' || C == '\n' || C == '\r' || C == '\v' || C == '\f';
}

bool IsDigit(int C) { return C >= '0' && C <= '9'; }

// Bytes already in memory.
class MemorySource {
 public:
  MemorySource(const char *Data, std::size_t Size) : Data(Data), Size(Data ? Size : 0) {}
  // The next byte (0-255) without taking it, or -1 at the end.
  int Peek() const { return Pos < Size ? static_cast<unsigned char>(Data[Pos]) : -1; }
  void Take() { ++Pos; }

 private:
  const char *Data;
  std::size_t Size;
  std::size_t Pos = 0;
};

// An open file read through a small fixed buffer, so that a huge file is never held
// whole and costs one pass at most.
class FileSource {
 public:
  explicit FileSource(std::FILE *File) : File(File) { Fill(); }
  int Peek() {
    if (Pos == Len && !Fill()) return -1;
    return Buffer[Pos];
  }
  void Take() { ++Pos; }
  // Whether the very first read failed outright, as reading a directory does on POSIX.
  bool Unreadable() const { return FirstReadFailed; }

 private:
  bool Fill() {
    if (AtEnd) return false;
    Len = std::fread(Buffer, 1, sizeof Buffer, File);
    Pos = 0;
    if (Len == 0) {
      // A read error ends the data like the end of the file does; only one before any
      // byte arrived makes the file count as one that could not be opened.
      if (First && std::ferror(File)) FirstReadFailed = true;
      AtEnd = true;
    }
    First = false;
    return Len != 0;
  }

  std::FILE *File;
  unsigned char Buffer[4096];
  std::size_t Len = 0;
  std::size_t Pos = 0;
  bool First = true;
  bool AtEnd = false;
  bool FirstReadFailed = false;
};

// One "%d\n" read: whitespace, an optional sign, decimal digits. Returns false when no
// digit follows; the caller then stops, since a second read would start at the same
// character and fail the same way. A number too long for 32 bits wraps modulo 2^32 (two's
// complement), however many digits it has: the sum is kept unsigned so it never overflows.
// The whitespace after the number that "\n" skips is left to the next read, which skips
// it first anyway.
template <class Source>
bool ReadNumber(Source &In, int32_t &Value) {
  while (IsSpace(In.Peek())) In.Take();
  bool Negative = false;
  if (In.Peek() == '+' || In.Peek() == '-') {
    Negative = In.Peek() == '-';
    In.Take();
  }
  if (!IsDigit(In.Peek())) return false;
  uint32_t Sum = 0;
  for (int C = In.Peek(); IsDigit(C); C = In.Peek()) {
    Sum = Sum * 10u + static_cast<uint32_t>(C - '0');
    In.Take();
  }
  if (Negative) Sum = 0u - Sum;
  Value = static_cast<int32_t>(Sum);  // modular since C++20
  return true;
}

// Both numbers into Values; a failed read leaves its value and every later one as it was.
template <class Source>
void ReadSettings(Source &In, SettingsValues &Values) {
  int32_t Number = 0;
  if (!ReadNumber(In, Number)) return;
  Values.MisailNum = Number;
  if (!ReadNumber(In, Number)) return;
  // The flag is one byte: keep the low 8 bits of the number, two's complement.
  Values.BaseVisible = static_cast<int8_t>(static_cast<uint8_t>(Number & 0xFF));
}

// Length of IniPath, or -1 when it is empty or not terminated inside its buffer.
int IniPathLength() {
  const void *End = std::memchr(IniPath, '\0', IniPathSize);
  if (End == nullptr || End == IniPath) return -1;
  return static_cast<int>(static_cast<const char *>(End) - IniPath);
}

// Whether the file at IniPath may be changed by this user, or does not exist yet. The
// rename that puts a new file in place looks only at the directory's permissions, so a
// read-only file, or another user's, is tested here: saving must leave it alone.
bool MayReplaceIniFile() {
  errno = 0;
  if (std::FILE *File = std::fopen(IniPath, "r+b")) {
    std::fclose(File);
    return true;
  }
  return errno == ENOENT;
}

// A tag for the temporary file's name. Different processes saving at once must not
// share a temporary file, and a random tag avoids needing a process id.
uint32_t NextTempTag() {
  static uint32_t State = [] {
    uint32_t Seed =
        static_cast<uint32_t>(std::chrono::steady_clock::now().time_since_epoch().count());
    try {
      std::random_device Device;
      Seed ^= Device();
    } catch (...) {
      // The clock alone still makes a clash unlikely, and the exclusive open catches one.
    }
    return Seed;
  }();
  State = State * 1664525u + 1013904223u;
  return State;
}

// Room for IniPath (at most 255 characters) and the tag suffix ".xxxxxxxx.tmp".
constexpr int TempPathSize = IniPathSize + 16;

// Creates a new temporary file beside IniPath (whose length is Len) and puts its name
// in Temp. Opens exclusively so it never takes over a file someone else is writing.
std::FILE *CreateTempFile(char (&Temp)[TempPathSize], int Len) {
  for (int Attempt = 0; Attempt < 8; ++Attempt) {
    int Written = std::snprintf(Temp, sizeof Temp, "%.*s.%08lx.tmp", Len, IniPath,
                                static_cast<unsigned long>(NextTempTag()));
    if (Written < 0 || Written >= TempPathSize) return nullptr;
    errno = 0;
    if (std::FILE *File = std::fopen(Temp, "wbx")) return File;
    if (errno != EEXIST) return nullptr;
  }
  return nullptr;
}

}  // namespace

SettingsValues ParseSettings(const char *Data, std::size_t Size, SettingsValues Previous) {
  MemorySource In(Data, Size);
  ReadSettings(In, Previous);
  return Previous;
}

void LoadSettings() {
  SettingsValues Values{MisailNum, BaseVisible};
  std::FILE *File = IniPathLength() > 0 ? std::fopen(IniPath, "rb") : nullptr;
  if (File != nullptr) {
    FileSource In(File);
    if (In.Unreadable())
      Values = {DefaultMisailNum, DefaultBaseVisible};
    else
      ReadSettings(In, Values);
    std::fclose(File);
  } else {
    Values = {DefaultMisailNum, DefaultBaseVisible};
  }
  MisailNum = MisailNumOverride.value_or(Values.MisailNum);
  BaseVisible = BaseVisibleOverride.value_or(Values.BaseVisible);
}

bool SaveSettings() {
  int Len = IniPathLength();
  if (Len < 0) return false;

  // Binary mode: the lines end in CR LF on every platform.
  char Text[32];
  int TextLen = std::snprintf(Text, sizeof Text, "%d\r\n%d\r\n", static_cast<int>(MisailNum),
                              static_cast<int>(BaseVisible));
  if (TextLen <= 0 || TextLen >= static_cast<int>(sizeof Text)) return false;
  if (!MayReplaceIniFile()) return false;

  char Temp[TempPathSize];
  std::FILE *File = CreateTempFile(Temp, Len);
  if (File == nullptr) return false;
  bool Ok = std::fwrite(Text, 1, static_cast<std::size_t>(TextLen), File) ==
                static_cast<std::size_t>(TextLen) &&
            std::fflush(File) == 0;
  Ok = std::fclose(File) == 0 && Ok;
  // The old file is replaced only by a complete new one; otherwise it stays as it was.
  if (Ok) Ok = ReplaceFileWith(Temp, IniPath);
  if (!Ok) std::remove(Temp);
  return Ok;
}

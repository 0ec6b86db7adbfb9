// The settings reader: any bytes parse without a fault, give what strtol reads (reduced
// to 32 bits) for each number, and read the same through a file (in 4 KiB chunks) as
// from memory.
#include <sys/mman.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "fuzz/fuzz_common.h"
#include "settings/settings.h"

namespace {

constexpr SettingsValues Previous{-777, 0x2A};

[[noreturn]] void Fail(const char *What, int32_t Got, int32_t Expected) {
  std::fprintf(stderr, "settings: %s is %d, expected %d\n", What, Got, Expected);
  std::abort();
}

// A file in memory whose /proc path LoadSettings can open like any other.
int MemoryFile() {
  static const int Fd = [] {
    const int Fd = memfd_create("Tolvane.ini", 0);
    if (Fd < 0) std::abort();
    std::snprintf(IniPath, IniPathSize, "/proc/self/fd/%d", Fd);
    return Fd;
  }();
  return Fd;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *Data, std::size_t Size) {
  const char *Bytes = reinterpret_cast<const char *>(Data);
  const SettingsValues Got = ParseSettings(Bytes, Size, Previous);

  // strtol on a zero-terminated copy: a NUL stops both readers alike.
  const std::string Text(Bytes, Size);
  SettingsValues Expected = Previous;
  const char *At = Text.c_str();
  int32_t Number = 0;
  if (ReferenceDecimal(At, Number, At)) {
    Expected.MisailNum = Number;
    if (ReferenceDecimal(At, Number, At)) Expected.BaseVisible = static_cast<int8_t>(Number & 0xFF);
  }
  if (Got.MisailNum != Expected.MisailNum) Fail("MisailNum", Got.MisailNum, Expected.MisailNum);
  if (Got.BaseVisible != Expected.BaseVisible)
    Fail("BaseVisible", Got.BaseVisible, Expected.BaseVisible);

  const int Fd = MemoryFile();
  if (ftruncate(Fd, 0) != 0 || pwrite(Fd, Data, Size, 0) != static_cast<ssize_t>(Size))
    std::abort();
  MisailNum = Previous.MisailNum;
  BaseVisible = Previous.BaseVisible;
  LoadSettings();
  if (MisailNum != Got.MisailNum) Fail("MisailNum loaded from a file", MisailNum, Got.MisailNum);
  if (BaseVisible != Got.BaseVisible)
    Fail("BaseVisible loaded from a file", BaseVisible, Got.BaseVisible);
  return 0;
}

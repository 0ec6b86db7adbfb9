// Helpers shared by the fuzz targets: splitting an input into a command line, and a
// second, independent reading of decimal numbers to check the readers against.
#pragma once

#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

// The input cut at each NUL into arguments, after a fixed program name, as main gets
// them: argv[argc] is null.
struct FuzzCommandLine {
  FuzzCommandLine(const char *Program, const uint8_t *Data, std::size_t Size) {
    Args.emplace_back(Program);
    if (Size > 0) {
      Args.emplace_back();
      for (std::size_t i = 0; i < Size; i++) {
        if (Data[i] == 0)
          Args.emplace_back();
        else
          Args.back() += static_cast<char>(Data[i]);
      }
    }
    Argv.reserve(Args.size() + 1);
    for (const std::string &A : Args) Argv.push_back(A.c_str());
    Argv.push_back(nullptr);
  }
  int argc() const { return static_cast<int>(Args.size()); }
  const char *const *argv() const { return Argv.data(); }

  std::vector<std::string> Args;
  std::vector<const char *> Argv;
};

// strtol's reading of a decimal number at Text (C locale: the same six whitespace
// characters), reduced modulo 2^32 to a two's complement int32. Returns false when no
// digits follow the whitespace and sign; otherwise End is set past the last digit.
// Numbers too long for strtoll are reduced from their last 32 digits, which is exact
// since 10^32 is a multiple of 2^32.
inline bool ReferenceDecimal(const char *Text, int32_t &Value, const char *&End) {
  char *Next = nullptr;
  errno = 0;
  const long long Wide = std::strtoll(Text, &Next, 10);
  const char *Stop = Next;
  if (Stop == Text) return false;
  End = Stop;
  uint32_t Low;
  if (errno != ERANGE) {
    Low = static_cast<uint32_t>(static_cast<unsigned long long>(Wide));
  } else {
    const char *First = Stop;
    while (First > Text && Stop - First < 32 && First[-1] >= '0' && First[-1] <= '9') First--;
    const std::string Tail(First, Stop);
    const std::size_t Split = Tail.size() > 16 ? Tail.size() - 16 : 0;
    const uint32_t High =
        Split ? static_cast<uint32_t>(std::strtoull(Tail.substr(0, Split).c_str(), nullptr, 10))
              : 0;
    const uint32_t Rest =
        static_cast<uint32_t>(std::strtoull(Tail.substr(Split).c_str(), nullptr, 10));
    Low = High * static_cast<uint32_t>(10'000'000'000'000'000ull) + Rest;
    if (Wide < 0) Low = 0u - Low;
  }
  Value = static_cast<int32_t>(Low);
  return true;
}

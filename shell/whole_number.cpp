#include "shell/whole_number.h"

bool ParseWholeNumber(const char *Text, int64_t Low, int64_t High, int64_t &Value) {
  const char *p = Text;
  bool Negative = false;
  if (*p == '+' || *p == '-') Negative = *p++ == '-';
  if (*p == '\0') return false;
  uint64_t Magnitude = 0;
  for (; *p; p++) {
    if (*p < '0' || *p > '9') return false;
    Magnitude = Magnitude * 10 + uint64_t(*p - '0');
    if (Magnitude > uint64_t{1} << 40) return false;  // far beyond any range asked for
  }
  const int64_t Signed = Negative ? -int64_t(Magnitude) : int64_t(Magnitude);
  if (Signed < Low || Signed > High) return false;
  Value = Signed;
  return true;
}

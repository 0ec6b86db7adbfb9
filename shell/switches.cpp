#include "shell/switches.h"

int32_t AtoL(const char *Text) {
  if (!Text) return 0;
  const char *p = Text;
  while (*p == ' ' || (*p >= '\t' && *p <= '\r')) p++;
  bool Negative = false;
  if (*p == '+' || *p == '-') Negative = *p++ == '-';
  uint32_t Value = 0;
  for (; *p >= '0' && *p <= '9'; p++) Value = Value * 10u + uint32_t(*p - '0');
  return static_cast<int32_t>(Negative ? 0u - Value : Value);
}

SaverSwitches ParseSaverSwitches(int argc, const char *const *argv) {
  SaverSwitches S{true, smConfig, false, 0};
  if (argc < 2 || !argv[1]) return S;
  const char *Switch = argv[1];
  if (Switch[0] != '-' && Switch[0] != '/') return S;
  switch (Switch[1]) {
    case 's': case 'S':
      S.Mode = smRun;
      return S;
    case 'c': case 'C':
      return S;
    case 'a': case 'A':
      S.Mode = smPassword;
      if (argc == 3) {
        S.HasWindow = true;
        S.Window = AtoL(argv[2]);
      }
      return S;
    case 'p': case 'P':
      if (argc != 3) break;
      S.Mode = smPreview;
      S.HasWindow = true;
      S.Window = AtoL(argv[2]);
      return S;
  }
  S.Valid = false;
  return S;
}

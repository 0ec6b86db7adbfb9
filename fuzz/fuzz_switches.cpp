// The saver's start-up switches: any command line parses without a fault into a
// consistent result, and AtoL reads every argument as strtol does, reduced to 32 bits.
#include <cstdio>
#include <cstdlib>

#include "fuzz/fuzz_common.h"
#include "shell/switches.h"

namespace {

[[noreturn]] void Fail(const char *What, const char *Arg) {
  std::fprintf(stderr, "switches: %s (argument \"%s\")\n", What, Arg ? Arg : "(none)");
  std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *Data, std::size_t Size) {
  const FuzzCommandLine Line("Tolvane.scr", Data, Size);
  const int argc = Line.argc();
  const char *const *argv = Line.argv();

  for (int i = 1; i < argc; i++) {
    int32_t Expected = 0;
    const char *End = nullptr;
    if (!ReferenceDecimal(argv[i], Expected, End)) Expected = 0;
    if (AtoL(argv[i]) != Expected) Fail("AtoL differs from strtol", argv[i]);
  }
  if (AtoL(nullptr) != 0) Fail("AtoL(nullptr) is not 0", nullptr);

  const SaverSwitches S = ParseSaverSwitches(argc, argv);
  const char *Switch = argc > 1 ? argv[1] : nullptr;
  if (S.Mode < smPreview || S.Mode > smPassword) Fail("mode out of range", Switch);
  const bool Dashed = Switch && (Switch[0] == '-' || Switch[0] == '/');
  if (!S.Valid && !Dashed) Fail("only a switch can be invalid", Switch);
  if (!Dashed && (S.Mode != smConfig || S.HasWindow))
    Fail("no switch must open the settings", Switch);
  if (S.HasWindow) {
    if (!S.Valid || (S.Mode != smPreview && S.Mode != smPassword))
      Fail("a window for a mode without one", Switch);
    if (argc != 3) Fail("a window without exactly one argument after the switch", Switch);
    if (S.Window != AtoL(argv[2])) Fail("window handle not read by AtoL", argv[2]);
  } else if (S.Window != 0) {
    Fail("a window handle without HasWindow", Switch);
  }
  if (S.Valid && S.Mode == smPreview && !S.HasWindow) Fail("a preview without its window", Switch);
  return 0;
}

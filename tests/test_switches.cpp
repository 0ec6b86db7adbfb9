#include "shell/switches.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

SaverSwitches Parse(std::vector<const char *> Args) {
  Args.insert(Args.begin(), "Tolvane.scr");
  return ParseSaverSwitches(int(Args.size()), Args.data());
}

}  // namespace

TEST(Switches, TheStartUpTable) {
  struct Case {
    std::vector<const char *> Args;
    bool Valid;
    int32_t Mode;
    bool HasWindow;
    int32_t Window;
  } Cases[] = {
      {{}, true, smConfig, false, 0},
      {{"hello"}, true, smConfig, false, 0},
      {{"s"}, true, smConfig, false, 0},
      {{"/s"}, true, smRun, false, 0},
      {{"/S"}, true, smRun, false, 0},
      {{"-s"}, true, smRun, false, 0},
      {{"-Saver", "extra", "more"}, true, smRun, false, 0},
      {{"/c"}, true, smConfig, false, 0},
      {{"/c:1234"}, true, smConfig, false, 0},
      {{"-C", "99"}, true, smConfig, false, 0},
      {{"/p", "1234"}, true, smPreview, true, 1234},
      {{"/P", "  -77x"}, true, smPreview, true, -77},
      {{"/p", "abc"}, true, smPreview, true, 0},
      {{"/p"}, false, smConfig, false, 0},
      {{"/p", "1", "2"}, false, smConfig, false, 0},
      {{"/p:1234"}, false, smConfig, false, 0},
      {{"/a"}, true, smPassword, false, 0},
      {{"/a", "4242"}, true, smPassword, true, 4242},
      {{"-A", "1", "2"}, true, smPassword, false, 0},
      {{"/"}, false, smConfig, false, 0},
      {{"-"}, false, smConfig, false, 0},
      {{"/x"}, false, smConfig, false, 0},
      {{"/?"}, false, smConfig, false, 0},
  };
  for (const Case &C : Cases) {
    std::string Line;
    for (const char *A : C.Args) Line += std::string(A) + " ";
    SCOPED_TRACE(Line);
    const SaverSwitches S = Parse(C.Args);
    EXPECT_EQ(S.Valid, C.Valid);
    if (!S.Valid) continue;
    EXPECT_EQ(S.Mode, C.Mode);
    EXPECT_EQ(S.HasWindow, C.HasWindow);
    EXPECT_EQ(S.Window, C.Window);
  }
}

TEST(Switches, AtoLReadsAsTheRuntimeDoes) {
  struct Case {
    const char *Text;
    int32_t Value;
  } Cases[] = {{"123", 123},          {"  \t\n-45z", -45},  {"+7", 7},
               {"", 0},               {"x12", 0},           {"- 5", 0},
               {"2147483647", 2147483647}, {"-2147483648", INT32_MIN},
               {"4294967297", 1},     {"99999999999999999999999", int32_t(0xF67FFFFF)},
               {nullptr, 0}};
  for (const Case &C : Cases) EXPECT_EQ(AtoL(C.Text), C.Value) << (C.Text ? C.Text : "null");
}

#include "platform/x11/x11_options.h"

#include <gtest/gtest.h>

#include <array>
#include <fstream>
#include <regex>
#include <sstream>
#include <vector>

namespace {

struct Parsed {
  bool Ok;
  X11Options Options;
  std::string Error;
};

Parsed Parse(std::vector<const char *> Args) {
  Args.insert(Args.begin(), "tolvane");
  Parsed P{false, {}, {}};
  P.Ok = ParseX11Options(int(Args.size()), Args.data(), P.Options, P.Error);
  return P;
}

std::string Joined(const std::vector<const char *> &Args) {
  std::string Line;
  for (const char *A : Args) Line += std::string(A) + " ";
  return Line;
}

}  // namespace

TEST(X11Options, ModesInBothStylesAndTheirValues) {
  struct Case {
    std::vector<const char *> Args;
    X11Mode Mode;
    uint32_t WindowId;
  } Cases[] = {
      {{}, X11Mode::Default, 0},
      {{"--window"}, X11Mode::Window, 0},
      {{"-window"}, X11Mode::Window, 0},
      {{"--root"}, X11Mode::Root, 0},
      {{"-root"}, X11Mode::Root, 0},
      {{"--fullscreen"}, X11Mode::Fullscreen, 0},
      {{"--window-id", "12345"}, X11Mode::WindowId, 12345},
      {{"-window-id", "0x1c00007"}, X11Mode::WindowId, 0x1c00007},
      {{"--window-id", "0XABCDEF"}, X11Mode::WindowId, 0xABCDEF},
      {{"--window-id", "4294967295"}, X11Mode::WindowId, 4294967295u},
      {{"--delay", "20000"}, X11Mode::Window, 0},  // options alone: a window
      {{"--help", "--root"}, X11Mode::Help, 0},
      {{"--root", "-help"}, X11Mode::Help, 0},
      // The Windows switches, by the Windows table.
      {{"/s"}, X11Mode::Fullscreen, 0},
      {{"-S", "ignored"}, X11Mode::Fullscreen, 0},
      {{"/p", "4242"}, X11Mode::WindowId, 4242},
      {{"/P", "abc"}, X11Mode::WindowId, 0},  // atol: not a window, found out at run time
      {{"/p", "-1"}, X11Mode::WindowId, 0xFFFFFFFFu},
      {{"/c"}, X11Mode::Settings, 0},
      {{"/c:1234"}, X11Mode::Settings, 0},
      {{"word"}, X11Mode::Settings, 0},
      {{""}, X11Mode::Settings, 0},
      {{"/a"}, X11Mode::Password, 0},
      {{"-a", "77"}, X11Mode::Password, 0},
  };
  for (const Case &C : Cases) {
    SCOPED_TRACE(Joined(C.Args));
    const Parsed P = Parse(C.Args);
    ASSERT_TRUE(P.Ok) << P.Error;
    EXPECT_EQ(P.Options.Mode, C.Mode);
    EXPECT_EQ(P.Options.WindowId, C.WindowId);
  }
}

TEST(X11Options, RunOptionsTakeTheirRanges) {
  const Parsed P = Parse({"--root", "--delay", "1000", "--misailnum", "256", "--no-markers",
                          "--seed", "4294967295", "--display", ":3"});
  ASSERT_TRUE(P.Ok) << P.Error;
  EXPECT_EQ(P.Options.DelayMicroseconds, 1000);
  EXPECT_EQ(P.Options.MisailNum, 256);
  EXPECT_TRUE(P.Options.NoMarkers);
  EXPECT_EQ(P.Options.Seed, 4294967295u);
  EXPECT_EQ(P.Options.Display, ":3");

  const Parsed Defaults = Parse({"--window"});
  ASSERT_TRUE(Defaults.Ok);
  EXPECT_EQ(Defaults.Options.DelayMicroseconds, 10000);
  EXPECT_FALSE(Defaults.Options.MisailNum);
  EXPECT_FALSE(Defaults.Options.NoMarkers);
  EXPECT_FALSE(Defaults.Options.Seed);

  const Parsed Low = Parse({"-delay", "1000000", "-misailnum", "10", "-seed", "0"});
  ASSERT_TRUE(Low.Ok) << Low.Error;
  EXPECT_EQ(Low.Options.DelayMicroseconds, 1000000);
  EXPECT_EQ(Low.Options.MisailNum, 10);
  EXPECT_EQ(Low.Options.Seed, 0u);
}

TEST(X11Options, BadInputGetsOneLineAndItsStatus) {
  struct Case {
    std::vector<const char *> Args;
    int Status;
    const char *Mentions;
  } Cases[] = {
      {{"--frobnicate"}, 2, "--frobnicate"},
      {{"--window", "extra"}, 2, "extra"},
      {{"--window-id"}, 2, "needs a value"},
      {{"--window-id", "banana"}, 2, "banana"},
      {{"--window-id", ""}, 2, "window id"},
      {{"--window-id", "0x"}, 2, "0x"},
      {{"--window-id", "0x1g"}, 2, "0x1g"},
      {{"--window-id", "-5"}, 2, "-5"},
      {{"--window-id", "4294967296"}, 2, "4294967296"},
      {{"--window-id", "0x100000000"}, 2, "0x100000000"},
      {{"--delay", "999"}, 2, "1000"},
      {{"--delay", "1000001"}, 2, "1000000"},
      {{"--delay", "10ms"}, 2, "10ms"},
      {{"--misailnum", "9"}, 2, "10 to 256"},
      {{"--misailnum", "257"}, 2, "10 to 256"},
      {{"--seed", "-1"}, 2, "-1"},
      {{"--seed", "4294967296"}, 2, "4294967296"},
      {{"--seed", "99999999999999999999999"}, 2, "9999"},
      {{"--display", ""}, 2, "display"},
      {{"--root", "--window"}, 2, "cannot be combined"},
      {{"--fullscreen", "--window-id", "5"}, 2, "cannot be combined"},
      {{"--window", "/s"}, 2, "/s"},
      // A first argument in the Windows style is judged by the Windows table: -1.
      {{"/x"}, 255, "/x"},
      {{"/"}, 255, "/"},
      {{"-"}, 255, "-"},
      {{"-frobnicate"}, 255, "-frobnicate"},
      {{"/p"}, 255, "exactly one window id"},
      {{"/p", "1", "2"}, 255, "exactly one window id"},
      {{"/p:1234"}, 255, "exactly one window id"},
  };
  for (const Case &C : Cases) {
    SCOPED_TRACE(Joined(C.Args));
    const Parsed P = Parse(C.Args);
    ASSERT_FALSE(P.Ok);
    EXPECT_EQ(P.Options.ErrorStatus, C.Status);
    EXPECT_NE(P.Error.find(C.Mentions), std::string::npos) << P.Error;
    EXPECT_EQ(P.Error.find('\n'), std::string::npos) << P.Error;
    EXPECT_FALSE(P.Error.empty());
  }
}

TEST(X11Options, NullArgumentsAreNoCrash) {
  const char *const WithNull[] = {"tolvane", "--root", nullptr};
  X11Options O;
  std::string Error;
  EXPECT_TRUE(ParseX11Options(2, WithNull, O, Error));
  EXPECT_EQ(O.Mode, X11Mode::Root);
  X11Options Empty;
  EXPECT_TRUE(ParseX11Options(0, nullptr, Empty, Error));
  EXPECT_EQ(Empty.Mode, X11Mode::Default);
}

// XScreenSaver builds the command line from tolvane.xml: every argument it can produce,
// at each end of each slider, must be one the saver takes.
TEST(X11Options, TheXScreenSaverDescriptionAsksOnlyForWhatTheSaverTakes) {
  std::ifstream In(TOLVANE_XML);
  ASSERT_TRUE(In) << TOLVANE_XML;
  std::stringstream Text;
  Text << In.rdbuf();
  const std::string Xml = Text.str();
  auto Attribute = [](const std::string &Element, const std::string &Name) {
    const std::regex Pattern("\\s" + Name + "=\"([^\"]*)\"");
    std::smatch M;
    return std::regex_search(Element, M, Pattern) ? M[1].str() : std::string();
  };
  std::vector<std::string> Fixed;                   // the command and the booleans' arguments
  std::vector<std::array<std::string, 3>> Sliders;  // the argument at low, default, high
  const std::regex ElementPattern("<(command|number|boolean)\\b[^>]*>");
  for (std::sregex_iterator I(Xml.begin(), Xml.end(), ElementPattern), End; I != End; ++I) {
    const std::string Element = I->str();
    if (I->str(1) == "number") {
      const std::string Arg = Attribute(Element, "arg");
      ASSERT_NE(Arg.find('%'), std::string::npos) << Element;
      std::array<std::string, 3> At;
      const char *Ends[] = {"low", "default", "high"};
      for (int K = 0; K < 3; ++K)
        At[K] = std::regex_replace(Arg, std::regex("%"), Attribute(Element, Ends[K]));
      Sliders.push_back(At);
    } else {
      for (const char *Name : {"arg", "arg-set", "arg-unset"})
        if (!Attribute(Element, Name).empty()) Fixed.push_back(Attribute(Element, Name));
    }
  }
  ASSERT_EQ(Sliders.size(), 2u);  // delay and enemy limit
  ASSERT_EQ(Fixed.size(), 2u);    // --root and --no-markers
  for (int K = 0; K < 3; ++K) {
    std::string Line = Fixed[0] + " " + Fixed[1];
    for (const auto &S : Sliders) Line += " " + S[K];
    SCOPED_TRACE(Line);
    std::vector<std::string> Words;
    std::istringstream Split(Line);
    for (std::string W; Split >> W;) Words.push_back(W);
    std::vector<const char *> Args;
    for (const std::string &W : Words) Args.push_back(W.c_str());
    const Parsed P = Parse(Args);
    ASSERT_TRUE(P.Ok) << P.Error;
    EXPECT_EQ(P.Options.Mode, X11Mode::Root);
    EXPECT_TRUE(P.Options.NoMarkers);
    EXPECT_TRUE(P.Options.MisailNum.has_value());
  }
}

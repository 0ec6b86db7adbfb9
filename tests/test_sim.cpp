// tolvane-sim run as a separate process: its output formats, its errors and the
// repeatability of a battle.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gif_lib.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

struct SimRun {
  int Status;
  std::string Out, Err;
};

std::string ReadAll(const std::string &Path) {
  std::ifstream In(Path, std::ios::binary);
  std::ostringstream S;
  S << In.rdbuf();
  return S.str();
}

std::string TempPath(const std::string &Name) {
  return ::testing::TempDir() + "tolvane-sim-" + std::to_string(getpid()) + "-" + Name;
}

SimRun Sim(const std::string &Args) {
  const std::string Out = TempPath("out"), Err = TempPath("err");
  const std::string Command =
      std::string(TOLVANE_SIM) + " " + Args + " >" + Out + " 2>" + Err + " </dev/null";
  const int Raw = std::system(Command.c_str());
  SimRun R{WIFEXITED(Raw) ? WEXITSTATUS(Raw) : -1, ReadAll(Out), ReadAll(Err)};
  std::remove(Out.c_str());
  std::remove(Err.c_str());
  return R;
}

std::vector<std::string> Lines(const std::string &Text) {
  std::vector<std::string> L;
  std::istringstream S(Text);
  for (std::string Line; std::getline(S, Line);) L.push_back(Line);
  return L;
}

uint64_t Fnv1a(const std::string &Text) {
  uint64_t H = 1469598103934665603ull;
  for (unsigned char c : Text) H = (H ^ c) * 1099511628211ull;
  return H;
}

}  // namespace

TEST(Sim, TraceStartsWithResetMarkersAndClear) {
  const SimRun R = Sim("--ticks 2 --trace");
  ASSERT_EQ(R.Status, 0) << R.Err;
  const std::vector<std::string> L = Lines(R.Out);
  ASSERT_GE(L.size(), 7u);
  EXPECT_EQ(
      std::vector<std::string>(L.begin(), L.begin() + 6),
      (std::vector<std::string>{"reset", "marker shpBaseC 316 472 1", "marker shpBaseL 103 472 1",
                                "marker shpBaseR 529 472 1", "fill 0 0 640 480", "tick 1"}));
  EXPECT_NE(std::find(L.begin(), L.end(), "tick 2"), L.end());
}

TEST(Sim, SettingsFileLoadsAsTheSaverWouldAndFlagsOverrideIt) {
  const std::string Path = TempPath("settings.ini");
  struct Case {
    const char *File;  // nullptr: no such file
    const char *Flags;
    const char *Marker;
    bool Enemies;
  } Cases[] = {
      {nullptr, "", "marker shpBaseC 316 472 1", true},
      {"150\r\n0\r\n", "", "marker shpBaseC 316 472 0", true},
      {"", "", "marker shpBaseC 316 472 1", false},  // an empty file: limit 0, no enemy
      {"", "--misailnum 50", "marker shpBaseC 316 472 1", true},
      {"150\r\n0\r\n", "--basevisible 257", "marker shpBaseC 316 472 1", true},
      {"100\r\n256\r\n", "", "marker shpBaseC 316 472 0", true},
  };
  for (const Case &C : Cases) {
    SCOPED_TRACE(testing::Message() << (C.File ? C.File : "(none)") << " " << C.Flags);
    std::remove(Path.c_str());
    if (C.File) std::ofstream(Path, std::ios::binary) << C.File;
    const SimRun R = Sim("--ticks 1500 --trace --dump --settings " + Path + " " + C.Flags);
    ASSERT_EQ(R.Status, 0) << R.Err;
    const std::vector<std::string> L = Lines(R.Out);
    ASSERT_GE(L.size(), 2u);
    EXPECT_EQ(L[1], C.Marker);
    EXPECT_EQ(R.Out.find("\nenemy ") != std::string::npos, C.Enemies);
    if (C.File) {
      EXPECT_EQ(ReadAll(Path), C.File) << "the simulator never writes the settings file";
    }
  }
  std::remove(Path.c_str());
}

TEST(Sim, DumpListsTheFinalStateConsistently) {
  const SimRun R = Sim("--width 800 --height 600 --seed 9 --level 1500 --ticks 3000 --dump");
  ASSERT_EQ(R.Status, 0) << R.Err;
  const std::vector<std::string> L = Lines(R.Out);
  ASSERT_FALSE(L.empty());
  int Level = -1, Single = -1, Carrier = -1;
  ASSERT_EQ(std::sscanf(L[0].c_str(), "level %d single %d carrier %d", &Level, &Single, &Carrier),
            3);
  EXPECT_GT(Level, 1500);
  int Singles = 0, Carriers = 0, LastEnemy = -1, LastInterceptor = -1;
  for (size_t i = 1; i < L.size(); i++) {
    int Slot, State;
    double x, y, dx, dy;
    if (std::sscanf(L[i].c_str(), "enemy %d %d %lf %lf %lf %lf", &Slot, &State, &x, &y, &dx, &dy) ==
        6) {
      EXPECT_GT(Slot, LastEnemy);
      EXPECT_EQ(LastInterceptor, -1) << "enemies come first";
      LastEnemy = Slot;
      (State == 2 ? Carriers : Singles)++;
    } else {
      ASSERT_EQ(
          std::sscanf(L[i].c_str(), "interceptor %d %lf %lf %lf %lf", &Slot, &x, &y, &dx, &dy), 5)
          << L[i];
      EXPECT_GT(Slot, LastInterceptor);
      LastInterceptor = Slot;
      EXPECT_NEAR(dx * dx + dy * dy, 36.0, 1e-9);
    }
  }
  EXPECT_EQ(Singles, Single);
  EXPECT_EQ(Carriers, Carrier);
}

// The same seed, field and settings give the same battle, bit for bit, on every build:
// the checksums below were taken from this program's own output.
TEST(Sim, BattlesRepeatExactly) {
  const std::string Golden = ReadAll(TOLVANE_GOLDEN_DIR "/dump-800x600-seed7-20000.txt");
  ASSERT_FALSE(Golden.empty());
  const SimRun R = Sim("--width 800 --height 600 --seed 7 --ticks 20000 --level 900 --dump");
  ASSERT_EQ(R.Status, 0) << R.Err;
  EXPECT_EQ(R.Out, Golden);

  const SimRun T1 = Sim("--width 320 --height 240 --seed 3 --ticks 4000 --level 1200 --trace");
  const SimRun T2 = Sim("--width 320 --height 240 --seed 3 --ticks 4000 --level 1200 --trace");
  ASSERT_EQ(T1.Status, 0);
  EXPECT_EQ(T1.Out, T2.Out);
  const std::string TraceSum = ReadAll(TOLVANE_GOLDEN_DIR "/trace-320x240-seed3-4000.fnv");
  char Hex[32];
  std::snprintf(Hex, sizeof Hex, "%016llx\n", static_cast<unsigned long long>(Fnv1a(T1.Out)));
  EXPECT_EQ(Hex, TraceSum);
}

TEST(Sim, BadOptionsGetOneLineAndStatusTwo) {
  const char *Cases[] = {"--bogus",
                         "--width",
                         "--width abc",
                         "--width -1",
                         "--width 16385",
                         "--height 1x",
                         "--seed 4294967296",
                         "--ticks -5",
                         "--level 100000",
                         "--level -1",
                         "--every 0",
                         "--misailnum 2147483648",
                         "--png ''",
                         "--settings ''",
                         "--width 0 --png x.png",
                         "--gif /nonexistent-dir/a.gif",
                         "--png /nonexistent-dir/a.png"};
  for (const char *Args : Cases) {
    SCOPED_TRACE(Args);
    const SimRun R = Sim(std::string(Args) + " --ticks 10");
    EXPECT_EQ(R.Status, 2);
    EXPECT_EQ(Lines(R.Err).size(), 1u) << R.Err;
    EXPECT_EQ(R.Err.rfind("tolvane-sim: ", 0), 0u) << R.Err;
  }
}

TEST(Sim, TinyFieldsAndExtremeSettingsRun) {
  const char *Cases[] = {"--width 0 --height 0",
                         "--width 1 --height 1 --level 5000",
                         "--width 100 --height 9",
                         "--misailnum -2147483648",
                         "--misailnum 2147483647 --level 99999",
                         "--misailnum 300 --level 2000"};
  for (const char *Args : Cases) {
    SCOPED_TRACE(Args);
    const SimRun R = Sim(std::string(Args) + " --ticks 20000 --dump");
    EXPECT_EQ(R.Status, 0) << R.Err;
    EXPECT_EQ(R.Out.rfind("level ", 0), 0u);
  }
}

TEST(Sim, WritesPngAndGif) {
  const std::string Png = TempPath("frame.png"), Gif = TempPath("run.gif");
  const SimRun R =
      Sim("--width 200 --height 150 --ticks 40 --every 4 --png " + Png + " --gif " + Gif);
  ASSERT_EQ(R.Status, 0) << R.Err;
  EXPECT_EQ(ReadAll(Png).substr(1, 3), "PNG");
  int Error = 0;
  GifFileType *G = DGifOpenFileName(Gif.c_str(), &Error);
  ASSERT_NE(G, nullptr);
  ASSERT_EQ(DGifSlurp(G), GIF_OK);
  EXPECT_EQ(G->SWidth, 200);
  EXPECT_EQ(G->SHeight, 150);
  // One frame for the first repaint and one for every 4th tick, each 4 centiseconds.
  ASSERT_EQ(G->ImageCount, 11);
  for (int i = 0; i < G->ImageCount; i++) {
    GraphicsControlBlock Block;
    ASSERT_EQ(DGifSavedExtensionToGCB(G, i, &Block), GIF_OK);
    EXPECT_EQ(Block.DelayTime, 4);
  }
  DGifCloseFile(G, &Error);
  std::remove(Png.c_str());
  std::remove(Gif.c_str());
}

// A ground flash is drawn and painted over within one tick; the GIF keeps its peak as a
// frame of its own.
TEST(Sim, GifKeepsEachGroundFlashAtItsPeak) {
  const std::string Args = "--width 640 --height 100 --seed 4 --ticks 800";
  const SimRun Trace = Sim(Args + " --trace");
  ASSERT_EQ(Trace.Status, 0);
  size_t Flashes = 0;
  for (const std::string &Line : Lines(Trace.Out)) Flashes += Line == "pen FFFFFF";
  ASSERT_GT(Flashes, 0u);
  const std::string Gif = TempPath("flash.gif");
  ASSERT_EQ(Sim(Args + " --gif " + Gif).Status, 0);
  int Error = 0;
  GifFileType *G = DGifOpenFileName(Gif.c_str(), &Error);
  ASSERT_NE(G, nullptr);
  ASSERT_EQ(DGifSlurp(G), GIF_OK);
  EXPECT_EQ(size_t(G->ImageCount), 1 + 800 / 2 + Flashes);
  DGifCloseFile(G, &Error);
  std::remove(Gif.c_str());
}

// tolvane run as XScreenSaver or a user runs it, on an Xvfb of the test's own: what it
// draws, how each mode ends, its errors and its settings file.
#include <gtest/gtest.h>
// After gtest: Xlib defines None, Status and Bool as macros.
#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <signal.h>

#include <cstdio>
#include <filesystem>
#include <set>

#include "display/pictures.h"
#include "tests/x11/x11_test_support.h"

namespace {

constexpr unsigned long Background = 0x123456;  // no palette colour: shows what was not drawn
// A window id no client of a fresh server holds: the 255th client's range.
constexpr const char *NoSuchWindow = "0x1ffffff0";

std::string Hex(unsigned long Id) {
  char Text[32];
  std::snprintf(Text, sizeof Text, "0x%lx", Id);
  return Text;
}

using TEnv = std::map<std::string, std::optional<std::string>>;

// The saver's environment: this test's display and a settings directory of its own.
TEnv SaverEnv(const std::string &ConfigDir) {
  return {{"DISPLAY", TXvfb::Get().Name()},
          {"XDG_CONFIG_HOME", ConfigDir},
          {"HOME", ConfigDir},
          {"XSCREENSAVER_WINDOW", std::nullopt}};
}

Window MakeWindow(Display *D, int Width, int Height) {
  const Window W = XCreateSimpleWindow(D, DefaultRootWindow(D), 0, 0, unsigned(Width),
                                       unsigned(Height), 0, Background, Background);
  XMapWindow(D, W);
  XSync(D, False);
  return W;
}

bool InPalette(uint32_t Rgb) {
  for (TColor C : Palette16)
    if ((C & 0xFFFFFF) == Rgb) return true;
  return false;
}

int CountIf(const TPixels &P, int Rows, const std::function<bool(uint32_t)> &Test) {
  int N = 0;
  for (int Y = 0; Y < Rows && Y < P.Height; ++Y)
    for (int X = 0; X < P.Width; ++X) N += Test(P.At(X, Y));
  return N;
}

// Sprites: lit pixels above the markers' rows.
int SpritePixels(const TPixels &P) {
  return CountIf(P, P.Height - 10, [](uint32_t C) { return C != 0 && C != Background; });
}

// The markers' top-left corners for a field of Width x Height: launchers at the middle
// and a third of the width either side, markers standing on the bottom edge.
std::vector<std::pair<int, int>> MarkerCorners(int Width, int Height) {
  const int C = Width / 2, L = C - Width / 3, R = C + Width / 3;
  return {{L - 4, Height - 8}, {C - 4, Height - 8}, {R - 4, Height - 8}};
}

bool AllMarkers(const TPixels &P) {
  for (auto [X, Y] : MarkerCorners(P.Width, P.Height))
    if (!MarkerAt(P, X, Y)) return false;
  return true;
}

std::vector<Window> TopWindows(Display *D) {
  Window RootReturn, Parent, *Children = nullptr;
  unsigned Count = 0;
  std::vector<Window> List;
  if (XQueryTree(D, DefaultRootWindow(D), &RootReturn, &Parent, &Children, &Count)) {
    List.assign(Children, Children + Count);
    XFree(Children);
  }
  return List;
}

// The saver's own window: mapped and titled "Tolvane", override-redirect or not.
Window FindSaverWindow(Display *D, bool OverrideRedirect) {
  for (Window W : TopWindows(D)) {
    XWindowAttributes A;
    if (!XGetWindowAttributes(D, W, &A) || A.map_state != IsViewable ||
        bool(A.override_redirect) != OverrideRedirect)
      continue;
    char *Name = nullptr;
    const bool Ours = XFetchName(D, W, &Name) && Name && std::string(Name) == "Tolvane";
    if (Name) XFree(Name);
    if (Ours) return W;
  }
  return 0;
}

void Xdotool(const std::vector<std::string> &Args) {
  std::vector<std::string> Command{"xdotool"};
  Command.insert(Command.end(), Args.begin(), Args.end());
  const TRun R = RunProgram(Command, {{"DISPLAY", TXvfb::Get().Name()}}, 5000);
  ASSERT_TRUE(R.Ended && R.ExitStatus == 0) << "xdotool failed: " << R.Err;
}

void SendMotion(Display *D, Window W, int X, int Y) {
  XEvent E{};
  E.xmotion.type = MotionNotify;
  E.xmotion.display = D;
  E.xmotion.window = W;
  E.xmotion.root = DefaultRootWindow(D);
  E.xmotion.x = E.xmotion.x_root = X;
  E.xmotion.y = E.xmotion.y_root = Y;
  E.xmotion.same_screen = True;
  XSendEvent(D, W, False, PointerMotionMask, &E);
  XSync(D, False);
}

void ExpectOneLineError(const TRun &R) {
  EXPECT_TRUE(R.Ended);
  EXPECT_EQ(R.Err.rfind("tolvane: ", 0), 0u) << R.Err;
  EXPECT_EQ(std::count(R.Err.begin(), R.Err.end(), '\n'), 1) << R.Err;
  EXPECT_EQ(R.Out, "");
}

}  // namespace

TEST(X11Saver, WindowIdDrawsTheFieldAndEndsWithItsWindow) {
  Display *D = TXvfb::Get().Connection();
  ASSERT_NE(D, nullptr);
  const std::string Dir = MakeTempDir("window-id");
  const Window Win = MakeWindow(D, 400, 300);
  TChild Saver({TOLVANE, "--window-id", Hex(Win), "--seed", "7", "--misailnum", "256"},
               SaverEnv(Dir));

  // The first frame: the whole window black, with the three markers on the ground line.
  TPixels P;
  ASSERT_TRUE(WaitFor([&] { return AllMarkers(P = ReadPixels(D, Win, 400, 300)); }, 5000))
      << Saver.Err();
  EXPECT_TRUE(MarkerAt(P, 63, 292) && MarkerAt(P, 196, 292) && MarkerAt(P, 329, 292));
  EXPECT_EQ(CountIf(P, 300, [](uint32_t C) { return !InPalette(C); }), 0)
      << "every pixel black or a palette colour: nothing of the window's own background left";

  // Then the battle: sprites in the palette's colours.
  ASSERT_TRUE(WaitFor([&] { return SpritePixels(P = ReadPixels(D, Win, 400, 300)) > 200; }, 5000));
  EXPECT_EQ(CountIf(P, 300, [](uint32_t C) { return !InPalette(C); }), 0);

  // An exposure repaints as a window system does: black and the markers.
  XClearArea(D, Win, 0, 0, 0, 0, True);
  XSync(D, False);
  EXPECT_TRUE(WaitFor(
      [&] {
        P = ReadPixels(D, Win, 400, 300);
        return AllMarkers(P) && CountIf(P, 300, [](uint32_t C) { return C == Background; }) == 0;
      },
      5000));

  XDestroyWindow(D, Win);
  XSync(D, False);
  ASSERT_TRUE(Saver.Wait(5000)) << "the saver outlived its window";
  EXPECT_EQ(Saver.ExitStatus(), 0) << Saver.Err();
  EXPECT_EQ(Saver.Err(), "");
  EXPECT_FALSE(FileExists(Dir + "/Tolvane.ini")) << "--misailnum is for this run only";
  std::filesystem::remove_all(Dir);
}

TEST(X11Saver, WindowModeResetsOnResizeAndEndsWhenTheWindowManagerClosesIt) {
  Display *D = TXvfb::Get().Connection();
  ASSERT_NE(D, nullptr);
  const std::string Dir = MakeTempDir("window");
  TChild Saver({TOLVANE, "--window", "--seed", "4"}, SaverEnv(Dir));

  Window Win = 0;
  ASSERT_TRUE(WaitFor([&] { return (Win = FindSaverWindow(D, false)) != 0; }, 5000)) << Saver.Err();
  TPixels P;
  ASSERT_TRUE(WaitFor([&] { return AllMarkers(P = ReadPixels(D, Win, 640, 480)); }, 5000));
  XClassHint Class;
  ASSERT_TRUE(XGetClassHint(D, Win, &Class));
  EXPECT_STREQ(Class.res_name, "tolvane");
  EXPECT_STREQ(Class.res_class, "Tolvane");
  XFree(Class.res_name);
  XFree(Class.res_class);
  const Atom Protocols = XInternAtom(D, "WM_PROTOCOLS", False);
  const Atom Delete = XInternAtom(D, "WM_DELETE_WINDOW", False);

  // A smaller window: a new battle on a new ground line.
  XResizeWindow(D, Win, 500, 300);
  XSync(D, False);
  EXPECT_TRUE(WaitFor([&] { return AllMarkers(P = ReadPixels(D, Win, 500, 300)); }, 5000));
  EXPECT_TRUE(MarkerAt(P, 80, 292) && MarkerAt(P, 246, 292) && MarkerAt(P, 412, 292));
  EXPECT_TRUE(Saver.Running());

  XEvent Close{};
  Close.xclient.type = ClientMessage;
  Close.xclient.window = Win;
  Close.xclient.message_type = Protocols;
  Close.xclient.format = 32;
  Close.xclient.data.l[0] = long(Delete);
  Close.xclient.data.l[1] = CurrentTime;
  XSendEvent(D, Win, False, NoEventMask, &Close);
  XSync(D, False);
  ASSERT_TRUE(Saver.Wait(5000));
  EXPECT_EQ(Saver.ExitStatus(), 0) << Saver.Err();
  EXPECT_EQ(ReadFile(Dir + "/Tolvane.ini"), "100\r\n1\r\n") << "the defaults, saved on a clean end";
  std::filesystem::remove_all(Dir);
}

TEST(X11Saver, FullscreenEndsOnAKeyAButtonOrAMoveButNotOnAMoveToItsStart) {
  Display *D = TXvfb::Get().Connection();
  ASSERT_NE(D, nullptr);
  struct Case {
    const char *What;
    std::function<void(Window)> End;
  } Cases[] = {
      {"a key",
       [](Window) {
         Xdotool({"key", "x"});
       }},
      {"a button",
       [](Window) {
         Xdotool({"click", "3"});
       }},
      {"the pointer one pixel right",
       [](Window) {
         Xdotool({"mousemove", "201", "150"});
       }},
      {"a move event one pixel down", [D](Window W) { SendMotion(D, W, 200, 151); }},
  };
  for (const Case &C : Cases) {
    SCOPED_TRACE(C.What);
    XWarpPointer(D, None, DefaultRootWindow(D), 0, 0, 0, 0, 200, 150);
    XSync(D, False);
    const std::string Dir = MakeTempDir("fullscreen");
    TChild Saver({TOLVANE, "--fullscreen", "--seed", "3"}, SaverEnv(Dir));

    Window Win = 0;
    ASSERT_TRUE(WaitFor([&] { return (Win = FindSaverWindow(D, true)) != 0; }, 5000))
        << Saver.Err();
    ASSERT_TRUE(WaitFor([&] { return AllMarkers(ReadPixels(D, Win, 1024, 768)); }, 5000));
    XWindowAttributes A;
    ASSERT_TRUE(XGetWindowAttributes(D, Win, &A));
    EXPECT_EQ(A.x, 0);
    EXPECT_EQ(A.y, 0);
    EXPECT_EQ(A.width, 1024);
    EXPECT_EQ(A.height, 768);

    // A move event at the start position does nothing. The saver takes events in
    // order, so once it has repainted the marker this exposure cleared, it has taken
    // the move before it.
    SendMotion(D, Win, 200, 150);
    XClearArea(D, Win, 508, 760, 8, 8, True);
    XSync(D, False);
    EXPECT_TRUE(WaitFor([&] { return MarkerAt(ReadPixels(D, Win, 1024, 768), 508, 760); }, 5000));
    EXPECT_TRUE(Saver.Running());

    C.End(Win);
    ASSERT_TRUE(Saver.Wait(5000)) << "still running";
    EXPECT_EQ(Saver.ExitStatus(), 0) << Saver.Err();
    EXPECT_EQ(ReadFile(Dir + "/Tolvane.ini"), "100\r\n1\r\n");
    std::filesystem::remove_all(Dir);
  }
}

TEST(X11Saver, SettingsAreSavedOnACleanStopUnlessOverridden) {
  Display *D = TXvfb::Get().Connection();
  ASSERT_NE(D, nullptr);
  struct Case {
    std::optional<std::string> Before;
    std::vector<std::string> Flags;
    int Signal;
    std::optional<std::string> After;  // nullopt: no file
    bool Markers;
  } Cases[] = {
      {std::nullopt, {}, SIGTERM, "100\r\n1\r\n", true},
      {" 37\n5", {}, SIGINT, "37\r\n5\r\n", true},
      {"150\r\n0\r\n", {"--misailnum", "50"}, SIGTERM, "150\r\n0\r\n", false},
      {"200\r\n1\r\n", {"--no-markers"}, SIGTERM, "200\r\n1\r\n", false},
      {std::nullopt, {"-no-markers"}, SIGINT, std::nullopt, false},
  };
  for (const Case &C : Cases) {
    SCOPED_TRACE(testing::Message() << (C.Before ? *C.Before : "(no file)") << " "
                                    << (C.Flags.empty() ? "" : C.Flags[0]));
    const std::string Dir = MakeTempDir("settings");
    const std::string Ini = Dir + "/Tolvane.ini";
    if (C.Before) WriteFile(Ini, *C.Before);
    const Window Win = MakeWindow(D, 200, 100);
    std::vector<std::string> Args{TOLVANE, "--window-id", Hex(Win), "--seed", "11"};
    Args.insert(Args.end(), C.Flags.begin(), C.Flags.end());
    TChild Saver(Args, SaverEnv(Dir));

    // Ticks draw only after the first repaint: once sprites show, the markers are in.
    TPixels P;
    ASSERT_TRUE(WaitFor([&] { return SpritePixels(P = ReadPixels(D, Win, 200, 100)) > 50; }, 5000))
        << Saver.Err();
    if (C.Markers) {
      EXPECT_TRUE(AllMarkers(P));
    } else {
      int Lit = 0;  // the markers' rows, where no sprite has come yet
      for (int Y = 92; Y < 100; ++Y)
        for (int X = 0; X < 200; ++X) Lit += P.At(X, Y) != 0;
      EXPECT_EQ(Lit, 0);
    }

    kill(Saver.Pid(), C.Signal);
    ASSERT_TRUE(Saver.Wait(5000));
    EXPECT_EQ(Saver.ExitStatus(), 0) << Saver.Err();
    if (C.After)
      EXPECT_EQ(ReadFile(Ini), *C.After);
    else
      EXPECT_FALSE(FileExists(Ini));
    XDestroyWindow(D, Win);
    XSync(D, False);
    std::filesystem::remove_all(Dir);
  }
}

TEST(X11Saver, BadWindowsAndDisplaysGetOneLineAndAFailingStatus) {
  ASSERT_FALSE(TXvfb::Get().Name().empty());
  const std::string Dir = MakeTempDir("errors");
  struct Case {
    std::vector<std::string> Args;
    TEnv Env;  // over the test's display and settings directory
    int ExitStatus;
    const char *Mentions;
  } Cases[] = {
      {{"--window-id", "banana"}, {}, 2, "banana"},
      {{"--window-id", NoSuchWindow}, {}, 1, "no window 0x1ffffff0"},
      {{"/p", "abc"}, {}, 1, "no window 0x0"},
      {{"/p", "536870896"}, {}, 1, "no window 0x1ffffff0"},
      {{"--root"}, {{"XSCREENSAVER_WINDOW", "junk"}}, 1, "XSCREENSAVER_WINDOW"},
      {{"--root"}, {{"XSCREENSAVER_WINDOW", NoSuchWindow}}, 1, "no window 0x1ffffff0"},
      {{"--window"}, {{"DISPLAY", std::nullopt}}, 1, "DISPLAY is not set"},
      {{"--fullscreen"}, {{"DISPLAY", ""}}, 1, "DISPLAY is not set"},
      {{"--window"}, {{"DISPLAY", ":4093"}}, 1, "cannot open the X display ':4093'"},
      {{"--root", "--display", ":4094"}, {}, 1, "':4094'"},
      {{"/x"}, {}, 255, "/x"},
      {{"--delay", "5"}, {}, 2, "--delay"},
  };
  for (const Case &C : Cases) {
    std::vector<std::string> Args{TOLVANE};
    Args.insert(Args.end(), C.Args.begin(), C.Args.end());
    SCOPED_TRACE(testing::Message() << Args[1] << " " << (Args.size() > 2 ? Args[2] : ""));
    TEnv Env = SaverEnv(Dir);
    for (const auto &[Name, Value] : C.Env) Env[Name] = Value;
    const TRun R = RunProgram(Args, Env);
    ExpectOneLineError(R);
    EXPECT_EQ(R.ExitStatus, C.ExitStatus);
    EXPECT_NE(R.Err.find(C.Mentions), std::string::npos) << R.Err;
  }
  EXPECT_FALSE(FileExists(Dir + "/Tolvane.ini")) << "a failed start saves nothing";
  std::filesystem::remove_all(Dir);
}

TEST(X11Saver, SettingsPasswordAndHelpNeedNoDisplay) {
  const std::string Dir = MakeTempDir("switches");
  const std::string Ini = Dir + "/Tolvane.ini";
  const TEnv NoDisplay{{"DISPLAY", std::nullopt}, {"XDG_CONFIG_HOME", Dir}, {"HOME", Dir}};
  struct Case {
    std::vector<std::string> Args;
    std::optional<std::string> File;
    std::vector<std::string> Mentions;
  } Cases[] = {
      {{"/c"}, "150\r\n0\r\n", {"Settings file: " + Ini + "\n", "Enemy limit: 150", "hidden (0)"}},
      {{"-C:1234"}, "99\r\n7\r\n", {"Enemy limit: 99", "shown (7)"}},
      {{}, std::nullopt, {"not written yet", "Enemy limit: 100", "shown (1)"}},
      {{"settings"}, std::nullopt, {"Enemy limit: 100"}},
      {{"/a"}, std::nullopt, {"no saver password"}},
      {{"/A", "1234"}, std::nullopt, {"no saver password"}},
      {{"--help"}, std::nullopt, {"usage: tolvane", "--window-id"}},
  };
  for (const Case &C : Cases) {
    std::vector<std::string> Args{TOLVANE};
    Args.insert(Args.end(), C.Args.begin(), C.Args.end());
    SCOPED_TRACE(Args.size() > 1 ? Args[1] : "(no argument)");
    std::filesystem::remove(Ini);
    if (C.File) WriteFile(Ini, *C.File);
    const TRun R = RunProgram(Args, NoDisplay);
    ASSERT_TRUE(R.Ended);
    EXPECT_EQ(R.ExitStatus, 0) << R.Err;
    EXPECT_EQ(R.Err, "");
    for (const std::string &M : C.Mentions) EXPECT_NE(R.Out.find(M), std::string::npos) << R.Out;
    if (C.File)
      EXPECT_EQ(ReadFile(Ini), *C.File) << "the settings are shown, not written";
    else
      EXPECT_FALSE(FileExists(Ini));
  }
  std::filesystem::remove_all(Dir);
}

#include "platform/x11/x11_saver.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <poll.h>
#include <signal.h>
#include <time.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "battle/battle.h"
#include "display/pictures.h"
#include "platform/x11/x11_canvas.h"
#include "settings/settings.h"
#include "shell/frm_main.h"

namespace {

volatile sig_atomic_t StopRequested = 0;
sigset_t WaitMask;  // the signal mask while waiting for a tick: SIGTERM and SIGINT open

void OnStopSignal(int) { StopRequested = 1; }

// X errors arrive asynchronously, long after the request that caused them. The handler
// only records them; the loop decides. Errors about the window drawn in mean that it
// went away, which ends a --window-id run cleanly.
Window WatchedWindow = 0;
bool WatchedGone = false;
bool OtherError = false;
XErrorEvent FirstError;

int OnXError(Display *, XErrorEvent *Event) {
  if (WatchedWindow != 0 && Event->resourceid == WatchedWindow) {
    WatchedGone = true;
  } else if (!OtherError) {
    OtherError = true;
    FirstError = *Event;
  }
  return 0;
}

int OnXIOError(Display *) {
  std::fputs("tolvane: lost the connection to the X server\n", stderr);
  return 0;  // Xlib exits
}

int Fail(const std::string &Message) {
  std::fprintf(stderr, "tolvane: %s\n", Message.c_str());
  return 1;
}

std::string Hex(unsigned long Id) {
  char Text[32];
  std::snprintf(Text, sizeof Text, "0x%lx", Id);
  return Text;
}

int64_t NowNanoseconds() {
  timespec T;
  clock_gettime(CLOCK_MONOTONIC, &T);
  return int64_t{T.tv_sec} * 1000000000 + T.tv_nsec;
}

uint32_t FixedSeed = 0;
uint32_t FixedClock() { return FixedSeed; }

class TX11Saver {
 public:
  TX11Saver(Display *Dpy, const X11Options &Options)
      : D(Dpy), O(Options), Screen(DefaultScreen(Dpy)), Root(RootWindow(Dpy, Screen)) {}
  ~TX11Saver();

  // Opens the mode's window and resets the battle on it; an error message on failure.
  std::string Open();
  // Ticks until the end. Returns false after an X error that is not the window's end.
  bool Run();
  std::string RunError() const;

 private:
  std::string OpenForeign(Window Which);
  void CreateOwnWindow();
  void CreateFullscreenWindow();
  void SetWindowIcon();
  void Resize(int32_t Width, int32_t Height);
  void Handle(const XEvent &Event);
  void RepaintAll();

  Display *D;
  const X11Options &O;
  int Screen;
  Window Root;
  Window Target = 0;
  bool OwnWindow = false;
  Visual *Vis = nullptr;
  int Depth = 0;
  Atom WmProtocols = 0, WmDeleteWindow = 0;
  Cursor Blank = 0;
  bool KeyboardGrabbed = false, PointerGrabbed = false;
  int StartX = INT_MIN, StartY = INT_MIN;  // the pointer at a full-screen start
  std::unique_ptr<TX11Canvas> Canvas;
  bool Quit = false;
};

TfrmMain &Form() {
  static TfrmMain Instance;
  return Instance;
}

const TShape *const *Markers() {
  static const TShape *const List[] = {&Form().shpBaseL, &Form().shpBaseC, &Form().shpBaseR};
  return List;
}

TX11Saver::~TX11Saver() {
  if (KeyboardGrabbed) XUngrabKeyboard(D, CurrentTime);
  if (PointerGrabbed) XUngrabPointer(D, CurrentTime);
  Form().Canvas = nullptr;
  Canvas.reset();
  if (OwnWindow) XDestroyWindow(D, Target);
  if (Blank) XFreeCursor(D, Blank);
  XSync(D, False);
}

std::string TX11Saver::OpenForeign(Window Which) {
  Target = Which;
  WatchedWindow = Which;
  XWindowAttributes A;
  const bool Got = XGetWindowAttributes(D, Target, &A) != 0;
  if (Got) XSelectInput(D, Target, ExposureMask | StructureNotifyMask);
  XSync(D, False);
  if (!Got || WatchedGone) return "there is no window " + Hex(Which) + " on this display";
  if (A.c_class == InputOnly)
    return "the window " + Hex(Which) + " is input-only: nothing shows in it";
  Vis = A.visual;
  Depth = A.depth;
  Form().ClientWidth = A.width;
  Form().ClientHeight = A.height;
  return {};
}

void TX11Saver::SetWindowIcon() {
  // _NET_WM_ICON: width, height, then ARGB pixels, each in a long (format 32).
  std::vector<long> Data;
  for (const TPicture *Pic : {&Icon32Picture, &Icon16Picture}) {
    Data.push_back(Pic->Width);
    Data.push_back(Pic->Height);
    for (int I = 0; I < Pic->Width * Pic->Height; ++I)
      Data.push_back(long(0xFF000000u | (Palette16[Pic->Pixels[I] & 15] & 0xFFFFFFu)));
  }
  XChangeProperty(D, Target, XInternAtom(D, "_NET_WM_ICON", False), XA_CARDINAL, 32,
                  PropModeReplace, reinterpret_cast<const unsigned char *>(Data.data()),
                  int(Data.size()));
}

void TX11Saver::CreateOwnWindow() {
  XSetWindowAttributes A{};
  A.background_pixel = BlackPixel(D, Screen);
  A.event_mask = ExposureMask | StructureNotifyMask;
  Target = XCreateWindow(D, Root, 0, 0, 640, 480, 0, CopyFromParent, InputOutput, CopyFromParent,
                         CWBackPixel | CWEventMask, &A);
  OwnWindow = true;
  XStoreName(D, Target, "Tolvane");
  const char Title[] = "Tolvane";
  XChangeProperty(D, Target, XInternAtom(D, "_NET_WM_NAME", False),
                  XInternAtom(D, "UTF8_STRING", False), 8, PropModeReplace,
                  reinterpret_cast<const unsigned char *>(Title), int(sizeof Title - 1));
  char ResName[] = "tolvane", ResClass[] = "Tolvane";
  XClassHint Class{ResName, ResClass};
  XSetClassHint(D, Target, &Class);
  WmProtocols = XInternAtom(D, "WM_PROTOCOLS", False);
  WmDeleteWindow = XInternAtom(D, "WM_DELETE_WINDOW", False);
  XSetWMProtocols(D, Target, &WmDeleteWindow, 1);
  SetWindowIcon();
  Vis = DefaultVisual(D, Screen);
  Depth = DefaultDepth(D, Screen);
  Form().ClientWidth = 640;
  Form().ClientHeight = 480;
}

void TX11Saver::CreateFullscreenWindow() {
  // The start position that a mouse move has to leave; on another screen, any move.
  Window RootReturn, Child;
  int WinX, WinY;
  unsigned Mask;
  if (!XQueryPointer(D, Root, &RootReturn, &Child, &StartX, &StartY, &WinX, &WinY, &Mask))
    StartX = StartY = INT_MIN;

  static const char NoBits[1] = {0};
  const Pixmap Empty = XCreateBitmapFromData(D, Root, NoBits, 1, 1);
  XColor Black{};
  Blank = XCreatePixmapCursor(D, Empty, Empty, &Black, &Black, 0, 0);
  XFreePixmap(D, Empty);

  const int Width = DisplayWidth(D, Screen), Height = DisplayHeight(D, Screen);
  XSetWindowAttributes A{};
  A.override_redirect = True;
  A.background_pixel = BlackPixel(D, Screen);
  A.cursor = Blank;
  A.event_mask =
      KeyPressMask | ButtonPressMask | PointerMotionMask | ExposureMask | StructureNotifyMask;
  Target = XCreateWindow(D, Root, 0, 0, unsigned(Width), unsigned(Height), 0, CopyFromParent,
                         InputOutput, CopyFromParent,
                         CWOverrideRedirect | CWBackPixel | CWCursor | CWEventMask, &A);
  OwnWindow = true;
  XStoreName(D, Target, "Tolvane");
  XMapRaised(D, Target);
  XSync(D, False);
  // Another client may hold a grab for a moment (a key still down, a menu closing):
  // retry briefly, then run without, as input to the window still ends the saver.
  for (int Try = 0; Try < 25 && !(KeyboardGrabbed && PointerGrabbed); ++Try) {
    if (!KeyboardGrabbed)
      KeyboardGrabbed =
          XGrabKeyboard(D, Target, True, GrabModeAsync, GrabModeAsync, CurrentTime) == GrabSuccess;
    if (!PointerGrabbed)
      PointerGrabbed =
          XGrabPointer(D, Target, True, ButtonPressMask | PointerMotionMask, GrabModeAsync,
                       GrabModeAsync, None, Blank, CurrentTime) == GrabSuccess;
    if (!(KeyboardGrabbed && PointerGrabbed)) {
      const timespec Pause{0, 20 * 1000 * 1000};
      nanosleep(&Pause, nullptr);
    }
  }
  Vis = DefaultVisual(D, Screen);
  Depth = DefaultDepth(D, Screen);
  Form().ClientWidth = Width;
  Form().ClientHeight = Height;
}

std::string TX11Saver::Open() {
  std::string Error;
  switch (O.Mode) {
    case X11Mode::Root: {
      const char *Env = std::getenv("XSCREENSAVER_WINDOW");
      uint32_t Id = 0;
      if (Env != nullptr && *Env != '\0') {
        if (!ParseWindowId(Env, Id))
          return std::string("XSCREENSAVER_WINDOW is not a window id: '") + Env + "'";
        Error = OpenForeign(Id);
      } else {
        Error = OpenForeign(Root);
      }
      break;
    }
    case X11Mode::WindowId: Error = OpenForeign(O.WindowId); break;
    case X11Mode::Fullscreen: CreateFullscreenWindow(); break;
    default: CreateOwnWindow(); break;
  }
  if (!Error.empty()) return Error;
  // From here on, errors about the window drawn in mean that it went away.
  WatchedWindow = Target;

  Canvas = std::make_unique<TX11Canvas>(D, Target, Vis, Depth);
  if (!Canvas->Error().empty()) return Canvas->Error();
  XSync(D, False);
  if (WatchedGone) return "the window " + Hex(Target) + " went away";
  if (OtherError) return RunError();

  if (O.Seed) {
    FixedSeed = *O.Seed;
    BattleClock = FixedClock;
  }
  frmMain = &Form();
  Form().Canvas = Canvas.get();
  Canvas->SetClientSize(Form().ClientWidth, Form().ClientHeight);
  ResetBattle();
  // In its own window the first Expose paints; elsewhere the window is showing already.
  if (O.Mode == X11Mode::Window) {
    Canvas->TakeShapesChanged();
    XMapWindow(D, Target);
  }
  return {};
}

std::string TX11Saver::RunError() const {
  char Text[256];
  XGetErrorText(D, FirstError.error_code, Text, sizeof Text);
  return std::string("the X server reported an error: ") + Text + " (request " +
         std::to_string(FirstError.request_code) + ")";
}

void TX11Saver::RepaintAll() { Canvas->Repaint(Form().ClientRect(), Markers(), 3); }

void TX11Saver::Resize(int32_t Width, int32_t Height) {
  if (Width == Form().ClientWidth && Height == Form().ClientHeight) return;
  Form().ClientWidth = Width;
  Form().ClientHeight = Height;
  Canvas->SetClientSize(Width, Height);
  ResetBattle();
}

void TX11Saver::Handle(const XEvent &E) {
  const bool Fullscreen = O.Mode == X11Mode::Fullscreen;
  switch (E.type) {
    case Expose:
      if (E.xexpose.window == Target)
        Canvas->Repaint({E.xexpose.x, E.xexpose.y, E.xexpose.x + E.xexpose.width,
                         E.xexpose.y + E.xexpose.height},
                        Markers(), 3);
      break;
    case ConfigureNotify:
      if (E.xconfigure.window == Target && !Fullscreen)
        Resize(E.xconfigure.width, E.xconfigure.height);
      break;
    case DestroyNotify:
      if (E.xdestroywindow.window == Target) {
        WatchedGone = true;
        Quit = true;
      }
      break;
    case ClientMessage:
      if (E.xclient.message_type == WmProtocols && E.xclient.format == 32 &&
          Atom(E.xclient.data.l[0]) == WmDeleteWindow)
        Quit = true;
      break;
    case KeyPress:
    case ButtonPress:
      if (Fullscreen) Quit = true;
      break;
    case MotionNotify:
      // A move event at the start position, such as one that comes when the window
      // appears under a still pointer, is no move; one pixel off is.
      if (Fullscreen && (E.xmotion.x_root != StartX || E.xmotion.y_root != StartY)) Quit = true;
      break;
  }
}

bool TX11Saver::Run() {
  const int Fd = ConnectionNumber(D);
  const int64_t Period = O.DelayMicroseconds * 1000;
  int64_t Next = NowNanoseconds() + Period;
  for (;;) {
    // XPending flushes what is still buffered (a repaint), then reads what has arrived.
    while (!Quit && XPending(D) > 0) {
      XEvent Event;
      XNextEvent(D, &Event);
      Handle(Event);
    }
    if (Quit || StopRequested || WatchedGone) return true;
    if (OtherError) return false;
    // Moving or showing a marker invalidates the window, which repaints before the
    // next tick as on Windows.
    if (Canvas->TakeShapesChanged()) RepaintAll();

    int64_t Now = NowNanoseconds();
    if (Now >= Next) {
      Form().cTimerTimer(&Form());
      XFlush(D);
      // One tick per wake-up: after a stall the battle skips ahead rather than
      // catching up in a burst.
      Next += Period;
      if (Next <= Now) Next = Now + Period;
      // Events that arrive during a tick leave the socket readable and end the wait
      // at once; only those Xlib has already queued need a look here.
      Now = NowNanoseconds();
      if (XEventsQueued(D, QueuedAlready) > 0) continue;
    }
    // Waits even when the next tick is due: a wait is where the stop signals come in.
    const int64_t Wait = Next > Now ? Next - Now : 0;
    const timespec Timeout{time_t(Wait / 1000000000), long(Wait % 1000000000)};
    pollfd P{Fd, POLLIN, 0};
    ppoll(&P, 1, &Timeout, &WaitMask);  // EINTR: a stop signal, seen above
  }
}

}  // namespace

void InstallStopSignals() {
  struct sigaction Action {};
  Action.sa_handler = OnStopSignal;
  sigemptyset(&Action.sa_mask);
  sigaction(SIGTERM, &Action, nullptr);
  sigaction(SIGINT, &Action, nullptr);
  // A server that goes away makes writes fail with EPIPE, which Xlib reports.
  signal(SIGPIPE, SIG_IGN);
  sigset_t Stop;
  sigemptyset(&Stop);
  sigaddset(&Stop, SIGTERM);
  sigaddset(&Stop, SIGINT);
  sigprocmask(SIG_BLOCK, &Stop, &WaitMask);
  sigdelset(&WaitMask, SIGTERM);
  sigdelset(&WaitMask, SIGINT);
}

int RunX11Saver(const X11Options &O) {
  std::string Name = O.Display;
  if (Name.empty()) {
    const char *Env = std::getenv("DISPLAY");
    if (Env == nullptr || *Env == '\0')
      return Fail("no X display: DISPLAY is not set (give --display NAME)");
    Name = Env;
  }
  Display *D = XOpenDisplay(Name.c_str());
  if (D == nullptr) return Fail("cannot open the X display '" + Name + "'");
  XSetErrorHandler(OnXError);
  XSetIOErrorHandler(OnXIOError);

  int ExitStatus = 0;
  {
    TX11Saver Saver(D, O);
    const std::string Error = Saver.Open();
    if (!Error.empty()) {
      ExitStatus = Fail(Error);
    } else if (!Saver.Run()) {
      ExitStatus = Fail(Saver.RunError());
    }
  }
  XCloseDisplay(D);
  // As the Windows saver does when its window is destroyed; a value given for this run
  // only must not reach the file.
  if (ExitStatus == 0 && !O.MisailNum && !O.NoMarkers) SaveSettings();
  return ExitStatus;
}

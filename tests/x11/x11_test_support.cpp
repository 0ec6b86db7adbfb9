#include <gtest/gtest.h>
// After gtest: Xlib defines None, Status and Bool as macros.
#include "tests/x11/x11_test_support.h"

#include <X11/Xutil.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <bit>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <sstream>
#include <thread>

namespace {

int64_t NowMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

void SleepMs(int Ms) { std::this_thread::sleep_for(std::chrono::milliseconds(Ms)); }

// Reaps Pid within TimeoutMs; SIGKILLs it after that. Returns whether it ended by itself.
bool Reap(pid_t Pid, int TimeoutMs, int &Code) {
  const int64_t Deadline = NowMs() + TimeoutMs;
  for (;;) {
    int Raw = 0;
    const pid_t R = waitpid(Pid, &Raw, WNOHANG);
    if (R == Pid) {
      Code = WIFEXITED(Raw) ? WEXITSTATUS(Raw) : 128 + WTERMSIG(Raw);
      return true;
    }
    if (R < 0) {
      Code = -1;
      return true;
    }
    if (NowMs() >= Deadline) {
      kill(Pid, SIGKILL);
      waitpid(Pid, &Raw, 0);
      Code = 128 + SIGKILL;
      return false;
    }
    SleepMs(5);
  }
}

// The test's connection must outlive windows of the saver that vanish under it: X
// errors are expected here and must not end the test program.
int IgnoreXError(Display *, XErrorEvent *) { return 0; }

std::string TempBase() {
  static int Counter = 0;
  return ::testing::TempDir() + "tolvane-x11-" + std::to_string(getpid()) + "-" +
         std::to_string(Counter++);
}

}  // namespace

TXvfb &TXvfb::Get(const std::string &Screen) {
  static std::map<std::string, std::unique_ptr<TXvfb>> Servers;
  std::unique_ptr<TXvfb> &Server = Servers[Screen];
  if (!Server) Server.reset(new TXvfb(Screen));
  if (Server->FName.empty()) ADD_FAILURE() << "no Xvfb: " << Server->FError;
  return *Server;
}

TXvfb::TXvfb(const std::string &Screen) {
  int Pipe[2];
  if (pipe(Pipe) != 0) {
    FError = "pipe failed";
    return;
  }
  const pid_t Parent = getpid();
  FPid = fork();
  if (FPid == 0) {
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (getppid() != Parent) _exit(127);
    close(Pipe[0]);
    const int Null = open("/dev/null", O_RDWR);
    dup2(Null, 0);
    dup2(Null, 1);
    dup2(Null, 2);
    const std::string Fd = std::to_string(Pipe[1]);
    execlp("Xvfb", "Xvfb", "-displayfd", Fd.c_str(), "-screen", "0", Screen.c_str(), "-nolisten",
           "tcp", "-noreset", static_cast<char *>(nullptr));
    _exit(127);
  }
  close(Pipe[1]);
  if (FPid < 0) {
    close(Pipe[0]);
    FError = "fork failed";
    return;
  }
  // Xvfb writes the display number once it takes connections.
  std::string Number;
  const int64_t Deadline = NowMs() + 15000;
  for (;;) {
    pollfd P{Pipe[0], POLLIN, 0};
    const int64_t Left = Deadline - NowMs();
    if (Left <= 0 || poll(&P, 1, int(Left)) <= 0) break;
    char C;
    if (read(Pipe[0], &C, 1) != 1 || C == '\n') break;
    Number += C;
  }
  close(Pipe[0]);
  if (Number.empty()) {
    FError = "Xvfb did not start (is the xvfb package installed?)";
    int Code;
    Reap(FPid, 0, Code);
    FPid = -1;
    return;
  }
  FName = ":" + Number;
}

TXvfb::~TXvfb() {
  if (FDisplay) XCloseDisplay(FDisplay);
  if (FPid > 0) {
    kill(FPid, SIGTERM);
    int Code;
    Reap(FPid, 3000, Code);
  }
}

Display *TXvfb::Connection() {
  if (!FDisplay && !FName.empty()) {
    FDisplay = XOpenDisplay(FName.c_str());
    XSetErrorHandler(IgnoreXError);
  }
  return FDisplay;
}

TChild::TChild(const std::vector<std::string> &Args,
               const std::map<std::string, std::optional<std::string>> &Env) {
  const std::string Base = TempBase();
  FOutPath = Base + "-out";
  FErrPath = Base + "-err";
  const pid_t Parent = getpid();
  FPid = fork();
  if (FPid == 0) {
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (getppid() != Parent) _exit(127);
    const int In = open("/dev/null", O_RDONLY);
    const int Out = open(FOutPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    const int Err = open(FErrPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    dup2(In, 0);
    dup2(Out, 1);
    dup2(Err, 2);
    // The test program may have SIGTERM or SIGINT blocked; the child starts clean.
    sigset_t Open;
    sigemptyset(&Open);
    sigprocmask(SIG_SETMASK, &Open, nullptr);
    for (const auto &[Name, Value] : Env) {
      if (Value)
        setenv(Name.c_str(), Value->c_str(), 1);
      else
        unsetenv(Name.c_str());
    }
    std::vector<char *> Argv;
    for (const std::string &A : Args) Argv.push_back(const_cast<char *>(A.c_str()));
    Argv.push_back(nullptr);
    execvp(Argv[0], Argv.data());
    _exit(127);
  }
  if (FPid < 0) {
    FDone = true;
    ADD_FAILURE() << "fork failed";
  }
}

TChild::~TChild() {
  if (!FDone && FPid > 0) {
    kill(FPid, SIGKILL);
    int Code;
    Reap(FPid, 3000, Code);
  }
  std::remove(FOutPath.c_str());
  std::remove(FErrPath.c_str());
}

bool TChild::Running() {
  if (FDone) return false;
  int Raw = 0;
  if (waitpid(FPid, &Raw, WNOHANG) == FPid) {
    FDone = true;
    FStatus = WIFEXITED(Raw) ? WEXITSTATUS(Raw) : 128 + WTERMSIG(Raw);
  }
  return !FDone;
}

bool TChild::Wait(int TimeoutMs) {
  if (FDone) return true;
  const bool Ended = Reap(FPid, TimeoutMs, FStatus);
  FDone = true;
  return Ended;
}

std::string TChild::Out() const { return ReadFile(FOutPath); }
std::string TChild::Err() const { return ReadFile(FErrPath); }

TRun RunProgram(const std::vector<std::string> &Args,
                const std::map<std::string, std::optional<std::string>> &Env, int TimeoutMs) {
  TChild Child(Args, Env);
  const bool Ended = Child.Wait(TimeoutMs);
  return {Ended, Child.ExitStatus(), Child.Out(), Child.Err()};
}

bool WaitFor(const std::function<bool()> &Condition, int TimeoutMs) {
  const int64_t Deadline = NowMs() + TimeoutMs;
  for (;;) {
    if (Condition()) return true;
    if (NowMs() >= Deadline) return false;
    SleepMs(20);
  }
}

TPixels ReadPixels(Display *D, Drawable Which, int Width, int Height) {
  TPixels P;
  XImage *Image = XGetImage(D, Which, 0, 0, unsigned(Width), unsigned(Height), AllPlanes, ZPixmap);
  if (Image == nullptr) return P;
  // The test screens are TrueColor: read the channels through the default visual's masks.
  const Visual *V = DefaultVisual(D, DefaultScreen(D));
  auto Channel = [](unsigned long Pixel, unsigned long Mask) -> uint32_t {
    if (Mask == 0) return 0;
    const int Shift = std::countr_zero(Mask);
    const unsigned long Max = Mask >> Shift;
    return uint32_t(((Pixel & Mask) >> Shift) * 255 / Max);
  };
  P.Width = Width;
  P.Height = Height;
  P.Rgb.resize(size_t(Width) * Height);
  for (int Y = 0; Y < Height; ++Y)
    for (int X = 0; X < Width; ++X) {
      const unsigned long Pixel = XGetPixel(Image, X, Y);
      P.Rgb[size_t(Y) * Width + X] = Channel(Pixel, V->red_mask) << 16 |
                                     Channel(Pixel, V->green_mask) << 8 |
                                     Channel(Pixel, V->blue_mask);
    }
  XDestroyImage(Image);
  return P;
}

bool MarkerAt(const TPixels &P, int Left, int Top) {
  if (P.Empty() || Left < 0 || Top < 0 || Left + 8 > P.Width || Top + 8 > P.Height) return false;
  for (int Y = 0; Y < 8; ++Y)
    for (int X = 0; X < 8; ++X) {
      const bool Edge = X == 0 || Y == 0 || X == 7 || Y == 7;
      if (P.At(Left + X, Top + Y) != (Edge ? 0xFFFF00u : 0x00FF00u)) return false;
    }
  return true;
}

std::string MakeTempDir(const std::string &Tag) {
  const std::string Dir = TempBase() + "-" + Tag;
  mkdir(Dir.c_str(), 0700);
  return Dir;
}

std::string ReadFile(const std::string &Path) {
  std::ifstream In(Path, std::ios::binary);
  std::ostringstream S;
  S << In.rdbuf();
  return S.str();
}

void WriteFile(const std::string &Path, const std::string &Bytes) {
  std::ofstream(Path, std::ios::binary) << Bytes;
}

bool FileExists(const std::string &Path) {
  struct stat St;
  return stat(Path.c_str(), &St) == 0;
}

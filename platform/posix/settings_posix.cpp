// Where the settings file lives on POSIX systems, and how a new one replaces the old.
#include "settings/settings.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <fcntl.h>
#include <pwd.h>
#include <unistd.h>

namespace {

constexpr const char *IniName = "Tolvane.ini";

// The home directory from the environment, else from the user database; empty if neither
// gives an absolute path.
std::string HomeDirectory() {
  const char *Home = std::getenv("HOME");
  if (Home != nullptr && Home[0] == '/') return Home;
  long Size = sysconf(_SC_GETPW_R_SIZE_MAX);
  std::vector<char> Buffer(Size > 0 ? static_cast<std::size_t>(Size) : 16384);
  passwd Entry{};
  passwd *Found = nullptr;
  if (getpwuid_r(getuid(), &Entry, Buffer.data(), Buffer.size(), &Found) != 0 || Found == nullptr ||
      Found->pw_dir == nullptr || Found->pw_dir[0] != '/')
    return {};
  return Found->pw_dir;
}

std::string JoinPath(std::string Dir, const char *Name) {
  if (Dir.empty() || Dir.back() != '/') Dir += '/';
  return Dir + Name;
}

}  // namespace

void BuildIniPath() {
  std::string Path;
  // A relative XDG_CONFIG_HOME is to be ignored, as if unset.
  const char *Config = std::getenv("XDG_CONFIG_HOME");
  if (Config != nullptr && Config[0] == '/') {
    Path = JoinPath(Config, IniName);
  } else {
    std::string Home = HomeDirectory();
    if (!Home.empty()) Path = JoinPath(JoinPath(Home, ".config"), IniName);
  }
  // A path that does not fit is not cut short: an empty one makes loading take the
  // defaults and saving fail, rather than touching some other file.
  if (Path.empty() || Path.size() >= static_cast<std::size_t>(IniPathSize)) {
    IniPath[0] = '\0';
    return;
  }
  std::memcpy(IniPath, Path.c_str(), Path.size() + 1);
}

bool ReplaceFileWith(const char *Temp, const char *Path) {
  // The data must be on disk before the rename, or a crash could leave an empty file
  // where the old one was.
  int Fd = open(Temp, O_RDONLY | O_CLOEXEC);
  if (Fd < 0) return false;
  bool Synced = fsync(Fd) == 0 || errno == EINVAL;  // EINVAL: the file system cannot sync
  close(Fd);
  if (!Synced) return false;
  // rename replaces Path in one step: readers see the old file or the new, never a mix.
  return std::rename(Temp, Path) == 0;
}

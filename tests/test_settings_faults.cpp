// The settings file under faults: foreign encodings, noise, numbers beyond 32 bits,
// things in the file's place that are not a file, a file the user may not change, and
// saves cut off part-way. A load never crashes or writes; a save either puts a whole new
// file in place or leaves the old one exactly as it was.
#include "settings/settings.h"

#include "tests/settings_files.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

using namespace std::string_literals;

// The bytes SaveSettings writes for the given values.
std::string FileText(int32_t Limit, int8_t Flag) {
  return std::to_string(Limit) + "\r\n" + std::to_string(Flag) + "\r\n";
}

// Each test works in its own fresh directory and leaves the globals as it found them.
class SettingsFaults : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string Pattern = (fs::temp_directory_path() / "tolvane-faults-XXXXXX").string();
    ASSERT_NE(mkdtemp(Pattern.data()), nullptr);
    Dir = Pattern;
    Ini = Dir / "Tolvane.ini";
    std::memcpy(SavedPath, IniPath, IniPathSize);
    Saved = {MisailNum, BaseVisible};
    UsePath(Ini);
    MisailNumOverride.reset();
    BaseVisibleOverride.reset();
  }

  void TearDown() override {
    std::error_code Ignored;
    fs::permissions(Dir, fs::perms::owner_all, fs::perm_options::add, Ignored);
    fs::remove_all(Dir, Ignored);
    std::memcpy(IniPath, SavedPath, IniPathSize);
    MisailNum = Saved.MisailNum;
    BaseVisible = Saved.BaseVisible;
  }

  static void UsePath(const fs::path &Path) {
    const std::string Text = Path.string();
    ASSERT_LT(Text.size(), static_cast<std::size_t>(IniPathSize));
    std::memcpy(IniPath, Text.c_str(), Text.size() + 1);
  }

  SettingsValues LoadFrom(SettingsValues Previous) {
    MisailNum = Previous.MisailNum;
    BaseVisible = Previous.BaseVisible;
    LoadSettings();
    return {MisailNum, BaseVisible};
  }

  std::vector<std::string> Listing() const {
    std::vector<std::string> Names;
    for (auto &Entry : fs::directory_iterator(Dir))
      Names.push_back(Entry.path().filename().string());
    std::sort(Names.begin(), Names.end());
    return Names;
  }

  fs::path Dir, Ini;
  char SavedPath[IniPathSize];
  SettingsValues Saved{};
};

// Runs Save in a forked child after Prepare, as user nobody when AsNobody. Returns the
// child's wait status, or nullopt when the child could not be set up.
template <typename F>
std::optional<int> SaveInChild(bool AsNobody, F Prepare) {
  const pid_t Child = fork();
  if (Child < 0) return std::nullopt;
  if (Child == 0) {
    if (AsNobody && (setgid(65534) != 0 || setuid(65534) != 0)) _exit(3);
    Prepare();
    _exit(SaveSettings() ? 1 : 0);
  }
  int Status = 0;
  if (waitpid(Child, &Status, 0) != Child) return std::nullopt;
  if (WIFEXITED(Status) && WEXITSTATUS(Status) > 1) return std::nullopt;
  return Status;
}

// ASCII text as UTF-16, each character in two bytes.
std::string Utf16(const std::string &Ascii, bool BigEndian) {
  std::string Wide;
  for (char C : Ascii) {
    Wide += BigEndian ? '\0' : C;
    Wide += BigEndian ? C : '\0';
  }
  return Wide;
}

// A file saved with a byte-order mark, or in UTF-16, is read byte by byte: the mark
// is not a number. Whatever was read, the next save writes plain ASCII.
TEST_F(SettingsFaults, ByteOrderMarksAndUtf16) {
  struct Case {
    const char *Name;
    std::string Content;
    SettingsValues Expected;  // from the start values 0 and 1
  } Cases[] = {
      {"UTF-8 mark alone", "\xEF\xBB\xBF", {0, 1}},
      {"UTF-8 mark before the second number",
       "150\r\n\xEF\xBB\xBF"
       "0\r\n",
       {150, 1}},
      {"UTF-16LE with its mark", "\xFF\xFE" + Utf16("150\r\n0\r\n", false), {0, 1}},
      {"UTF-16BE with its mark", "\xFE\xFF" + Utf16("150\r\n0\r\n", true), {0, 1}},
      {"UTF-16LE without a mark: the NUL after the first digit stops",
       Utf16("150\r\n0\r\n", false),
       {1, 1}},
  };
  for (const Case &C : Cases) {
    SCOPED_TRACE(C.Name);
    WriteBytes(Ini, C.Content);
    const SettingsValues Got = LoadFrom({0, 1});
    EXPECT_EQ(Got.MisailNum, C.Expected.MisailNum);
    EXPECT_EQ(Got.BaseVisible, C.Expected.BaseVisible);
    ASSERT_TRUE(SaveSettings());
    EXPECT_EQ(ReadBytes(Ini), FileText(C.Expected.MisailNum, C.Expected.BaseVisible));
  }
}

// A megabyte of noise: loading reads what the known prefix says, leaves the file as it
// was, and a save replaces the whole of it.
TEST_F(SettingsFaults, MegabyteOfRandomBytes) {
  struct Case {
    const char *Name;
    std::string Prefix;
    bool DigitsInNoise;
    SettingsValues Expected;  // from 9 and 4
  } Cases[] = {
      {"noise without digits", "", false, {9, 4}},
      {"two numbers, then any noise", "77\r\n-3\r\n", true, {77, -3}},
      {"one number, a letter, then noise without digits", "77\r\nz", false, {77, 4}},
  };
  for (const Case &C : Cases) {
    for (uint32_t Seed : {1u, 2u, 3u}) {
      SCOPED_TRACE(testing::Message() << C.Name << ", seed " << Seed);
      std::mt19937 Rng(Seed);
      std::string Bytes = C.Prefix;
      Bytes.reserve(C.Prefix.size() + (1u << 20));
      while (Bytes.size() < C.Prefix.size() + (1u << 20)) {
        char B = static_cast<char>(Rng() & 0xFF);
        if (!C.DigitsInNoise && B >= '0' && B <= '9') B = '#';
        Bytes += B;
      }
      WriteBytes(Ini, Bytes);
      const SettingsValues Got = LoadFrom({9, 4});
      EXPECT_EQ(Got.MisailNum, C.Expected.MisailNum);
      EXPECT_EQ(Got.BaseVisible, C.Expected.BaseVisible);
      EXPECT_TRUE(ReadBytes(Ini) == Bytes) << "loading changed the file";

      ASSERT_TRUE(SaveSettings());
      EXPECT_EQ(ReadBytes(Ini), FileText(C.Expected.MisailNum, C.Expected.BaseVisible));
      EXPECT_EQ(Listing(), std::vector<std::string>{"Tolvane.ini"});
    }
  }
}

// A number too long for 32 bits loads as its value modulo 2^32; saving writes that
// value, which then loads back unchanged.
TEST_F(SettingsFaults, NumbersBeyond32BitsSaveAsWhatWasLoaded) {
  struct Case {
    std::string Content;
    std::string Saved;
  } Cases[] = {
      {"99999999999999999999\r\n4294967552\r\n", "1661992959\r\n0\r\n"},
      {"-2147483649\r\n-4294967041\r\n", "2147483647\r\n-1\r\n"},
      {"2147483648\r\n383\r\n", "-2147483648\r\n127\r\n"},
  };
  for (const Case &C : Cases) {
    SCOPED_TRACE(C.Content);
    WriteBytes(Ini, C.Content);
    const SettingsValues First = LoadFrom({5, 5});
    ASSERT_TRUE(SaveSettings());
    EXPECT_EQ(ReadBytes(Ini), C.Saved);
    const SettingsValues Again = LoadFrom({6, 6});
    EXPECT_EQ(Again.MisailNum, First.MisailNum);
    EXPECT_EQ(Again.BaseVisible, First.BaseVisible);
  }
}

// A directory with files in it where the settings file belongs: loading gives the
// defaults, saving fails, and the directory keeps everything in it.
TEST_F(SettingsFaults, DirectoryWithContentsInPlaceOfTheFile) {
  fs::create_directory(Ini);
  WriteBytes(Ini / "keep.txt", "precious");
  const SettingsValues Got = LoadFrom({7, 0});
  EXPECT_EQ(Got.MisailNum, 100);
  EXPECT_EQ(Got.BaseVisible, 1);

  EXPECT_FALSE(SaveSettings());
  ASSERT_TRUE(fs::is_directory(Ini));
  EXPECT_EQ(ReadBytes(Ini / "keep.txt"), "precious");
  EXPECT_EQ(Listing(), std::vector<std::string>{"Tolvane.ini"});
}

// A settings file that this user may not write is left alone, even though the directory
// would let a new file be put in its place. Root may write anything, so those cases run
// as user nobody in a child process.
TEST_F(SettingsFaults, FileThisUserMayNotWriteIsKept) {
  const std::string Old = "150\r\n0\r\n";
  const bool Root = geteuid() == 0;
  struct Case {
    const char *Name;
    fs::perms Mode;
    bool NeedsRoot;  // the file must belong to someone else
  } Cases[] = {
      {"read-only file", fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read,
       false},
      {"another user's file",
       fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read |
           fs::perms::others_read,
       true},
  };
  // Anyone may create files here: only the file's own mode stands in the way.
  fs::permissions(Dir, fs::perms::all);
  int Ran = 0;
  for (const Case &C : Cases) {
    SCOPED_TRACE(C.Name);
    if (C.NeedsRoot && !Root) continue;
    WriteBytes(Ini, Old);
    fs::permissions(Ini, C.Mode);
    MisailNum = 42;
    BaseVisible = 1;
    std::optional<bool> Written;
    if (Root) {
      const std::optional<int> Status = SaveInChild(true, [] {});
      if (Status && WIFEXITED(*Status)) Written = WEXITSTATUS(*Status) == 1;
    } else {
      Written = SaveSettings();
    }
    if (!Written) continue;
    Ran++;
    EXPECT_FALSE(*Written);
    EXPECT_EQ(ReadBytes(Ini), Old);
    EXPECT_EQ(Listing(), std::vector<std::string>{"Tolvane.ini"});
    fs::permissions(Ini, fs::perms::owner_read | fs::perms::owner_write);
  }
  if (Ran == 0) GTEST_SKIP() << "cannot run as a user without write permission";
}

// A save whose write fails part-way, here by the file-size limit with SIGXFSZ ignored,
// returns false and leaves no trace: the old file whole, or still no file.
TEST_F(SettingsFaults, SaveFailingPartWayKeepsTheOldFile) {
  const std::string New = FileText(123456, -7);  // 12 bytes
  for (const std::optional<std::string> &Old :
       {std::optional<std::string>("150\r\n0\r\n"), std::optional<std::string>()}) {
    for (rlim_t Limit : {rlim_t{0}, rlim_t{1}, rlim_t{6}, rlim_t{New.size() - 1}}) {
      SCOPED_TRACE(testing::Message() << (Old ? "old file" : "no file") << ", limit " << Limit);
      std::error_code Ignored;
      fs::remove(Ini, Ignored);
      if (Old) WriteBytes(Ini, *Old);
      const std::vector<std::string> Before = Listing();
      MisailNum = 123456;
      BaseVisible = -7;
      const std::optional<int> Status = SaveInChild(false, [Limit] {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit Size{Limit, Limit};
        if (setrlimit(RLIMIT_FSIZE, &Size) != 0) _exit(5);
      });
      ASSERT_TRUE(Status.has_value());
      ASSERT_TRUE(WIFEXITED(*Status)) << "status " << *Status;
      EXPECT_EQ(WEXITSTATUS(*Status), 0) << "the save claims success";
      EXPECT_EQ(Listing(), Before);
      if (Old) {
        EXPECT_EQ(ReadBytes(Ini), *Old);
      }
    }
  }
}

// A save killed in the middle of writing (SIGXFSZ at the file-size limit) never leaves
// a short file in the settings file's place; the next save works.
TEST_F(SettingsFaults, SaveKilledPartWayKeepsTheOldFile) {
  const std::string Old = "150\r\n0\r\n";
  WriteBytes(Ini, Old);
  MisailNum = 123456;
  BaseVisible = -7;
  const std::optional<int> Status = SaveInChild(false, [] {
    const rlimit NoCore{0, 0}, Size{5, 5};
    if (setrlimit(RLIMIT_CORE, &NoCore) != 0 || setrlimit(RLIMIT_FSIZE, &Size) != 0) _exit(5);
  });
  ASSERT_TRUE(Status.has_value());
  ASSERT_TRUE(WIFSIGNALED(*Status)) << "status " << *Status;
  EXPECT_EQ(WTERMSIG(*Status), SIGXFSZ);
  EXPECT_EQ(ReadBytes(Ini), Old);
  // The killed save's temporary file may be left beside it; nothing else is touched.
  for (const std::string &Name : Listing()) {
    if (Name == "Tolvane.ini") continue;
    EXPECT_TRUE(Name.rfind("Tolvane.ini.", 0) == 0 && Name.size() > 4 &&
                Name.compare(Name.size() - 4, 4, ".tmp") == 0)
        << Name;
  }

  ASSERT_TRUE(SaveSettings());
  EXPECT_EQ(ReadBytes(Ini), FileText(123456, -7));
  const SettingsValues Got = LoadFrom({0, 0});
  EXPECT_EQ(Got.MisailNum, 123456);
  EXPECT_EQ(Got.BaseVisible, -7);
}

}  // namespace

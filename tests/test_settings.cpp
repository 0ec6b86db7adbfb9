#include "settings/settings.h"

#include "tests/settings_files.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include <pwd.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

using namespace std::string_literals;

void SetIniPath(const std::string &Path) {
  ASSERT_LT(Path.size(), static_cast<std::size_t>(IniPathSize)) << Path;
  std::memcpy(IniPath, Path.c_str(), Path.size() + 1);
}

// Each test works in its own fresh directory and leaves the globals as it found them.
class SettingsFile : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string Pattern = (fs::temp_directory_path() / "tolvane-settings-XXXXXX").string();
    ASSERT_NE(mkdtemp(Pattern.data()), nullptr);
    Dir = Pattern;
    Ini = Dir / "Tolvane.ini";
    std::memcpy(SavedPath, IniPath, IniPathSize);
    Saved = {MisailNum, BaseVisible};
    SetIniPath(Ini.string());
    MisailNum = 0;
    BaseVisible = 1;
    MisailNumOverride.reset();
    BaseVisibleOverride.reset();
  }

  void TearDown() override {
    std::error_code Ignored;
    for (auto &Entry : fs::recursive_directory_iterator(Dir, Ignored))
      if (Entry.is_directory(Ignored))
        fs::permissions(Entry.path(), fs::perms::owner_all, fs::perm_options::add, Ignored);
    fs::remove_all(Dir, Ignored);
    std::memcpy(IniPath, SavedPath, IniPathSize);
    MisailNum = Saved.MisailNum;
    BaseVisible = Saved.BaseVisible;
    MisailNumOverride.reset();
    BaseVisibleOverride.reset();
  }

  std::vector<std::string> Listing(const fs::path &Where) const {
    std::vector<std::string> Names;
    for (auto &Entry : fs::directory_iterator(Where))
      Names.push_back(Entry.path().filename().string());
    std::sort(Names.begin(), Names.end());
    return Names;
  }

  SettingsValues LoadFrom(SettingsValues Previous) {
    MisailNum = Previous.MisailNum;
    BaseVisible = Previous.BaseVisible;
    LoadSettings();
    return {MisailNum, BaseVisible};
  }

  fs::path Dir;
  fs::path Ini;
  char SavedPath[IniPathSize];
  SettingsValues Saved{};
};

struct LoadCase {
  const char *Name;
  std::string Content;
  SettingsValues Previous;
  SettingsValues Expected;
};

// From the start values (0, 1) and from others, so that "kept" and "read" differ.
const LoadCase LoadCases[] = {
    {"crlf lines", "150\r\n0\r\n", {0, 1}, {150, 0}},
    {"space separated, no line end", "150 0", {0, 1}, {150, 0}},
    {"empty keeps start values", "", {0, 1}, {0, 1}},
    {"empty keeps other values", "", {42, -3}, {42, -3}},
    {"only the first number", "150", {0, 1}, {150, 1}},
    {"only the first number, flag was 0", "150\r\n", {7, 0}, {150, 0}},
    {"only letters", "abc\r\n1\r\n", {33, 0}, {33, 0}},
    {"12 then letters", "12abc\r\n0\r\n", {0, 1}, {12, 1}},
    {"12 then letters, flag kept at -7", "12abc", {5, -7}, {12, -7}},
    {"plus sign and bare LF", "+50\n1", {0, 0}, {50, 1}},
    {"negative limit", "-5\r\n1\r\n", {0, 0}, {-5, 1}},
    {"flag 2", "100\r\n2\r\n", {0, 1}, {100, 2}},
    {"flag 256 keeps the low byte", "100\r\n256\r\n", {0, 1}, {100, 0}},
    {"flag 255 is the byte 0xFF", "100\r\n255\r\n", {0, 1}, {100, -1}},
    {"flag 257", "100\r\n257", {0, 0}, {100, 1}},
    {"flag -128", "100\r\n-128", {0, 0}, {100, -128}},
    {"flag -129", "100\r\n-129", {0, 0}, {100, 127}},
    {"largest 32-bit", "2147483647\r\n1", {0, 0}, {INT32_MAX, 1}},
    {"smallest 32-bit", "-2147483648\r\n1", {0, 0}, {INT32_MIN, 1}},
    {"2^31 wraps", "2147483648\r\n1", {0, 0}, {INT32_MIN, 1}},
    {"3e9 wraps", "3000000000\r\n1", {0, 0}, {-1294967296, 1}},
    {"2^32 + 1 wraps", "4294967297\r\n-4294967297", {0, 0}, {1, -1}},
    {"20 digits wrap", "98765432109876543210\r\n-98765432109876543210", {0, 0}, {-450461974, 22}},
    {"29 digits wrap, low byte of the flag", "1\r\n12345678901234567890123456789", {0, 0}, {1, 21}},
    {"100 nines", std::string(100, '9') + "\r\n" + std::string(100, '9'), {0, 0}, {-1, -1}},
    {"leading zeros", std::string(300, '0') + "42\r\n0001", {0, 0}, {42, 1}},
    {"byte-order mark",
     "\xEF\xBB\xBF"
     "100\r\n0\r\n",
     {0, 1},
     {0, 1}},
    {"every kind of whitespace", " \t\r\n\v\f77\v\f\t 3", {0, 0}, {77, 3}},
    {"text after the second number", "1\r\n2\r\n3\r\nxyz", {0, 0}, {1, 2}},
    {"sign, space, digits fails both reads", "- 5\r\n7", {9, 9}, {9, 9}},
    {"sign then letter fails both reads", "+x 5 6", {9, 9}, {9, 9}},
    {"two signs", "+-5\r\n6", {9, 9}, {9, 9}},
    {"lone minus", "-", {9, 9}, {9, 9}},
    {"sign on its own before the second", "12\r\n-\r\n3", {0, 4}, {12, 4}},
    {"decimal point stops the second read", "3.7\r\n1", {0, 5}, {3, 5}},
    {"hex prefix reads as 0", "0x10 1", {9, 5}, {0, 5}},
    {"letter between the numbers", "12 x 5", {0, 5}, {12, 5}},
    {"NUL between the numbers", "12\0 5"s, {0, 5}, {12, 5}},
    {"NUL first",
     "\0"
     "12 5"s,
     {8, 5},
     {8, 5}},
    {"high bytes are not whitespace",
     "\xA0"
     "12 5",
     {8, 5},
     {8, 5}},
    {"0x85 is not whitespace", "12\x85 5", {0, 5}, {12, 5}},
    {"ctrl-Z ends nothing but stops a read", "12\x1A 5", {0, 5}, {12, 5}},
};

TEST_F(SettingsFile, LoadReadsNumbersLikeScanf) {
  for (const LoadCase &Case : LoadCases) {
    SCOPED_TRACE(Case.Name);
    WriteBytes(Ini, Case.Content);
    SettingsValues Got = LoadFrom(Case.Previous);
    EXPECT_EQ(Got.MisailNum, Case.Expected.MisailNum);
    EXPECT_EQ(Got.BaseVisible, Case.Expected.BaseVisible);

    SettingsValues Parsed = ParseSettings(Case.Content.data(), Case.Content.size(), Case.Previous);
    EXPECT_EQ(Parsed.MisailNum, Case.Expected.MisailNum);
    EXPECT_EQ(Parsed.BaseVisible, Case.Expected.BaseVisible);
  }
}

TEST(ParseSettings, NoDataKeepsPreviousValues) {
  SettingsValues Got = ParseSettings(nullptr, 0, {-9, -2});
  EXPECT_EQ(Got.MisailNum, -9);
  EXPECT_EQ(Got.BaseVisible, -2);
  // Size counts, not a terminating zero: the 5 lies past the end.
  const char Data[] = "12 5";
  Got = ParseSettings(Data, 3, {0, 1});
  EXPECT_EQ(Got.MisailNum, 12);
  EXPECT_EQ(Got.BaseVisible, 1);
}

TEST_F(SettingsFile, UnopenableFileGivesDefaults) {
  struct Case {
    const char *Name;
    std::string Path;  // empty: IniPath left empty
  };
  fs::create_directory(Dir / "folder");
  WriteBytes(Dir / "plain", "5\r\n0\r\n");
  const Case Cases[] = {
      {"missing file", (Dir / "absent.ini").string()},
      {"directory in place of the file", (Dir / "folder").string()},
      {"parent is a regular file", (Dir / "plain" / "Tolvane.ini").string()},
      {"empty path", ""},
  };
  for (const Case &C : Cases) {
    SCOPED_TRACE(C.Name);
    SetIniPath(C.Path);
    SettingsValues Got = LoadFrom({7, 0});
    EXPECT_EQ(Got.MisailNum, 100);
    EXPECT_EQ(Got.BaseVisible, 1);
  }
}

TEST_F(SettingsFile, UnterminatedPathGivesDefaultsAndSaveFails) {
  std::memset(IniPath, 'a', IniPathSize);
  SettingsValues Got = LoadFrom({7, 0});
  EXPECT_EQ(Got.MisailNum, 100);
  EXPECT_EQ(Got.BaseVisible, 1);
  EXPECT_FALSE(SaveSettings());
}

TEST_F(SettingsFile, LoadWithoutFileCreatesNothing) {
  LoadSettings();
  EXPECT_TRUE(Listing(Dir).empty());
}

// A directory only fails when read on POSIX; it must not count as an empty file.
TEST_F(SettingsFile, DirectoryIsNotAnEmptyFile) {
  fs::create_directory(Ini);
  SettingsValues Got = LoadFrom({0, 1});
  EXPECT_EQ(Got.MisailNum, 100);
}

// The file is read in chunks: numbers and whitespace that straddle a chunk's end must
// read as if the file were whole.
TEST_F(SettingsFile, NumbersAcrossReadChunks) {
  for (std::size_t Lead : {4090u, 4093u, 4095u, 4096u, 4097u, 8190u, 8191u, 8192u}) {
    SCOPED_TRACE(Lead);
    WriteBytes(Ini, std::string(Lead, ' ') + "123456789\r\n-77\r\n");
    SettingsValues Got = LoadFrom({0, 0});
    EXPECT_EQ(Got.MisailNum, 123456789);
    EXPECT_EQ(Got.BaseVisible, -77);

    WriteBytes(Ini, std::string(Lead, '\n') + "12");
    Got = LoadFrom({0, 6});
    EXPECT_EQ(Got.MisailNum, 12);
    EXPECT_EQ(Got.BaseVisible, 6);
  }
}

TEST_F(SettingsFile, MegabyteFiles) {
  std::string Digits;
  for (int I = 0; I < 100000; ++I) Digits += "1234567890";
  WriteBytes(Ini, Digits + " " + std::string(1000001, '9'));
  SettingsValues Got = LoadFrom({0, 0});
  EXPECT_EQ(Got.MisailNum, -834729262);
  EXPECT_EQ(Got.BaseVisible, -1);

  WriteBytes(Ini, std::string(1 << 20, '\t') + "5 6");
  Got = LoadFrom({0, 0});
  EXPECT_EQ(Got.MisailNum, 5);
  EXPECT_EQ(Got.BaseVisible, 6);
}

// Reading a file and parsing its bytes must agree, whatever the bytes.
TEST_F(SettingsFile, LoadAgreesWithParseOnRandomFiles) {
  std::mt19937 Rng(20240611);
  const std::string Alphabet = "0123456789 +-\r\n\tx";
  for (int Round = 0; Round < 40; ++Round) {
    SCOPED_TRACE(Round);
    std::size_t Size = Round == 0 ? (1u << 20) : Rng() % 9000;
    std::string Bytes(Size, '\0');
    bool Raw = Round % 2 == 0;
    for (char &B : Bytes)
      B = Raw ? static_cast<char>(Rng() & 0xFF) : Alphabet[Rng() % Alphabet.size()];
    // Often start with a number so that the reads get past the first byte.
    if (Round % 3 == 0) Bytes.insert(0, "\r\n 4000000000 \t");
    WriteBytes(Ini, Bytes);
    SettingsValues Previous{static_cast<int32_t>(Rng()), static_cast<int8_t>(Rng() & 0xFF)};
    SettingsValues Got = LoadFrom(Previous);
    SettingsValues Parsed = ParseSettings(Bytes.data(), Bytes.size(), Previous);
    EXPECT_EQ(Got.MisailNum, Parsed.MisailNum);
    EXPECT_EQ(Got.BaseVisible, Parsed.BaseVisible);
  }
}

TEST_F(SettingsFile, SaveWritesExactBytes) {
  struct Case {
    SettingsValues Values;
    std::string Bytes;
  };
  const Case Cases[] = {
      {{100, 1}, "\x31\x30\x30\x0D\x0A\x31\x0D\x0A"},
      {{100, -1}, "100\r\n-1\r\n"},
      {{-5, 1}, "-5\r\n1\r\n"},
      {{0, 0}, "0\r\n0\r\n"},
      {{INT32_MIN, -128}, "-2147483648\r\n-128\r\n"},
      {{INT32_MAX, 127}, "2147483647\r\n127\r\n"},
  };
  for (const Case &C : Cases) {
    SCOPED_TRACE(C.Bytes);
    MisailNum = C.Values.MisailNum;
    BaseVisible = C.Values.BaseVisible;
    ASSERT_TRUE(SaveSettings());
    EXPECT_EQ(ReadBytes(Ini), C.Bytes);
    EXPECT_EQ(Listing(Dir), std::vector<std::string>{"Tolvane.ini"});
  }
}

TEST_F(SettingsFile, DefaultsAfterMissingFileAreSavedAsEightBytes) {
  LoadSettings();
  ASSERT_TRUE(SaveSettings());
  EXPECT_EQ(ReadBytes(Ini), "100\r\n1\r\n");
}

TEST_F(SettingsFile, FlagByte255IsWrittenBackAsMinusOne) {
  WriteBytes(Ini, "100\r\n255\r\n");
  LoadSettings();
  ASSERT_TRUE(SaveSettings());
  EXPECT_EQ(ReadBytes(Ini), "100\r\n-1\r\n");
}

TEST_F(SettingsFile, SaveReplacesALongerFileWhole) {
  WriteBytes(Ini, std::string(5000, '7') + "\r\n1\r\n");
  MisailNum = 20;
  BaseVisible = 0;
  ASSERT_TRUE(SaveSettings());
  EXPECT_EQ(ReadBytes(Ini), "20\r\n0\r\n");
}

TEST_F(SettingsFile, SavedValuesLoadBack) {
  const SettingsValues Values[] = {{100, 1}, {10, 0},           {256, 1},        {-5, -1},
                                   {0, 2},   {INT32_MIN, -128}, {INT32_MAX, 127}};
  for (const SettingsValues &V : Values) {
    SCOPED_TRACE(testing::Message() << V.MisailNum << " " << int(V.BaseVisible));
    MisailNum = V.MisailNum;
    BaseVisible = V.BaseVisible;
    ASSERT_TRUE(SaveSettings());
    SettingsValues Got = LoadFrom({V.MisailNum ^ 0x55, static_cast<int8_t>(V.BaseVisible ^ 0x55)});
    EXPECT_EQ(Got.MisailNum, V.MisailNum);
    EXPECT_EQ(Got.BaseVisible, V.BaseVisible);
  }
}

// Saves that cannot succeed: false, nothing left behind, the settings in memory kept.
TEST_F(SettingsFile, FailedSaveLeavesNoTrace) {
  struct Case {
    const char *Name;
    fs::path Path;
  };
  fs::create_directory(Dir / "folder");
  WriteBytes(Dir / "plain", "5\r\n0\r\n");
  const Case Cases[] = {
      // The temporary file is written here and the replacing fails.
      {"directory in place of the file", Dir / "folder"},
      {"parent is a regular file", Dir / "plain" / "Tolvane.ini"},
      {"parent directory missing", Dir / "nowhere" / "Tolvane.ini"},
  };
  const std::vector<std::string> Before = Listing(Dir);
  for (const Case &C : Cases) {
    SCOPED_TRACE(C.Name);
    SetIniPath(C.Path.string());
    MisailNum = 42;
    BaseVisible = 0;
    EXPECT_FALSE(SaveSettings());
    EXPECT_EQ(Listing(Dir), Before);
    EXPECT_TRUE(Listing(Dir / "folder").empty());
    EXPECT_EQ(ReadBytes(Dir / "plain"), "5\r\n0\r\n");
    EXPECT_EQ(MisailNum, 42);
    EXPECT_EQ(BaseVisible, 0);
  }
  IniPath[0] = '\0';
  EXPECT_FALSE(SaveSettings());
  EXPECT_EQ(Listing(Dir), Before);
}

// Runs SaveSettings as an unprivileged user in a child process; root ignores directory
// permissions. Returns nullopt when that cannot be arranged.
std::optional<bool> SaveAsNobody() {
  pid_t Child = fork();
  if (Child < 0) return std::nullopt;
  if (Child == 0) {
    if (setgid(65534) != 0 || setuid(65534) != 0) _exit(3);
    // The old file must still be reachable, so that only the write permission is missing.
    std::FILE *Old = std::fopen(IniPath, "rb");
    if (Old == nullptr) _exit(4);
    std::fclose(Old);
    _exit(SaveSettings() ? 1 : 0);
  }
  int Status = 0;
  if (waitpid(Child, &Status, 0) != Child || !WIFEXITED(Status) || WEXITSTATUS(Status) > 1)
    return std::nullopt;
  return WEXITSTATUS(Status) == 1;
}

TEST_F(SettingsFile, UnwritableDirectoryKeepsOldFile) {
  const std::string Old = "150\r\n0\r\n";
  fs::path ReadOnly = Dir / "readonly";
  fs::create_directory(ReadOnly);
  WriteBytes(ReadOnly / "Tolvane.ini", Old);
  SetIniPath((ReadOnly / "Tolvane.ini").string());
  fs::permissions(Dir, fs::perms::owner_all | fs::perms::others_exec | fs::perms::group_exec);
  fs::permissions(ReadOnly, fs::perms::owner_read | fs::perms::owner_exec | fs::perms::group_read |
                                fs::perms::group_exec | fs::perms::others_read |
                                fs::perms::others_exec);
  fs::permissions(ReadOnly / "Tolvane.ini", fs::perms::owner_read | fs::perms::owner_write |
                                                fs::perms::group_read | fs::perms::others_read);
  MisailNum = 99;
  BaseVisible = 1;

  // Can this process write there despite the mode (running as root)?
  bool Privileged = std::ofstream(ReadOnly / "probe").good();
  std::error_code Ignored;
  fs::remove(ReadOnly / "probe", Ignored);

  std::optional<bool> Saved;
  if (Privileged)
    Saved = SaveAsNobody();
  else
    Saved = SaveSettings();
  if (!Saved) GTEST_SKIP() << "cannot run as a user without write permission";
  EXPECT_FALSE(*Saved);
  EXPECT_EQ(ReadBytes(ReadOnly / "Tolvane.ini"), Old);
  EXPECT_EQ(Listing(ReadOnly), std::vector<std::string>{"Tolvane.ini"});
}

TEST_F(SettingsFile, ReplaceFailsWithoutTemporaryFile) {
  WriteBytes(Ini, "1\r\n1\r\n");
  EXPECT_FALSE(ReplaceFileWith((Dir / "absent.tmp").c_str(), Ini.c_str()));
  EXPECT_EQ(ReadBytes(Ini), "1\r\n1\r\n");
}

TEST_F(SettingsFile, OverridesGoOverWhatWasLoaded) {
  struct Case {
    const char *Name;
    std::optional<std::string> Content;  // nullopt: no file
    std::optional<int32_t> Limit;
    std::optional<int8_t> Flag;
    SettingsValues Expected;
  };
  const Case Cases[] = {
      {"limit over the file", "150\r\n0\r\n", 30, std::nullopt, {30, 0}},
      {"flag over the file", "150\r\n0\r\n", std::nullopt, 1, {150, 1}},
      {"both over the file", "150\r\n0\r\n", -2, -1, {-2, -1}},
      {"over the defaults", std::nullopt, 20, 0, {20, 0}},
      {"over kept values", "junk", std::nullopt, 0, {7, 0}},
      {"none", "150\r\n0\r\n", std::nullopt, std::nullopt, {150, 0}},
  };
  for (const Case &C : Cases) {
    SCOPED_TRACE(C.Name);
    std::error_code Ignored;
    fs::remove(Ini, Ignored);
    if (C.Content) WriteBytes(Ini, *C.Content);
    MisailNumOverride = C.Limit;
    BaseVisibleOverride = C.Flag;
    SettingsValues Got = LoadFrom({7, 5});
    EXPECT_EQ(Got.MisailNum, C.Expected.MisailNum);
    EXPECT_EQ(Got.BaseVisible, C.Expected.BaseVisible);
  }
}

// Sets or unsets HOME and XDG_CONFIG_HOME for one test and puts them back afterwards.
class IniPathFromEnvironment : public ::testing::Test {
 protected:
  void SetUp() override {
    std::memcpy(SavedPath, IniPath, IniPathSize);
    for (auto &[Name, Value] : SavedEnv)
      if (const char *V = std::getenv(Name)) Value = V;
  }
  void TearDown() override {
    for (auto &[Name, Value] : SavedEnv) SetEnv(Name, Value);
    std::memcpy(IniPath, SavedPath, IniPathSize);
  }
  static void SetEnv(const char *Name, const std::optional<std::string> &Value) {
    if (Value)
      setenv(Name, Value->c_str(), 1);
    else
      unsetenv(Name);
  }
  // Runs BuildIniPath over a buffer full of leftovers.
  std::string Build() {
    std::memset(IniPath, 'z', IniPathSize - 1);
    IniPath[IniPathSize - 1] = '\0';
    BuildIniPath();
    return IniPath;
  }

  char SavedPath[IniPathSize];
  std::pair<const char *, std::optional<std::string>> SavedEnv[2] = {
      {"HOME", std::nullopt}, {"XDG_CONFIG_HOME", std::nullopt}};
};

TEST_F(IniPathFromEnvironment, ChoosesConfigDirectory) {
  struct Case {
    const char *Name;
    std::optional<std::string> Xdg;
    std::string Expected;
  };
  const Case Cases[] = {
      {"XDG_CONFIG_HOME set", "/xdg/conf", "/xdg/conf/Tolvane.ini"},
      {"trailing slash", "/xdg/conf/", "/xdg/conf/Tolvane.ini"},
      {"unset", std::nullopt, "/home/tester/.config/Tolvane.ini"},
      {"empty", "", "/home/tester/.config/Tolvane.ini"},
      {"relative", "conf", "/home/tester/.config/Tolvane.ini"},
      {"relative with dot", "./conf", "/home/tester/.config/Tolvane.ini"},
  };
  for (const Case &C : Cases) {
    SCOPED_TRACE(C.Name);
    SetEnv("HOME", "/home/tester");
    SetEnv("XDG_CONFIG_HOME", C.Xdg);
    EXPECT_EQ(Build(), C.Expected);
  }
}

TEST_F(IniPathFromEnvironment, TooLongLeavesPathEmpty) {
  const std::string Name = "/Tolvane.ini";
  // The longest that fits: 255 characters and the terminating zero.
  std::string Fits = "/" + std::string(IniPathSize - 1 - Name.size() - 1, 'x');
  SetEnv("XDG_CONFIG_HOME", Fits);
  EXPECT_EQ(Build(), Fits + Name);

  SetEnv("XDG_CONFIG_HOME", Fits + "x");
  EXPECT_EQ(Build(), "");

  SetEnv("XDG_CONFIG_HOME", std::nullopt);
  SetEnv("HOME", "/" + std::string(300, 'h'));
  EXPECT_EQ(Build(), "");
}

TEST_F(IniPathFromEnvironment, WithoutHomeUsesUserDatabase) {
  SetEnv("XDG_CONFIG_HOME", std::nullopt);
  SetEnv("HOME", std::nullopt);
  passwd *Entry = getpwuid(getuid());
  if (Entry == nullptr || Entry->pw_dir == nullptr || Entry->pw_dir[0] != '/')
    GTEST_SKIP() << "no home directory in the user database";
  std::string Home = Entry->pw_dir;
  if (Home.back() != '/') Home += '/';
  EXPECT_EQ(Build(), Home + ".config/Tolvane.ini");
}

}  // namespace

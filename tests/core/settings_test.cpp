#include "core/settings.h"

#include <sys/resource.h>

#include <cerrno>
#include <csignal>
#include <cstring>

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <string>
#include <vector>

#include "core/text_number.h"

namespace kvt {

namespace {

const ScreenTwips Screen{1024 * 15.0, 768 * 15.0};

const std::vector<std::string> DefaultLines = {
    "0", "0", " 8175", " 6225", "0", "1", "1", "", "", "", "100", "0", "96", "0",
    "0", "255", "0", "0", "5", "5", "10", "3", "0", "180", "0", "378", "4", ""};

std::string Join(const std::vector<std::string>& lines, const char* end = "\r\n") {
  std::string text;
  for (const auto& line : lines) text += line + end;
  return text;
}

std::string ReadAll(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return "<missing>";
  return file.readAll().toStdString();
}

// A table read from the given file lines and validated as at start-up.
Settings Loaded(std::vector<std::string> lines) {
  Settings s;
  ParseSettingsText(s, Join(lines));
  ValidateSettings(s, AllGroups, Screen);
  return s;
}

std::vector<std::string> DefaultsWith(int index, const std::string& text) {
  auto lines = DefaultLines;
  lines[static_cast<std::size_t>(index)] = text;
  return lines;
}

}  // namespace

TEST(SettingsFile, MissingFileGivesDefaultsAndWritesTheTwentyEightLineFile) {
  QTemporaryDir dir;
  const std::string configDir = ConfigDirFrom(dir.path().toStdString());
  Settings s;
  ReadSettings(s, configDir);
  ValidateSettings(s, AllGroups, Screen);
  for (int i = 0; i < 28; ++i) EXPECT_EQ(s[i], DefaultLines[static_cast<std::size_t>(i)]) << "entry " << i;
  EXPECT_EQ(s.lastIndex, 27);
  ASSERT_TRUE(WriteSettings(s, configDir));
  EXPECT_EQ(ReadAll(dir.filePath("kvt_win.cfg")), Join(DefaultLines));
}

TEST(SettingsFile, ReadsWhatItWroteAndAcceptsLfLineEnds) {
  QTemporaryDir dir;
  const std::string configDir = ConfigDirFrom(dir.path().toStdString());
  auto lines = DefaultLines;
  lines[PortHex] = "3BC";
  lines[27] = "extra";
  Settings s;
  ParseSettingsText(s, Join(lines));
  ASSERT_TRUE(WriteSettings(s, configDir));
  Settings back;
  ReadSettings(back, configDir);
  EXPECT_EQ(back[PortHex], "3BC");
  EXPECT_EQ(back[27], "extra");

  Settings lf;
  EXPECT_TRUE(ParseSettingsText(lf, Join(lines, "\n")));
  EXPECT_EQ(lf[PortHex], "3BC");
  EXPECT_EQ(lf[WindowWidth], " 8175");
}

TEST(SettingsFile, WrongLineCountsGiveAllDefaults) {
  auto lines = DefaultLines;
  lines[PortHex] = "3BC";
  lines[SmoothingLevel] = "12";

  auto shortFile = lines;
  shortFile.pop_back();  // 27 lines
  Settings s27;
  EXPECT_FALSE(ParseSettingsText(s27, Join(shortFile)));
  EXPECT_EQ(s27[PortHex], "378");
  EXPECT_EQ(s27[SmoothingLevel], "5");
  EXPECT_EQ(s27.lastIndex, 27);

  std::vector<std::string> longFile = lines;
  while (longFile.size() < 300) longFile.push_back("x");
  Settings s300;
  EXPECT_FALSE(ParseSettingsText(s300, Join(longFile)));
  EXPECT_EQ(s300[PortHex], "378");
  EXPECT_EQ(s300.lastIndex, 27);

  Settings empty;
  EXPECT_FALSE(ParseSettingsText(empty, ""));
  EXPECT_EQ(empty[WindowHeight], " 6225");
}

TEST(SettingsValidation, ReplacesOutOfRangeEntriesWithTheirFixedTexts) {
  EXPECT_EQ(Loaded(DefaultsWith(MaxMilliampsSetting, "11"))[MaxMilliampsSetting], "5");
  EXPECT_EQ(Loaded(DefaultsWith(PortHex, "FFFF"))[PortHex], "378");
  EXPECT_EQ(Loaded(DefaultsWith(PortHex, "5000"))[PortHex], "378");
  EXPECT_EQ(Loaded(DefaultsWith(PortHex, "4000"))[PortHex], "4000");
  EXPECT_EQ(Loaded(DefaultsWith(PortHex, ""))[PortHex], "");  // port 0 is in range
  EXPECT_EQ(Loaded(DefaultsWith(SmoothingLevel, "30.5"))[SmoothingLevel], "30.5");
  EXPECT_EQ(Loaded(DefaultsWith(SmoothingLevel, "31"))[SmoothingLevel], "5");
  EXPECT_EQ(Loaded(DefaultsWith(SmoothingLevel, "99999"))[SmoothingLevel], "5");
  EXPECT_EQ(Loaded(DefaultsWith(PortDelayMicros, "0.5"))[PortDelayMicros], "1");
  EXPECT_EQ(Loaded(DefaultsWith(PortDelayMicros, "1.5"))[PortDelayMicros], "1.5");
  EXPECT_EQ(Loaded(DefaultsWith(PortDelayMicros, "fast"))[PortDelayMicros], "1");
  EXPECT_EQ(Loaded(DefaultsWith(BackGreen, "256"))[BackGreen], "128");
  EXPECT_EQ(Loaded(DefaultsWith(TextBlue, "blue"))[TextBlue], "blue");  // reads as 0
  EXPECT_EQ(Loaded(DefaultsWith(SmoothingOn, "2"))[SmoothingOn], "0");
  EXPECT_EQ(Loaded(DefaultsWith(MaxVoltsSetting, "0"))[MaxVoltsSetting], "5");
  EXPECT_EQ(Loaded(DefaultsWith(PointsChoice, "7"))[PointsChoice], "3");
  EXPECT_EQ(Loaded(DefaultsWith(AveragingCount, "101"))[AveragingCount], "4");
  EXPECT_EQ(Loaded(DefaultsWith(AveragingCount, "1e9"))[AveragingCount], "4");
}

TEST(SettingsValidation, WindowEntriesAreBoundedByTheScreen) {
  const auto big = Loaded(DefaultsWith(WindowLeft, "999999"));
  EXPECT_EQ(big[WindowLeft], SignedDecimal(1024 * 15 - 1000));
  EXPECT_EQ(Loaded(DefaultsWith(WindowLeft, "-99999"))[WindowLeft], "-99999");
  EXPECT_EQ(Loaded(DefaultsWith(WindowTop, "20000"))[WindowTop], SignedDecimal(768 * 15 - 1000));
  EXPECT_EQ(Loaded(DefaultsWith(WindowWidth, "100"))[WindowWidth], " 8175");
  EXPECT_EQ(Loaded(DefaultsWith(WindowHeight, "9000"))[WindowHeight], "9000");
  EXPECT_EQ(Loaded(DefaultsWith(WindowState, "7"))[WindowState], "7");  // left to the start-up
}

TEST(SettingsDefaults, GroupsTouchOnlyTheirEntries) {
  Settings s;
  for (auto& slot : s.slot) slot = "x";
  SetDefaultSettings(s, WindowGroup);
  EXPECT_EQ(s[WindowWidth], " 8175");
  EXPECT_EQ(s[Reserved9], "");
  EXPECT_EQ(s[PortDelayMicros], "x");
  SetDefaultSettings(s, DeviceGroup);
  EXPECT_EQ(s[PortDelayMicros], "100");
  EXPECT_EQ(s[AveragingCount], "4");
  EXPECT_EQ(s[27], "x");
  s[PortHex] = "x";
  SetDefaultSettings(s, 3);
  EXPECT_EQ(s[PortHex], "x");
  EXPECT_EQ(s.lastIndex, 27);
}

TEST(SettingsFile, AFailedWriteLeavesTheOldFileWhole) {
  QTemporaryDir dir;
  const std::string configDir = ConfigDirFrom(dir.path().toStdString());
  Settings s;
  SetDefaultSettings(s, AllGroups);
  ASSERT_TRUE(WriteSettings(s, configDir));
  const std::string before = ReadAll(dir.filePath("kvt_win.cfg"));

  // A folder that is really a file: nothing can be created in it.
  QFile blocker(dir.filePath("notadir"));
  ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
  blocker.close();
  EXPECT_FALSE(WriteSettings(s, ConfigDirFrom(dir.filePath("notadir").toStdString())));

  // A write that fails half-way (file size limit): the old file stays whole
  // and no temporary file is left behind.
  s[Reserved7] = std::string(200, 'x');
  struct rlimit old {};
  getrlimit(RLIMIT_FSIZE, &old);
  const auto oldHandler = signal(SIGXFSZ, SIG_IGN);
  struct rlimit small = old;
  small.rlim_cur = 64;
  setrlimit(RLIMIT_FSIZE, &small);
  const bool written = WriteSettings(s, configDir);
  setrlimit(RLIMIT_FSIZE, &old);
  signal(SIGXFSZ, oldHandler);
  EXPECT_FALSE(written);
  EXPECT_EQ(ReadAll(dir.filePath("kvt_win.cfg")), before);
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 2);  // the cfg and the blocker
}

// The user learns which file could not be written and why; the reasons
// here hold for root too.
TEST(SettingsFile, AFailedWriteNamesTheFileAndWhy) {
  QTemporaryDir dir;
  const std::string folder = dir.path().toStdString() + "/";
  ASSERT_TRUE(QDir(dir.path()).mkdir("taken"));
  ASSERT_TRUE(QDir(dir.path() + "/taken").mkdir("kvt_win.cfg"));
  Settings settings;
  SetDefaultSettings(settings, AllGroups);
  const struct {
    const char* name;
    std::string configDir;
    std::optional<std::string> told;
  } cases[] = {
      {"written", folder, std::nullopt},
      {"a folder in its place", folder + "taken/",
       "Can't save the options in " + folder + "taken/kvt_win.cfg: " + std::strerror(EISDIR) + "."},
      {"no such folder", folder + "gone/",
       "Can't save the options in " + folder + "gone/kvt_win.cfg: " + std::strerror(ENOENT) + "."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(WriteSettingsOrSayWhy(settings, c.configDir), c.told);
  }
}

TEST(SettingsFile, ConfigDirGetsOneTrailingSlash) {
  EXPECT_EQ(ConfigDirFrom("/home/user"), "/home/user/");
  EXPECT_EQ(ConfigDirFrom("/"), "/");
  EXPECT_EQ(ConfigDirFrom(""), "");
}

}  // namespace kvt

#include "core/view_options.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <ostream>
#include <string>

#include "core/settings.h"

namespace kvt {

namespace {

std::string DirOf(const QTemporaryDir& dir) { return dir.path().toStdString() + "/"; }

}  // namespace

void PrintTo(const ViewOptions& o, std::ostream* os) { *os << ViewOptionsText(o); }

TEST(ViewOptions, RoundTripThroughTheFile) {
  const ViewOptions cases[] = {
      {},
      {20, false, "auto"},
      {50, true, "20mV,50uA"},
      {WholeRangeMilliamps, true, "3%"},
  };
  for (const ViewOptions& options : cases) {
    QTemporaryDir dir;
    ASSERT_EQ(WriteViewOptions(options, DirOf(dir)), std::nullopt);
    EXPECT_EQ(ReadViewOptions(DirOf(dir)), options) << ViewOptionsText(options);
  }
}

TEST(ViewOptions, BadOrUnknownLinesKeepTheDefault) {
  const ViewOptions defaults;
  const struct {
    const char* name;
    std::string text;
    ViewOptions expected;
  } cases[] = {
      {"empty", "", defaults},
      {"all three", "current_scale_mA = 50\nlog_current = 1\nmatch_tolerance = 20mV,50uA\n", {50, true, "20mV,50uA"}},
      {"whole range by name", "current_scale_mA=whole", {WholeRangeMilliamps, false, "auto"}},
      {"CR LF and blanks", "  log_current\t=  1 \r\n", {10, true, "auto"}},
      {"a scale the menu lacks", "current_scale_mA = 30\nlog_current = 1", {10, true, "auto"}},
      {"a scale past the whole range", "current_scale_mA = 600", defaults},
      {"not a number", "current_scale_mA = lots", defaults},
      {"on/off only as 0 and 1", "log_current = yes", defaults},
      {"unknown keys are skipped", "colour = red\nlog_current = 1\n", {10, true, "auto"}},
      {"a line without '='", "log_current 1\n", defaults},
      {"comments", "# log_current = 1\nlog_current = 0 # off\n", defaults},
      {"an empty tolerance", "match_tolerance =\n", defaults},
      {"an endless tolerance", "match_tolerance = " + std::string(200, '1'), defaults},
      {"the last of two lines wins", "log_current = 1\nlog_current = 0\n", defaults},
      {"junk", "\x01\x02=\xff\n=\n", defaults},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(ParseViewOptions(c.text), c.expected);
  }
}

TEST(ViewOptions, MissingOrUnreadableFileGivesTheDefaults) {
  QTemporaryDir dir;
  EXPECT_EQ(ReadViewOptions(DirOf(dir)), ViewOptions{});
  ASSERT_TRUE(QDir(dir.path()).mkdir(ViewOptionsFileName));  // a folder in its place
  EXPECT_EQ(ReadViewOptions(DirOf(dir)), ViewOptions{});
  const auto failure = WriteViewOptions({50, true, "auto"}, DirOf(dir));
  ASSERT_TRUE(failure.has_value());
  EXPECT_NE(failure->find(ViewOptionsFileName), std::string::npos) << *failure;
}

// The view's file sits beside kvt_win.cfg and never changes it.
TEST(ViewOptions, WritingLeavesKvtWinCfgAsItWas) {
  QTemporaryDir dir;
  Settings settings;
  SetDefaultSettings(settings, AllGroups);
  ASSERT_TRUE(WriteSettings(settings, DirOf(dir)));
  QFile cfg(dir.filePath(ConfigFileName));
  ASSERT_TRUE(cfg.open(QIODevice::ReadOnly));
  const QByteArray before = cfg.readAll();
  cfg.close();
  ASSERT_EQ(WriteViewOptions({WholeRangeMilliamps, true, "5%"}, DirOf(dir)), std::nullopt);
  ASSERT_TRUE(cfg.open(QIODevice::ReadOnly));
  EXPECT_EQ(cfg.readAll(), before);
  EXPECT_EQ(before.count('\n'), 28);
}

TEST(ViewOptions, ScaleOverridesMaxIOnlyAboveTen) {
  PlotControls panel;
  panel.maxMilliamps = 4;
  const struct {
    int scale;
    int maxMilliamps;
    bool overrides;
  } cases[] = {{10, 4, false}, {20, 20, true}, {50, 50, true}, {WholeRangeMilliamps, 60, true}};
  for (const auto& c : cases) {
    const ViewOptions view{c.scale, false, "auto"};
    EXPECT_EQ(ViewedControls(panel, view).maxMilliamps, c.maxMilliamps) << c.scale;
    EXPECT_EQ(OverridesMaxI(view), c.overrides) << c.scale;
  }
}

}  // namespace kvt

#include "ui/points_file_commands.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QLocale>
#include <QTemporaryDir>
#include <clocale>
#include <csignal>

#include "tests/support/child_process.h"
#include "tests/support/scripted_prompt.h"
#include "files/curve_files.h"
#include "files/points_file.h"

namespace kvt {

namespace {

std::string ReadAll(const QString& path) {
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly)) return "<missing>";
  return f.readAll().toStdString();
}

void WriteAll(const QString& path, const std::string& bytes) {
  QFile f(path);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.write(bytes.data(), static_cast<qint64>(bytes.size()));
}

QStringList Entries(const QString& dir) {
  return QDir(dir).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
}

std::string Repeat(const std::string& s, int n) {
  std::string r;
  for (int i = 0; i < n; ++i) r += s;
  return r;
}

Curve SomePoints(int count) {
  std::vector<std::pair<double, double>> pairs;
  ForEachSlot(count, [&](int i) { pairs.emplace_back((i - 512) / 100.0 * 0.731, (i - 512) * 1.37e-5); });
  return CurveFromPairs(pairs, 1000.0);
}

// The points file's text for the curve, as the writer makes it.
std::string TextOf(const Curve& curve) { return *PointsFileText(curve); }

// Records what a load does to the main window.
struct WindowLog : PlotView, PointCountChoice {
  explicit WindowLog(const Curve& points) : points(points) {}
  const Curve& points;
  std::vector<std::string> calls;
  int countWhenOptionOn = -1;
  void AllOptionsOff() override { calls.push_back("off"); }
  void TurnOptionOn(int k) override {
    calls.push_back("on " + std::to_string(k));
    countWhenOptionOn = static_cast<int>(points.points.size());
  }
  void UpdateParams() override { calls.push_back("update"); }
  void DrawPlot() override { calls.push_back("draw"); }
};

class PointsFileCommands : public testing::Test {
 protected:
  QTemporaryDir dir;
  ScriptedPrompt prompt;
  Curve points = SomePoints(128);
  WindowLog window{points};

  QString Path(const char* name) const { return dir.filePath(name); }

  void Load(const QString& path) {
    prompt.fileNames.push_back(path.toStdString());
    LoadPointsFile(points, prompt, window, window);
  }
  void Save(const QString& path) {
    prompt.fileNames.push_back(path.toStdString());
    SavePointsFile(points, prompt);
  }
  void ExpectOnlyMessage(const std::string& text, PromptButtons buttons) {
    ASSERT_EQ(prompt.messages.size(), 1u);
    EXPECT_EQ(prompt.messages[0].text, text);
    EXPECT_EQ(prompt.messages[0].icon, PromptIcon::Exclamation);
    EXPECT_EQ(prompt.messages[0].buttons, buttons);
    EXPECT_EQ(prompt.messages[0].defaultAnswer, PromptAnswer::Ok);
  }
  void ExpectPointsUnchanged() {
    EXPECT_EQ(points, SomePoints(128));
  }
};

const std::string Pair = " 1.00    1.0000E-003\r\n";

}  // namespace

TEST_F(PointsFileCommands, OpenDialogAndCancel) {
  LoadPointsFile(points, prompt, window, window);  // no name scripted: cancel
  ASSERT_EQ(prompt.openDialogs.size(), 1u);
  EXPECT_EQ(prompt.openDialogs[0].title, "Open file with points");
  EXPECT_EQ(prompt.openDialogs[0].filters,
            (std::vector<std::string>{"All Files (*.*)", "Files with Points(*.kvt)", "CSV Files (*.csv)"}));
  EXPECT_EQ(prompt.openDialogs[0].selectedFilter, 1);
  EXPECT_TRUE(prompt.messages.empty());
  EXPECT_TRUE(window.calls.empty());
  ExpectPointsUnchanged();
}

TEST_F(PointsFileCommands, LoadSuccessTurnsTheRightOptionOnAndRedraws) {
  // Comma-separated fields load as well as blank-separated ones.
  WriteAll(Path("p64.kvt"), "KVT\r\n 64 \r\n 0 \r\n" + Repeat("-1.25,2.5E-003\r\n", 64));
  Load(Path("p64.kvt"));
  EXPECT_TRUE(prompt.messages.empty());
  EXPECT_EQ(window.calls, (std::vector<std::string>{"off", "on 2", "draw"}));
  EXPECT_EQ(window.countWhenOptionOn, 64);  // the panel update sees the new set
  ASSERT_EQ(points.points.size(), 64u);
  EXPECT_EQ(points.points[63].volts, -1.25);
  EXPECT_EQ(points.points[1].amps, 0.0025);
  EXPECT_EQ(points.info, (CurveInfo{64, "", "p64.kvt"}));
  EXPECT_EQ(points.RangeOhms(), std::nullopt);  // a points file does not say

  int option = 1;
  for (int count = 32; count <= 1024; count *= 2, ++option) {
    const QString path = dir.filePath(QString::number(count) + ".kvt");
    points = SomePoints(count);
    Save(path);
    points = Curve{};
    window.calls.clear();
    Load(path);
    EXPECT_EQ(static_cast<int>(points.points.size()), count);
    EXPECT_EQ(window.calls.at(1), "on " + std::to_string(option));
  }
}

TEST_F(PointsFileCommands, NotAPointsFileLeavesTheSetAlone) {
  Load(Path("missing.kvt"));
  WriteAll(Path("lower.kvt"), "kvt\r\n 32 \r\n 0 \r\n" + Repeat(Pair, 32));
  Load(Path("lower.kvt"));
  WriteAll(Path("blank.kvt"), "KVT \r\n 32 \r\n 0 \r\n" + Repeat(Pair, 32));
  Load(Path("blank.kvt"));
  Load(dir.path());  // a folder
  EXPECT_EQ(prompt.Texts(), std::vector<std::string>(4, "Can't Open File!"));
  for (const auto& m : prompt.messages) {
    EXPECT_EQ(m.icon, PromptIcon::Exclamation);
    EXPECT_EQ(m.buttons, PromptButtons::Ok);
  }
  EXPECT_TRUE(window.calls.empty());
  ExpectPointsUnchanged();
}

// The window is brought in line with the emptied set before the message
// (it used to keep the old curve and offer Save and Clear).
TEST_F(PointsFileCommands, BadDataEmptiesTheSetAndTheWindowShowsIt) {
  prompt.onMessage = [this](const std::string&) { window.calls.push_back("message"); };
  const std::vector<std::string> emptied = {"update", "draw", "message"};
  WriteAll(Path("short.kvt"), "KVT\r\n 32 \r\n 0 \r\n" + Repeat(Pair, 31));
  Load(Path("short.kvt"));
  ExpectOnlyMessage("Can't Open File!\n\nshort.kvt: line 34: the file ends before point 32.", PromptButtons::Ok);
  EXPECT_TRUE(points.empty());
  EXPECT_EQ(window.calls, emptied);

  // Count 100: its pairs are read, then all options go off.
  points = SomePoints(128);
  prompt.messages.clear();
  window.calls.clear();
  WriteAll(Path("c100.kvt"), "KVT\r\n 100 \r\n 0 \r\n" + Repeat(Pair, 103));
  Load(Path("c100.kvt"));
  ExpectOnlyMessage("Can't Open File!\n\nc100.kvt: line 2: a points file holds 32, 64, 128, 256, 512 or 1024 points, "
                    "not 100.",
                    PromptButtons::Ok);
  EXPECT_EQ(window.calls, (std::vector<std::string>{"off", "update", "draw", "message"}));
  EXPECT_TRUE(points.empty());

  // A number too large for a double is no number.
  points = SomePoints(128);
  window.calls.clear();
  WriteAll(Path("huge.kvt"), "KVT\r\n 32 \r\n 0 \r\n 1e999 0\r\n" + Repeat(Pair, 31));
  Load(Path("huge.kvt"));
  EXPECT_TRUE(points.empty());
  EXPECT_EQ(window.calls, emptied);
  ASSERT_EQ(prompt.messages.size(), 2u);
  EXPECT_EQ(prompt.messages[1].text, "Can't Open File!\n\nhuge.kvt: line 4: \"1e999\" is not a number.");
}

TEST_F(PointsFileCommands, LargeFilesAreReadOnlyAsFarAsNeeded) {
  // Good data followed by far more text than any points file holds.
  const std::string tail(MaxPointsFileBytes + 100, 'x');
  WriteAll(Path("tail.kvt"), "KVT\r\n 32 \r\n 0 \r\n" + Repeat(Pair, 32) + Repeat(tail.substr(0, 99) + "\n", 12000));
  Load(Path("tail.kvt"));
  EXPECT_TRUE(prompt.messages.empty());
  EXPECT_EQ(points.points.size(), 32u);

  // One endless line, after the header or instead of it: refused cleanly.
  WriteAll(Path("endless.kvt"), "KVT\r\n" + tail);
  Load(Path("endless.kvt"));
  WriteAll(Path("endless2.kvt"), tail);
  Load(Path("endless2.kvt"));
  EXPECT_EQ(prompt.Texts(), (std::vector<std::string>{
                                "Can't Open File!\n\nendless.kvt: line 2: too long; reading stops at 1 MB, before the point count.",
                                "Can't Open File!"}));
}

TEST_F(PointsFileCommands, SaveWritesTheFileAndAsksBeforeOverwriting) {
  prompt.saveFilters = {0};  // "All Files": a name without extension is used as typed
  Save(Path("new"));
  ASSERT_EQ(prompt.saveDialogs.size(), 1u);
  EXPECT_EQ(prompt.saveDialogs[0].title, "Save Points");
  EXPECT_EQ(prompt.saveDialogs[0].filters,
            (std::vector<std::string>{"All Files (*.*)", "Files with Points (*.kvt)"}));
  EXPECT_EQ(prompt.saveDialogs[0].selectedFilter, 1);
  EXPECT_TRUE(prompt.messages.empty());
  EXPECT_EQ(ReadAll(Path("new")), TextOf(points));

  WriteAll(Path("old.kvt"), "precious");
  prompt.answers.push_back(PromptAnswer::No);
  Save(Path("old.kvt"));
  ASSERT_EQ(prompt.messages.size(), 1u);
  EXPECT_EQ(prompt.messages[0].text, "Overwrite existing file?");
  EXPECT_EQ(prompt.messages[0].icon, PromptIcon::Question);
  EXPECT_EQ(prompt.messages[0].buttons, PromptButtons::YesNo);
  EXPECT_EQ(prompt.messages[0].defaultAnswer, PromptAnswer::No);
  EXPECT_EQ(ReadAll(Path("old.kvt")), "precious");

  prompt.answers.push_back(PromptAnswer::Yes);
  Save(Path("old.kvt"));
  EXPECT_EQ(prompt.messages.size(), 2u);
  EXPECT_EQ(ReadAll(Path("old.kvt")), TextOf(points));
  EXPECT_EQ(Entries(dir.path()), (QStringList{"new", "old.kvt"}));

  // Cancel in the dialog: nothing at all.
  prompt.messages.clear();
  SavePointsFile(points, prompt);
  EXPECT_TRUE(prompt.messages.empty());
}

// With the points filter selected a bare name gets ".kvt"; any other name,
// or any name under "All Files", is used as typed.
TEST_F(PointsFileCommands, TheSelectedFilterDecidesTheSuffixOfABareName) {
  const struct {
    const char* typed;
    int filter;
    const char* written;
  } cases[] = {
      {"bare", 1, "bare.kvt"},
      {"bare", 0, "bare"},
      {"dotted.txt", 1, "dotted.txt"},
      {"run.kvt", 1, "run.kvt"},
      {".hidden", 1, ".hidden"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.typed);
    QTemporaryDir folder;
    prompt.saveFilters = {c.filter};
    prompt.fileNames = {QDir(folder.path()).filePath(c.typed).toStdString()};
    EXPECT_TRUE(SavePointsFile(points, prompt));
    EXPECT_EQ(Entries(folder.path()), QStringList{c.written});
  }
  EXPECT_TRUE(prompt.messages.empty());
}

TEST_F(PointsFileCommands, SaveWithoutPointsOnlyComplains) {
  points = Curve{};
  Save(Path("none.kvt"));
  ExpectOnlyMessage("There are no points!", PromptButtons::Ok);
  EXPECT_TRUE(prompt.saveDialogs.empty());
  EXPECT_TRUE(Entries(dir.path()).isEmpty());
}

TEST_F(PointsFileCommands, SaveUnderACommaLocaleWritesPoints) {
  const std::string oldC = std::setlocale(LC_ALL, nullptr);
  const QLocale oldQt;
  const bool haveCLocale = std::setlocale(LC_ALL, "de_DE.UTF-8") || std::setlocale(LC_ALL, "de_DE.utf8");
  QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
  ASSERT_EQ(QLocale().decimalPoint(), ",");
  points.points[1].volts = 1.5;
  points.points[1].amps = -0.00025;
  Save(Path("de.kvt"));
  std::setlocale(LC_ALL, oldC.c_str());
  QLocale::setDefault(oldQt);

  const std::string text = ReadAll(Path("de.kvt"));
  EXPECT_EQ(text.find(','), std::string::npos);
  EXPECT_NE(text.find("\r\n 1.50   -2.5000E-004\r\n"), std::string::npos);
  if (!haveCLocale) GTEST_SKIP() << "de_DE.UTF-8 not installed: checked with the Qt locale only";
}

TEST_F(PointsFileCommands, FailedSaveKeepsTheOldFileAndLeavesNoStrayFile) {
  // Parent of the target is a regular file.
  WriteAll(Path("plain"), "x");
  Save(Path("plain") + "/p.kvt");
  ExpectOnlyMessage("Can't save file", PromptButtons::OkCancel);
  EXPECT_EQ(ReadAll(Path("plain")), "x");

  // The disk refuses part of the data: a file size limit below the new
  // file's size (honoured for root too).
  WriteAll(Path("old.kvt"), "precious");
  prompt.messages.clear();
  prompt.answers.push_back(PromptAnswer::Yes);
  std::signal(SIGXFSZ, SIG_IGN);
  rlimit old{};
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
  rlimit small = old;
  small.rlim_cur = 200;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  Save(Path("old.kvt"));
  setrlimit(RLIMIT_FSIZE, &old);
  ASSERT_EQ(prompt.messages.size(), 2u);
  EXPECT_EQ(prompt.messages[1].text, "Can't save file");
  EXPECT_EQ(ReadAll(Path("old.kvt")), "precious");

  // A value that could never be read back.
  prompt.messages.clear();
  prompt.answers.push_back(PromptAnswer::Yes);
  points.points[1].amps = NAN;
  Save(Path("old.kvt"));
  EXPECT_EQ(prompt.Texts(), (std::vector<std::string>{"Overwrite existing file?", "Can't save file"}));
  EXPECT_EQ(ReadAll(Path("old.kvt")), "precious");

  EXPECT_EQ(Entries(dir.path()), (QStringList{"old.kvt", "plain"}));
}

// Run as an ordinary user: as root, permission bits would not count. A
// write-protected folder still lets a writable file be rewritten in place.
TEST_F(PointsFileCommands, ReadOnlyFolderOrFileDecidesTheSave) {
  struct Case {
    const char* name;
    mode_t folderMode;
    mode_t fileMode;  // 0: no file
    std::vector<std::string> messages;
    bool written;
  };
  const std::vector<Case> cases = {
      {"read-only folder, writable file", 0555, 0644, {"Overwrite existing file?"}, true},
      {"read-only folder, new file", 0555, 0, {"Can't save file"}, false},
      {"writable folder, read-only file", 0755, 0444, {"Overwrite existing file?", "Can't save file"}, false},
  };
  ASSERT_TRUE(GiveToChild(dir.path().toStdString()));
  ::chmod(dir.path().toLocal8Bit().constData(), 0755);
  const std::string expected = TextOf(points);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const QString folder = Path(std::to_string(&c - cases.data()).c_str());
    ASSERT_TRUE(QDir().mkdir(folder));
    ASSERT_TRUE(GiveToChild(folder.toStdString()));
    const QString file = folder + "/old.kvt";
    if (c.fileMode != 0) {
      WriteAll(file, "precious");
      ASSERT_TRUE(GiveToChild(file.toStdString()));
      ::chmod(file.toLocal8Bit().constData(), c.fileMode);
    }
    ::chmod(folder.toLocal8Bit().constData(), c.folderMode);
    const std::string shown = RunInChild(
        [&] {
          prompt.answers = {PromptAnswer::Yes};
          Save(file);
          std::string texts;
          for (const auto& text : prompt.Texts()) texts += text + "|";
          return texts;
        },
        {.unprivileged = true});
    std::string expectedTexts;
    for (const auto& text : c.messages) expectedTexts += text + "|";
    EXPECT_EQ(shown, expectedTexts);
    EXPECT_EQ(ReadAll(file), c.written ? expected : c.fileMode != 0 ? "precious" : "<missing>");
    EXPECT_EQ(Entries(folder), c.fileMode != 0 ? QStringList{"old.kvt"} : QStringList{});
    ::chmod(folder.toLocal8Bit().constData(), 0755);
  }
}

// Saving onto a pipe used to wait for a reader for ever; onto a device it
// replaced the device with a plain file. Both are refused without opening.
TEST_F(PointsFileCommands, SaveOntoAPipeOrDeviceIsRefused) {
  struct Case {
    const char* name;
    mode_t type;
  };
  for (const Case c : {Case{"pipe", S_IFIFO}, Case{"device like /dev/null", S_IFCHR}}) {
    SCOPED_TRACE(c.name);
    const std::string path = Path(c.name).toStdString();
    if (::mknod(path.c_str(), c.type | 0666, c.type == S_IFCHR ? makedev(1, 3) : 0) != 0) {
      ASSERT_EQ(c.type, S_IFCHR) << "mkfifo failed";
      std::printf("no device node without root: only the pipe is checked\n");
      continue;
    }
    const std::string shown = RunInChild(
        [&] {
          prompt.answers = {PromptAnswer::Yes};
          prompt.saveFilters = {0};  // "All Files": the name exactly as typed
          Save(QString::fromStdString(path));
          std::string texts;
          for (const auto& text : prompt.Texts()) texts += text + "|";
          return texts;
        },
        {.timeoutMs = 5000});
    EXPECT_EQ(shown, "Can't save file|");
    struct stat info {};
    ASSERT_EQ(::lstat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & S_IFMT, c.type) << "still the same kind of file";
  }
}

// Points of three ranges, as a wide-range run leaves them.
Curve StitchedPoints() {
  Curve curve;
  curve.points = {{-1.0, -2e-9, false, 10000.0}, {0.55, 4e-4, false, 10000.0}, {0.66, 3.1e-3, false, 1000.0},
                  {0.74, 0.0412, false, 100.0}};
  curve.info = {4, "2026-12-07 20:00:00", "simulated instrument"};
  return curve;
}

const char MixedRangesQuestion[] =
    "This curve has points from 10 k\u03a9, 1 k\u03a9 and 100 \u03a9. A points file (.kvt) holds one range and "
    "would lose them.\n\nSave the curve as CSV instead?";

// A curve of several ranges never becomes a points file, which would keep
// none of them: the user is told and offered CSV under the same name.
TEST_F(PointsFileCommands, MixedRangesAreOfferedCsvInsteadOfAPointsFile) {
  const struct {
    const char* name;
    const char* typed;
    int filter;                   // in the first dialog
    std::vector<PromptAnswer> answers;
    const char* proposed;         // the CSV dialog's name; "" when it must not open
    const char* typedInCsvDialog;  // "" cancels it
    int csvFilter;
    const char* written;          // the one file the folder holds afterwards; "" none
    bool asked;
  } cases[] = {
      {"yes: the CSV dialog proposes the same name", "wide.kvt", 1, {PromptAnswer::Yes}, "wide.csv", "wide.csv", 1,
       "wide.csv", true},
      {"a bare name under the points filter", "wide", 1, {PromptAnswer::Yes}, "wide.csv", "wide.csv", 1, "wide.csv",
       true},
      {"another extension", "run.txt", 0, {PromptAnswer::Yes}, "run.csv", "run.csv", 1, "run.csv", true},
      {"a bare name under CSV gets .csv", "wide.kvt", 1, {PromptAnswer::Yes}, "wide.csv", "other", 1, "other.csv",
       true},
      {"no: nothing written", "wide.kvt", 1, {PromptAnswer::No}, "", "", 1, "", true},
      {"yes, then the CSV dialog cancelled", "wide.kvt", 1, {PromptAnswer::Yes}, "wide.csv", "", 1, "", true},
      {"a .csv name is written as CSV at once", "wide.csv", 0, {}, "", "", 1, "wide.csv", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    QTemporaryDir folder;
    const auto in = [&](const char* name) { return QDir(folder.path()).filePath(name).toStdString(); };
    ScriptedPrompt user;
    user.saveFilters = {c.filter, c.csvFilter};
    user.fileNames = {in(c.typed)};
    if (*c.proposed) user.fileNames.push_back(*c.typedInCsvDialog ? in(c.typedInCsvDialog) : "");
    user.answers = {c.answers.begin(), c.answers.end()};
    const Curve curve = StitchedPoints();
    EXPECT_EQ(SavePointsFile(curve, user), *c.written != 0);

    if (c.asked) {
      ASSERT_EQ(user.messages.size(), 1u);
      EXPECT_EQ(user.messages[0].text, MixedRangesQuestion);
      EXPECT_EQ(user.messages[0].icon, PromptIcon::Question);
      EXPECT_EQ(user.messages[0].buttons, PromptButtons::YesNo);
    } else {
      EXPECT_TRUE(user.messages.empty());
    }
    ASSERT_EQ(user.saveDialogs.size(), *c.proposed ? 2u : 1u);
    if (*c.proposed) {
      EXPECT_EQ(user.saveDialogs[1].fileName, in(c.proposed));
      EXPECT_EQ(user.saveDialogs[1].filters, (std::vector<std::string>{"All Files (*.*)", "CSV Files (*.csv)"}));
      EXPECT_EQ(user.saveDialogs[1].selectedFilter, 1);
    }
    EXPECT_EQ(Entries(folder.path()), *c.written ? QStringList{c.written} : QStringList{});
    if (*c.written) {
      // Every point back on its range.
      const CurveFile back = ReadCurveFile(in(c.written));
      ASSERT_TRUE(back.ok()) << back.error;
      EXPECT_EQ(back.curve.points, curve.points);
    }
  }
}

// A CSV file opens with each point on its range; a bad one is named with
// its line and leaves the curve as it was.
TEST_F(PointsFileCommands, CsvFilesOpenWithTheirRanges) {
  const Curve stitched = StitchedPoints();
  WriteAll(Path("wide.csv"), CurveFileText(stitched, CurveFormat::Csv, {"kvt", "1.2", "", std::nullopt, ""}).text);
  Load(Path("wide.csv"));
  EXPECT_TRUE(prompt.messages.empty());
  EXPECT_EQ(points.points, stitched.points);
  EXPECT_EQ(points.info.source, "wide.csv");
  EXPECT_EQ(window.calls, (std::vector<std::string>{"update", "draw"}));  // 4 points: no count button fits

  window.calls.clear();
  Curve ofCount = SomePoints(64);
  WriteAll(Path("sixty-four.csv"), CurveFileText(ofCount, CurveFormat::Csv, {"kvt", "1.2", "", std::nullopt, ""}).text);
  Load(Path("sixty-four.csv"));
  EXPECT_EQ(window.calls, (std::vector<std::string>{"off", "on 2", "draw"}));
  EXPECT_EQ(window.countWhenOptionOn, 64);

  const Curve before = points;
  window.calls.clear();
  WriteAll(Path("bad.csv"), "voltage_V,current_A,clipped,range_ohms\n0.1,1e-3,0,1000\n0.2,2e-3,0,ten\n");
  Load(Path("bad.csv"));
  ExpectOnlyMessage("Can't Open File!\n\nbad.csv: line 3: range_ohms \"ten\" is not a resistance in ohms.",
                    PromptButtons::Ok);
  EXPECT_TRUE(window.calls.empty());
  EXPECT_EQ(points, before);
}

// A device named without an extension was taken as the start of a new
// name: with the points filter the file went beside it ("null.kvt" in the
// device folder). The command refuses the name; so does Save.
TEST_F(PointsFileCommands, SaveRefusesADeviceNamedWithoutAnExtension) {
  const std::string device = Path("dev").toStdString();
  if (::mknod(device.c_str(), S_IFCHR | 0666, makedev(1, 3)) != 0)
    GTEST_SKIP() << "no device node without root";
  for (const int filter : {0, 1}) {
    SCOPED_TRACE(filter == 0 ? "All Files" : "Files with Points");
    prompt.messages.clear();
    prompt.saveFilters = {filter};
    Save(QString::fromStdString(device));
    ExpectOnlyMessage("Can't save file", PromptButtons::OkCancel);
    EXPECT_EQ(Entries(dir.path()), QStringList{"dev"});
  }
}

}  // namespace kvt

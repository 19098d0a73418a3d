// kvt board new, golden and test as a script runs them: a board captured
// from good parts and tested with some swapped, bad input that must leave
// the board as it was, and a stop signal during a sweep.
#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <functional>
#include <string>
#include <vector>

#include "core/settings.h"
#include "tests/support/terminal_run.h"
#include "tests/support/kvt_run.h"

namespace kvt {

namespace {

class BoardSession : public testing::Test {
 protected:
  using Outcome = KvtOutcome;
  // Runs in the test's folder, or in `folder` within it.
  Outcome Kvt(const QStringList& arguments, const QString& folder = {}) {
    return RunKvt(folder.isEmpty() ? dir.path() : Path(folder), arguments);
  }
  QString Path(const QString& name) const { return dir.filePath(name); }
  void Write(const QString& name, const QByteArray& bytes) {
    QFile file(Path(name));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
  }
  QByteArray Read(const QString& name) {
    QFile file(Path(name));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
  }
  QJsonObject Shown(const QString& board) {
    const Outcome run = Kvt({"board", "show", board, "--json"});
    EXPECT_EQ(run.status, 0) << run.err;
    return QJsonDocument::fromJson(QByteArray::fromStdString(run.out)).object();
  }

  QTemporaryDir dir;
};

// Twenty points captured from simulated good parts, then tested with three
// of them swapped for other parts: exactly those three fail, the board says
// so, and its report is written.
TEST_F(BoardSession, ThreeSwappedPartsOfTwentyFail) {
  struct Row {
    const char* point;
    const char* good;
    const char* tested;  // the part on the suspect board
  };
  const std::vector<Row> rows = {
      {"D1.A", "diode", "diode"},          {"D2.A", "diode", "led"},
      {"D3.A", "led", "led"},              {"D4.A", "led", "led"},
      {"Z1.K", "zener 3.3", "zener 3.3"},  {"Z2.K", "zener 5.1", "zener 3.3"},
      {"R1.1", "resistor 1k", "resistor 1k"},       {"R2.1", "resistor 4.7k", "resistor 4.7k"},
      {"R3.1", "resistor 470", "resistor 470"},     {"R4.1", "resistor 1k", "resistor 1.5k"},
      {"R5.1", "resistor 220", "resistor 220"},     {"R6.1", "resistor 10k", "resistor 10k"},
      {"U1.1", "diode", "diode"},          {"U1.2", "zener 4.7", "zener 4.7"},
      {"U1.3", "open", "open"},            {"U1.4", "short", "short"},
      {"U2.1", "led", "led"},              {"U2.2", "resistor 2.2k", "resistor 2.2k"},
      {"U2.3", "zener 3.3", "zener 3.3"},  {"U2.4", "diode", "diode"},
  };
  QStringList names;
  for (const Row& row : rows) names << row.point;
  Outcome run = Kvt({"board", "new", "b.kvtboard", "--name", "Amplifier", "--points", names.join(',')});
  ASSERT_EQ(run.status, 0) << run.err;
  for (const Row& row : rows) {
    run = Kvt({"board", "golden", "b.kvtboard", row.point, "--measure", "-n", "32",
               QStringLiteral("--simulate=") + row.good});
    ASSERT_EQ(run.status, 0) << row.point << ": " << run.err;
    EXPECT_EQ(run.out, std::string(row.point) + ": known-good curve stored, 32 points\n");
  }
  // The suspect board reads with other noise than the good one did.
  Write("kvt_sim.txt", "seed = 2\n");
  QStringList failing;
  for (const Row& row : rows) {
    SCOPED_TRACE(row.point);
    run = Kvt({"board", "test", "b.kvtboard", row.point, "--measure", "-n", "32",
               QStringLiteral("--simulate=") + row.tested});
    const bool swapped = std::string(row.good) != row.tested;
    EXPECT_EQ(run.status, swapped ? 1 : 0) << run.out << run.err;
    EXPECT_EQ(run.out.rfind(std::string(row.point) + (swapped ? ": fail, score " : ": pass, score "), 0), 0u)
        << run.out;
    EXPECT_EQ(std::count(run.out.begin(), run.out.end(), '\n'), 1) << run.out;
    if (swapped) {
      EXPECT_NE(run.out.find(", differs from "), std::string::npos) << run.out;
      failing << row.point;
    }
  }

  const QJsonObject shown = Shown("b.kvtboard");
  EXPECT_EQ(shown["points"].toInt(), 20);
  EXPECT_EQ(shown["known_good"].toInt(), 20);
  EXPECT_EQ(shown["tested"].toInt(), 20);
  EXPECT_EQ(shown["failing"].toInt(), 3);
  QStringList shownFailing;
  for (const QJsonValue& point : shown["list"].toArray()) {
    if (point["verdict"].toString() == "fail") shownFailing << point["name"].toString();
    EXPECT_TRUE(point["score"].isDouble());
  }
  EXPECT_EQ(shownFailing, failing);
  const Outcome text = Kvt({"board", "show", "b.kvtboard"});
  for (const QString& name : failing) EXPECT_NE(text.out.find(name.toStdString() + ": fail"), std::string::npos);

  run = Kvt({"board", "report", "b.kvtboard", "-o", "report.html"});
  ASSERT_EQ(run.status, 0) << run.err;
  const QByteArray html = Read("report.html");
  EXPECT_TRUE(html.contains("Board test: Amplifier"));
  EXPECT_EQ(html.count("FAIL"), 3);
}

// A test from a curve file stores what the file holds, with its verdict, and
// the board keeps the photo by its path from the board's folder.
TEST_F(BoardSession, CurveFilesAndThePhotoAreStored) {
  ASSERT_TRUE(QDir(dir.path()).mkpath("photos/sub"));
  ASSERT_TRUE(QDir(dir.path()).mkpath("boards"));
  QImage photo(40, 30, QImage::Format_RGB32);
  photo.fill(Qt::darkGreen);
  ASSERT_TRUE(photo.save(Path("photos/sub/top.png")));
  ASSERT_TRUE(photo.save(Path("boards/top.jpg")));
  struct Case {
    const char* name;
    QString board;
    QString photo;
    QString stored;  // the board file's "photo"
  };
  const std::vector<Case> cases = {
      {"beside the board", "boards/a.kvtboard", "boards/top.jpg", "top.jpg"},
      {"in another folder", "boards/b.kvtboard", "photos/sub/top.png", "../photos/sub/top.png"},
      {"named from the root", "boards/c.kvtboard", Path("photos/sub/top.png"), "../photos/sub/top.png"},
      {"board in the photo's folder", "photos/d.kvtboard", "photos/sub/./top.png", "sub/top.png"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Outcome run = Kvt({"board", "new", c.board, "--name", "B", "--image", c.photo, "--points", " U1.1 , R2"});
    ASSERT_EQ(run.status, 0) << run.err;
    const QJsonObject file = QJsonDocument::fromJson(Read(c.board)).object();
    EXPECT_EQ(file["photo"].toString().toStdString(), c.stored.toStdString());
    EXPECT_EQ(file["name"].toString(), "B");
    ASSERT_EQ(file["points"].toArray().size(), 2);
    EXPECT_EQ(file["points"].toArray()[1].toObject()["name"].toString(), "R2");
    // Placed on the photo, apart, so the window shows them at once.
    for (const QJsonValue point : file["points"].toArray()) {
      const double x = point.toObject()["x"].toDouble(-1), y = point.toObject()["y"].toDouble(-1);
      EXPECT_TRUE(x > 0 && x < photo.width() && y > 0 && y < photo.height()) << x << ", " << y;
    }
    EXPECT_NE(file["points"].toArray()[0].toObject()["x"], file["points"].toArray()[1].toObject()["x"]);
    ASSERT_EQ(Kvt({"board", "report", c.board, "-o", "r.html"}).status, 0);
    EXPECT_FALSE(Read("r.html").contains("could not be read"));
  }

  ASSERT_EQ(Kvt({"measure", "-n", "64", "--simulate=diode", "-o", "good.csv"}).status, 0);
  ASSERT_EQ(Kvt({"measure", "-n", "64", "--simulate=led", "-o", "led.kvt"}).status, 0);
  ASSERT_EQ(Kvt({"board", "golden", "boards/a.kvtboard", "U1.1", "good.csv"}).status, 0);
  const Outcome run = Kvt({"board", "test", "boards/a.kvtboard", "U1.1", "led.kvt"});
  EXPECT_EQ(run.status, 1);
  const QJsonObject point = Shown("boards/a.kvtboard")["list"].toArray()[0].toObject();
  EXPECT_EQ(point["verdict"].toString(), "fail");
  const QJsonArray differs = point["differs"].toArray();
  ASSERT_EQ(differs.size(), 2);
  char line[96];
  std::snprintf(line, sizeof line, "U1.1: fail, score %.1f, differs from %.2f V to %.2f V\n", point["score"].toDouble(),
                differs[0].toDouble(), differs[1].toDouble());
  EXPECT_EQ(run.out, line);
  const QJsonObject file = QJsonDocument::fromJson(Read("boards/a.kvtboard")).object();
  EXPECT_EQ(file["written_by"].toObject()["program"].toString(), "kvt");
}

// Bad input: status 2, one line naming the file and the problem, and no file
// written or changed.
TEST_F(BoardSession, BadInputLeavesEveryFileAsItWas) {
  ASSERT_EQ(Kvt({"measure", "-n", "32", "--simulate=diode", "-o", "d.csv"}).status, 0);
  ASSERT_EQ(Kvt({"board", "new", "b.kvtboard", "--name", "B", "--points", "U1.1,U1.2,U1.3"}).status, 0);
  ASSERT_EQ(Kvt({"board", "golden", "b.kvtboard", "U1.1", "d.csv"}).status, 0);
  ASSERT_EQ(Kvt({"board", "test", "b.kvtboard", "U1.1", "d.csv"}).status, 0);
  QByteArray odd = Read("b.kvtboard");
  odd.replace("\"tolerance\": \"auto\"", "\"tolerance\": \"lots\"");
  Write("odd.kvtboard", odd);
  Write("broken.kvtboard", "{\"format\": \"kvt board\", \"version\": 1, \"name\": \"B\", \"points\": [");
  Write("bad.csv", "volts,amps\n1,x\n");
  Write("notes.png", "not a picture");
  Settings settings;
  SetDefaultSettings(settings, AllGroups);
  settings[PortHex] = "1234";  // never a parallel port
  ASSERT_TRUE(QDir(dir.path()).mkdir("noport"));
  ASSERT_TRUE(WriteSettings(settings, Path("noport/").toStdString()));
  ASSERT_TRUE(QFile::copy(Path("b.kvtboard"), Path("noport/b.kvtboard")));

  struct Case {
    const char* name;
    QStringList arguments;
    std::string message;  // the whole line after "kvt board: ", or its start
    QString folder = {};  // where kvt runs, within the test's folder
  };
  const std::vector<Case> cases = {
      {"unknown point", {"golden", "b.kvtboard", "U9.9", "d.csv"},
       "b.kvtboard: no point \"U9.9\" (its points: U1.1, U1.2, U1.3)"},
      {"unknown point tested", {"test", "b.kvtboard", "u1.1", "--measure", "--simulate"}, "b.kvtboard: no point \"u1.1\""},
      {"no known-good curve", {"test", "b.kvtboard", "U1.2", "--measure", "--simulate"},
       "b.kvtboard: point \"U1.2\" has no known-good curve (kvt board golden stores one)"},
      {"tolerance not understood", {"test", "odd.kvtboard", "U1.1", "d.csv"},
       "odd.kvtboard: point \"U1.1\": the tolerance \"lots\" is not auto, a percentage or VOLTS,AMPS"},
      {"malformed board", {"golden", "broken.kvtboard", "U1.1", "d.csv"}, "broken.kvtboard: bad JSON at byte"},
      {"missing board", {"test", "none.kvtboard", "U1.1", "d.csv"}, "none.kvtboard: cannot be read"},
      {"bad curve file", {"golden", "b.kvtboard", "U1.1", "bad.csv"}, "bad.csv: "},
      {"missing curve file", {"test", "b.kvtboard", "U1.1", "gone.csv"}, "gone.csv: "},
      {"measurement fails", {"test", "b.kvtboard", "U1.1", "--measure"},
       "b.kvtboard: U1.1 was not measured: The I/O port 0x1234", "noport"},
      {"bad part", {"golden", "b.kvtboard", "U1.1", "--measure", "--simulate=resistor 4k7"},
       "--simulate \"resistor 4k7\": \"4k7\" is not a number"},
      {"bad point count", {"test", "b.kvtboard", "U1.1", "--measure", "-n", "33"}, "option -n takes 32, 64"},
      {"file and measure", {"golden", "b.kvtboard", "U1.1", "d.csv", "--measure"},
       "board golden: a curve FILE or --measure, not both"},
      {"neither", {"test", "b.kvtboard", "U1.1"}, "board test: missing FILE or --measure"},
      {"no point", {"golden", "b.kvtboard"}, "board golden: missing POINT"},
      {"one word too many", {"test", "b.kvtboard", "U1.1", "d.csv", "d.csv"}, "board test: unexpected \"d.csv\""},
      {"simulate without measure", {"golden", "b.kvtboard", "U1.1", "d.csv", "--simulate=led"},
       "board golden: option --simulate needs --measure"},
      {"option of another action", {"test", "b.kvtboard", "U1.1", "d.csv", "--name", "X"}, "board test takes no --name"},
      {"existing board", {"new", "b.kvtboard", "--name", "B", "--points", "A1"},
       "b.kvtboard: already exists; kvt board new writes only a new board"},
      {"not a board name", {"new", "b.txt", "--name", "B", "--points", "A1"}, "b.txt: the output must end in .kvtboard"},
      {"no name", {"new", "n.kvtboard", "--points", "A1"}, "board new: missing --name NAME"},
      {"blank name", {"new", "n.kvtboard", "--name", " ", "--points", "A1"}, "board new: missing --name NAME"},
      {"no points", {"new", "n.kvtboard", "--name", "B"}, "board new: missing --points"},
      {"empty point name", {"new", "n.kvtboard", "--name", "B", "--points", "A1,,A2"},
       "option --points: name 2 is empty"},
      {"trailing comma", {"new", "n.kvtboard", "--name", "B", "--points", "A1,"}, "option --points: name 2 is empty"},
      {"point named twice", {"new", "n.kvtboard", "--name", "B", "--points", "A1,B2,A1"},
       "option --points: the name \"A1\" is given twice"},
      {"missing photo", {"new", "n.kvtboard", "--name", "B", "--points", "A1", "--image", "none.png"},
       "none.png: no such file"},
      {"photo not an image", {"new", "n.kvtboard", "--name", "B", "--points", "A1", "--image", "notes.png"},
       "notes.png: not an image kvt can read"},
      {"folder as photo", {"new", "n.kvtboard", "--name", "B", "--points", "A1", "--image", "noport"},
       "noport: no such file"},
      {"measuring options for new", {"new", "n.kvtboard", "--name", "B", "--points", "A1", "--measure"},
       "board new takes no --measure"},
  };
  const auto everything = [&] {
    std::vector<QByteArray> files;
    for (const QString& name : QDir(dir.path()).entryList(QDir::Files)) files.push_back(name.toUtf8() + "\n" + Read(name));
    for (const QString& name : QDir(Path("noport")).entryList(QDir::Files))
      files.push_back(name.toUtf8() + "\n" + Read("noport/" + name));
    return files;
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::vector<QByteArray> before = everything();
    const Outcome run = Kvt(QStringList{"board"} + c.arguments, c.folder);
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.err.rfind("kvt board: " + c.message, 0), 0u) << run.err;
    EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
    EXPECT_EQ(run.out, "");
    EXPECT_TRUE(everything() == before);
  }
}

// A signal during a sweep for the board stops it with 0 V on the part and
// the board as it was.
TEST_F(BoardSession, AStoppedSweepLeavesZeroVoltsAndTheBoard) {
  ASSERT_EQ(Kvt({"measure", "-n", "32", "--simulate=diode", "-o", "d.csv"}).status, 0);
  ASSERT_EQ(Kvt({"board", "new", "b.kvtboard", "--name", "B", "--points", "U1.1,U1.2"}).status, 0);
  ASSERT_EQ(Kvt({"board", "golden", "b.kvtboard", "U1.1", "d.csv"}).status, 0);
  struct Case {
    const char* action;
    const char* point;
    int number;
    const char* name;
  };
  const Case cases[] = {{"golden", "U1.2", SIGINT, "SIGINT"}, {"test", "U1.1", SIGINT, "SIGINT"},
                        {"test", "U1.1", SIGTERM, "SIGTERM"}};
  const QByteArray board = Read("b.kvtboard");
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.action) + " " + c.name);
    QFile::remove(Path("dac.txt"));
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("LD_LIBRARY_PATH", KVT_RECORDING_PORT_DIR);
    environment.insert("KVT_TEST_SIM", "component = diode\n");
    environment.insert("KVT_TEST_DAC_FILE", Path("dac.txt"));
    const TerminalRun run = SignalOnceShown(
        QStringLiteral(KVT_PROGRAM), {"board", c.action, "b.kvtboard", c.point, "--measure", "-n", "1024"},
        dir.path(), environment, "/1024", c.number);
    ASSERT_TRUE(run.started);
    EXPECT_EQ(run.exitStatus, QProcess::NormalExit);
    EXPECT_EQ(run.exitCode, 128 + c.number);
    EXPECT_NE(run.seen.find(std::string("kvt board: stopped by ") + c.name +
                            "; the part is left at 0 V, the board unchanged"),
              std::string::npos)
        << run.Tail(200);
    EXPECT_EQ(Read("b.kvtboard"), board);
    QFile dac(Path("dac.txt"));
    ASSERT_TRUE(dac.open(QIODevice::ReadOnly));
    EXPECT_EQ(dac.readAll().trimmed(), "512");
  }
}

}  // namespace

}  // namespace kvt

// The kvt command as a user runs it: real processes, real files, exit
// statuses and messages.
#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <string>
#include <vector>

#include "core/settings.h"

namespace kvt {

namespace {

struct Outcome {
  int status = -1;
  std::string out;
  std::string err;
};

class KvtCommand : public testing::Test {
 protected:
  Outcome Kvt(const QStringList& arguments) {
    QProcess process;
    process.setWorkingDirectory(dir.path());
    process.start(QStringLiteral(KVT_PROGRAM), arguments);
    EXPECT_TRUE(process.waitForFinished(120000)) << arguments.join(' ').toStdString();
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            process.readAllStandardOutput().toStdString(), process.readAllStandardError().toStdString()};
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
  // Measures the simulated part and returns its parameters.
  QJsonObject Params(const QString& component, const QString& range, const QString& file) {
    QStringList measure = {"measure", "-n", "256", "--simulate=" + component, "-o", file};
    if (!range.isEmpty()) measure << "--range" << range;
    const Outcome run = Kvt(measure);
    EXPECT_EQ(run.status, 0) << run.err;
    const Outcome params = Kvt({"params", "--json", file});
    EXPECT_EQ(params.status, 0) << params.err;
    return QJsonDocument::fromJson(QByteArray::fromStdString(params.out)).object();
  }

  QTemporaryDir dir;
};

TEST_F(KvtCommand, SimulatedPartsAreMeasuredAndNamed) {
  struct Case {
    const char* component;
    const char* range;
    const char* kind;
    const char* key;     // the parameter that identifies the part
    double expected;
    double tolerance;
  };
  // The simulator's junction models give 0.592 V (diode) and 1.791 V (LED) at
  // 1 mA: Is = 3e-9 A, n = 1.8, 0.5 ohm and Is = 1e-18 A, n = 2, 5 ohm at 27 C.
  // Its zener breaks down at the voltage it is told, at 1 mA.
  const Case cases[] = {
      {"diode", "", "diode", "vf", 0.592, 0.020},
      {"resistor 1k", "", "resistor", "resistance", 1000, 20},
      {"resistor 4.7k", "10k", "resistor", "resistance", 4700, 94},
      {"zener 3.3", "", "zener", "vbr", -3.3, 0.1},
      {"led", "", "LED", "vf", 1.791, 0.050},
      {"open", "", "open", "vf", NAN, 0},
      {"short", "100", "short", "vf", 0.0, 0.03},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.component);
    const QJsonObject p = Params(c.component, c.range, "part.csv");
    EXPECT_EQ(p["component"].toString().toStdString(), c.kind);
    if (std::isnan(c.expected)) {
      EXPECT_TRUE(p[c.key].isNull());
    } else {
      EXPECT_NEAR(p[c.key].toDouble(), c.expected, c.tolerance);
    }
  }
}

TEST_F(KvtCommand, ComparePassesTheSamePartAndFailsASwappedOne) {
  Params("diode", "", "first.kvt");
  Params("diode", "", "second.kvt");  // another run: other noise
  Params("led", "", "led.kvt");
  EXPECT_EQ(Kvt({"compare", "first.kvt", "second.kvt"}).status, 0);
  const Outcome swapped = Kvt({"compare", "first.kvt", "led.kvt", "--json"});
  EXPECT_EQ(swapped.status, 1);
  const QJsonObject result = QJsonDocument::fromJson(QByteArray::fromStdString(swapped.out)).object();
  EXPECT_FALSE(result["pass"].toBool());
  EXPECT_LT(result["score"].toDouble(), 90);  // the reverse halves agree
  EXPECT_FALSE(result["differs"].toArray().isEmpty());
  EXPECT_TRUE(result["worst"].isObject());
}

TEST_F(KvtCommand, CompareAQuickCheckWithADenseReference) {
  struct Case {
    const char* component;
    const char* points;
    const char* referencePoints;
  };
  // A sparse curve's chords cut a diode's knee and stop a step short of the
  // converter's top; the same part still passes.
  const Case cases[] = {
      {"diode", "32", "1024"},
      {"zener 3.3", "1024", "32"},
      {"led", "64", "512"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.component);
    const QString component = QString::fromUtf8(c.component);
    EXPECT_EQ(Kvt({"measure", "-n", c.points, "--simulate=" + component, "-o", "check.kvt"}).status, 0);
    EXPECT_EQ(Kvt({"measure", "-n", c.referencePoints, "--simulate=" + component, "-o", "golden.kvt"}).status, 0);
    const Outcome run = Kvt({"compare", "check.kvt", "golden.kvt", "--json"});
    EXPECT_EQ(run.status, 0) << run.out;
  }
}

TEST_F(KvtCommand, ConvertRoundTripsAndSpiceWritesBothModels) {
  Params("diode", "", "d.kvt");
  ASSERT_EQ(Kvt({"convert", "d.kvt", "-o", "d.csv"}).status, 0);
  ASSERT_EQ(Kvt({"convert", "d.csv", "-o", "back.kvt"}).status, 0);
  EXPECT_EQ(Read("back.kvt"), Read("d.kvt"));
  EXPECT_TRUE(Read("d.csv").contains("voltage_V,current_A,clipped\n"));

  ASSERT_EQ(Kvt({"spice", "d.kvt", "-o", "d.lib", "--name", "D1N"}).status, 0);
  const QByteArray model = Read("d.lib");
  EXPECT_TRUE(model.contains(".model D1N D(IS=")) << model.toStdString();
  EXPECT_TRUE(model.contains(".subckt D1N_TABLE")) << model.toStdString();
}

TEST_F(KvtCommand, MeasureWithoutOutputWritesThePointsToStandardOutput) {
  const Outcome run = Kvt({"measure", "-n", "32", "--simulate"});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out.rfind("KVT\r\n 32 \r\n", 0), 0u) << run.out.substr(0, 40);
  EXPECT_TRUE(QDir(dir.path()).entryList(QDir::Files).isEmpty());  // and never kvt_win.cfg
}

// Every kind of bad input: status 2, one line naming the problem, and the
// output file neither created nor changed.
TEST_F(KvtCommand, BadInputSaysWhatAndTouchesNoOutput) {
  Write("good.kvt", "KVT\r\n 32 \r\n 0 \r\n" + QByteArray(" 0.10    1.0000E-003\r\n").repeated(32));
  Write("empty.kvt", "");
  Write("binary.kvt", QByteArray("KV\0T\x01\x02", 6));
  Write("short.kvt", "KVT\r\n 32 \r\n 0 \r\n 0.10    1.0000E-003\r\n");
  Write("bad.csv", "voltage_V,current_A\n0.1,abc\n");
  Write("unreadable.kvt", "KVT\r\n");
  QFile::setPermissions(Path("unreadable.kvt"), QFileDevice::Permissions());
  Write("keep.png", "old output");
  Write("keep.csv", "old output");
  struct Case {
    QStringList arguments;
    std::string message;  // part of the one line on stderr
    QString output;       // must stay as it was (or absent)
  };
  const std::vector<Case> cases = {
      {{"params", "missing.kvt"}, "missing.kvt: no such file", ""},
      {{"convert", "empty.kvt", "-o", "new.csv"}, "empty.kvt: empty file", "new.csv"},
      {{"convert", "binary.kvt", "-o", "keep.csv"}, "binary.kvt: binary data", "keep.csv"},
      {{"convert", "short.kvt", "-o", "keep.csv"}, "short.kvt: points file with a bad count", "keep.csv"},
      {{"convert", "bad.csv", "-o", "keep.csv"}, "bad.csv: line 2", "keep.csv"},
      {{"params", "good.kvt", "--frobnicate"}, "unknown option --frobnicate", ""},
      {{"compare", "good.kvt", "good.kvt", "--tolerance", "lots"}, "--tolerance", ""},
      {{"compare", "good.kvt", "good.kvt", "--tolerance", "0"}, "--tolerance", ""},
      {{"convert", "good.kvt"}, "missing -o OUT", ""},
      {{"measure", "-n", "100", "-o", "new.kvt", "--simulate"}, "32, 64, 128, 256, 512 or 1024", "new.kvt"},
      {{"measure", "--simulate=capacitor", "-o", "new.kvt"}, "--simulate takes", "new.kvt"},
      {{"params"}, "missing FILE", ""},
      {{"convert", "good.kvt", "-o", "folder/x.csv"}, "folder/x.csv: cannot be written", ""},
      {{"unknown-command"}, "unknown command", ""},
      {{"render", "good.kvt", "-o", "keep.png", "--size", "10x10"}, "--size", "keep.png"},
      {{"render", "good.kvt", "-o", "keep.png", "--size", "wide"}, "WIDTHxHEIGHT", "keep.png"},
      {{"render", "good.kvt", "-o", "out.bmp"}, "out.bmp: the output must end in .png or .svg", ""},
      {{"render", "good.kvt", "--ref", "missing.kvt", "-o", "keep.png"}, "missing.kvt: no such file", "keep.png"},
      {{"render", "good.kvt", "-o", "keep.png", "--max-v", "6"}, "--max-v", "keep.png"},
  };
  // Root reads any file: the unreadable case only means something otherwise.
  const bool root = QFile(Path("unreadable.kvt")).open(QIODevice::ReadOnly);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.arguments.join(' ').toStdString());
    const QByteArray before = c.output.isEmpty() ? QByteArray() : Read(c.output);
    const Outcome run = Kvt(c.arguments);
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
    EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
    if (!c.output.isEmpty()) {
      EXPECT_EQ(Read(c.output), before);
    }
  }
  if (!root) {
    const Outcome run = Kvt({"params", "unreadable.kvt"});
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.err.find("unreadable.kvt: cannot be read"), std::string::npos) << run.err;
  }
  EXPECT_EQ(Read("keep.png"), "old output");
}

TEST_F(KvtCommand, RenderDrawsReferencesInTheirColoursToPngAndSvg) {
  Params("diode", "", "d.kvt");
  Params("zener 3.3", "", "z.kvt");
  ASSERT_EQ(Kvt({"render", "d.kvt", "-o", "alone.png"}).status, 0);
  ASSERT_EQ(Kvt({"render", "d.kvt", "--ref", "z.kvt", "-o", "both.png", "--size", "800x600"}).status, 0);
  const QImage alone(Path("alone.png")), both(Path("both.png"));
  EXPECT_EQ(alone.size(), QSize(373, 341));
  EXPECT_EQ(both.size(), QSize(800, 600));
  EXPECT_EQ(alone.format(), QImage::Format_Indexed8);
  const QRgb orange = qRgb(255, 160, 0);  // the first reference's colour
  EXPECT_FALSE(alone.colorTable().contains(orange));
  EXPECT_TRUE(both.colorTable().contains(orange));

  ASSERT_EQ(Kvt({"render", "d.kvt", "--ref", "z.kvt", "-o", "both.svg"}).status, 0);
  const QByteArray svg = Read("both.svg");
  EXPECT_TRUE(svg.contains("<svg")) << svg.left(200).toStdString();
  EXPECT_TRUE(svg.contains(">z.kvt<"));
  EXPECT_TRUE(svg.contains("#ffa000"));
}

// Without a usable port the run fails with the port library's reason and
// where the address is set, and writes nothing.
TEST_F(KvtCommand, MeasureWithoutTheInstrumentSaysWhyAndWritesNothing) {
  Settings settings;
  SetDefaultSettings(settings, AllGroups);
  settings[PortHex] = "1234";  // never a parallel port
  ASSERT_TRUE(WriteSettings(settings, dir.path().toStdString() + "/"));
  const Outcome run = Kvt({"measure", "-n", "32", "-o", "new.kvt"});
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.err.find("0x1234"), std::string::npos) << run.err;
  EXPECT_NE(run.err.find("kvt_win.cfg"), std::string::npos) << run.err;
  EXPECT_FALSE(QFile::exists(Path("new.kvt")));
}

TEST_F(KvtCommand, HelpVersionAndUsage) {
  const Outcome help = Kvt({"--help"});
  EXPECT_EQ(help.status, 0);
  EXPECT_NE(help.out.find("kvt measure"), std::string::npos);
  const Outcome version = Kvt({"--version"});
  EXPECT_EQ(version.status, 0);
  EXPECT_EQ(version.out.rfind("kvt ", 0), 0u);
  EXPECT_EQ(Kvt({}).status, 2);
}

}  // namespace

}  // namespace kvt

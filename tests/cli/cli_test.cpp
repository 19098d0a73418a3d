// The kvt command as a user runs it: real processes, real files, exit
// statuses and messages.
#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <csignal>
#include <cstdlib>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "core/settings.h"
#include "tests/support/terminal_run.h"
#include "tests/support/kvt_run.h"

namespace kvt {

namespace {

using Outcome = KvtOutcome;

class KvtCommand : public testing::Test {
 protected:
  // `setUp` may change the process before it starts: its environment, its
  // standard streams.
  Outcome Kvt(const QStringList& arguments, const std::function<void(QProcess&)>& setUp = {}) {
    return RunKvt(dir.path(), arguments, setUp);
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
  // Every point comes back; a CSV is read in order of voltage.
  const auto lines = [](QByteArray text) {
    QList<QByteArray> list = text.split('\n');
    std::sort(list.begin(), list.end());
    return list;
  };
  EXPECT_EQ(lines(Read("back.kvt")), lines(Read("d.kvt")));
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
      {{"convert", "short.kvt", "-o", "keep.csv"}, "short.kvt: points file line 4: the file ends before point 2", "keep.csv"},
      {{"convert", "bad.csv", "-o", "keep.csv"}, "bad.csv: line 2", "keep.csv"},
      {{"params", "good.kvt", "--frobnicate"}, "unknown option --frobnicate", ""},
      {{"compare", "good.kvt", "good.kvt", "--tolerance", "lots"}, "--tolerance", ""},
      {{"compare", "good.kvt", "good.kvt", "--tolerance", "0"}, "--tolerance", ""},
      {{"compare", "good.kvt", "good.kvt", "--tolerance", "20mV,0uA"}, "both above 0", ""},
      {{"compare", "good.kvt", "good.kvt", "--tolerance", "20mV,lots"}, "current in amperes", ""},
      {{"compare", "good.kvt", "good.kvt", "--tolerance", "20mA,50uA"}, "voltage in volts", ""},
      {{"convert", "good.kvt"}, "missing -o OUT", ""},
      {{"measure", "-n", "100", "-o", "new.kvt", "--simulate"}, "32, 64, 128, 256, 512 or 1024", "new.kvt"},
      {{"measure", "--simulate=capacitor", "-o", "new.kvt"}, "--simulate \"capacitor\": no component", "new.kvt"},
      {{"measure", "-n", "32", "--simulate", "-o", "new.png"}, "new.png: the output must end in .kvt or .csv",
       "new.png"},
      {{"measure", "-n", "32", "--simulate", "-o", "keep.png"}, "keep.png: the output must end in .kvt or .csv",
       "keep.png"},
      {{"convert", "good.kvt", "-o", "new.txt"}, "new.txt: the output must end in .kvt or .csv", "new.txt"},
      {{"convert", "good.kvt", "-o", "keep.png"}, "keep.png: the output must end in .kvt or .csv", "keep.png"},
      {{"spice", "good.kvt", "-o", "new.txt"}, "new.txt: the output must end in .lib, .mod, .inc, .cir or .sp",
       "new.txt"},
      {{"render", "good.kvt", "-o", "keep.png", "--size", "-5x10"}, "pixels from 60 to 10000, not \"-5\"",
       "keep.png"},
      {{"params", "good.kvt", "--if", "2mV"}, "--if needs a current in amperes (0.002 or 2mA), not \"2mV\"", ""},
      {{"params", "good.kvt", "--vr", "1V"}, "--vr needs a reverse (negative) voltage in volts, not \"1V\"", ""},
      {{"params"}, "missing FILE", ""},
      {{"convert", "good.kvt", "-o", "folder/x.csv"}, "folder/x.csv: cannot be written", ""},
      {{"unknown-command"}, "unknown command", ""},
      {{"render", "good.kvt", "-o", "keep.png", "--size", "10x10"}, "--size", "keep.png"},
      {{"render", "good.kvt", "-o", "keep.png", "--size", "wide"}, "WIDTHxHEIGHT", "keep.png"},
      {{"render", "good.kvt", "-o", "out.bmp"}, "out.bmp: the output must end in .png or .svg", ""},
      {{"render", "good.kvt", "--ref", "missing.kvt", "-o", "keep.png"}, "missing.kvt: no such file", "keep.png"},
      {{"render", "good.kvt", "-o", "keep.png", "--max-v", "6"}, "--max-v", "keep.png"},
      {{"render", "good.kvt", "-o", "keep.png", "--max-i", "61"},
       "option --max-i needs a whole number of milliamperes from 1 to 60, not \"61\"", "keep.png"},
      {{"render", "good.kvt", "-o", "keep.png", "--max-i", "0"}, "from 1 to 60, not \"0\"", "keep.png"},
      {{"render", "good.kvt", "-o", "keep.png", "--max-i", "20.5"}, "from 1 to 60, not \"20.5\"", "keep.png"},
      {{"render", "good.kvt", "-o", "keep.png", "--log-current=1"}, "option --log-current takes no value",
       "keep.png"},
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
    EXPECT_FALSE(QFile::exists(Path("new.png")) || QFile::exists(Path("new.txt")));
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

// The whole of a 100 ohm zener's curve: cut at 10 mA on the scroll bar's
// largest scale, both branches whole at 50 mA; the log view of a diode has
// its decades and the readings under one step apart, in grey.
TEST_F(KvtCommand, RenderShowsCurrentsPastTenMilliamperesAndLogCurrent) {
  ASSERT_EQ(Kvt({"measure", "-n", "256", "--simulate=zener 3.3", "--range", "100", "-o", "z.csv"}).status, 0);
  const QRgb line = qRgb(0, 255, 0);  // the default curve colour
  // The rows the curve reaches and whether it runs along the plot's top or
  // bottom edge (cut off there).
  const auto rows = [&](const QString& name) {
    const QImage image = QImage(Path(name)).convertToFormat(QImage::Format_RGB32);
    int top = image.height(), bottom = -1;
    for (int y = 0; y < image.height(); ++y)
      for (int x = 0; x < image.width(); ++x)
        if (image.pixel(x, y) == line) {
          top = std::min(top, y);
          bottom = std::max(bottom, y);
        }
    return std::pair{top, bottom};
  };
  ASSERT_EQ(Kvt({"render", "z.csv", "-o", "z10.png", "--max-i", "10"}).status, 0);
  ASSERT_EQ(Kvt({"render", "z.csv", "-o", "z50.png", "--max-i", "50"}).status, 0);
  // 373 x 341: the plot's frame runs from y 10 to 321, the origin at 166.
  const auto [top10, bottom10] = rows("z10.png");
  EXPECT_LE(top10, 11);      // cut at +10 mA
  EXPECT_GE(bottom10, 315);  // and at -10 mA
  const auto [top50, bottom50] = rows("z50.png");
  // About +43 and -17 mA at 3.1 px/mA: inside the frame, not on its edges.
  EXPECT_GT(top50, 20);
  EXPECT_LT(top50, 166 - 3 * 30);
  EXPECT_LT(bottom50, 310);
  EXPECT_GT(bottom50, 166 + 3 * 10);

  ASSERT_EQ(Kvt({"measure", "-n", "256", "--simulate=diode", "-o", "d.csv"}).status, 0);
  const Outcome log = Kvt({"render", "d.csv", "-o", "d.svg", "--log-current"});
  ASSERT_EQ(log.status, 0) << log.err;
  const QByteArray svg = Read("d.svg");
  for (const char* label : {">100 uA<", ">1 mA<", ">|I|, axis at 10 uA<"}) EXPECT_TRUE(svg.contains(label)) << label;
  ASSERT_EQ(Kvt({"render", "d.csv", "-o", "d.png", "--log-current"}).status, 0);
  // A plain grey that the linear plot never uses marks the unresolved readings.
  const QList<QRgb> linear = QImage(Path("z10.png")).colorTable();
  const QList<QRgb> logView = QImage(Path("d.png")).colorTable();
  EXPECT_TRUE(std::any_of(logView.begin(), logView.end(), [&](QRgb c) {
    return qRed(c) == qGreen(c) && qGreen(c) == qBlue(c) && !linear.contains(c);
  }));
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

// Each subcommand explains every option it takes, with its unit and range,
// on standard output; the manual page documents the same options.
TEST_F(KvtCommand, EverySubcommandExplainsItsOptions) {
  struct Case {
    const char* command;
    QStringList options;
    std::vector<std::string> phrases;  // units and ranges the help must name
  };
  const std::vector<Case> cases = {
      {"measure", {"-n", "-o", "--simulate", "--range"}, {"32, 64, 128, 256, 512 or 1024", ".kvt", ".csv", "100, 1k or 10k ohms", "resistor OHMS"}},
      {"render", {"-o", "--ref", "--size", "--max-v", "--max-i", "--log-current", "--smooth"},
       {".png or .svg", "pixels, each 60 to 10000", "volts, a whole number from 1 to 5",
        "milliamperes, a whole number from 1 to 60", "3 to 30", "logarithmic"}},
      {"convert", {"-o"}, {".kvt or .csv"}},
      {"params", {"--json", "--if", "--ir", "--vr"}, {"amperes", "volts", "2mA", "default 1mA", "default -1V"}},
      {"compare", {"--tolerance", "--json"}, {"auto", "above 0, up to 100", "30 mV"}},
      {"spice", {"-o", "--name"}, {".lib, .mod, .inc, .cir or .sp"}},
      {"board", {"-o", "--json", "--name", "--image", "--points", "--measure", "-n", "--simulate", "--range"},
       {"32, 64, 128, 256, 512 or 1024", "100, 1k or 10k ohms", "Exit status 0 pass, 1 fail", ".html or .pdf"}},
      {"parts", {"--lot", "--tag", "--json", "--measure", "--count", "-n", "--simulate", "--range", "--param",
                 "--histogram", "--bins", "--group", "--max-spread", "-o"},
       {"postgresql://USER@HOST:PORT/DATABASE", "repeat for more", "all of them or, on bad input, none",
        "(.html or .csv)", "with its unit (20mV,5ohm)", "1 to 100000"}},
  };
  QFile manual(QStringLiteral(KVT_MANUAL));
  ASSERT_TRUE(manual.open(QIODevice::ReadOnly));
  const std::string page = manual.readAll().replace("\\-", "-").toStdString();
  for (const Case& c : cases) {
    for (const char* help : {"--help", "-h"}) {
      SCOPED_TRACE(std::string(c.command) + " " + help);
      const Outcome run = Kvt({c.command, help});
      EXPECT_EQ(run.status, 0) << run.err;
      EXPECT_EQ(run.err, "");
      EXPECT_EQ(run.out.rfind(std::string("Usage: kvt ") + c.command, 0), 0u) << run.out;
      for (const QString& option : c.options) {
        const std::string head = "\n  " + option.toStdString();
        EXPECT_TRUE(run.out.find(head + " ") != std::string::npos || run.out.find(head + "[") != std::string::npos)
            << option.toStdString();
        EXPECT_NE(page.find(option.toStdString()), std::string::npos) << "manual: " << option.toStdString();
      }
      // The help is wrapped to the terminal's width; phrases may span lines.
      const std::string flowing = QString::fromStdString(run.out).simplified().toStdString();
      for (const std::string& phrase : c.phrases) EXPECT_NE(flowing.find(phrase), std::string::npos) << phrase;
    }
  }
  EXPECT_NE(Kvt({"--help"}).out.find("kvt SUBCOMMAND --help"), std::string::npos);
}

// Currents and voltages may carry their unit; the results are the same.
TEST_F(KvtCommand, ParamsTakesCurrentsAndVoltagesWithTheirUnits) {
  Params("zener 3.3", "", "z.csv");
  struct Case {
    const char* option;
    const char* withUnit;
    const char* plain;
  };
  const Case cases[] = {{"--if", "2mA", "0.002"}, {"--if", "500u", "5e-4"}, {"--ir", "-500uA", "-5e-4"},
                        {"--vr", "-2V", "-2"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.withUnit);
    const Outcome unit = Kvt({"params", "z.csv", c.option, c.withUnit});
    const Outcome plain = Kvt({"params", "z.csv", c.option, c.plain});
    EXPECT_EQ(unit.status, 0) << unit.err;
    EXPECT_EQ(unit.out, plain.out);
    EXPECT_NE(Kvt({"params", "z.csv"}).out, plain.out);  // the option made a difference
  }
}

// The simulated part and the simulated instrument's control file are checked
// with the simulator's own reader before anything is measured: one line
// naming the text or the file and its line, status 2, no output.
TEST_F(KvtCommand, SimulatedSettingsAreCheckedBeforeMeasuring) {
  struct Case {
    const char* name;
    QString simulate;    // --simulate=...
    QByteArray control;  // kvt_sim.txt, or the file KVT_SIM_CONFIG names; empty for none
    QString configName;  // KVT_SIM_CONFIG; empty: kvt_sim.txt in the folder
    std::string message;
  };
  const std::vector<Case> cases = {
      {"value written the wrong way", "resistor 4k7", "", "",
       "kvt measure: --simulate \"resistor 4k7\": \"4k7\" is not a number (k and M may follow it: 4.7k); resistor "
       "needs a resistance in ohms, such as resistor 4.7k\n"},
      {"negative zener", "zener -3", "", "",
       "kvt measure: --simulate \"zener -3\": zener needs a breakdown voltage above 0, such as zener 3.3\n"},
      {"bad line in kvt_sim.txt", "diode", "noise = 0\nrange = 2k\n", "",
       "kvt measure: kvt_sim.txt line 2: bad value for range: \"2k\"\n"},
      {"bad lines in a named file", "", "component = capacitor\ncolour = blue\n", "bench.txt",
       "kvt measure: bench.txt line 1: bad value for component: \"capacitor\": no component \"capacitor\"; one of "
       "open, short, diode, led, resistor OHMS, zener VOLTS (and 1 more bad line)\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const QString controlName = c.configName.isEmpty() ? "kvt_sim.txt" : c.configName;
    QFile::remove(Path("kvt_sim.txt"));
    if (!c.control.isEmpty()) Write(controlName, c.control);
    const Outcome run =
        Kvt({"measure", "-n", "32", c.simulate.isEmpty() ? "--simulate" : "--simulate=" + c.simulate, "-o", "new.kvt"},
            [&](QProcess& process) {
              QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
              environment.remove("KVT_SIM_CONFIG");
              if (!c.configName.isEmpty()) environment.insert("KVT_SIM_CONFIG", c.configName);
              process.setProcessEnvironment(environment);
            });
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.err, c.message);
    EXPECT_FALSE(QFile::exists(Path("new.kvt")));
  }
}

// Output that cannot reach standard output is a failure with a reason.
TEST_F(KvtCommand, StandardOutputThatCannotBeWrittenFails) {
  struct Case {
    const char* name;
    QStringList arguments;
    std::function<void(QProcess&)> setUp;
    std::string reason;
  };
  Params("diode", "", "d.kvt");
  const auto full = [](QProcess& p) { p.setStandardOutputFile("/dev/full"); };
  const auto closed = [](QProcess& p) { p.setChildProcessModifier([] { ::close(STDOUT_FILENO); }); };
  const std::vector<Case> cases = {
      {"measure to a full disk", {"measure", "-n", "32", "--simulate"}, full, "No space left on device"},
      {"measure to a closed stream", {"measure", "-n", "32", "--simulate"}, closed, "Bad file descriptor"},
      {"params to a full disk", {"params", "d.kvt"}, full, "No space left on device"},
      {"help to a closed stream", {"params", "--help"}, closed, "Bad file descriptor"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Outcome run = Kvt(c.arguments, c.setUp);
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("standard output cannot be written: " + c.reason), std::string::npos) << run.err;
    EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
  }
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"d.kvt"});  // nothing landed in a file
}

// Every signal that would end kvt during a sweep stops it as Ctrl-C does:
// 0 V on the part, nothing written, a line saying so. The sweep runs with a
// terminal on its standard error, as a user sees it, so its progress shows
// when the sweep has begun.
TEST_F(KvtCommand, StopSignalsEndTheSweepAtZeroVoltsAndWriteNothing) {
  struct Case {
    int number;
    const char* name;
  };
  const Case cases[] = {{SIGINT, "SIGINT"}, {SIGTERM, "SIGTERM"}, {SIGHUP, "SIGHUP"}, {SIGQUIT, "SIGQUIT"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const TerminalRun run =
        SignalOnceShown(QStringLiteral(KVT_PROGRAM), {"measure", "-n", "1024", "--simulate", "-o", "part.kvt"},
                        dir.path(), QProcessEnvironment::systemEnvironment(), "/1024", c.number);
    ASSERT_TRUE(run.started);
    EXPECT_EQ(run.exitStatus, QProcess::NormalExit);
    EXPECT_EQ(run.exitCode, 128 + c.number);
    EXPECT_NE(run.seen.find(std::string("kvt measure: stopped by ") + c.name +
                            "; the part is left at 0 V, nothing written"),
              std::string::npos)
        << run.Tail(200);
    EXPECT_FALSE(QFile::exists(Path("part.kvt")));
  }
}

// A CSV's rows may come in any order: the curve, its parameters and a
// comparison are the same as for the rows in order.
// Every figure comes with its uncertainty under the same key, a figure the
// curve cannot give is null with the reason in notes, and the text says the
// same in words: a diode's leakage on 1 kohm is far under the 10 uA a step is
// worth there.
TEST_F(KvtCommand, ParamsGiveEachFigureWithItsUncertaintyOrTheReasonItHasNone) {
  const QJsonObject p = Params("diode", "1k", "d.csv");
  const QJsonObject spread = p["uncertainty"].toObject(), notes = p["notes"].toObject();
  const struct {
    const char* key;
    bool stated;
  } figures[] = {{"vf", true}, {"rd", true}, {"vbr", false}, {"leakage", false}, {"resistance", false}};
  for (const auto& f : figures) {
    SCOPED_TRACE(f.key);
    ASSERT_TRUE(spread.contains(f.key));
    EXPECT_EQ(p[f.key].isDouble(), f.stated);
    EXPECT_EQ(spread[f.key].isDouble(), f.stated);
    EXPECT_EQ(notes[f.key].toString().isEmpty(), f.stated) << notes[f.key].toString().toStdString();
  }
  EXPECT_LE(std::abs(p["vf"].toDouble() - 0.592), spread["vf"].toDouble());
  EXPECT_LT(spread["vf"].toDouble(), 0.010);
  EXPECT_TRUE(notes["leakage"].toString().startsWith("below the resolution"));
  const QJsonObject junction = spread["shockley"].toObject();
  for (const char* key : {"is", "n", "rs"}) {
    EXPECT_TRUE(junction.contains(key)) << key;
    EXPECT_EQ(junction[key].isNull(), p["shockley"].toObject()[key].isNull()) << key;
  }

  const Outcome text = Kvt({"params", "d.csv"});
  EXPECT_EQ(text.status, 0) << text.err;
  const QString out = QString::fromStdString(text.out);
  EXPECT_TRUE(out.contains(QRegularExpression("forward voltage at 1 mA: 59\\d ± \\d mV\n"))) << text.out;
  EXPECT_TRUE(out.contains("leakage current at -1 V: — (below the resolution, under ")) << text.out;
  EXPECT_FALSE(out.contains(QRegularExpression("leakage current at -1 V: -?[0-9]"))) << text.out;
}

TEST_F(KvtCommand, CsvRowsInAnyOrderGiveTheSameCurve) {
  struct Case {
    const char* component;
    const char* kind;
  };
  const Case cases[] = {{"resistor 1k", "resistor"}, {"diode", "diode"}, {"zener 3.3", "zener"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.component);
    Params(c.component, "", "ordered.csv");
    QList<QByteArray> rows = Read("ordered.csv").split('\n');
    const auto header = std::find(rows.begin(), rows.end(), "voltage_V,current_A,clipped") + 1;
    // Every seventh row in turn: a fixed shuffle.
    QList<QByteArray> data(header, rows.end()), shuffled;
    for (int start = 0; start < 7; ++start)
      for (qsizetype k = start; k < data.size(); k += 7) shuffled.push_back(data[k]);
    Write("shuffled.csv", QList<QByteArray>(rows.begin(), header).join('\n') + '\n' + shuffled.join('\n'));
    const Outcome ordered = Kvt({"params", "--json", "ordered.csv"});
    const Outcome mixed = Kvt({"params", "--json", "shuffled.csv"});
    EXPECT_EQ(mixed.status, 0) << mixed.err;
    EXPECT_EQ(mixed.out, ordered.out);
    EXPECT_NE(mixed.out.find(std::string("\"component\": \"") + c.kind + "\""), std::string::npos) << mixed.out;
    EXPECT_EQ(Kvt({"compare", "ordered.csv", "shuffled.csv"}).out, Kvt({"compare", "ordered.csv", "ordered.csv"}).out);
  }
}

// After a sweep kvt measure says on stderr which range would show the part
// better, in one line after the file is written, and nothing where none would.
TEST_F(KvtCommand, MeasureAdvisesABetterRange) {
  const struct {
    const char* part;
    const char* range;
    std::string err;
  } cases[] = {
      {"resistor 47k", "1k", "kvt measure: the current reaches only 2 % of this range: move the switch to 10 k\u03a9\n"},
      {"resistor 10", "10k", "kvt measure: the voltage reaches only 0.2 % of this range: move the switch to 100 \u03a9\n"},
      {"diode", "1k", ""},
      {"zener 3.3", "100", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.part) + " on " + c.range);
    QFile::remove(Path("m.csv"));
    const Outcome run = Kvt({"measure", "-n", "64", QString("--simulate=") + c.part, "--range", c.range, "-o", "m.csv"});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.err, c.err);
    EXPECT_TRUE(QFile::exists(Path("m.csv")));
  }
}

// A diode swept on 10k, 1k and 100 and joined by hand, each row keeping its
// range: the finest range's rows all, a coarser one's only beyond the
// currents the finer ones reached (by more than three of its own steps).
TEST_F(KvtCommand, CurvesOfSeveralRangesStayCsvAndAreResolvedPointByPoint) {
  QByteArray wide = "voltage_V,current_A,clipped,range_ohms\n";
  double up = 0, down = 0;
  for (const char* range : {"10k", "1k", "100"}) {
    const double ohms = QString(range).replace("k", "000").toDouble();
    const Outcome run = Kvt({"measure", "-n", "256", "--simulate=diode", "--range", range, "-o", "r.csv"});
    ASSERT_EQ(run.status, 0) << run.err;
    double reachedUp = up, reachedDown = down;
    for (const QByteArray& row : Read("r.csv").split('\n')) {
      const QList<QByteArray> f = row.split(',');
      bool number = false;
      const double amps = f.size() == 3 ? f[1].toDouble(&number) : 0;
      if (!number) continue;
      const double margin = 3 * 0.01 / ohms;
      if (up == 0 && down == 0 ? true : amps > up + margin || amps < down - margin)
        wide += f[0] + ',' + f[1] + ',' + f[2] + ',' + QByteArray::number(ohms) + '\n';
      if (f[2] == "0") reachedUp = std::max(reachedUp, amps), reachedDown = std::min(reachedDown, amps);
    }
    up = reachedUp;
    down = reachedDown;
  }
  Write("wide.csv", wide);

  const Outcome refused = Kvt({"convert", "wide.csv", "-o", "wide.kvt"});
  EXPECT_EQ(refused.status, 2);
  EXPECT_EQ(refused.err,
            "kvt convert: wide.kvt: a points file holds one range, and this curve's points come from 10 k\u03a9, 1 k\u03a9 and "
            "100 \u03a9: write it as .csv to keep them\n");
  EXPECT_FALSE(QFile::exists(Path("wide.kvt")));

  const Outcome kept = Kvt({"convert", "wide.csv", "-o", "again.csv"});
  ASSERT_EQ(kept.status, 0) << kept.err;
  const QByteArray again = Read("again.csv");
  EXPECT_TRUE(again.contains("\nvoltage_V,current_A,clipped,range_ohms\n")) << again.toStdString();
  EXPECT_EQ(again.mid(again.indexOf("voltage_V")).count(",10000\n") + again.count(",1000\n") + again.count(",100\n"),
            wide.count("\n") - 1);

  const Outcome params = Kvt({"params", "--json", "wide.csv"});
  ASSERT_EQ(params.status, 0) << params.err;
  const QJsonObject p = QJsonDocument::fromJson(QByteArray::fromStdString(params.out)).object();
  EXPECT_EQ(p["component"].toString(), "diode");
  // Leakage at -1 V bounded by the 10k range's step of 1 uA, not 100 uA.
  const QString leakage = p["notes"].toObject()["leakage"].toString();
  EXPECT_TRUE(leakage.contains(QRegularExpression("^below the resolution, under (\\d+ nA|1(\\.\\d)? uA)")))
      << leakage.toStdString();
  EXPECT_LT(p["uncertainty"].toObject()["vf"].toDouble(), 0.010);
}

// The report says in words how many points lie outside the band and where,
// labels the offsets of the worst point, and says how the tolerance was
// found.
TEST_F(KvtCommand, CompareReportSaysWhatItFoundInWords) {
  // A 1 kohm line of 64 points 160 mV apart, with a range line or without.
  const auto line = [](bool withRange, std::map<int, double> offsets) {
    QByteArray text = withRange ? "# range_ohms: 1000\n" : "";
    for (int k = 0; k < 64; ++k) {
      const double volts = -5.05 + 0.16 * k;
      const double amps = volts / 1000 + (offsets.count(k) ? offsets[k] : 0.0);
      text += QByteArray::number(volts, 'f', 2) + "," + QByteArray::number(amps, 'g', 9) + "\n";
    }
    return text;
  };
  Write("ranged.csv", line(true, {}));
  Write("ranged_spike.csv", line(true, {{31, 1e-3}}));  // one point 1 mA off at -90 mV
  Write("ranged_bad.csv", line(true, {{10, 1e-3}, {31, 1e-3}, {32, 1e-3}, {50, -1e-3}}));
  Write("unranged.csv", line(false, {}));
  struct Case {
    const char* name;
    QStringList files;
    int status;
    std::vector<std::string> lines;  // each a whole line of the report
  };
  const std::vector<Case> cases = {
      {"pass, two points out",
       {"ranged.csv", "ranged_spike.csv"},
       0,
       {"result: pass: 2 of 128 points outside the band, at -90 mV",
        "tolerance: 30 mV and 30 uA, 3 converter steps on the 1 kohm range",
        "worst point: -90 mV, 910 uA on the curve: delta V -500 mV, delta I 500 uA (24 times the band)"}},
      {"fail, three places",
       {"ranged.csv", "ranged_bad.csv"},
       1,
       {"result: fail: 8 of 128 points outside the band, at -3.45 V, -90 mV to 70 mV and 2.95 V"}},
      {"all inside, range unknown",
       {"unranged.csv", "unranged.csv"},
       0,
       {"result: pass: all 128 points inside the band",
        "tolerance: 30 mV and 15.2 uA, 3 converter steps; range unknown (neither file names it), so the current "
        "step was estimated from the curves' scatter",
        "worst point: none, every point lies on the other curve"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Outcome run = Kvt({"compare", c.files[0], c.files[1]});
    EXPECT_EQ(run.status, c.status) << run.err;
    for (const std::string& expected : c.lines)
      EXPECT_NE(("\n" + run.out).find("\n" + expected + "\n"), std::string::npos) << run.out;
  }
  // A band in the instrument's units: the four points 1 mA off, which fail
  // in converter steps, pass within 2 mA, and the report says the band was
  // given.
  const Outcome given = Kvt({"compare", "ranged.csv", "ranged_bad.csv", "--tolerance", "600mV,2mA"});
  EXPECT_EQ(given.status, 0) << given.out;
  EXPECT_NE(given.out.find("\ntolerance: 600 mV and 2 mA, as given\n"), std::string::npos) << given.out;
  const Outcome tight = Kvt({"compare", "ranged.csv", "ranged_bad.csv", "--tolerance", "10mV,1uA", "--json"});
  EXPECT_EQ(tight.status, 1) << tight.out;
  const QJsonObject band = QJsonDocument::fromJson(QByteArray::fromStdString(tight.out)).object()["tolerance"].toObject();
  EXPECT_EQ(band["mode"].toString(), "units");
  EXPECT_DOUBLE_EQ(band["volts"].toDouble(), 0.01);
  EXPECT_DOUBLE_EQ(band["amps"].toDouble(), 1e-6);
  EXPECT_FALSE(band["estimated"].toBool());

  const Outcome json = Kvt({"compare", "unranged.csv", "ranged_spike.csv", "--json"});
  const QJsonObject result = QJsonDocument::fromJson(QByteArray::fromStdString(json.out)).object();
  EXPECT_EQ(result["outside_points"].toInt(), 2) << json.out;
  EXPECT_EQ(result["tolerance"].toObject()["range_ohms"].toDouble(), 1000) << json.out;
  EXPECT_FALSE(result["tolerance"].toObject()["estimated"].toBool());
}

// A board of another tool's UFIV, through every action of kvt board.
TEST_F(KvtCommand, BoardImportsShowsExportsAndReports) {
  ASSERT_TRUE(QFile::copy(KVT_TEST_DATA "/ufiv/foreign_board.json", Path("foreign.json")));
  Outcome run = Kvt({"board", "import", "foreign.json", "-o", "b.kvtboard"});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out + run.err, "");

  run = Kvt({"board", "show", "b.kvtboard"});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out,
            "board: Demo board\n"
            "points: 5, known-good 4, tested 0, failing 0 (none tested)\n"
            "U1.1: untested\n"
            "U1.VCC: untested\n"
            "U1.3: untested  # reads low after rework\n"
            "R5.1: untested\n"
            "R5.2: no known-good curve\n");
  run = Kvt({"board", "show", "b.kvtboard", "--json"});
  ASSERT_EQ(run.status, 0) << run.err;
  const QJsonObject shown = QJsonDocument::fromJson(QByteArray::fromStdString(run.out)).object();
  EXPECT_EQ(shown["points"].toInt(), 5);
  EXPECT_EQ(shown["list"].toArray()[3].toObject()["x"].toDouble(), 300.5);
  EXPECT_EQ(shown["list"].toArray()[4].toObject()["known_good"].toBool(), false);

  // Export, import, export: the same file.
  ASSERT_EQ(Kvt({"board", "export", "b.kvtboard", "-o", "once.json"}).status, 0);
  ASSERT_EQ(Kvt({"board", "import", "once.json", "-o", "again.kvtboard"}).status, 0);
  ASSERT_EQ(Kvt({"board", "export", "again.kvtboard", "-o", "twice.json"}).status, 0);
  EXPECT_EQ(Read("once.json"), Read("twice.json"));
  EXPECT_TRUE(Read("once.json").contains("\"version\": \"1.1.2\""));

  run = Kvt({"board", "report", "b.kvtboard", "-o", "r.html"});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_TRUE(Read("r.html").contains("Board test: Demo board"));
  // The photo beside the board file is missing: the report says so.
  EXPECT_TRUE(Read("r.html").contains("The photo demo_board.png could not be read"));
  run = Kvt({"board", "report", "b.kvtboard", "-o", "r.pdf"});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_TRUE(Read("r.pdf").startsWith("%PDF-"));
}

TEST_F(KvtCommand, BoardBadInputSaysWhatAndTouchesNoFile) {
  ASSERT_TRUE(QFile::copy(KVT_TEST_DATA "/ufiv/foreign_board.json", Path("foreign.json")));
  ASSERT_EQ(Kvt({"board", "import", "foreign.json", "-o", "good.kvtboard"}).status, 0);
  Write("keep.kvtboard", "old board");
  Write("keep.json", "old export");
  Write("keep.html", "old report");
  Write("broken.kvtboard", "{\"format\": \"kvt board\", \"version\": 1, \"name\": \"B\", \"points\": [");
  Write("newer.kvtboard", "{\"format\": \"kvt board\", \"version\": 3, \"name\": \"B\", \"points\": []}");
  Write("twice.kvtboard", "{\"format\": \"kvt board\", \"version\": 1, \"name\": \"B\", \"points\": "
                          "[{\"name\": \"U1.1\"}, {\"name\": \"U1.1\"}]}");
  Write("short.kvtboard", "{\"format\": \"kvt board\", \"version\": 1, \"name\": \"B\", \"points\": [{\"name\": "
                          "\"U1.1\", \"known_good\": {\"volts\": [0, 1, 2], \"amps\": [0, 0, 0]}}]}");
  Write("plain.json", "{\"a\": 1}");
  struct Case {
    QStringList arguments;
    std::string message;
    QString output;
  };
  const std::vector<Case> cases = {
      {{"board"}, "missing ACTION", ""},
      {{"board", "frobnicate", "good.kvtboard"}, "unknown action \"frobnicate\"", ""},
      {{"board", "show"}, "board show: missing BOARD", ""},
      {{"board", "show", "good.kvtboard", "extra"}, "unexpected \"extra\"", ""},
      {{"board", "report", "good.kvtboard"}, "missing -o", ""},
      {{"board", "report", "good.kvtboard", "-o", "keep.json"}, "keep.json: the output must end in .html or .pdf",
       "keep.json"},
      {{"board", "export", "good.kvtboard", "-o", "keep.html"}, "keep.html: the output must end in .json", "keep.html"},
      {{"board", "import", "foreign.json", "-o", "keep.json"}, "keep.json: the output must end in .kvtboard",
       "keep.json"},
      {{"board", "show", "missing.kvtboard"}, "missing.kvtboard: cannot be read", ""},
      {{"board", "report", "broken.kvtboard", "-o", "keep.html"}, "broken.kvtboard: bad JSON at byte", "keep.html"},
      {{"board", "export", "newer.kvtboard", "-o", "keep.json"}, "newer.kvtboard: written in board file version 3",
       "keep.json"},
      {{"board", "show", "twice.kvtboard"}, "twice.kvtboard: points[1]: the name \"U1.1\" is used twice", ""},
      {{"board", "export", "short.kvtboard", "-o", "keep.json"},
       "short.kvtboard: point \"U1.1\": its known-good curve has 3 points", "keep.json"},
      {{"board", "import", "plain.json", "-o", "keep.kvtboard"}, "plain.json: not a UFIV file", "keep.kvtboard"},
      {{"board", "import", "good.kvtboard", "-o", "keep.kvtboard"}, "good.kvtboard: a board file, not a UFIV file",
       "keep.kvtboard"},
      {{"board", "show", "good.kvtboard", "-o", "x.html"}, "board show takes no -o", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.arguments.join(' ').toStdString());
    const QByteArray before = c.output.isEmpty() ? QByteArray() : Read(c.output);
    const Outcome run = Kvt(c.arguments);
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
    EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
    EXPECT_EQ(run.out, "");
    if (!c.output.isEmpty()) {
      EXPECT_EQ(Read(c.output), before);
    }
  }
  EXPECT_FALSE(QFile::exists(Path("x.html")));
}

}  // namespace

}  // namespace kvt

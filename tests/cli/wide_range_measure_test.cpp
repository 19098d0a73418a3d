// kvt measure --ranges as a user runs it: unattended on the simulated
// instrument, refused lists, and a stop signal while it waits for the switch
// or sweeps, which must leave 0 V on the part and no file.
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <csignal>
#include <string>

#include "tests/support/terminal_run.h"
#include "tests/support/kvt_run.h"

namespace kvt {

namespace {

class WideRangeMeasure : public testing::Test {
 protected:
  QString Path(const QString& name) const { return dir.filePath(name); }
  void Write(const QString& name, const QByteArray& bytes) {
    QFile file(Path(name));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
  }
  using Outcome = KvtOutcome;
  Outcome Kvt(const QStringList& arguments) {
    return RunKvt(dir.path(), arguments);
  }

  QTemporaryDir dir;
};

}  // namespace

// With the simulated instrument the switch follows each request by itself:
// one curve from all three ranges, from the 10 kohm step to beyond 40 mA,
// the requests and the mismatch on stderr.
TEST_F(WideRangeMeasure, TheSimulatedSwitchFollowsAndOneCurveIsWritten) {
  Write("kvt_sim.txt", "hand = 0\n");  // the hand without its pause
  const Outcome run = Kvt({"measure", "--simulate=diode", "--ranges", "10k,1k,100", "-n", "64", "-o", "wide.csv"});
  ASSERT_EQ(run.status, 0) << run.err;
  const std::string requests[] = {"Move the range switch to 10 k\u03A9\n", "Move the range switch to 1 k\u03A9\n",
                                  "Move the range switch to 100 \u03A9\n"};
  std::size_t at = 0;
  for (const std::string& r : requests) {
    at = run.err.find(r, at);
    EXPECT_NE(at, std::string::npos) << r << run.err;
  }
  EXPECT_NE(run.err.find("overlap mismatch in steps of the coarser range: 10k vs 1k: "), std::string::npos) << run.err;
  EXPECT_NE(run.err.find("; 1k vs 100: "), std::string::npos) << run.err;

  QFile csv(Path("wide.csv"));
  ASSERT_TRUE(csv.open(QIODevice::ReadOnly));
  double smallest = INFINITY, largest = 0;
  int rows = 0;
  for (const QByteArray& line : csv.readAll().split('\n')) {
    const QList<QByteArray> fields = line.split(',');
    bool ok = false;
    const double amps = fields.size() >= 3 ? fields[1].toDouble(&ok) : 0;
    if (!ok || fields[2].trimmed() == "1") continue;
    ++rows;
    if (amps != 0) smallest = std::min(smallest, std::abs(amps));
    largest = std::max(largest, std::abs(amps));
  }
  EXPECT_GT(rows, 64);  // more than one sweep's points
  EXPECT_LE(smallest, 1.5e-6);
  EXPECT_GT(largest, 0.040);
}

TEST_F(WideRangeMeasure, BadListsAreRefusedInOneLineBeforeAnythingIsMeasured) {
  struct Case {
    const char* name;
    QStringList arguments;
    const char* says;
  };
  const Case cases[] = {
      {"not a range", {"--ranges", "10k,2k", "-o", "w.csv"}, "option --ranges: \"2k\" is not a range"},
      {"twice", {"--ranges", "1k,100,1k", "-o", "w.csv"}, "option --ranges: \"1k\" comes twice"},
      {"a gap", {"--ranges", "10k,,100", "-o", "w.csv"}, "option --ranges: an empty place in the list"},
      {"empty", {"--ranges", "", "-o", "w.csv"}, "option --ranges: an empty place in the list"},
      {"a points file", {"--ranges", "10k,1k", "-o", "w.kvt"}, "only CSV holds"},
      {"standard output", {"--ranges", "10k,1k"}, "only CSV holds"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Outcome run = Kvt(QStringList{"measure", "--simulate"} + c.arguments);
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.err.find(c.says), std::string::npos) << run.err;
    EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
    EXPECT_TRUE(QDir(dir.path()).entryList(QDir::Files).isEmpty());
  }
}

// Ctrl-C while kvt waits for the switch or sweeps a range: exit status 130,
// the line saying so, no file, and the part at 0 V (code 512), as the port
// library kvt loaded reports when kvt ends. Standard error is a terminal, as
// a user's is, so the sweep's progress shows when it has begun.
TEST_F(WideRangeMeasure, CtrlCWhileWaitingOrSweepingLeavesZeroVoltsAndNoFile) {
  struct Case {
    const char* name;
    const char* ranges;
    const char* signalWhen;  // the text on the terminal that is waited for
    const char* points;
  };
  const Case cases[] = {
      {"waiting for the switch", "10k,1k", "Move the range switch to 10 k\u03A9", "32"},
      {"sweeping the first range", "1k,100", "1 k\u03A9 [##", "1024"},
      {"waiting for the second range", "1k,100", "Move the range switch to 100 \u03A9", "32"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    QFile::remove(Path("dac.txt"));
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("LD_LIBRARY_PATH", KVT_RECORDING_PORT_DIR);
    environment.insert("KVT_TEST_SIM", "range = 1k\ncomponent = resistor 2.2k\n");
    environment.insert("KVT_TEST_DAC_FILE", Path("dac.txt"));
    // The switch never moves (an instrument without a hand): a request
    // waits for ever.
    const TerminalRun run = SignalOnceShown(QStringLiteral(KVT_PROGRAM),
                                            {"measure", "-n", c.points, "--ranges", c.ranges, "-o", "wide.csv"},
                                            dir.path(), environment, c.signalWhen, SIGINT);
    ASSERT_TRUE(run.started);
    EXPECT_TRUE(run.textSeen) << run.seen;
    EXPECT_EQ(run.exitStatus, QProcess::NormalExit);
    EXPECT_EQ(run.exitCode, 128 + SIGINT);
    EXPECT_NE(run.seen.find("kvt measure: stopped by SIGINT; the part is left at 0 V, nothing written"),
              std::string::npos)
        << run.Tail();
    EXPECT_FALSE(QFile::exists(Path("wide.csv")));
    QFile dac(Path("dac.txt"));
    ASSERT_TRUE(dac.open(QIODevice::ReadOnly));
    EXPECT_EQ(dac.readAll().trimmed(), "512");
  }
}

}  // namespace kvt

// A bag of simulated diodes measured in one run of kvt parts add --count,
// the simulated probe lifted and put on the next part in between: the
// statistics show the spread the simulator puts in, and pairs on two
// parameters come out closer than pairing neighbours sorted by one.
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "analysis/part_groups.h"
#include "core/settings.h"
#include "library/parts_library.h"
#include "tests/library/library_backends.h"
#include "tests/support/terminal_run.h"

namespace kvt {

namespace {

constexpr int Parts = 200;

// The simulator's forward voltage moves by 46.5 mV ln(1 +- p) for a
// saturation current within +-p: for p = 30 % a standard deviation of
// 8.4 mV (its README). A sweep's own scatter adds about 2 mV.
constexpr double SpreadPutIn = 8.4e-3, SweepScatter = 2e-3;

class PartsBatch : public testing::TestWithParam<Backend> {
 protected:
  // Quick sweeps and a simulated bag with a spread.
  void SetUpFolder() {
    // The shortest pause the window's options allow after each port write:
    // the simulated port needs none, and sweeps take a tenth of the time.
    Settings settings;
    SetDefaultSettings(settings, AllGroups);
    settings[PortDelayMicros] = "1";
    ASSERT_TRUE(WriteSettings(settings, dir.path().toStdString() + "/"));
    QFile sim(dir.filePath("sim.txt"));
    ASSERT_TRUE(sim.open(QIODevice::WriteOnly));
    sim.write("spread = 30\nresistor_spread = 20\nseed = 5\n");
  }
  QProcess::ExitStatus Run(const QStringList& arguments, int& status, QByteArray& out, QByteArray& err) {
    QProcess process;
    process.setWorkingDirectory(dir.path());
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("KVT_SIM_CONFIG", dir.filePath("sim.txt"));
    process.setProcessEnvironment(environment);
    process.start(QStringLiteral(KVT_PROGRAM), arguments);
    EXPECT_TRUE(process.waitForFinished(600000));
    status = process.exitCode();
    out = process.readAllStandardOutput();
    err = process.readAllStandardError();
    return process.exitStatus();
  }
  QTemporaryDir dir;
};

INSTANTIATE_TEST_SUITE_P(Backends, PartsBatch, testing::Values(Backend::Sqlite, Backend::Postgresql), BackendName);

TEST_P(PartsBatch, SimulatedBagShowsItsSpreadAndPairsBeatNeighbours) {
  KVT_FRESH_LIBRARY(text, GetParam());
  const QString library = QString::fromStdString(text);
  SetUpFolder();

  int status = -1;
  QByteArray out, err;
  Run({"parts", "add", library, "--measure", "--count", QString::number(Parts), "--simulate", "-n", "64", "--lot",
       "bag"},
      status, out, err);
  ASSERT_EQ(status, 0) << err.toStdString();
  EXPECT_EQ(out.count('\n'), Parts);

  Run({"parts", "stats", library, "--param", "vf", "--json"}, status, out, err);
  ASSERT_EQ(status, 0) << err.toStdString();
  const QJsonObject vf = QJsonDocument::fromJson(out).object();
  EXPECT_GE(vf["count"].toInt(), Parts * 99 / 100);
  const double predicted = std::hypot(SpreadPutIn, SweepScatter);
  // 200 parts pin a standard deviation to about 5 %.
  EXPECT_GT(vf["std"].toDouble(), predicted / 1.25);
  EXPECT_LT(vf["std"].toDouble(), predicted * 1.25);

  Run({"parts", "match", library, "--param", "vf,rd", "--group", "2", "--json"}, status, out, err);
  ASSERT_EQ(status, 0) << err.toStdString();
  const QJsonArray groups = QJsonDocument::fromJson(out).object()["groups"].toArray();
  ASSERT_GE(groups.size(), Parts / 2 - 2);

  // The same pairs scored as the baseline scores its own: each parameter's
  // spread in units of its standard deviation, the larger of the two.
  const PartsLibrary parts(ReadLibraryLocation(text).location, PartsLibrary::Missing::Refuse);
  const PartsLibrary::Columns columns = parts.ReadColumns({"vf", "rd"});
  GroupOptions options;
  options.parameters = {"vf", "rd"};
  options.tolerances.assign(2, std::nullopt);
  options.maxSpreads.assign(2, std::nullopt);
  const Grouping neighbours = NeighbourGroups(columns.table, columns.numbers.size(), options);
  double worst = 0, sum = 0;
  for (const QJsonValue& g : groups) {
    const QJsonObject spread = g.toObject()["spread"].toObject();
    const double score = std::max(spread["vf"].toDouble() / neighbours.scales[0],
                                  spread["rd"].toDouble() / neighbours.scales[1]);
    worst = std::max(worst, score);
    sum += score;
  }
  EXPECT_LT(worst, neighbours.worstScore);
  EXPECT_LT(sum / groups.size(), neighbours.meanScore * 0.8);
  std::printf("vf std %.3g mV (predicted %.3g); pairs worst %.3g mean %.3g, neighbours by vf worst %.3g mean %.3g\n",
              vf["std"].toDouble() * 1e3, predicted * 1e3, worst, sum / groups.size(), neighbours.worstScore,
              neighbours.meanScore);
}

// Ctrl+C at a terminal between parts: 0 V on the part, the parts stored
// before it kept, each asked for by a line on the terminal.
TEST_P(PartsBatch, StopKeepsThePartsStored) {
  KVT_FRESH_LIBRARY(text, GetParam());
  SetUpFolder();
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  environment.insert("KVT_SIM_CONFIG", dir.filePath("sim.txt"));
  const TerminalRun run = SignalOnceShown(
      QStringLiteral(KVT_PROGRAM),
      {"parts", "add", QString::fromStdString(text), "--measure", "--count", "1000", "--simulate", "-n", "32"},
      dir.path(), environment, "put it on part 4 of 1000", SIGINT);
  ASSERT_TRUE(run.textSeen) << run.Tail();
  EXPECT_EQ(run.exitStatus, QProcess::NormalExit);
  EXPECT_EQ(run.exitCode, 128 + SIGINT);
  EXPECT_NE(run.seen.find("put the probe on part 1 of 1000"), std::string::npos) << run.Tail();
  EXPECT_NE(run.seen.find("stopped by SIGINT; the part is left at 0 V, the parts stored so far kept"),
            std::string::npos)
      << run.Tail();
  const PartsLibrary parts(ReadLibraryLocation(text).location, PartsLibrary::Missing::Refuse);
  const auto stored = parts.ReadColumns({"vf"}).numbers;
  EXPECT_GE(stored.size(), 3u);
  EXPECT_LT(stored.size(), 1000u);
}

}  // namespace

}  // namespace kvt

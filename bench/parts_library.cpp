// The parts library's two everyday costs on both databases, side by side:
// storing one measured part (its curve of 128 points and its figures, in a
// transaction of its own, as kvt parts add stores it) and listing a library
// of 10,000 parts with their figures. The PostgreSQL server is a throwaway
// one that tests/support/pg_fixture.sh starts on this machine.
//   parts_library [--list-parts=N] [benchmark options]
#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "library/parts_library.h"

namespace {

using namespace kvt;

int listParts = 10000;

NewPart MeasuredDiode(int k) {
  NewPart part;
  std::vector<std::pair<double, double>> pairs;
  for (int i = 0; i < 128; ++i) {
    const double volts = -5.12 + i * 0.08;
    pairs.emplace_back(volts, volts > 0 ? 1e-12 * std::exp(volts / 0.05) : -1e-9);
  }
  part.curve = CurveFromPairs(pairs, 1000.0);
  part.curve.info = {128, "2026-03-01 10:00:00", "simulated instrument"};
  part.record.lot = "bench";
  part.record.tags = {"bag 1"};
  part.record.measuredAt = part.curve.info.dateTime;
  part.record.programVersion = "kvt bench";
  part.record.component = "diode";
  part.record.junctionFit = true;
  const double vf = 0.6 + 1e-5 * k;
  part.record.figures = {{"vf", vf, 0.008, ""},
                         {"rd", 25.0, 2.0, ""},
                         {"vbr", std::nullopt, std::nullopt, "the curve does not reach -1 mA"},
                         {"leakage", std::nullopt, std::nullopt, "below the resolution, under 6.8 uA either way"},
                         {"resistance", std::nullopt, std::nullopt, "the curve is not a straight line"},
                         {"shockley.is", 1e-14, 2e-15, ""},
                         {"shockley.n", 1.8, 0.2, ""},
                         {"shockley.rs", 1.5, 0.5, ""}};
  return part;
}

// A server for the run, or nothing when PostgreSQL is not installed.
class Server {
 public:
  Server() {
    if (QProcess::execute(QStringLiteral(KVT_PG_FIXTURE), {"start", state_.path()}) != 0) return;
    QFile file(state_.filePath("url"));
    if (file.open(QIODevice::ReadOnly)) url_ = file.readAll().trimmed().toStdString();
  }
  ~Server() { QProcess::execute(QStringLiteral(KVT_PG_FIXTURE), {"stop", state_.path()}); }
  // A new empty database on it.
  std::string Fresh(const std::string& name) const {
    const LibraryLocation server = ReadLibraryLocation(url_).location;
    {
      QSqlDatabase admin = QSqlDatabase::addDatabase("QPSQL", "bench_admin");
      admin.setHostName(QString::fromStdString(server.host));
      admin.setPort(server.port);
      admin.setUserName(QString::fromStdString(server.user));
      admin.setDatabaseName(QString::fromStdString(server.database));
      if (admin.open()) QSqlQuery(admin).exec(QString::fromStdString("CREATE DATABASE " + name));
    }
    QSqlDatabase::removeDatabase("bench_admin");
    return url_.substr(0, url_.rfind('/') + 1) + name;
  }
  bool Running() const { return !url_.empty(); }

 private:
  QTemporaryDir state_;
  std::string url_;
};

std::unique_ptr<Server> server;
QTemporaryDir files;

// Google Benchmark runs a benchmark's function more than once: each run
// gets a library of its own.
std::string FreshLibrary(bool postgresql, std::string name) {
  static int runs = 0;
  name += "_" + std::to_string(++runs);
  return postgresql ? server->Fresh(name) : files.filePath(QString::fromStdString(name + ".sqlite")).toStdString();
}

void AddPart(benchmark::State& state, bool postgresql) {
  PartsLibrary library(ReadLibraryLocation(FreshLibrary(postgresql, "bench_add")).location,
                       PartsLibrary::Missing::Create);
  library.Migrate();
  const NewPart part = MeasuredDiode(1);
  for (auto _ : state) benchmark::DoNotOptimize(library.Add({part}));
}

void ListParts(benchmark::State& state, bool postgresql) {
  PartsLibrary library(ReadLibraryLocation(FreshLibrary(postgresql, "bench_list")).location,
                       PartsLibrary::Missing::Create);
  std::vector<NewPart> parts;
  for (int k = 0; k < listParts; ++k) parts.push_back(MeasuredDiode(k));
  library.Add(parts);
  std::size_t listed = 0;
  for (auto _ : state) {
    const auto read = library.Parts();
    listed = read.size();
    benchmark::DoNotOptimize(read.data());
  }
  if (listed != static_cast<std::size_t>(listParts)) state.SkipWithError("parts lost");
  state.counters["parts"] = static_cast<double>(listed);
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication application(argc, argv);
  std::vector<char*> rest;
  for (int i = 0; i < argc; ++i) {
    if (std::strncmp(argv[i], "--list-parts=", 13) == 0) listParts = std::atoi(argv[i] + 13);
    else rest.push_back(argv[i]);
  }
  int count = static_cast<int>(rest.size());
  server = std::make_unique<Server>();
  benchmark::RegisterBenchmark("add_part/sqlite", AddPart, false)->Unit(benchmark::kMillisecond);
  if (server->Running()) benchmark::RegisterBenchmark("add_part/postgresql", AddPart, true)->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("list_parts/sqlite", ListParts, false)->Unit(benchmark::kMillisecond);
  if (server->Running())
    benchmark::RegisterBenchmark("list_parts/postgresql", ListParts, true)->Unit(benchmark::kMillisecond);
  else
    std::fputs("PostgreSQL is not installed (Debian package postgresql): its figures are left out\n", stderr);
  benchmark::Initialize(&count, rest.data());
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  server.reset();
  return 0;
}

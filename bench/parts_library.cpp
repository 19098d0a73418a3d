// The parts library's everyday costs on both databases, side by side:
// storing one measured part (its curve of 128 points and its figures, in a
// transaction of its own, as kvt parts add stores it), listing a library
// of 10,000 parts with their figures, one parameter's statistics over them
// (read as its column alone, and, as the baseline, from the whole
// records), and 1,000 parts read and matched into pairs on two parameters.
// The PostgreSQL server is a throwaway one that tests/support/pg_fixture.sh
// starts on this machine.
//   parts_library [--list-parts=N] [--match-parts=N] [benchmark options]
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
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "analysis/part_groups.h"
#include "analysis/part_statistics.h"
#include "library/parts_library.h"

namespace {

using namespace kvt;

int listParts = 10000;
int matchParts = 1000;

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
                         {"rd", 25.0 + 0.05 * (k * 7919 % 101), 2.0, ""},
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

// A library of `count` parts on each backend, filled once for every
// benchmark that reads it.
PartsLibrary& FilledLibrary(bool postgresql, int count) {
  static std::map<std::pair<bool, int>, std::unique_ptr<PartsLibrary>> filled;
  auto& library = filled[{postgresql, count}];
  if (!library) {
    library = std::make_unique<PartsLibrary>(
        ReadLibraryLocation(FreshLibrary(postgresql, "bench_read_" + std::to_string(count))).location,
        PartsLibrary::Missing::Create);
    std::vector<NewPart> parts;
    for (int k = 0; k < count; ++k) parts.push_back(MeasuredDiode(k));
    library->Add(parts);
  }
  return *library;
}

// kvt parts stats: the one column, its statistics and histogram.
void StatsOfColumn(benchmark::State& state, bool postgresql) {
  const PartsLibrary& library = FilledLibrary(postgresql, listParts);
  int count = 0;
  for (auto _ : state) {
    const auto summary = Summarise(library.ReadColumns({"vf"}).table.at("vf"));
    count = summary ? summary->count : 0;
    benchmark::DoNotOptimize(summary);
  }
  if (count != listParts) state.SkipWithError("parts lost");
  state.counters["parts"] = count;
}

// The same from every part's whole record, as the baseline.
void StatsOfRecords(benchmark::State& state, bool postgresql) {
  const PartsLibrary& library = FilledLibrary(postgresql, listParts);
  int count = 0;
  for (auto _ : state) {
    const auto summary = Summarise(TableOf(library.Parts()).at("vf"));
    count = summary ? summary->count : 0;
    benchmark::DoNotOptimize(summary);
  }
  if (count != listParts) state.SkipWithError("parts lost");
  state.counters["parts"] = count;
}

// kvt parts match --param vf,rd --group 2: the read and the matching.
void MatchPairs(benchmark::State& state, bool postgresql) {
  const PartsLibrary& library = FilledLibrary(postgresql, matchParts);
  GroupOptions options;
  options.parameters = {"vf", "rd"};
  options.tolerances.assign(2, std::nullopt);
  options.maxSpreads.assign(2, std::nullopt);
  std::size_t groups = 0;
  for (auto _ : state) {
    const auto columns = library.ReadColumns(options.parameters);
    const Grouping grouping = MatchGroups(columns.table, columns.numbers.size(), options);
    groups = grouping.groups.size();
    benchmark::DoNotOptimize(grouping);
  }
  if (groups != static_cast<std::size_t>(matchParts / 2)) state.SkipWithError("parts lost");
  state.counters["pairs"] = static_cast<double>(groups);
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication application(argc, argv);
  std::vector<char*> rest;
  for (int i = 0; i < argc; ++i) {
    if (std::strncmp(argv[i], "--list-parts=", 13) == 0) listParts = std::atoi(argv[i] + 13);
    else if (std::strncmp(argv[i], "--match-parts=", 14) == 0) matchParts = std::atoi(argv[i] + 14);
    else rest.push_back(argv[i]);
  }
  int count = static_cast<int>(rest.size());
  server = std::make_unique<Server>();
  benchmark::RegisterBenchmark("add_part/sqlite", AddPart, false)->Unit(benchmark::kMillisecond);
  if (server->Running()) benchmark::RegisterBenchmark("add_part/postgresql", AddPart, true)->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("list_parts/sqlite", ListParts, false)->Unit(benchmark::kMillisecond);
  if (server->Running())
    benchmark::RegisterBenchmark("list_parts/postgresql", ListParts, true)->Unit(benchmark::kMillisecond);
  for (const bool postgresql : {false, true}) {
    if (postgresql && !server->Running()) continue;
    const std::string backend = postgresql ? "postgresql" : "sqlite";
    benchmark::RegisterBenchmark(("stats_column/" + backend).c_str(), StatsOfColumn, postgresql)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark(("stats_records/" + backend).c_str(), StatsOfRecords, postgresql)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark(("match_pairs/" + backend).c_str(), MatchPairs, postgresql)
        ->Unit(benchmark::kMillisecond);
  }
  if (!server->Running())
    std::fputs("PostgreSQL is not installed (Debian package postgresql): its figures are left out\n", stderr);
  benchmark::Initialize(&count, rest.data());
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  server.reset();
  return 0;
}

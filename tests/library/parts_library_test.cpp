// The parts library on both databases: opened, migrated and reopened,
// refused when it is something else, parts stored and read back whole,
// batches stored whole or not at all, and benches adding at once.
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QThread>
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <set>
#include <string>
#include <memory>
#include <vector>

#include "library/curve_blob.h"
#include "library/parts_library.h"
#include "tests/library/library_backends.h"

namespace kvt {

namespace {

LibraryLocation Location(const std::string& text) {
  const LocationRead read = ReadLibraryLocation(text);
  EXPECT_EQ(read.error, "") << text;
  return read.location;
}

NewPart Part(double vf, const std::optional<std::string>& lot = std::nullopt, std::vector<std::string> tags = {}) {
  NewPart part;
  part.curve = CurveFromPairs({{-1.0, -1e-9}, {0.0, 0.0}, {vf, 1e-3}, {5.11, 0.02}}, 1000.0);
  part.curve.points.back().clipped = true;
  part.curve.points[1].rangeOhms.reset();
  part.curve.info = {4, "2026-03-01 10:00:00", "simulated instrument"};
  PartRecord& r = part.record;
  r.lot = lot;
  r.tags = std::move(tags);
  r.measuredAt = part.curve.info.dateTime;
  r.programVersion = "kvt 1.2";
  r.component = "diode";
  r.clipped = 1;
  r.junctionFit = true;
  r.figures = {{"vf", vf, 0.008, ""},
               {"rd", 12.5, 0.25, ""},
               {"vbr", std::nullopt, std::nullopt, "the curve does not reach -1 mA"},
               {"leakage", std::nullopt, std::nullopt, "below the resolution, under 6.8 uA either way"},
               {"resistance", std::nullopt, std::nullopt, "the curve is not a straight line"},
               {"vbr_amps", -1e-3, std::nullopt, ""},
               {"shockley.is", 2.5e-14, 1.1e-15, ""},
               {"shockley.n", 1.83, 0.4, ""},
               {"shockley.rs", std::nullopt, std::nullopt, "below the resolution, under 14 ohm either way"}};
  return part;
}

// Runs SQL on the library's database, beside the library's own connection.
void Execute(const LibraryLocation& location, const QString& sql) {
  {
    QSqlDatabase db = QSqlDatabase::addDatabase(
        location.kind == LibraryLocation::Kind::Sqlite ? "QSQLITE" : "QPSQL", "kvt_test_raw");
    if (location.kind == LibraryLocation::Kind::Sqlite) {
      db.setDatabaseName(QString::fromStdString(location.path));
    } else {
      db.setHostName(QString::fromStdString(location.host));
      db.setPort(location.port);
      db.setUserName(QString::fromStdString(location.user));
      db.setDatabaseName(QString::fromStdString(location.database));
    }
    ASSERT_TRUE(db.open());
    QSqlQuery query(db);
    EXPECT_TRUE(query.exec(sql)) << sql.toStdString();
    db.close();
  }
  QSqlDatabase::removeDatabase("kvt_test_raw");
}

class PartsLibraryTest : public testing::TestWithParam<Backend> {};

INSTANTIATE_TEST_SUITE_P(Backends, PartsLibraryTest, testing::Values(Backend::Sqlite, Backend::Postgresql), BackendName);

TEST_P(PartsLibraryTest, OpensMigratesAndReopens) {
  KVT_FRESH_LIBRARY(text, GetParam());
  const LibraryLocation location = Location(text);
  struct Row {
    const char* name;
    std::function<void(const LibraryLocation&)> before;  // done to the library before it is reopened
    int version;                                         // read on reopening; -1: refused
    const char* refusal;
  };
  const Row rows[] = {
      {"written library reopens at the current version", [](const LibraryLocation&) {}, CurrentSchemaVersion, ""},
      {"newer schema refused", [](const LibraryLocation& l) { Execute(l, "UPDATE schema_version SET version = 7"); },
       -1, "written by a newer kvt (schema version 7; this one reads up to 1)"},
      {"library whose version row is gone refused", [](const LibraryLocation& l) { Execute(l, "DELETE FROM schema_version"); },
       -1, "has no schema version"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    {
      PartsLibrary fresh(location, PartsLibrary::Missing::Create);
      const int before = fresh.SchemaVersion();
      if (before == 0) {
        EXPECT_TRUE(fresh.Parts().empty());
        EXPECT_EQ(fresh.Add({Part(0.6)}), std::vector<long long>{1});
      }
      EXPECT_EQ(fresh.SchemaVersion(), CurrentSchemaVersion);
    }
    row.before(location);
    if (row.version < 0) {
      try {
        PartsLibrary reopened(location, PartsLibrary::Missing::Refuse);
        ADD_FAILURE() << "opened";
      } catch (const LibraryError& e) {
        EXPECT_NE(std::string(e.what()).find(row.refusal), std::string::npos) << e.what();
      }
      Execute(location, "DELETE FROM schema_version");
      Execute(location, QStringLiteral("INSERT INTO schema_version (version) VALUES (%1)").arg(CurrentSchemaVersion));
    } else {
      PartsLibrary reopened(location, PartsLibrary::Missing::Refuse);
      EXPECT_EQ(reopened.SchemaVersion(), row.version);
      EXPECT_EQ(reopened.Parts().size(), 1u);
    }
  }
}

TEST_P(PartsLibraryTest, RefusesDatabasesOfSomethingElse) {
  KVT_FRESH_LIBRARY(text, GetParam());
  const LibraryLocation location = Location(text);
  { PartsLibrary empty(location, PartsLibrary::Missing::Create); }
  Execute(location, "CREATE TABLE invoices (id INTEGER)");
  try {
    PartsLibrary other(location, PartsLibrary::Missing::Refuse);
    ADD_FAILURE() << "opened";
  } catch (const LibraryError& e) {
    EXPECT_NE(std::string(e.what()).find("holds other tables, not a parts library"), std::string::npos) << e.what();
  }
}

TEST_P(PartsLibraryTest, PartsComeBackAsStored) {
  KVT_FRESH_LIBRARY(text, GetParam());
  std::vector<NewPart> parts = {Part(0.6, "A", {"ring", "matched"}), Part(0.61), Part(0.62, "B", {"spare"}),
                                Part(0.63, "A")};
  parts[1].record.junctionFit = false;
  parts[1].record.figures.pop_back();  // a part may have fewer figures
  std::vector<long long> numbers;
  {
    PartsLibrary library(Location(text), PartsLibrary::Missing::Create);
    numbers = library.Add({parts[0], parts[1]});
    const std::vector<long long> more = library.Add({parts[2], parts[3]});
    numbers.insert(numbers.end(), more.begin(), more.end());
  }
  EXPECT_EQ(numbers, (std::vector<long long>{1, 2, 3, 4}));
  PartsLibrary library(Location(text), PartsLibrary::Missing::Refuse);
  const struct {
    const char* name;
    std::optional<std::string> lot;
    std::vector<std::size_t> parts;
  } rows[] = {{"all", std::nullopt, {0, 1, 2, 3}}, {"lot A", "A", {0, 3}}, {"lot B", "B", {2}}, {"unknown lot", "C", {}}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    const std::vector<PartRecord> read = library.Parts(row.lot);
    ASSERT_EQ(read.size(), row.parts.size());
    for (std::size_t k = 0; k < read.size(); ++k) {
      PartRecord expected = parts[row.parts[k]].record;
      expected.number = numbers[row.parts[k]];
      EXPECT_EQ(read[k], expected) << "part " << expected.number;
    }
  }
  for (std::size_t k = 0; k < parts.size(); ++k) {
    const std::optional<Curve> curve = library.CurveOf(numbers[k]);
    ASSERT_TRUE(curve);
    EXPECT_EQ(*curve, parts[k].curve);
  }
  EXPECT_FALSE(library.CurveOf(99));
}

// A batch with one bad part (a figure given twice) leaves no trace, not even
// its good parts; the next batch takes the next numbers after what exists.
TEST_P(PartsLibraryTest, BatchIsStoredWholeOrNotAtAll) {
  KVT_FRESH_LIBRARY(text, GetParam());
  PartsLibrary library(Location(text), PartsLibrary::Missing::Create);
  library.Add({Part(0.5)});
  NewPart bad = Part(0.7);
  bad.record.figures.push_back(bad.record.figures.front());
  EXPECT_THROW(library.Add({Part(0.6), bad}), LibraryError);
  const std::vector<PartRecord> read = library.Parts();
  ASSERT_EQ(read.size(), 1u);
  EXPECT_EQ(read[0].figures[0].value, 0.5);
  const std::vector<long long> next = library.Add({Part(0.8)});
  ASSERT_EQ(next.size(), 1u);
  EXPECT_GT(next[0], 1);
  EXPECT_EQ(library.Parts().size(), 2u);
}

// Two benches, each with its own connection, add 200 parts one at a time to
// one new library at once: both build the tables without tripping over each
// other, and every part is kept under a number of its own.
TEST_P(PartsLibraryTest, BenchesAddingAtOnceLoseNothing) {
  KVT_FRESH_LIBRARY(text, GetParam());
  const LibraryLocation location = Location(text);
  constexpr int perBench = 200;
  std::vector<long long> numbers[2];
  std::string failures[2];
  auto bench = [&](int which) {
    try {
      PartsLibrary library(location, PartsLibrary::Missing::Create);
      for (int k = 0; k < perBench; ++k)
        numbers[which].push_back(library.Add({Part(1.0 + which + k * 1e-3, which ? "B" : "A")}).at(0));
    } catch (const std::exception& e) {
      failures[which] = e.what();
    }
  };
  // Qt threads, not plain ones: Qt keeps data of its own for every thread
  // that uses a database connection, and frees it only for its own threads.
  const std::unique_ptr<QThread> first(QThread::create(bench, 0)), second(QThread::create(bench, 1));
  first->start();
  second->start();
  first->wait();
  second->wait();
  EXPECT_EQ(failures[0], "");
  EXPECT_EQ(failures[1], "");
  std::set<long long> all(numbers[0].begin(), numbers[0].end());
  all.insert(numbers[1].begin(), numbers[1].end());
  EXPECT_EQ(all.size(), 2u * perBench);
  for (const auto& own : numbers) EXPECT_TRUE(std::is_sorted(own.begin(), own.end()));

  PartsLibrary library(location, PartsLibrary::Missing::Refuse);
  const std::vector<PartRecord> read = library.Parts();
  ASSERT_EQ(read.size(), 2u * perBench);
  for (const PartRecord& r : read) {
    const int which = *r.lot == "B";
    const auto at = std::find(numbers[which].begin(), numbers[which].end(), r.number);
    ASSERT_NE(at, numbers[which].end()) << r.number;
    EXPECT_DOUBLE_EQ(*r.figures.at(0).value, 1.0 + which + (at - numbers[which].begin()) * 1e-3);
  }
}

TEST(PartsLibraryFile, RefusesWhatIsNoLibraryFile) {
  QTemporaryDir dir;
  QFile text(dir.filePath("notes.txt"));
  ASSERT_TRUE(text.open(QIODevice::WriteOnly));
  text.write("not a database, just some notes that are long enough to have a header\n");
  text.close();
  const struct {
    const char* name;
    QString path;
    PartsLibrary::Missing missing;
    const char* refusal;
  } rows[] = {
      {"folder", dir.path(), PartsLibrary::Missing::Create, "a folder, not a parts library file"},
      {"missing file where one must exist", dir.filePath("none.sqlite"), PartsLibrary::Missing::Refuse,
       "no such parts library"},
      {"missing folder", dir.filePath("no/such/folder/parts.sqlite"), PartsLibrary::Missing::Create, "does not exist"},
      {"text file", dir.filePath("notes.txt"), PartsLibrary::Missing::Refuse, "is not a parts library"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    try {
      PartsLibrary library(Location(row.path.toStdString()), row.missing);
      ADD_FAILURE() << "opened";
    } catch (const LibraryError& e) {
      EXPECT_NE(std::string(e.what()).find(row.refusal), std::string::npos) << e.what();
    }
  }
  EXPECT_FALSE(QFile::exists(dir.filePath("none.sqlite")));
}

TEST(CurveBlob, KeepsEveryPointsRangeAndClipping) {
  Curve curve = CurveFromPairs({{-5.12, -0.05}, {0.0, 0.0}, {0.65, 1.25e-3}}, 100.0);
  curve.points[0].clipped = true;
  curve.points[1].rangeOhms.reset();
  curve.points[2].rangeOhms = 10000.0;
  const QByteArray blob = CurveBlob(curve);
  EXPECT_EQ(PointsOfBlob(blob), curve.points);
  EXPECT_FALSE(PointsOfBlob(blob.left(blob.size() - 1)));
  EXPECT_EQ(PointsOfBlob(QByteArray()), std::vector<CurvePoint>{});
}

}  // namespace

}  // namespace kvt

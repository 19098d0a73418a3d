#include "library/parts_library.h"

#include <QDir>
#include <QDeadlineTimer>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QThread>
#include <QVariant>

#include <algorithm>
#include <atomic>
#include <map>

#include "library/curve_blob.h"

namespace kvt {

namespace {

// How long a writer waits for another bench's transaction on an SQLite file.
constexpr int SqliteBusyMilliseconds = 30000;
// Taken by PostgreSQL migrations, so two benches opening a new library at
// once build its tables once.
constexpr long long MigrationLockKey = 0x6b76745f6c6962;  // "kvt_lib"

QString NewConnectionName() {
  static std::atomic<int> count{0};
  return QStringLiteral("kvt_library_%1").arg(++count);
}

QVariant Text(const std::optional<std::string>& text) {
  return text ? QVariant(QString::fromStdString(*text)) : QVariant(QMetaType::fromType<QString>());
}

QVariant Number(const std::optional<double>& value) {
  return value ? QVariant(*value) : QVariant(QMetaType::fromType<double>());
}

std::optional<double> NumberOf(const QVariant& value) {
  if (value.isNull()) return std::nullopt;
  return value.toDouble();
}

std::size_t FigureOrder(const std::string& name) {
  const auto& parameters = AllPartParameters();
  return std::find_if(parameters.begin(), parameters.end(),
                      [&](const PartParameter& p) { return name == p.name; }) -
         parameters.begin();
}

}  // namespace

PartsLibrary::PartsLibrary(const LibraryLocation& location, Missing missing)
    : location_(location), connection_(NewConnectionName()) {
  const bool sqlite = location.kind == LibraryLocation::Kind::Sqlite;
  const QString driver = sqlite ? QStringLiteral("QSQLITE") : QStringLiteral("QPSQL");
  if (!QSqlDatabase::isDriverAvailable(driver))
    throw LibraryError("library " + location.text + ": Qt's " + driver.toStdString() + " driver is not installed (Debian: " +
                       (sqlite ? "libqt6sql6-sqlite" : "libqt6sql6-psql") + ")");
  QSqlDatabase db = QSqlDatabase::addDatabase(driver, connection_);
  if (sqlite) {
    const QFileInfo file(QString::fromStdString(location.path));
    if (file.isDir()) throw LibraryError(location.text + ": a folder, not a parts library file");
    if (!file.exists()) {
      if (missing == Missing::Refuse) throw LibraryError(location.text + ": no such parts library");
      if (!file.absoluteDir().exists())
        throw LibraryError(location.text + ": the folder " + file.absolutePath().toStdString() + " does not exist");
    }
    db.setDatabaseName(file.filePath());
    db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(SqliteBusyMilliseconds));
  } else {
    db.setDatabaseName(QString::fromStdString(location.database));
    if (!location.host.empty()) db.setHostName(QString::fromStdString(location.host));
    if (location.port) db.setPort(location.port);
    if (!location.user.empty()) db.setUserName(QString::fromStdString(location.user));
    if (!location.password.empty()) db.setPassword(QString::fromStdString(location.password));
    db.setConnectOptions(QStringLiteral("connect_timeout=10"));
  }
  if (!db.open()) Fail("cannot be opened", db.lastError().databaseText());
  version_ = ReadVersion();
  if (version_ > CurrentSchemaVersion)
    throw LibraryError(location.text + ": written by a newer kvt (schema version " + std::to_string(version_) +
                       "; this one reads up to " + std::to_string(CurrentSchemaVersion) + ")");
}

PartsLibrary::~PartsLibrary() {
  {
    QSqlDatabase db = QSqlDatabase::database(connection_, false);
    if (db.isOpen()) db.close();
  }
  QSqlDatabase::removeDatabase(connection_);
}

SqlDialect PartsLibrary::Dialect() const {
  return location_.kind == LibraryLocation::Kind::Sqlite ? SqlDialect::Sqlite : SqlDialect::Postgresql;
}

// The database's own words on one line: the command's message is one line.
void PartsLibrary::Fail(const std::string& what, const QString& why) const {
  throw LibraryError(location_.text + ": " + what + " (" + why.simplified().toStdString() + ")");
}

// 0 for an empty database; refused when it holds tables of something else.
int PartsLibrary::ReadVersion() const {
  QSqlQuery query(QSqlDatabase::database(connection_));
  const QString tables = Dialect() == SqlDialect::Sqlite
                             ? QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'table'")
                             : QStringLiteral("SELECT table_name FROM information_schema.tables"
                                              " WHERE table_schema = current_schema()");
  if (!query.exec(tables)) Fail("is not a parts library", query.lastError().databaseText());
  bool any = false, versioned = false;
  while (query.next()) {
    any = true;
    versioned = versioned || query.value(0).toString() == QLatin1String("schema_version");
  }
  if (!any) return 0;
  if (!versioned) throw LibraryError(location_.text + ": holds other tables, not a parts library");
  if (!query.exec(QStringLiteral("SELECT version FROM schema_version")) || !query.next())
    Fail("has no schema version", query.lastError().text());
  return query.value(0).toInt();
}

void PartsLibrary::Begin() {
  QSqlQuery query(QSqlDatabase::database(connection_));
  if (Dialect() == SqlDialect::Sqlite) {
    if (!walSet_) SetWriteAheadLog();
    // The write lock up front: a transaction that first reads and then
    // writes could not wait for another writer and would fail at once.
    if (!query.exec(QStringLiteral("BEGIN IMMEDIATE"))) Fail("cannot be written", query.lastError().text());
  } else if (!query.exec(QStringLiteral("BEGIN"))) {
    Fail("cannot be written", query.lastError().text());
  }
}

// Write-ahead logging lets readers go on while a bench writes; it stays set
// in the file. Switching a new file to it needs the file to itself, and
// SQLite answers "busy" at once rather than waiting while another bench
// holds it, so the switch is tried again until the busy time is up.
void PartsLibrary::SetWriteAheadLog() {
  QSqlQuery query(QSqlDatabase::database(connection_));
  const QDeadlineTimer deadline(SqliteBusyMilliseconds);
  while (!query.exec(QStringLiteral("PRAGMA journal_mode = WAL"))) {
    if (query.lastError().nativeErrorCode() != QLatin1String("5") || deadline.hasExpired())
      Fail("cannot be written", query.lastError().text());
    QThread::msleep(5);
  }
  walSet_ = true;
}

void PartsLibrary::Commit() {
  QSqlQuery query(QSqlDatabase::database(connection_));
  if (!query.exec(QStringLiteral("COMMIT"))) {
    const QString why = query.lastError().text();
    Rollback();
    Fail("cannot be written", why);
  }
}

void PartsLibrary::Rollback() {
  QSqlQuery query(QSqlDatabase::database(connection_));
  query.exec(QStringLiteral("ROLLBACK"));
}

void PartsLibrary::Migrate() {
  QSqlQuery query(QSqlDatabase::database(connection_));
  while (version_ < CurrentSchemaVersion) {
    Begin();
    try {
      if (Dialect() == SqlDialect::Postgresql &&
          !query.exec(QStringLiteral("SELECT pg_advisory_xact_lock(%1)").arg(MigrationLockKey)))
        Fail("cannot be migrated", query.lastError().text());
      // Another bench may have taken the step while this one waited.
      version_ = ReadVersion();
      if (version_ >= CurrentSchemaVersion) {
        Rollback();
        break;
      }
      for (const std::string& statement : MigrationStep(version_, Dialect()))
        if (!query.exec(QString::fromStdString(statement)))
          Fail("cannot be migrated to schema version " + std::to_string(version_ + 1), query.lastError().text());
      if (!query.exec(QStringLiteral("UPDATE schema_version SET version = %1").arg(version_ + 1)))
        Fail("cannot be migrated", query.lastError().text());
    } catch (...) {
      Rollback();
      version_ = ReadVersion();
      throw;
    }
    Commit();
    ++version_;
  }
}

std::vector<long long> PartsLibrary::Add(const std::vector<NewPart>& parts) {
  Migrate();
  const QSqlDatabase db = QSqlDatabase::database(connection_);
  Begin();
  std::vector<long long> numbers;
  try {
    QSqlQuery part(db), tag(db), curve(db), figure(db);
    const bool prepared =
        part.prepare(QStringLiteral("INSERT INTO parts (lot, measured_at, program_version, component, clipped,"
                                    " junction_fit) VALUES (?, ?, ?, ?, ?, ?) RETURNING number")) &&
        tag.prepare(QStringLiteral("INSERT INTO part_tags (part, position, tag) VALUES (?, ?, ?)")) &&
        curve.prepare(QStringLiteral("INSERT INTO curves (part, point_count, source, points) VALUES (?, ?, ?, ?)")) &&
        figure.prepare(QStringLiteral(
            "INSERT INTO parameters (part, name, value, uncertainty, note) VALUES (?, ?, ?, ?, ?)"));
    if (!prepared) Fail("cannot be written", db.lastError().text());
    for (const NewPart& p : parts) {
      const PartRecord& r = p.record;
      part.addBindValue(Text(r.lot));
      part.addBindValue(QString::fromStdString(r.measuredAt));
      part.addBindValue(QString::fromStdString(r.programVersion));
      part.addBindValue(QString::fromStdString(r.component));
      part.addBindValue(r.clipped);
      part.addBindValue(r.junctionFit ? 1 : 0);
      if (!part.exec() || !part.next()) Fail("cannot be written", part.lastError().text());
      const qlonglong number = part.value(0).toLongLong();
      part.finish();
      for (std::size_t k = 0; k < r.tags.size(); ++k) {
        tag.addBindValue(number);
        tag.addBindValue(static_cast<int>(k));
        tag.addBindValue(QString::fromStdString(r.tags[k]));
        if (!tag.exec()) Fail("cannot be written", tag.lastError().text());
      }
      curve.addBindValue(number);
      curve.addBindValue(p.curve.info.pointCount);
      curve.addBindValue(QString::fromStdString(p.curve.info.source));
      curve.addBindValue(CurveBlob(p.curve));
      if (!curve.exec()) Fail("cannot be written", curve.lastError().text());
      for (const PartFigure& f : r.figures) {
        figure.addBindValue(number);
        figure.addBindValue(QString::fromStdString(f.name));
        figure.addBindValue(Number(f.value));
        figure.addBindValue(Number(f.value ? f.uncertainty : std::nullopt));
        figure.addBindValue(QString::fromStdString(f.note));
        if (!figure.exec()) Fail("cannot be written", figure.lastError().text());
      }
      numbers.push_back(number);
    }
  } catch (...) {
    Rollback();
    throw;
  }
  Commit();
  return numbers;
}

std::vector<PartRecord> PartsLibrary::Parts(const std::optional<std::string>& lot) const {
  if (version_ == 0) return {};
  const QSqlDatabase db = QSqlDatabase::database(connection_);
  const QString where = lot ? QStringLiteral(" WHERE p.lot = ?") : QString();
  auto run = [&](const QString& sql) {
    QSqlQuery query(db);
    query.setForwardOnly(true);
    if (!query.prepare(sql)) Fail("cannot be read", query.lastError().text());
    if (lot) query.addBindValue(QString::fromStdString(*lot));
    if (!query.exec()) Fail("cannot be read", query.lastError().text());
    return query;
  };
  std::vector<PartRecord> records;
  std::map<long long, std::size_t> index;
  QSqlQuery parts = run(QStringLiteral("SELECT p.number, p.lot, p.measured_at, p.program_version, p.component,"
                                       " p.clipped, p.junction_fit FROM parts p") + where + QStringLiteral(" ORDER BY p.number"));
  while (parts.next()) {
    PartRecord r;
    r.number = parts.value(0).toLongLong();
    if (!parts.value(1).isNull()) r.lot = parts.value(1).toString().toStdString();
    r.measuredAt = parts.value(2).toString().toStdString();
    r.programVersion = parts.value(3).toString().toStdString();
    r.component = parts.value(4).toString().toStdString();
    r.clipped = parts.value(5).toInt();
    r.junctionFit = parts.value(6).toInt() != 0;
    index.emplace(r.number, records.size());
    records.push_back(std::move(r));
  }
  QSqlQuery tags = run(QStringLiteral("SELECT t.part, t.tag FROM part_tags t JOIN parts p ON p.number = t.part") +
                       where + QStringLiteral(" ORDER BY t.part, t.position"));
  while (tags.next())
    if (const auto at = index.find(tags.value(0).toLongLong()); at != index.end())
      records[at->second].tags.push_back(tags.value(1).toString().toStdString());
  QSqlQuery figures =
      run(QStringLiteral("SELECT f.part, f.name, f.value, f.uncertainty, f.note FROM parameters f"
                         " JOIN parts p ON p.number = f.part") +
          where);
  while (figures.next()) {
    const auto at = index.find(figures.value(0).toLongLong());
    if (at == index.end()) continue;
    records[at->second].figures.push_back({figures.value(1).toString().toStdString(), NumberOf(figures.value(2)),
                                           NumberOf(figures.value(3)), figures.value(4).toString().toStdString()});
  }
  for (PartRecord& r : records)
    std::stable_sort(r.figures.begin(), r.figures.end(), [](const PartFigure& a, const PartFigure& b) {
      return FigureOrder(a.name) < FigureOrder(b.name);
    });
  return records;
}

PartsLibrary::Columns PartsLibrary::ReadColumns(const std::vector<std::string>& names,
                                               const std::optional<std::string>& lot) const {
  Columns columns;
  if (version_ == 0) {
    for (const std::string& name : names) columns.table[name];
    return columns;
  }
  const QSqlDatabase db = QSqlDatabase::database(connection_);
  auto run = [&](const QString& sql, const std::optional<std::string>& name) {
    QSqlQuery query(db);
    query.setForwardOnly(true);
    if (!query.prepare(sql)) Fail("cannot be read", query.lastError().text());
    if (name) query.addBindValue(QString::fromStdString(*name));
    if (lot) query.addBindValue(QString::fromStdString(*lot));
    if (!query.exec()) Fail("cannot be read", query.lastError().text());
    return query;
  };
  QSqlQuery parts = run(QStringLiteral("SELECT number FROM parts") + (lot ? QStringLiteral(" WHERE lot = ?") : QString()) +
                            QStringLiteral(" ORDER BY number"),
                        std::nullopt);
  while (parts.next()) columns.numbers.push_back(parts.value(0).toLongLong());
  // By the (name, part) index: one name's rows only, already in part order.
  const QString figures =
      lot ? QStringLiteral("SELECT f.part, f.value, f.uncertainty FROM parameters f JOIN parts p ON p.number = f.part"
                           " WHERE f.name = ? AND p.lot = ? ORDER BY f.part")
          : QStringLiteral("SELECT part, value, uncertainty FROM parameters WHERE name = ? ORDER BY part");
  for (const std::string& name : names) {
    FigureColumn& column = columns.table[name];
    column.assign(columns.numbers.size(), std::nullopt);
    QSqlQuery query = run(figures, name);
    auto at = columns.numbers.begin();
    while (query.next()) {
      const long long number = query.value(0).toLongLong();
      at = std::lower_bound(at, columns.numbers.end(), number);
      // A part stored while this read went on is not among the numbers.
      if (at == columns.numbers.end() || *at != number || query.value(1).isNull()) continue;
      column[at - columns.numbers.begin()] = MeasuredFigure{query.value(1).toDouble(), query.value(2).toDouble()};
    }
  }
  return columns;
}

std::vector<std::pair<std::optional<std::string>, long long>> PartsLibrary::LotCounts() const {
  std::vector<std::pair<std::optional<std::string>, long long>> counts;
  if (version_ == 0) return counts;
  QSqlQuery query(QSqlDatabase::database(connection_));
  if (!query.exec(QStringLiteral("SELECT lot, COUNT(*) FROM parts GROUP BY lot ORDER BY lot")))
    Fail("cannot be read", query.lastError().text());
  while (query.next()) {
    std::optional<std::string> lot;
    if (!query.value(0).isNull()) lot = query.value(0).toString().toStdString();
    counts.emplace_back(lot, query.value(1).toLongLong());
  }
  // SQLite sorts a missing lot first, PostgreSQL last.
  std::stable_partition(counts.begin(), counts.end(), [](const auto& c) { return !c.first; });
  return counts;
}

// A curve from its row's columns point_count, source, points and
// measured_at, the first at `at`.
Curve PartsLibrary::CurveOfRow(const QSqlQuery& row, int at, long long number) const {
  auto points = PointsOfBlob(row.value(at + 2).toByteArray());
  if (!points) throw LibraryError(location_.text + ": part " + std::to_string(number) + " has a damaged curve");
  Curve curve;
  curve.points = std::move(*points);
  curve.info.pointCount = row.value(at).toInt();
  curve.info.source = row.value(at + 1).toString().toStdString();
  curve.info.dateTime = row.value(at + 3).toString().toStdString();
  return curve;
}

std::optional<Curve> PartsLibrary::CurveOf(long long number) const {
  if (version_ == 0) return std::nullopt;
  QSqlQuery query(QSqlDatabase::database(connection_));
  if (!query.prepare(QStringLiteral("SELECT c.point_count, c.source, c.points, p.measured_at FROM curves c"
                                    " JOIN parts p ON p.number = c.part WHERE c.part = ?")))
    Fail("cannot be read", query.lastError().text());
  query.addBindValue(static_cast<qlonglong>(number));
  if (!query.exec()) Fail("cannot be read", query.lastError().text());
  if (!query.next()) return std::nullopt;
  return CurveOfRow(query, 0, number);
}

std::map<long long, Curve> PartsLibrary::Curves(const std::optional<std::string>& lot) const {
  std::map<long long, Curve> curves;
  if (version_ == 0) return curves;
  QSqlQuery query(QSqlDatabase::database(connection_));
  query.setForwardOnly(true);
  if (!query.prepare(QStringLiteral("SELECT c.part, c.point_count, c.source, c.points, p.measured_at FROM curves c"
                                    " JOIN parts p ON p.number = c.part") +
                     (lot ? QStringLiteral(" WHERE p.lot = ?") : QString()) + QStringLiteral(" ORDER BY c.part")))
    Fail("cannot be read", query.lastError().text());
  if (lot) query.addBindValue(QString::fromStdString(*lot));
  if (!query.exec()) Fail("cannot be read", query.lastError().text());
  while (query.next()) {
    const long long number = query.value(0).toLongLong();
    curves[number] = CurveOfRow(query, 1, number);
  }
  return curves;
}

}  // namespace kvt

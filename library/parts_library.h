#pragma once
// A parts library opened on its database. The database gives each stored
// part its number, so benches adding parts to one library at once never
// collide; parts added together are stored together or not at all.
// One object per thread: Qt SQL connections stay on the thread that made them.
#include <QString>

#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "core/curve.h"
#include "library/library_location.h"
#include "library/library_schema.h"
#include "library/part_figures.h"

class QSqlQuery;

namespace kvt {

// The library cannot be opened, read or written; the message names it.
struct LibraryError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

struct NewPart {
  PartRecord record;  // its number is ignored
  Curve curve;
};

class PartsLibrary {
 public:
  enum class Missing { Refuse, Create };
  // Connects and reads the schema version. A missing SQLite file is refused
  // or created; a database that holds other tables, or a library of a newer
  // schema, is refused. Nothing is written until Add.
  PartsLibrary(const LibraryLocation& location, Missing missing);
  ~PartsLibrary();
  PartsLibrary(const PartsLibrary&) = delete;
  PartsLibrary& operator=(const PartsLibrary&) = delete;

  int SchemaVersion() const { return version_; }
  const LibraryLocation& Location() const { return location_; }

  // Brings the schema up to date, a step per transaction (a no-op when it is).
  void Migrate();
  // Stores the parts in one transaction (migrating first); their numbers, in
  // order.
  std::vector<long long> Add(const std::vector<NewPart>& parts);
  // Every part (of one lot), by number, with tags and figures.
  std::vector<PartRecord> Parts(const std::optional<std::string>& lot = std::nullopt) const;
  // Only the named parameters' figures of every part (of one lot), by
  // number: statistics and matching over many parts need no whole records.
  // Names are the stored ones ("vf", "shockley.is"); a part without a figure
  // of a name has a gap in its column.
  struct Columns {
    std::vector<long long> numbers;
    PartTable table;  // one column per name, as long as `numbers`
  };
  Columns ReadColumns(const std::vector<std::string>& names,
                      const std::optional<std::string>& lot = std::nullopt) const;
  // The lots and how many parts each holds, by name; parts of no lot under
  // nothing, first.
  std::vector<std::pair<std::optional<std::string>, long long>> LotCounts() const;
  // A stored part's curve; nothing for an unknown number.
  std::optional<Curve> CurveOf(long long number) const;
  // Every stored curve (of one lot) by part number, in one query: matching
  // whole curves reads them all.
  std::map<long long, Curve> Curves(const std::optional<std::string>& lot = std::nullopt) const;

 private:
  SqlDialect Dialect() const;
  int ReadVersion() const;
  void SetWriteAheadLog();
  void Begin();
  void Commit();
  void Rollback();
  Curve CurveOfRow(const QSqlQuery& row, int at, long long number) const;
  [[noreturn]] void Fail(const std::string& what, const QString& why) const;

  LibraryLocation location_;
  QString connection_;
  int version_ = 0;
  bool walSet_ = false;
};

}  // namespace kvt

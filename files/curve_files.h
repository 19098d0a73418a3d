#pragma once
// Curves to and from the two file forms: CSV and the points file.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/curve.h"
#include "files/csv_file.h"
#include "files/points_file.h"

namespace kvt {

// The CSV's points, ordered by voltage (then current) whatever the rows'
// order, on its range; clipping flags from the file are kept and completed
// from the voltages. Its date and source lines become the curve's.
Curve CurveFromCsv(const CsvContent& content);

// Rows for the CSV writer, with the curve's clipping flags, and each
// point's range when the curve has points of several ranges.
std::vector<CsvPoint> CsvPointsOf(const Curve& curve);

// Whether the points come from more than one range (a stitched curve): the
// CSV then needs its range_ohms column and a points file cannot hold it.
bool HasMixedRanges(const Curve& curve);

// The ranges of the curve's points as the switch names them, from the finest
// in current down: "10 kΩ, 1 kΩ and 100 Ω".
std::string RangeList(const Curve& curve);

// A curve read from a points file or a CSV file, or why it could not be.
struct CurveFile {
  Curve curve;
  bool isPointsFile = false;
  std::string error;  // empty when the curve was read
  bool ok() const { return error.empty(); }
};

// Reads `path` (bytes as the file system takes them): a file whose first
// line is "KVT" as a points file, anything else as CSV. Missing, unreadable,
// empty, binary and malformed files give a one-line error. The curve's
// source is the path.
CurveFile ReadCurveFile(const std::string& path);

enum class CurveFormat { PointsFile, Csv };
// .csv gives CSV; anything else the points file.
CurveFormat CurveFormatOfName(std::string_view path);

// The text of the curve in `format`, or an error saying why it cannot be
// written (a points file needs one of its six counts and holds one range:
// a curve of several ranges is refused rather than written without them). In CSV the curve's
// own range, date and source fill what `meta` leaves empty, and its date
// (when it was measured) wins over the writer's.
struct CurveText {
  std::string text;
  std::string error;
};
CurveText CurveFileText(const Curve& curve, CurveFormat format, const CsvMetadata& meta);

}  // namespace kvt

#pragma once
// Curves to and from the two file forms: CSV and the points file's samples.
#include <vector>

#include "analysis/curve.h"
#include "files/csv_file.h"
#include "files/points_file.h"

namespace kvt {

// The CSV's points and range; clipping flags from the file are kept and
// completed from the voltages.
Curve CurveFromCsv(const CsvContent& content);

// Rows for the CSV writer, with the curve's clipping flags.
std::vector<CsvPoint> CsvPointsOf(const Curve& curve);

// The pairs a points file held, in file order (the range is not stored there).
Curve CurveFromPointsFile(const PointsFileContent& content,
                          std::optional<double> rangeOhms = std::nullopt);

}  // namespace kvt

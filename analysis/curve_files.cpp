#include "analysis/curve_files.h"

namespace kvt {

Curve CurveFromCsv(const CsvContent& content) {
  Curve curve;
  curve.rangeOhms = content.rangeOhms;
  curve.points.reserve(content.points.size());
  for (const CsvPoint& p : content.points) curve.points.push_back({p.volts, p.amps, p.clipped});
  FlagClipping(curve);
  return curve;
}

std::vector<CsvPoint> CsvPointsOf(const Curve& curve) {
  std::vector<CsvPoint> rows;
  rows.reserve(curve.points.size());
  for (const CurvePoint& p : curve.points) rows.push_back({p.volts, p.amps, p.clipped});
  return rows;
}

Curve CurveFromPointsFile(const PointsFileContent& content, std::optional<double> rangeOhms) {
  Curve curve;
  curve.rangeOhms = rangeOhms;
  for (const PointsSample& s : content.samples) curve.points.push_back({s.volts, s.amps, false});
  FlagClipping(curve);
  return curve;
}

}  // namespace kvt

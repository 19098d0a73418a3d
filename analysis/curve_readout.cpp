#include "analysis/curve_readout.h"

#include <cmath>
#include <limits>

namespace kvt {

std::optional<NearestPoint> NearestCurvePoint(const Curve& curve, double volts, double amps, double voltsPerPixel,
                                              double ampsPerPixel) {
  if (curve.points.empty() || !(voltsPerPixel > 0) || !(ampsPerPixel > 0)) return std::nullopt;
  std::size_t best = 0;
  double bestDistance = std::numeric_limits<double>::infinity();
  for (std::size_t i = 0; i < curve.points.size(); ++i) {
    const CurvePoint& p = curve.points[i];
    const double d = std::hypot((p.volts - volts) / voltsPerPixel, (p.amps - amps) / ampsPerPixel);
    if (d < bestDistance) {
      bestDistance = d;
      best = i;
    }
  }
  if (!std::isfinite(bestDistance)) return std::nullopt;
  const CurvePoint& p = curve.points[best];
  return NearestPoint{best, p.volts, p.amps, DynamicOhmsAt(curve, best)};
}

std::optional<double> DynamicOhmsAt(const Curve& curve, std::size_t index) {
  const auto& pts = curve.points;
  if (pts.size() < 2 || index >= pts.size()) return std::nullopt;
  const std::size_t lo = index == 0 ? 0 : index - 1;
  const std::size_t hi = index + 1 < pts.size() ? index + 1 : index;
  const double dv = pts[hi].volts - pts[lo].volts;
  const double di = pts[hi].amps - pts[lo].amps;
  // Less than a thousandth of a microampere is no change at all for this
  // instrument: an open part or a flat stretch.
  if (std::fabs(di) < 1e-9) return std::nullopt;
  const double ohms = dv / di;
  if (!std::isfinite(ohms)) return std::nullopt;
  return ohms;
}

}  // namespace kvt

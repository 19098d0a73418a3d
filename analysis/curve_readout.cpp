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
  return NearestPoint{best, p.volts, p.amps, DynamicOhmsNear(curve, best)};
}

}  // namespace kvt

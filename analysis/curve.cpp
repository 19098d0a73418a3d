#include "analysis/curve.h"

#include <cmath>

namespace kvt {

bool IsClippedVolts(double volts) {
  // A little slack so that -5.11 and 5.10, stored as doubles, count too.
  constexpr double slack = 1e-6;
  return volts <= AdcLowVolts + AdcStepVolts + slack ||
         volts >= AdcHighVolts - AdcStepVolts - slack;
}

void FlagClipping(Curve& curve) {
  for (CurvePoint& p : curve.points) p.clipped = p.clipped || IsClippedVolts(p.volts);
}

Curve CurveFromPointSet(const PointSet& set, std::optional<double> rangeOhms) {
  Curve curve;
  curve.rangeOhms = rangeOhms;
  if (set.PointCount > 0) {
    // The slot rule: a step of 1024 / count (ties to even), slots 0, s, 2s, ...
    // up to 1023. Computed here so the library needs nothing but the header.
    const int step = static_cast<int>(std::nearbyint(1024.0 / set.PointCount));
    for (int i = 0; step > 0 && i <= 1023; i += step)
      curve.points.push_back({set.PointVolts[i], set.PointAmps[i], false});
  }
  FlagClipping(curve);
  return curve;
}

Curve CurveFromPairs(const std::vector<std::pair<double, double>>& pairs,
                     std::optional<double> rangeOhms) {
  Curve curve;
  curve.rangeOhms = rangeOhms;
  curve.points.reserve(pairs.size());
  for (const auto& [v, a] : pairs) curve.points.push_back({v, a, false});
  FlagClipping(curve);
  return curve;
}

}  // namespace kvt

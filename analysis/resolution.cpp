#include "analysis/resolution.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace kvt {

double CurrentNoise(const Curve& curve) {
  std::vector<double> amps;
  for (const CurvePoint& p : curve.points)
    if (!p.clipped) amps.push_back(p.amps);
  if (amps.size() < 3) return 0.0;
  std::vector<double> d2;
  d2.reserve(amps.size() - 2);
  for (std::size_t i = 1; i + 1 < amps.size(); ++i)
    d2.push_back(std::abs(amps[i - 1] - 2 * amps[i] + amps[i + 1]));
  auto mid = d2.begin() + d2.size() / 2;
  std::nth_element(d2.begin(), mid, d2.end());
  // Median of |N(0, 6 sigma^2)| is 0.6745 * sqrt(6) sigma.
  return *mid / (0.6745 * std::sqrt(6.0));
}

Resolution ResolutionOf(const Curve& curve) {
  Resolution r;
  if (const auto ohms = curve.RangeOhms(); ohms && *ohms > 0) {
    r.amps = AdcStepVolts / *ohms;
    return r;
  }
  double largest = 0.0;
  for (const CurvePoint& p : curve.points)
    if (!p.clipped) largest = std::max(largest, std::abs(p.amps));
  r.amps = std::max({2.0 * CurrentNoise(curve), 1e-3 * largest, 1e-12});
  return r;
}

}  // namespace kvt

#pragma once
// One curve from sweeps of one part on several ranges, every point keeping
// its range: the finest range's points all, a coarser range's only beyond
// the currents the finer ones reached. Made here by hand, so the analysis of
// such curves is tested apart from how the program joins them.
#include <algorithm>
#include <cmath>
#include <vector>

#include "core/curve.h"

namespace kvt {

// `sweeps` from the finest range in current (10 kΩ) to the coarsest.
inline Curve StitchedByHand(const std::vector<Curve>& sweeps) {
  Curve stitched;
  double reachedUp = 0, reachedDown = 0;  // largest forward and reverse current so far
  for (const Curve& sweep : sweeps) {
    double up = reachedUp, down = reachedDown;
    const bool finest = stitched.points.empty();
    for (const CurvePoint& p : sweep.points) {
      // A few of this range's steps beyond: its noise alone does not count.
      const double margin = 3 * AdcStepVolts / p.rangeOhms.value_or(1.0);
      if (finest || p.amps > reachedUp + margin || p.amps < reachedDown - margin) stitched.points.push_back(p);
      if (!p.clipped) {
        up = std::max(up, p.amps);
        down = std::min(down, p.amps);
      }
    }
    reachedUp = up;
    reachedDown = down;
  }
  std::stable_sort(stitched.points.begin(), stitched.points.end(),
                   [](const CurvePoint& a, const CurvePoint& b) { return a.volts < b.volts; });
  stitched.info.pointCount = static_cast<int>(stitched.points.size());
  return stitched;
}

}  // namespace kvt

#pragma once
// Block least-squares smoothing of the currents of a curve.
#include <vector>

#include "core/curve.h"

namespace kvt {

// Smoothed current in milliamperes for every point of the curve, in its
// order. Consecutive blocks of `level` points are each replaced by the
// straight line I = b*V + a fitted to them; the points after the last full
// block keep their measured currents. The curve itself is not changed.
std::vector<double> SmoothedMilliamps(const Curve& curve, int level);

}  // namespace kvt

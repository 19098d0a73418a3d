#pragma once
// Block least-squares smoothing of the currents of a point set.
#include <array>

#include "core/point_set.h"

namespace kvt {

// Smoothed current in milliamperes for every slot of the set (slots not in
// the set hold 0). Consecutive blocks of `level` points are each replaced by
// the straight line I = b*V + a fitted to them; the points after the last
// full block keep their measured currents. The set itself is not changed.
std::array<double, PointSlots> SmoothedMilliamps(const PointSet& points, int level);

}  // namespace kvt

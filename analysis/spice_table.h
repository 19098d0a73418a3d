#pragma once
// The knots of a table model that follows a measured curve.
#include <vector>

#include "core/curve.h"

namespace kvt {

struct TableKnot {
  double volts = 0.0, amps = 0.0;
};

// The unclipped points sorted by voltage, equal voltages averaged, and the
// currents made non-decreasing (a passive part never draws less current at a
// higher voltage), so a simulator finds one operating point. Through 0 A at
// 0 V and never sourcing current. A simulator extends the end segments, so
// where an end segment is much flatter than the points there a knot a volt
// further on carries their slope; a side never measured stays at 0 A. Empty
// for fewer than two voltages.
std::vector<TableKnot> TableKnots(const Curve& curve);

}  // namespace kvt

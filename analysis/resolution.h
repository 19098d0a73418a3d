#pragma once
// What one step of the instrument is worth on each axis of a curve.
#include "core/curve.h"

namespace kvt {

struct Resolution {
  double volts = AdcStepVolts;  // one converter step
  double amps = 0.0;            // the current that one converter step means
};

// Standard deviation of the curve's current noise, from second differences
// of consecutive unclipped points (a smooth curve's own bending barely shows
// in their median). 0 for fewer than three such points.
double CurrentNoise(const Curve& curve);

// One step in current: 10 mV over the range resistance when the range is
// known; otherwise twice the current noise (a reading averaged from a few
// conversions scatters by about half a step), never below a thousandth of
// the largest current so a noiseless curve still gets a scale.
Resolution ResolutionOf(const Curve& curve);

}  // namespace kvt

#pragma once
// What one step of the instrument is worth on each axis of a curve.
#include <optional>

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
// the largest current so a noiseless curve still gets a scale. A curve
// whose points come from several known ranges gets the coarsest of their
// steps: what is judged of the whole curve must hold on every part of it.
Resolution ResolutionOf(const Curve& curve);

// The range whose step ResolutionOf takes: the curve's one range, or the
// coarsest of several known; nothing when the step is estimated.
std::optional<double> StepRangeOhms(const Curve& curve);

// The current of one converter step on the point's own range; nothing when
// its range is unknown.
std::optional<double> AmpsStepOf(const CurvePoint& point);

// The points measured on one range where the curve is read: the range of
// the usable point nearest to `volts`, the finer range where two are as
// near; for `amps`, the finest range whose points carry that current (of
// its sign), or else the one of the point nearest to it. A figure read there
// is resolved as that range resolves it, not as the coarsest range of a
// stitched curve would. A curve of one range comes back whole.
Curve OneRangeNearVolts(const Curve& curve, double volts);
Curve OneRangeNearAmps(const Curve& curve, double amps);

}  // namespace kvt

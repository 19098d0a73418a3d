#pragma once
// Values and slopes of a curve near one place, from a least-squares fit over
// the neighbouring points, each with an uncertainty that covers the truth
// about 95 % of the time (two standard errors).
//
// The points are fitted against the applied voltage (the part's voltage plus
// the range resistor's drop), which the instrument sets exactly: every error
// of a reading then lies in the measured voltage alone, and the current's
// error is tied to it. Without a known range the points' order stands in
// for the applied voltage and the two errors are taken as they scatter.
// The scatter is never taken below the converter's own rounding, and points
// that repeat a reading count as one, so a staircase of equal codes does not
// pass for an exact line.
#include <cstddef>
#include <optional>
#include <vector>

#include "core/curve.h"

namespace kvt {

struct Uncertain {
  double value = 0.0;
  double uncertainty = 0.0;  // half-width of the interval, same unit as value
};

// Voltage where the curve carries `amps` (either sign), with dV/dI there.
struct LocalOperatingPoint {
  Uncertain volts;
  Uncertain ohms;  // not resolved: see DynamicOhmsResolved
};
std::optional<LocalOperatingPoint> VoltsAtCurrentWithin(const Curve& curve, double amps);

// Current where the curve is at `volts`; nothing outside the curve.
std::optional<Uncertain> AmpsAtVoltsWithin(const Curve& curve, double volts);

// dV/dI at the point `index`, from the fewest neighbours that resolve it
// (the uncertainty under a third of the value), or from as many as it takes
// to resolve it at all. Nothing where no neighbourhood does: a flat stretch
// whose slope is lost in the noise, or a steep one whose voltage does not
// change by a converter step.
std::optional<Uncertain> DynamicOhmsNear(const Curve& curve, std::size_t index);

// DynamicOhmsNear at the point whose current is nearest to `amps`, of
// the same sign; nothing when no point carries current of that sign.
std::optional<Uncertain> DynamicOhmsNearCurrent(const Curve& curve, double amps);

// dV/dI over every unclipped point by one straight line: a resistor's value.
std::optional<Uncertain> OhmsOfWholeCurve(const Curve& curve);

// True when the interval leaves out both 0 and infinity.
bool DynamicOhmsResolved(const Uncertain& ohms);

// Inverse of a small, well-scaled square matrix; nothing when it is singular.
std::optional<std::vector<std::vector<double>>> InverseOf(std::vector<std::vector<double>> matrix);

}  // namespace kvt

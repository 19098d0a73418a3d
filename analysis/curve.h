#pragma once
// A measured or loaded I-V curve: any number of (volts, amperes) points in
// the order they were taken, not tied to the point set's slot counts.
#include <optional>
#include <vector>

#include "core/point_set.h"

namespace kvt {

// The measuring converter's scale: 10 mV per code, -5.12 V to +5.11 V.
constexpr double AdcStepVolts = 0.01;
constexpr double AdcLowVolts = -5.12;
constexpr double AdcHighVolts = 5.11;

struct CurvePoint {
  double volts = 0.0;
  double amps = 0.0;
  // The voltage sits at an end of the converter's range, so the reading may
  // be cut off and the current derived from it is not trustworthy.
  bool clipped = false;
};

struct Curve {
  std::vector<CurvePoint> points;
  std::optional<double> rangeOhms;  // series resistance of the range, when known
};

// True within one converter step of either end of its range.
bool IsClippedVolts(double volts);

// Sets every point's clipping flag from its voltage (flags already set stay).
void FlagClipping(Curve& curve);

// The points of the set in slot order, flagged.
Curve CurveFromPointSet(const PointSet& set, std::optional<double> rangeOhms = std::nullopt);

// A curve from plain (volts, amps) pairs, flagged.
Curve CurveFromPairs(const std::vector<std::pair<double, double>>& pairs,
                     std::optional<double> rangeOhms = std::nullopt);

}  // namespace kvt

#pragma once
// One curve from sweeps of the same part on several ranges. Every point keeps
// the range it was measured on; where ranges overlap in voltage and current
// the reading of the finest range that reaches it wins, and how far the
// coarser range's readings lie from the finer range's curve there is measured.
#include <optional>
#include <string>
#include <vector>

#include "core/curve.h"

namespace kvt {

// Two neighbouring ranges where they overlap.
struct RangeMismatch {
  double finerOhms = 0;    // the higher resistance: the smaller current step
  double coarserOhms = 0;
  // The coarser range's readings compared: those inside the span the finer
  // range's readings cover (only those carrying at least one coarser step of
  // current when there are any).
  int points = 0;
  // How far those readings lie to one side of the finer range's curve: the
  // median of their signed distances from it, in steps of the coarser range
  // (10 mV on the voltage axis, 10 mV over its resistance on the current
  // axis), as a size. Noise scatters readings to both sides and cancels; an
  // offset or a range resistor off its value does not. Nothing when the
  // ranges do not overlap.
  std::optional<double> steps;
};

struct StitchedCurve {
  Curve curve;  // by voltage, as a CSV file of it reads back
  std::vector<RangeMismatch> mismatches;  // finest pair first
};

// Stitches the points of `sweeps` by the range each point carries. A reading
// gives way to one of a finer range when it lies inside the span of voltage
// and current that the finer range's unclipped readings cover (widened by
// the reading's own step, one in voltage and two in current, so its noise
// does not carry it out); a clipped reading gives way to any other range that
// reads its voltage unclipped, and to a finer range's clipped reading there.
// Points of unknown range are kept as they are. The curve's info is the first
// sweep's, with the count of points kept.
StitchedCurve StitchRanges(const std::vector<Curve>& sweeps);

// "100", "1k", "10k".
std::string ShortRangeName(double ohms);

// "1k vs 100: 0.4 steps", or "1k vs 100: no overlap".
std::string MismatchText(const RangeMismatch& mismatch);

// The texts of all pairs joined with "; ".
std::string MismatchSummary(const std::vector<RangeMismatch>& mismatches);

}  // namespace kvt

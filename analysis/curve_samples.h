#pragma once
// A curve as the voltages it reads at a fixed set of currents, so whole
// curves of a bag can be compared (and matched) figure by figure: every
// sample a column of a PartTable, with the uncertainty the converter gives it.
#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "analysis/part_figures.h"
#include "core/curve.h"

namespace kvt {

// Three converter steps: the closeness every sample is weighed by, so no
// current counts more than another.
constexpr double CurveSampleTolerance = 3 * AdcStepVolts;

// The largest current a curve reaches among its unclipped points on one
// side (forward > 0, reverse < 0), as a magnitude; 0 where it reaches none.
double ReachOf(const Curve& curve, bool forward);

// The voltage where the curve's unclipped points, taken by rising voltage,
// first pass `amps`, interpolated between the two points either side; its
// uncertainty one voltage step combined with one current step (10 mV over
// the range's ohms) times the local slope dV/dI. Nothing where the curve
// does not reach the current.
std::optional<MeasuredFigure> VoltsAt(const Curve& curve, double amps);

// A sample's column name: "curve@+1.2mA", "curve@-450uA".
std::string CurveSampleName(double amps);

struct CurveSampling {
  std::vector<double> currents;    // amps, rising; reverse ones negative
  std::vector<std::string> names;  // the column of each current
  PartTable table;                 // one column per current, one entry per part
  // Per part: empty when it has every sample, else why it has none
  // ("no curve", "curve reaches 3 of 10 sampled currents").
  std::vector<std::string> lacking;
};

// The currents a bag's curves are compared at: per side, `perSide` currents
// spread from 10 % to 90 % of the smallest reach among the parts that reach
// at least half the median reach there (so one open or shorted part cannot
// shrink them for the rest). A side is left out when that reach is under ten
// current steps of the parts' range, where the curve is flat and a voltage
// would tell nothing.
std::vector<double> SampleCurrents(const std::vector<const Curve*>& curves, int perSide = 5);

// The bag's curves (a null for a part without one) sampled at `currents`.
// A part that misses any sample has none, so it is matched on all or left
// out with its reason.
CurveSampling SampleCurves(const std::vector<const Curve*>& curves, const std::vector<double>& currents);

// The largest of a group's spreads over the sample columns, as one figure:
// the spread and resolution at the sample where it is largest, within
// resolution only where no sample's spread is resolved.
struct SampleSpread {
  double spread = 0;
  double resolution = 0;
  bool withinResolution = true;
};
SampleSpread CurveSpread(const PartTable& table, const std::vector<std::string>& names,
                         const std::vector<std::size_t>& parts);

}  // namespace kvt

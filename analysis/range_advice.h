#pragma once
// Which switch position would show a part best, judged from one sweep.
//
// A range resolves a curve where both its readings are above a few steps:
// the voltage where the current is resolved, the current where the voltage
// is. The detail of a sweep is, per branch (forward and reverse), the span
// of the scarcer of the two in steps; a 10 ohm resistor on 10 kohm spans
// the whole current range but one voltage step, a diode on any range
// hundreds of current steps but only its knee's few tens of voltage steps.
//
// From one sweep the others are foreseen: the measured points, with
// currents below the range's resolution replaced by the branch's mean
// conductance and the ends carried on along their last slope, swept on
// each range as the instrument sweeps (the load line of the range resistor,
// the converter's 10 mV steps). Another range is advised when it shows more
// than twice the detail of this one.
#include <optional>
#include <string>
#include <vector>

#include "core/curve.h"

namespace kvt {

// The switch's positions.
inline const std::vector<double>& InstrumentRanges() {
  static const std::vector<double> ranges{100.0, 1000.0, 10000.0};
  return ranges;
}


// The resolved detail of a sweep, in steps (see above). Points of unknown
// range count as unresolved in current.
double ResolvedDetail(const Curve& sweep);

// The sweep the part would give on `rangeOhms`, foreseen from `sweep` (on
// one known range), with `pointCount` points over the converter's span.
Curve ForeseenSweep(const Curve& sweep, double rangeOhms, int pointCount = 256);

struct RangeAdvice {
  std::optional<double> moveToOhms;  // nothing: no range would show the part much better
  // "the current reaches only 3 % of this range: move the switch to 10 kΩ";
  // empty without advice.
  std::string text;
};

// Advice after a sweep on one known range; none for a curve of several or
// an unknown range.
RangeAdvice AdviseRange(const Curve& sweep);

// The rule to beat: a mean current under 15 % of full scale asks for the
// next higher resistance, else a mean voltage under 15 % of the converter's
// span for the next lower. Kept for the benchmark's comparison.
std::optional<double> BaselineRangeAdvice(const Curve& sweep);

// The text for moving from `fromOhms` to `toOhms` after `sweep`: a move to
// a higher resistance is asked for by a small current, to a lower one by a
// small voltage, each as the share of this range it reaches.
std::string AdviceText(const Curve& sweep, double fromOhms, double toOhms);

}  // namespace kvt

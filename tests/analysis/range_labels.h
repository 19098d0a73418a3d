#pragma once
// Simulated parts labelled with the ranges that show them best, for judging
// range advice. A part's label comes from sweeping it on every range and
// keeping the ranges whose resolved detail is within a factor two of the
// best one's; the advice, from one sweep, is right when the range it leaves
// the switch on (moved or not) is among them.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "analysis/range_advice.h"
#include "simulated_sweep.h"

namespace kvt {

struct LabelledPart {
  std::string family;  // "resistor", "diode", "zener", "LED"
  std::string name;    // "resistor 4.7k", "zener 3.3"...
  kvtsim::Component component;
};

// Resistors from 10 ohm to 1 Mohm, four to a decade; the simulator's diode
// and LED; zeners from 2.7 to 4.7 V.
inline std::vector<LabelledPart> RangeAdviceParts() {
  using kvtsim::ComponentKind;
  std::vector<LabelledPart> parts;
  for (int k = 0; k <= 20; ++k) {
    const double ohms = std::pow(10.0, 1 + k / 4.0);
    char name[48];
    std::snprintf(name, sizeof name, "resistor %.3g", ohms);
    parts.push_back({"resistor", name, {ComponentKind::Resistor, ohms}});
  }
  parts.push_back({"diode", "diode", {ComponentKind::Diode, 0}});
  for (double volts : {2.7, 3.0, 3.3, 3.6, 3.9, 4.3, 4.7}) {
    char name[32];
    std::snprintf(name, sizeof name, "zener %.1f", volts);
    parts.push_back({"zener", name, {ComponentKind::Zener, volts}});
  }
  parts.push_back({"LED", "LED", {ComponentKind::Led, 0}});
  return parts;
}

struct LabelledSweep {
  const LabelledPart* part = nullptr;
  int rangeOhms = 0;
  Curve sweep;                     // on rangeOhms
  std::vector<double> goodRanges;  // the label
  std::vector<double> detail;      // per range of InstrumentRanges()
  bool Right(std::optional<double> advice) const {
    const double ends = advice.value_or(rangeOhms);
    for (double r : goodRanges)
      if (r == ends) return true;
    return false;
  }
};

// Every part swept from every range with one noise seed, with the
// simulated instrument's own noise and stray readings.
inline std::vector<LabelledSweep> LabelledSweeps(const std::vector<LabelledPart>& parts, std::uint64_t seed,
                                                 int pointCount = 256) {
  std::vector<LabelledSweep> out;
  for (const LabelledPart& part : parts) {
    std::vector<Curve> sweeps;
    std::vector<double> detail;
    double best = 0;
    for (double ohms : InstrumentRanges()) {
      sweeps.push_back(SweepCurve(Sweep{part.component, static_cast<int>(ohms), pointCount, seed, 1.0, 0.02}));
      detail.push_back(ResolvedDetail(sweeps.back()));
      best = std::max(best, detail.back());
    }
    std::vector<double> good;
    for (std::size_t r = 0; r < detail.size(); ++r)
      if (2 * detail[r] >= best) good.push_back(InstrumentRanges()[r]);
    for (std::size_t r = 0; r < sweeps.size(); ++r)
      out.push_back({&part, static_cast<int>(InstrumentRanges()[r]), sweeps[r], good, detail});
  }
  return out;
}

}  // namespace kvt

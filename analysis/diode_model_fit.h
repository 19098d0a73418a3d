#pragma once
// A junction diode model that reproduces a measured curve: the forward
// junction and its series resistance, the reverse breakdown wherever the
// curve conducts in reverse, and a parallel path for leakage the curve shows.
#include <optional>

#include "core/curve.h"
#include "analysis/parameters.h"

namespace kvt {

struct DiodeBreakdown {
  double volts = 0.0;     // BV, positive
  double amps = 0.0;      // IBV, positive: the junction's own current at -BV
  double ideality = 1.0;  // NBV: how soft the knee is
};

struct DiodeModel {
  double saturationAmps = 0.0;  // IS
  double ideality = 0.0;        // N
  double seriesOhms = 0.0;      // RS
  std::optional<DiodeBreakdown> breakdown;
  std::optional<double> parallelOhms;  // the leakage path across the junction
};

// The model for a curve with a junction, whatever kind the analysis named:
// nothing for a part the parameters name an open, a short or a resistor, or
// a curve without forward conduction to fit. The breakdown is anchored at
// options.reverseAmps where the curve reaches it, otherwise at the far
// reverse end, the most reverse current the curve does reach.
std::optional<DiodeModel> FitDiodeModel(const Curve& curve, const PartParameters& parameters,
                                        const AnalysisOptions& options = {});

}  // namespace kvt

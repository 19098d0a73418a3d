#pragma once
// Each figure of a part as it can be stated: its value with the uncertainty
// the converter's steps, the range and the points' scatter allow, or, where
// the curve cannot support it, no value and the reason in words.
#include <optional>
#include <string>

#include "analysis/parameters.h"

namespace kvt {

struct ReportedFigure {
  std::optional<double> value;
  double uncertainty = 0.0;  // half-width, in the value's unit
  std::string note;          // why there is no value; empty when there is one
};

struct ReportedFigures {
  ReportedFigure forwardVolts, dynamicOhms, breakdownVolts, leakageAmps, resistance;
  ReportedFigure saturationAmps, ideality, seriesOhms;  // of the junction fit
  double breakdownAmps = 0.0;  // the current the breakdown voltage is given at
};

ReportedFigures ReportFigures(const Curve& curve, const PartParameters& parameters,
                              const AnalysisOptions& options);

// The current the analysis gave the breakdown at, when it says one.
inline std::optional<double> BreakdownAmpsOf(const PartParameters& p) {
  if (p.breakdownAmps && *p.breakdownAmps < 0) return p.breakdownAmps;
  return std::nullopt;
}

}  // namespace kvt

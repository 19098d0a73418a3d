#pragma once
// The parameters of a part as a person reads them: one labelled row each,
// numbers with their uncertainty and an SI prefix, a dash and the reason for
// what the curve cannot give. Shared by the command line and the window.
#include <string>
#include <vector>

#include "analysis/figure_uncertainty.h"
#include "analysis/parameters.h"

namespace kvt {

struct ParameterRow {
  std::string label;  // "forward voltage at 1 mA"
  std::string value;  // "652 ± 5 mV", or "— (why)" when the curve cannot give it
};

std::vector<ParameterRow> ParameterRows(const Curve& curve, const PartParameters& parameters,
                                        const AnalysisOptions& options);

// "652 mV", "1.03 mA", "4.7 kohm": three significant digits and an SI prefix.
std::string WithUnit(double value, const char* unit);

// "592 ± 5 mV": the uncertainty to one significant digit (two when it
// starts with 1 or 2) and the value to the same decimal place.
std::string WithUncertainty(double value, double uncertainty, const char* unit);

int ClippedCount(const Curve& curve);

}  // namespace kvt

#pragma once
// The parameters of a part as a person reads them: one labelled row each,
// numbers with an SI prefix, "-" for what the curve cannot give. Shared by
// the command line and the window.
#include <string>
#include <vector>

#include "analysis/parameters.h"

namespace kvt {

struct ParameterRow {
  std::string label;  // "forward voltage at 1 mA"
  std::string value;  // "652 mV", or "-" when absent
};

std::vector<ParameterRow> ParameterRows(const Curve& curve, const PartParameters& parameters,
                                        const AnalysisOptions& options);

// "652 mV", "1.03 mA", "4.7 kohm": three significant digits and an SI prefix.
std::string WithUnit(double value, const char* unit);

int ClippedCount(const Curve& curve);

}  // namespace kvt

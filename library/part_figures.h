#pragma once
// A part as the library keeps it: its number, lot, tags and time, and each
// figure of its analysis under the name kvt params --json gives it.
#include <optional>
#include <string>
#include <vector>

#include "analysis/figure_uncertainty.h"
#include "analysis/parameters.h"
#include "analysis/part_figures.h"
#include "core/curve.h"

namespace kvt {

struct PartFigure {
  std::string name;                   // "vf", "rd", ..., "shockley.is"
  std::optional<double> value;        // SI units
  std::optional<double> uncertainty;  // half-width, same unit; none without a value
  std::string note;                   // why there is no value
  bool operator==(const PartFigure&) const = default;
};

struct PartRecord {
  long long number = 0;  // given by the library when stored
  std::optional<std::string> lot;
  std::vector<std::string> tags;
  std::string measuredAt;      // "YYYY-MM-DD hh:mm:ss", the curve's time
  std::string programVersion;  // "kvt 1.2"
  std::string component;       // the kind of part: "diode", "resistor", ...
  int clipped = 0;             // points at either end of the converter
  bool junctionFit = false;    // the shockley.* figures come from a fit
  std::vector<PartFigure> figures;
  bool operator==(const PartRecord&) const = default;

  const PartFigure* Figure(const std::string& name) const;
};

// The parts' figures as columns by parameter name, for statistics, bins
// and matching; a figure without a value is a gap in its column.
PartTable TableOf(const std::vector<PartRecord>& records);

// The record of a curve's analysis (number, lot, tags and version unset).
PartRecord RecordOfCurve(const Curve& curve, const AnalysisOptions& options = {});

}  // namespace kvt

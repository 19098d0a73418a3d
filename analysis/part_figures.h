#pragma once
// One parameter's figures over a bag of parts, as the parts library holds
// them: a value with its uncertainty, or nothing where the part's curve
// could not give it.
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace kvt {

struct MeasuredFigure {
  double value = 0.0;
  double uncertainty = 0.0;  // half-width, in the value's unit
};

// One entry per part, in the parts' order.
using FigureColumn = std::vector<std::optional<MeasuredFigure>>;

// The columns by parameter name ("vf", "rd" ...), as `kvt params --json`
// names them; every column as long as the bag.
using PartTable = std::map<std::string, FigureColumn>;

// The parameters a part can have, with the unit a limit on it may be
// written in ("0.6", "600mV", "4.7kohm").
const std::map<std::string, std::string>& ParameterUnits();

}  // namespace kvt

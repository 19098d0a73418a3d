#pragma once
// One parameter's figures over a bag of parts, as the parts library holds
// them: a value with its uncertainty, or nothing where the part's curve
// could not give it.
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kvt {

struct MeasuredFigure {
  double value = 0.0;
  double uncertainty = 0.0;  // half-width, in the value's unit
};

// One entry per part, in the parts' order.
using FigureColumn = std::vector<std::optional<MeasuredFigure>>;

// The columns by parameter name ("vf", "rd", "shockley.is" ...), as
// `kvt params --json` names them; every column as long as the bag.
using PartTable = std::map<std::string, FigureColumn>;

struct PartParameter {
  const char* name;       // as kvt params --json names it
  const char* unit;       // SI, for people and for limits ("V", "ohm", "A", "")
  const char* shortName;  // what a user may type instead, or nullptr
};

// Every parameter a part can have, in the order kvt params --json gives them.
const std::vector<PartParameter>& AllPartParameters();

// The parameter a user's name means ("vf", "shockley.is" or its short "is"),
// or nullptr.
const PartParameter* FindPartParameter(std::string_view name);

// The names for a message: "vf, rd, ...".
std::string PartParameterList();

}  // namespace kvt

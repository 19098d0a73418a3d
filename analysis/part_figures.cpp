#include "analysis/part_figures.h"

namespace kvt {

const std::map<std::string, std::string>& ParameterUnits() {
  static const std::map<std::string, std::string> units{
      {"vf", "V"}, {"rd", "ohm"}, {"vbr", "V"}, {"leakage", "A"}, {"resistance", "ohm"},
      {"is", "A"}, {"n", ""},     {"rs", "ohm"}};
  return units;
}

}  // namespace kvt

#include "analysis/part_figures.h"

namespace kvt {

const std::vector<PartParameter>& AllPartParameters() {
  // The current the breakdown voltage is read at sits among them because
  // the analysis moves it on parts that never reach -1 mA.
  static const std::vector<PartParameter> parameters{
      {"vf", "V", nullptr},          {"rd", "ohm", nullptr},         {"vbr", "V", nullptr},
      {"leakage", "A", nullptr},     {"resistance", "ohm", nullptr}, {"vbr_amps", "A", nullptr},
      {"shockley.is", "A", "is"},    {"shockley.n", "", "n"},        {"shockley.rs", "ohm", "rs"}};
  return parameters;
}

const PartParameter* FindPartParameter(std::string_view name) {
  for (const PartParameter& p : AllPartParameters())
    if (name == p.name || (p.shortName && name == p.shortName)) return &p;
  return nullptr;
}

std::string PartParameterList() {
  std::string names;
  for (const PartParameter& p : AllPartParameters()) names += (names.empty() ? "" : ", ") + std::string(p.name);
  return names;
}

}  // namespace kvt

#pragma once
// Matched groups of parts: groups of N whose chosen parameters lie as close
// together as the bag allows, each group's spread per parameter, never
// claimed closer than the instrument resolves, and the parts left over.
#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "analysis/part_figures.h"

namespace kvt {

struct GroupOptions {
  std::vector<std::string> parameters;  // one or more names of the table
  int groupSize = 2;                    // 2 or more
  // Per parameter, what counts as one unit of closeness: a given tolerance
  // (0.02 for vf: 20 mV) or, where nothing is given, the parameter's own
  // standard deviation over the parts, so every parameter weighs alike.
  std::vector<std::optional<double>> tolerances;
  // Per parameter, the largest spread a group may have; groups beyond it
  // are given up and their parts listed apart.
  std::vector<std::optional<double>> maxSpreads;
};

struct GroupSpread {
  double spread = 0;      // largest minus smallest value, in the parameter's unit
  double resolution = 0;  // the two largest uncertainties of the group combined
  bool withinResolution = false;  // spread below resolution: "within resolution", not a number to trust
};

struct MatchedGroup {
  std::vector<std::size_t> parts;    // indices into the bag, by rising first parameter
  std::vector<GroupSpread> spreads;  // one per parameter
  double score = 0;  // largest spread over the parameters, each divided by its scale
};

struct LeftOver {
  std::size_t part = 0;
  std::string reason;  // "no rd", "left over", "group spread of vf above the limit"
};

struct Grouping {
  std::vector<MatchedGroup> groups;  // by rising score
  std::vector<LeftOver> unmatched;   // by rising part index
  std::vector<double> scales;        // the unit of closeness used per parameter
  double worstScore = 0, meanScore = 0;
};

// Groups by nearest neighbours in the scaled parameters, then swaps of parts
// between neighbouring groups (and with the parts left over) while a swap
// lowers the worse of the two groups' scores, or keeps it and lowers their
// sum. Throws std::invalid_argument for options that name no parameter of
// the table, or a group size below 2.
Grouping MatchGroups(const PartTable& table, std::size_t partCount, const GroupOptions& options);

// The plain way, for comparison: the parts sorted by the first parameter
// and cut into runs of N.
Grouping NeighbourGroups(const PartTable& table, std::size_t partCount, const GroupOptions& options);

}  // namespace kvt

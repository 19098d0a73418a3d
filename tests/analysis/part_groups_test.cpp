// Matched groups: who ends up with whom, what is left over and why, and the
// spreads as they may be claimed.
#include "analysis/part_groups.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <set>
#include <stdexcept>

#include "tests/analysis/part_bag.h"

namespace kvt {
namespace {

struct Part {
  double vf, rd;  // NaN: the part lacks it
  double vfUncertainty = 0.001;
};

PartTable TableOf(const std::vector<Part>& parts) {
  PartTable table;
  for (const Part& p : parts) {
    table["vf"].push_back(std::isnan(p.vf) ? std::nullopt : std::optional(MeasuredFigure{p.vf, p.vfUncertainty}));
    table["rd"].push_back(std::isnan(p.rd) ? std::nullopt : std::optional(MeasuredFigure{p.rd, 0.1}));
  }
  return table;
}

using Groups = std::set<std::set<std::size_t>>;

Groups GroupsOf(const Grouping& g) {
  Groups out;
  for (const auto& group : g.groups) out.insert(std::set<std::size_t>(group.parts.begin(), group.parts.end()));
  return out;
}

// Every part once, in a group or listed apart.
void ExpectEveryPartOnce(const Grouping& g, std::size_t partCount) {
  std::vector<int> seen(partCount, 0);
  for (const auto& group : g.groups)
    for (std::size_t p : group.parts) ++seen[p];
  for (const auto& left : g.unmatched) ++seen[left.part];
  EXPECT_EQ(std::count(seen.begin(), seen.end(), 1), static_cast<long>(partCount));
}

}  // namespace

TEST(PartGroups, WhoGoesWithWhom) {
  const struct {
    const char* name;
    std::vector<Part> parts;
    int groupSize;
    std::vector<std::optional<double>> tolerances, maxSpreads;
    Groups groups;
    std::vector<std::pair<std::size_t, const char*>> unmatched;  // part and a phrase of its reason
  } cases[] = {
      {"by both parameters, not by the first alone",
       {{0.600, 10}, {0.601, 50}, {0.602, 10}, {0.603, 50}}, 2, {}, {}, {{0, 2}, {1, 3}}, {}},
      {"a tolerance weighs a parameter: rd counts",
       {{0.600, 10}, {0.610, 10}, {0.600, 11}, {0.610, 11}}, 2, {0.02, 0.1}, {}, {{0, 1}, {2, 3}}, {}},
      {"a tolerance weighs a parameter: vf counts",
       {{0.600, 10}, {0.610, 10}, {0.600, 11}, {0.610, 11}}, 2, {0.001, 10}, {}, {{0, 2}, {1, 3}}, {}},
      {"the odd one out is the one far from the others",
       {{0.600, 10}, {0.601, 10}, {0.700, 30}, {0.800, 10}, {0.801, 10}}, 2, {}, {}, {{0, 1}, {3, 4}},
       {{2, "left over"}}},
      {"the outlier at the end is the one left",
       {{0.600, 10}, {0.601, 10}, {0.602, 10}, {0.603, 10}, {0.900, 10}}, 2, {}, {}, {{0, 1}, {2, 3}},
       {{4, "left over"}}},
      {"a part without rd is listed apart",
       {{0.600, 10}, {0.601, NAN}, {0.602, 10}}, 2, {}, {}, {{0, 2}}, {{1, "no rd"}}},
      {"quads from two clusters",
       {{0.60, 10}, {0.70, 20}, {0.601, 10.1}, {0.701, 20.1}, {0.602, 10.2}, {0.702, 20.2}, {0.603, 10.3},
        {0.703, 20.3}},
       4, {}, {}, {{0, 2, 4, 6}, {1, 3, 5, 7}}, {}},
      {"groups beyond the largest spread given up",
       {{0.600, 10}, {0.605, 10}, {0.700, 10}, {0.760, 10}}, 2, {}, {0.02}, {{0, 1}},
       {{2, "group spread of vf above the limit"}, {3, "group spread of vf above the limit"}}},
      {"too few parts for one group", {{0.600, 10}}, 2, {}, {}, {}, {{0, "left over"}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    GroupOptions options;
    options.parameters = {"vf", "rd"};
    options.groupSize = c.groupSize;
    options.tolerances = c.tolerances;
    options.maxSpreads = c.maxSpreads;
    const Grouping g = MatchGroups(TableOf(c.parts), c.parts.size(), options);
    EXPECT_EQ(GroupsOf(g), c.groups);
    ASSERT_EQ(g.unmatched.size(), c.unmatched.size());
    for (std::size_t i = 0; i < c.unmatched.size(); ++i) {
      EXPECT_EQ(g.unmatched[i].part, c.unmatched[i].first);
      EXPECT_NE(g.unmatched[i].reason.find(c.unmatched[i].second), std::string::npos) << g.unmatched[i].reason;
    }
    ExpectEveryPartOnce(g, c.parts.size());
  }
}

TEST(PartGroups, SpreadsNeverCloserThanResolved) {
  const struct {
    const char* name;
    Part a, b;
    double spread, resolution;
    bool within;
  } cases[] = {
      {"closer than the uncertainties", {0.6000, 10, 0.002}, {0.6010, 10, 0.002}, 0.001, std::hypot(0.002, 0.002), true},
      {"farther apart", {0.6000, 10, 0.002}, {0.6100, 10, 0.002}, 0.010, std::hypot(0.002, 0.002), false},
      {"the larger uncertainty rules", {0.6000, 10, 0.0005}, {0.6040, 10, 0.005}, 0.004, std::hypot(0.005, 0.0005),
       true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    GroupOptions options;
    options.parameters = {"vf"};
    const Grouping g = MatchGroups(TableOf({c.a, c.b}), 2, options);
    ASSERT_EQ(g.groups.size(), 1u);
    const GroupSpread& s = g.groups[0].spreads[0];
    EXPECT_NEAR(s.spread, c.spread, 1e-12);
    EXPECT_NEAR(s.resolution, c.resolution, 1e-12);
    EXPECT_EQ(s.withinResolution, c.within);
  }
}

TEST(PartGroups, PairsOfTwoParametersBeatSortingByTheFirst) {
  for (std::uint64_t seed : {1, 2, 3}) {
    SCOPED_TRACE(seed);
    const std::size_t count = 301;  // odd: one left over
    const PartTable bag = DiodeBag(count, seed);
    GroupOptions options;
    options.parameters = {"vf", "rd"};
    const Grouping mine = MatchGroups(bag, count, options);
    const Grouping plain = NeighbourGroups(bag, count, options);
    EXPECT_EQ(mine.groups.size(), 150u);
    ExpectEveryPartOnce(mine, count);
    EXPECT_LT(mine.worstScore, plain.worstScore / 2);
    EXPECT_LT(mine.meanScore, plain.meanScore);
    // The score is the largest scaled spread of each group.
    for (const auto& group : mine.groups) {
      const double scaled = std::max(group.spreads[0].spread / mine.scales[0], group.spreads[1].spread / mine.scales[1]);
      EXPECT_NEAR(group.score, scaled, 1e-9);
    }
  }
}

TEST(PartGroups, RefusesWhatItCannotMatchOn) {
  const PartTable bag = DiodeBag(4);
  const struct {
    const char* name;
    std::vector<std::string> parameters;
    int groupSize;
    const char* phrase;
  } cases[] = {
      {"no parameter", {}, 2, "no parameter to match on"},
      {"unknown parameter", {"vf", "vbr"}, 2, "no parameter \"vbr\""},
      {"groups of one", {"vf"}, 1, "2 parts or more"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    GroupOptions options;
    options.parameters = c.parameters;
    options.groupSize = c.groupSize;
    try {
      MatchGroups(bag, 4, options);
      ADD_FAILURE() << "taken";
    } catch (const std::invalid_argument& e) {
      EXPECT_NE(std::string(e.what()).find(c.phrase), std::string::npos) << e.what();
    }
  }
}

}  // namespace kvt

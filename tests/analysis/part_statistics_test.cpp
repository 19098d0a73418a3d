// Statistics, histogram and bins of one parameter over a bag of parts.
#include "analysis/part_statistics.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numeric>

#include "tests/analysis/part_bag.h"

namespace kvt {
namespace {

FigureColumn Column(std::initializer_list<double> values, double uncertainty = 0.001) {
  FigureColumn column;
  for (double v : values) {
    if (std::isnan(v)) column.push_back(std::nullopt);
    else column.push_back(MeasuredFigure{v, uncertainty});
  }
  return column;
}

constexpr double kNone = NAN;

}  // namespace

TEST(PartStatistics, SummaryOfABag) {
  const struct {
    const char* name;
    FigureColumn column;
    int count, missing;
    double mean, std, min, max, p5, p25, p50, p75, p95;
  } cases[] = {
      {"five in order", Column({1, 2, 3, 4, 5}), 5, 0, 3, std::sqrt(2.5), 1, 5, 1.2, 2, 3, 4, 4.8},
      {"five shuffled", Column({4, 1, 5, 3, 2}), 5, 0, 3, std::sqrt(2.5), 1, 5, 1.2, 2, 3, 4, 4.8},
      {"missing ones left out", Column({kNone, 2, kNone, 4}), 2, 2, 3, std::sqrt(2.0), 2, 4, 2.1, 2.5, 3, 3.5, 3.9},
      {"one part", Column({0.6}), 1, 0, 0.6, 0, 0.6, 0.6, 0.6, 0.6, 0.6, 0.6, 0.6},
      {"negative values", Column({-1, -3}), 2, 0, -2, std::sqrt(2.0), -3, -1, -2.9, -2.5, -2, -1.5, -1.1},
      {"an infinite value counts as missing", Column({1, INFINITY, 3}), 2, 1, 2, std::sqrt(2.0), 1, 3, 1.1, 1.5, 2,
       2.5, 2.9},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const auto s = Summarise(c.column);
    ASSERT_TRUE(s);
    EXPECT_EQ(s->count, c.count);
    EXPECT_EQ(s->missing, c.missing);
    const double got[] = {s->mean, s->std, s->min, s->max, s->p5, s->p25, s->p50, s->p75, s->p95};
    const double want[] = {c.mean, c.std, c.min, c.max, c.p5, c.p25, c.p50, c.p75, c.p95};
    const char* names[] = {"mean", "std", "min", "max", "p5", "p25", "p50", "p75", "p95"};
    for (int i = 0; i < 9; ++i) EXPECT_NEAR(got[i], want[i], 1e-12) << names[i];
    EXPECT_EQ(std::accumulate(s->histogram.counts.begin(), s->histogram.counts.end(), 0), c.count);
  }
  EXPECT_FALSE(Summarise({}));
  EXPECT_FALSE(Summarise(Column({kNone, kNone})));
}

TEST(PartStatistics, HistogramBins) {
  const PartTable bag = DiodeBag(1000, 7);
  std::vector<double> vf;
  for (const auto& f : bag.at("vf")) vf.push_back(f->value);
  const struct {
    const char* name;
    std::vector<double> values;
    double finest;
    int maxBins;
    double minWidth, maxWidth;  // the width the rule should give
  } cases[] = {
      // 2 IQR / cbrt(1000) of a 12 mV normal spread: 2 * 16.2 mV / 10 = 3.2 mV, rounded up to 5 mV
      {"Freedman-Diaconis on a normal bag", vf, 1e-4, 60, 0.005, 0.005},
      {"never finer than the uncertainty", vf, 0.006, 60, 0.006, 0.010},
      {"a width that would give too many bins is widened", vf, 1e-4, 5, 0.02, 0.05},
      {"values bunched in the middle still binned", {1, 5, 5, 5, 5, 5, 5, 5, 9}, 0, 60, 1, 5},
      {"all alike", {0.6, 0.6, 0.6}, 0.002, 60, 0.002, 0.002},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const Histogram h = MakeHistogram(c.values, c.finest, c.maxBins);
    ASSERT_GE(h.edges.size(), 2u);
    ASSERT_EQ(h.counts.size(), h.edges.size() - 1);
    EXPECT_LE(static_cast<int>(h.counts.size()), c.maxBins);
    const double width = h.edges[1] - h.edges[0];
    EXPECT_GE(width, c.minWidth * (1 - 1e-9));
    EXPECT_LE(width, c.maxWidth * (1 + 1e-9));
    const auto [lo, hi] = std::minmax_element(c.values.begin(), c.values.end());
    EXPECT_LE(h.edges.front(), *lo);
    EXPECT_GE(h.edges.back(), *hi);
    // Every value in the bin its edges say.
    std::vector<int> recount(h.counts.size(), 0);
    for (double v : c.values) {
      std::size_t i = 0;
      while (i + 1 < h.counts.size() && v >= h.edges[i + 1]) ++i;
      ++recount[i];
    }
    EXPECT_EQ(recount, h.counts);
  }
}

TEST(PartStatistics, BinTexts) {
  using Op = BinLimit::Op;
  const struct {
    const char* name;
    const char* text;
    std::vector<BinLimit> limits;
    const char* refusal;  // a phrase of the reason; empty when taken
  } cases[] = {
      {"one limit", "vf<0.6", {{"vf", Op::Less, 0.6}}, ""},
      {"with a unit and blanks", " vf >= 600mV ", {{"vf", Op::GreaterEqual, 0.6}}, ""},
      {"number first, mirrored", "30>rd", {{"rd", Op::Less, 30}}, ""},
      {"two-sided", "0.6<=vf<0.62", {{"vf", Op::GreaterEqual, 0.6}, {"vf", Op::Less, 0.62}}, ""},
      {"two-sided falling", "0.62>vf>=0.6", {{"vf", Op::Less, 0.62}, {"vf", Op::GreaterEqual, 0.6}}, ""},
      {"two parameters", "0.6<=vf<0.62,rd<30",
       {{"vf", Op::GreaterEqual, 0.6}, {"vf", Op::Less, 0.62}, {"rd", Op::Less, 30}}, ""},
      {"prefixed ohms", "rd<4.7kohm", {{"rd", Op::Less, 4700}}, ""},
      // The fit's figures are stored under the names kvt params --json gives.
      {"fit figure by its short name", "is<2nA", {{"shockley.is", Op::Less, 2e-9}}, ""},
      {"fit figure by its full name", "shockley.n>=1.5", {{"shockley.n", Op::GreaterEqual, 1.5}}, ""},
      {"no sign", "vf", {}, "has no < or >"},
      {"empty", "  ", {}, "an empty bin"},
      {"unknown name", "vx<0.6", {}, "no parameter \"vx\"; one of"},
      {"no name", "0.5<0.6", {}, "names no parameter"},
      {"bad number", "vf<0.6x", {}, "\"0.6x\" is not a number of V"},
      {"missing number", "vf<", {}, "lacks a name or a number"},
      {"empty limit after a comma", "vf<0.6,", {}, "an empty limit beside a comma"},
      {"two names", "vf<rd", {}, "compares two parameters"},
      {"signs both ways", "0.6<vf>0.5", {}, "point the same way"},
      {"name at the end of a two-sided", "0.6<0.7<vf", {}, "stands between the numbers"},
      {"three comparisons", "0.5<vf<0.6<0.7", {}, "more than two comparisons"},
      {"empty range", "0.62<=vf<0.6", {}, "lower limit is not below its upper"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::string error;
    const auto bin = ParseBin(c.text, &error);
    if (*c.refusal) {
      ASSERT_FALSE(bin);
      EXPECT_NE(error.find(c.refusal), std::string::npos) << error;
      EXPECT_EQ(error.rfind("bin \"", 0), 0u) << error;
      continue;
    }
    ASSERT_TRUE(bin) << error;
    ASSERT_EQ(bin->limits.size(), c.limits.size());
    for (std::size_t i = 0; i < c.limits.size(); ++i) {
      EXPECT_EQ(bin->limits[i].parameter, c.limits[i].parameter);
      EXPECT_EQ(bin->limits[i].op, c.limits[i].op) << i;
      EXPECT_DOUBLE_EQ(bin->limits[i].value, c.limits[i].value);
    }
  }
}

TEST(PartStatistics, EachPartsBin) {
  std::string error;
  const auto bins = ParseBins("vf<0.6; 0.6<=vf<0.62,rd<30; 0.6<=vf<0.62", &error);
  ASSERT_TRUE(bins) << error;
  ASSERT_EQ(bins->size(), 3u);
  const struct {
    const char* name;
    double vf, rd;  // NaN: the part lacks it
    int bin;
    bool nearLimit;
  } cases[] = {
      {"low", 0.55, 40, 0, false},
      {"first bin's limit is exclusive", 0.6, 20, 1, true},
      {"both limits hold", 0.61, 20, 1, false},
      {"rd too high for the second: the third", 0.61, 35, 2, false},
      {"within its uncertainty of a limit", 0.6195, 20, 1, true},
      {"above all", 0.65, 20, -1, false},
      {"without vf: no bin", NAN, 20, -1, false},
      {"without rd: only the bins not asking for it", 0.61, NAN, 2, false},
  };
  PartTable table;
  for (const auto& c : cases) {
    table["vf"].push_back(std::isnan(c.vf) ? std::nullopt : std::optional(MeasuredFigure{c.vf, 0.001}));
    table["rd"].push_back(std::isnan(c.rd) ? std::nullopt : std::optional(MeasuredFigure{c.rd, 0.5}));
  }
  const BinCounts counted = AssignBins(*bins, table, std::size(cases));
  int unbinned = 0;
  std::vector<int> counts(3, 0);
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    SCOPED_TRACE(cases[i].name);
    EXPECT_EQ(counted.parts[i].bin, cases[i].bin);
    EXPECT_EQ(counted.parts[i].nearLimit, cases[i].nearLimit);
    if (cases[i].bin < 0) ++unbinned;
    else ++counts[cases[i].bin];
  }
  EXPECT_EQ(counted.counts, counts);
  EXPECT_EQ(counted.unbinned, unbinned);

  EXPECT_FALSE(ParseBins("vf<0.6;;rd<3", &error));
  EXPECT_NE(error.find("an empty bin"), std::string::npos) << error;
}

}  // namespace kvt

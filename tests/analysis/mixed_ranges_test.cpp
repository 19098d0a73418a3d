// Curves whose points come from several ranges: each point resolved on its
// own range, each figure's error as the range it was read on allows.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "analysis/comparison.h"
#include "analysis/figure_uncertainty.h"
#include "analysis/resolution.h"
#include "simulated_sweep.h"
#include "stitched_by_hand.h"

namespace kvt {
namespace {

using kvtsim::Component;
using kvtsim::ComponentKind;

Curve Stitched(const Component& part, const std::vector<int>& ranges, std::uint64_t seed = 1) {
  std::vector<Curve> sweeps;
  for (int ohms : ranges) sweeps.push_back(SweepCurve(Sweep{part, ohms, 256, seed++}));
  return StitchedByHand(sweeps);
}

// The bound a "below the resolution, under 550 nA either way" note gives, in amperes.
std::optional<double> BoundOf(const std::string& note) {
  double value = 0;
  char prefix = 0;
  const auto at = note.find("under ");
  if (at == std::string::npos || std::sscanf(note.c_str() + at, "under %lf %cA", &value, &prefix) != 2)
    return std::nullopt;
  switch (prefix) {
    case 'n': return value * 1e-9;
    case 'u': return value * 1e-6;
    case 'm': return value * 1e-3;
    default: return std::nullopt;
  }
}

// A stitched curve's leakage at -1 V is bounded by the finest range swept,
// about one step of it, however coarse the ranges that carry its forward
// side; the part is named as on one range and its forward voltage kept.
TEST(MixedRanges, LeakageIsResolvedToTheFinestRangeSwept) {
  const AnalysisOptions o;
  const struct {
    const char* name;
    Component part;
    std::vector<int> ranges;
    PartKind kind;
    double boundAbove, boundBelow;  // where the leakage's bound must lie
  } cases[] = {
      {"diode on 10k, 1k and 100", {ComponentKind::Diode, 0}, {10000, 1000, 100}, PartKind::Diode, 0.2e-6, 2e-6},
      {"3.3 V zener on 10k, 1k and 100", {ComponentKind::Zener, 3.3}, {10000, 1000, 100}, PartKind::Zener, 0.2e-6, 2e-6},
      {"LED on 10k, 1k and 100", {ComponentKind::Led, 0}, {10000, 1000, 100}, PartKind::Led, 0.2e-6, 2e-6},
      {"diode on 1k and 100", {ComponentKind::Diode, 0}, {1000, 100}, PartKind::Diode, 2e-6, 20e-6},
      {"diode on 100 alone", {ComponentKind::Diode, 0}, {100}, PartKind::Diode, 20e-6, 200e-6},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const Curve curve = Stitched(c.part, c.ranges);
    const PartParameters p = AnalysePart(curve, o);
    EXPECT_EQ(p.kind, c.kind);
    const ReportedFigures f = ReportFigures(curve, p, o);
    EXPECT_FALSE(f.leakageAmps.value) << *f.leakageAmps.value;
    const auto bound = BoundOf(f.leakageAmps.note);
    ASSERT_TRUE(bound) << f.leakageAmps.note;
    EXPECT_GT(*bound, c.boundAbove) << f.leakageAmps.note;
    EXPECT_LT(*bound, c.boundBelow) << f.leakageAmps.note;
    ASSERT_TRUE(f.forwardVolts.value) << f.forwardVolts.note;
    EXPECT_LT(f.forwardVolts.uncertainty, 0.015);
  }
}

TEST(Resolution, EachPointOnItsOwnRangeAndTheWholeCurveOnTheCoarsest) {
  const std::optional<double> none;
  const struct {
    const char* name;
    std::vector<std::optional<double>> ranges;
    double wholeCurveAmps;  // 0: estimated from the points
  } cases[] = {
      {"one range", {1000.0, 1000.0, 1000.0}, 1e-5},
      {"three ranges: the coarsest", {10000.0, 1000.0, 100.0}, 1e-4},
      {"two ranges", {10000.0, 10000.0, 1000.0}, 1e-5},
      {"a point of unknown range", {10000.0, none, 100.0}, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Curve curve;
    for (std::size_t i = 0; i < c.ranges.size(); ++i) curve.points.push_back({0.1 * i, 1e-3 * i, false, c.ranges[i]});
    const Resolution r = ResolutionOf(curve);
    if (c.wholeCurveAmps > 0) {
      EXPECT_DOUBLE_EQ(r.amps, c.wholeCurveAmps);
    } else {
      EXPECT_DOUBLE_EQ(r.amps, 1e-3 * 2e-3);  // a thousandth of the largest current
    }
    for (std::size_t i = 0; i < c.ranges.size(); ++i) {
      const auto step = AmpsStepOf(curve.points[i]);
      EXPECT_EQ(step.has_value(), c.ranges[i].has_value());
      if (step) {
        EXPECT_DOUBLE_EQ(*step, 0.01 / *c.ranges[i]);
      }
    }
  }
}

// A comparison of stitched curves takes the coarsest range's step and says
// so, rather than calling it estimated from the scatter.
TEST(MixedRanges, ComparisonNamesTheRangeOfItsStep) {
  const Component diode{ComponentKind::Diode, 0};
  const Curve a = Stitched(diode, {10000, 1000, 100}, 1), b = Stitched(diode, {10000, 1000, 100}, 11);
  const Comparison c = CompareCurves(a, b);
  ASSERT_TRUE(c.rangeOhms);
  EXPECT_EQ(*c.rangeOhms, 100.0);
  EXPECT_DOUBLE_EQ(c.toleranceAmps, 3 * 1e-4);
  EXPECT_TRUE(c.pass);
}

TEST(Resolution, TheRangeWhereTheCurveIsRead) {
  Curve curve;
  curve.points = {{-1.02, -3e-9, false, 10000.0}, {-0.98, -2e-9, false, 10000.0}, {0.55, 4e-4, false, 10000.0},
                  {0.65, 3e-3, false, 1000.0},   {0.8, 0.04, false, 100.0},      {5.11, 0.05, true, 100.0},
                  {0.9, 0.045, false, 1000.0}};
  const struct {
    const char* name;
    bool byVolts;
    double at;
    double ohms;
  } cases[] = {
      {"-1 V: the 10k points", true, -1.0, 10000},
      {"0.62 V: nearest is on 1k", true, 0.62, 1000},
      {"5 V: the clipped point does not count", true, 5.0, 1000},
      {"1 mA: 10k stops short, 1k carries it", false, 1e-3, 1000},
      {"0.3 mA: 10k carries it", false, 3e-4, 10000},
      {"42 mA: only 1k carries it", false, 0.042, 1000},
      {"48 mA: beyond every point, the nearest (on 1k)", false, 0.048, 1000},
      {"-1 mA: the only reverse currents are on 10k", false, -1e-3, 10000},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const Curve part = c.byVolts ? OneRangeNearVolts(curve, c.at) : OneRangeNearAmps(curve, c.at);
    ASSERT_FALSE(part.empty());
    EXPECT_EQ(part.RangeOhms(), c.ohms);
    std::size_t expected = 0;
    for (const CurvePoint& p : curve.points) expected += p.rangeOhms == c.ohms;
    EXPECT_EQ(part.points.size(), expected);
  }
  // A curve of one range is read whole.
  const Curve one = CurveFromPairs({{0.1, 1e-3}, {0.2, 2e-3}}, 1000.0);
  EXPECT_EQ(OneRangeNearVolts(one, 5.0), one);
}

}  // namespace
}  // namespace kvt

// One curve from the sweeps of a part on all three ranges: every reading
// kept on the range that resolves it best, the ranges' mismatch measured
// where they overlap.
#include "analysis/range_stitching.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>

#include "tests/analysis/simulated_sweep.h"

namespace kvt {

namespace {

using kvtsim::Component;
using kvtsim::ComponentKind;

std::vector<Curve> ThreeRanges(const Component& part, double noise = 1.0, std::uint64_t seed = 3) {
  std::vector<Curve> sweeps;
  for (int ohms : {10000, 1000, 100}) sweeps.push_back(SweepCurve({part, ohms, 256, seed++, noise}));
  return sweeps;
}

// The largest current of the curve on the side of `sign` (+1 forward, -1
// reverse), as a size; both sides for 0.
double LargestAmps(const Curve& c, int sign = 0) {
  double largest = 0;
  for (const CurvePoint& p : UsablePoints(c))
    if (sign == 0 || p.amps * sign > 0) largest = std::max(largest, std::abs(p.amps));
  return largest;
}

}  // namespace

// Small currents come from the 10 kohm range, large ones from 100 ohms, the
// stitched curve reaches from the finest step to the coarsest full scale, and
// every point is a reading as it was taken, in order of voltage.
TEST(RangeStitching, EachReadingComesFromTheRangeThatResolvesItBest) {
  struct Case {
    const char* name;
    Component part;
    double reachesAmps;  // the largest current, at least
  };
  const Case cases[] = {
      {"diode", {ComponentKind::Diode, 0}, 0.040},
      {"zener 3.3", {ComponentKind::Zener, 3.3}, 0.040},
      {"LED", {ComponentKind::Led, 0}, 0.025},
      {"resistor 4.7k", {ComponentKind::Resistor, 4700}, 0.00105},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::vector<Curve> sweeps = ThreeRanges(c.part);
    const StitchedCurve stitched = StitchRanges(sweeps);
    const Curve& curve = stitched.curve;

    std::map<double, int> perRange;
    double smallest = INFINITY;
    for (const CurvePoint& p : curve.points) {
      ASSERT_TRUE(p.rangeOhms);
      ++perRange[*p.rangeOhms];
      const Curve& own = sweeps[*p.rangeOhms == 10000 ? 0 : *p.rangeOhms == 1000 ? 1 : 2];
      EXPECT_NE(std::find(own.points.begin(), own.points.end(), p), own.points.end()) << p.volts;
      if (p.clipped) continue;
      if (p.amps != 0) smallest = std::min(smallest, std::abs(p.amps));
      const int side = p.amps < 0 ? -1 : 1;
      const double reach10k = LargestAmps(sweeps[0], side), reach1k = LargestAmps(sweeps[1], side);
      // Well inside the reach of a finer range, a coarser reading has no place.
      if (std::abs(p.amps) < 0.8 * reach10k) {
        EXPECT_EQ(*p.rangeOhms, 10000) << p.volts << " V " << p.amps << " A";
      } else if (std::abs(p.amps) < 0.8 * reach1k) {
        EXPECT_GE(*p.rangeOhms, 1000) << p.volts << " V " << p.amps << " A";
      }
      if (std::abs(p.amps) > 1.2 * reach1k) {
        EXPECT_EQ(*p.rangeOhms, 100) << p.volts << " V " << p.amps << " A";
      }
    }
    EXPECT_EQ(perRange.size(), 3u);
    EXPECT_LE(smallest, 1.5e-6);
    EXPECT_GE(LargestAmps(curve), c.reachesAmps);
    EXPECT_TRUE(std::is_sorted(curve.points.begin(), curve.points.end(),
                               [](const CurvePoint& a, const CurvePoint& b) { return a.volts < b.volts; }));
    EXPECT_EQ(curve.info.pointCount, static_cast<int>(curve.points.size()));
    // A clipped end is read on every range alike: it is kept once.
    std::map<double, int> clippedAt;
    for (const CurvePoint& p : curve.points)
      if (p.clipped) ++clippedAt[*p.rangeOhms];
    EXPECT_LE(clippedAt.size(), 1u);
  }
}

// The mismatch is what lies to one side of the finer range's curve, in steps
// of the coarser range: a reading shifted by a known current is found at its
// distance from the line, noise alone at well under a step, and ranges that
// share no readings say so.
TEST(RangeStitching, MismatchIsMeasuredInStepsOfTheCoarserRange) {
  const Component resistor{ComponentKind::Resistor, 4700};
  // On the 4.7 kohm line a shift of n steps of current lies n * cos(atan(0.213)) steps off.
  const double slope = (AdcStepVolts / 4700) / (AdcStepVolts / 1000);
  const double across = 1 / std::sqrt(1 + slope * slope);
  struct Case {
    const char* name;
    double noise;
    double shiftSteps;  // added to every 1 kohm current, in its steps
    double low, high;   // the 10k vs 1k figure lies within
  };
  const Case cases[] = {
      {"noiseless, no shift", 0, 0, 0, 0.05},
      {"noise of one code, no shift", 1, 0, 0, 0.5},
      {"3 steps more", 0, 3, 3 * across - 0.1, 3 * across + 0.1},
      {"3 steps less", 0, -3, 3 * across - 0.1, 3 * across + 0.1},
      {"1.5 steps more, with noise", 1, 1.5, 1.5 * across - 0.4, 1.5 * across + 0.4},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<Curve> sweeps = ThreeRanges(resistor, c.noise);
    for (CurvePoint& p : sweeps[1].points) p.amps += c.shiftSteps * AdcStepVolts / 1000;
    const StitchedCurve stitched = StitchRanges(sweeps);
    ASSERT_EQ(stitched.mismatches.size(), 2u);
    const RangeMismatch& m = stitched.mismatches[0];
    EXPECT_EQ(m.finerOhms, 10000);
    EXPECT_EQ(m.coarserOhms, 1000);
    EXPECT_GT(m.points, 10);
    ASSERT_TRUE(m.steps);
    EXPECT_GE(*m.steps, c.low);
    EXPECT_LE(*m.steps, c.high);
    EXPECT_EQ(stitched.mismatches[1].coarserOhms, 100);
  }
}

// Parts of every kind measured alike on the three ranges agree within a step
// where their ranges overlap.
TEST(RangeStitching, SimulatedPartsAgreeWithinAStepWhereRangesOverlap) {
  const struct {
    const char* name;
    Component part;
  } cases[] = {{"diode", {ComponentKind::Diode, 0}},
               {"zener 3.3", {ComponentKind::Zener, 3.3}},
               {"LED", {ComponentKind::Led, 0}},
               {"resistor 4.7k", {ComponentKind::Resistor, 4700}}};
  for (const auto& c : cases)
    for (std::uint64_t seed : {1, 7, 21}) {
      SCOPED_TRACE(std::string(c.name) + " seed " + std::to_string(seed));
      const StitchedCurve stitched = StitchRanges(ThreeRanges(c.part, 1.0, seed));
      ASSERT_EQ(stitched.mismatches.size(), 2u);
      for (const RangeMismatch& m : stitched.mismatches) {
        ASSERT_TRUE(m.steps) << MismatchText(m);
        EXPECT_LE(*m.steps, 1.0) << MismatchText(m);
      }
    }
}

// Ranges whose readings share no span are reported as such; points of no
// known range stay in the curve untouched.
TEST(RangeStitching, RangesWithoutOverlapAndPointsOfUnknownRange) {
  Curve fine = CurveFromPairs({{0.00, 0.0}, {0.05, 1e-6}, {0.10, 2e-6}}, 10000);
  Curve coarse = CurveFromPairs({{1.0, 1e-3}, {1.5, 2e-3}, {2.0, 3e-3}}, 100);
  Curve unknown = CurveFromPairs({{0.05, 5e-3}});
  const StitchedCurve stitched = StitchRanges({fine, coarse, unknown});
  ASSERT_EQ(stitched.mismatches.size(), 1u);
  EXPECT_FALSE(stitched.mismatches[0].steps);
  EXPECT_EQ(MismatchText(stitched.mismatches[0]), "10k vs 100: no overlap");
  EXPECT_EQ(stitched.curve.points.size(), 7u);
  EXPECT_EQ(std::count(stitched.curve.points.begin(), stitched.curve.points.end(), unknown.points[0]), 1);
}

TEST(RangeStitching, MismatchTexts) {
  struct Case {
    RangeMismatch mismatch;
    const char* text;
  };
  const Case cases[] = {
      {{1000, 100, 12, 0.44}, "1k vs 100: 0.4 steps"},
      {{10000, 1000, 30, 1.25}, "10k vs 1k: 1.2 steps"},
      {{10000, 100, 0, std::nullopt}, "10k vs 100: no overlap"},
  };
  for (const Case& c : cases) EXPECT_EQ(MismatchText(c.mismatch), c.text);
  EXPECT_EQ(MismatchSummary({cases[0].mismatch, cases[1].mismatch}), "1k vs 100: 0.4 steps; 10k vs 1k: 1.2 steps");
}

}  // namespace kvt

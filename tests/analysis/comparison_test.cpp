// Comparing a curve with a reference: same part, other part, other tolerance.
#include "analysis/comparison.h"

#include <gtest/gtest.h>

#include <ostream>

#include <string>

#include "simulated_sweep.h"

namespace kvt {
namespace {

using kvtsim::Component;
using kvtsim::ComponentKind;

const Component Diode{ComponentKind::Diode, 0};
const Component Led{ComponentKind::Led, 0};
const Component Zener3v3{ComponentKind::Zener, 3.3};
const Component Zener3v6{ComponentKind::Zener, 3.6};
const Component R1k{ComponentKind::Resistor, 1000};
const Component R1k05{ComponentKind::Resistor, 1050};

struct CompareCase {
  const char* name;
  Sweep curve;
  Sweep reference;
  CompareOptions options;
  bool pass;
  double minScore, maxScore;
};
void PrintTo(const CompareCase& c, std::ostream* os) { *os << c.name; }

class CompareTest : public testing::TestWithParam<CompareCase> {};

TEST_P(CompareTest, ScoresAndJudges) {
  const CompareCase& c = GetParam();
  const Comparison r = CompareCurves(SweepCurve(c.curve), SweepCurve(c.reference), c.options);
  EXPECT_EQ(r.pass, c.pass) << r.score;
  EXPECT_GE(r.score, c.minScore);
  EXPECT_LE(r.score, c.maxScore);
  // Differences are reported exactly when there are points outside.
  EXPECT_EQ(r.outside.empty(), r.score == 100);
}

CompareOptions Percent(double p) {
  CompareOptions o;
  o.percent = p;
  return o;
}

INSTANTIATE_TEST_SUITE_P(
    Curves, CompareTest,
    testing::Values(
        CompareCase{"IdenticalDiode", {Diode}, {Diode}, {}, true, 100, 100},
        CompareCase{"IdenticalResistor32", {R1k, 1000, 32}, {R1k, 1000, 32}, {}, true, 100, 100},
        CompareCase{"DiodeMeasuredTwice", {Diode, 1000, 1024, 1}, {Diode, 1000, 1024, 2}, {}, true, 97, 100},
        CompareCase{"ZenerMeasuredTwice", {Zener3v3, 1000, 256, 3}, {Zener3v3, 1000, 256, 4}, {}, true, 97, 100},
        CompareCase{"ResistorTwiceOn10k", {R1k, 10000, 512, 5}, {R1k, 10000, 512, 6}, {}, true, 97, 100},
        CompareCase{"DiodeAgainstResistor", {Diode}, {R1k}, {}, false, 0, 20},
        CompareCase{"LedAgainstDiode", {Led}, {Diode}, {}, false, 0, 60},
        CompareCase{"ZenerVoltagesDiffer", {Zener3v6, 1000, 1024, 2}, {Zener3v3}, {}, false, 0, 94},
        CompareCase{"FivePercentResistorFailsInSteps", {R1k05, 1000, 1024, 2}, {R1k}, {}, false, 0, 80},
        CompareCase{"FivePercentResistorPassesTenPercent", {R1k05, 1000, 1024, 2}, {R1k}, Percent(10), true, 100, 100},
        CompareCase{"FivePercentResistorFailsOnePercent", {R1k05, 1000, 1024, 2}, {R1k}, Percent(1), false, 20, 90}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Compare, ToleranceFollowsTheRangeOrTheNoise) {
  const Comparison known = CompareCurves(SweepCurve({R1k, 1000}), SweepCurve({R1k, 1000}));
  EXPECT_DOUBLE_EQ(known.toleranceVolts, 0.03);
  EXPECT_DOUBLE_EQ(known.toleranceAmps, 3 * 0.01 / 1000);
  // Without the range the step comes from the curves' scatter: close to it.
  const Comparison guessed = CompareCurves(SweepCurve({R1k, 1000}, false), SweepCurve({R1k, 1000, 1024, 2}, false));
  EXPECT_GT(guessed.toleranceAmps, 0.3 * known.toleranceAmps);
  EXPECT_LT(guessed.toleranceAmps, 3 * known.toleranceAmps);
  EXPECT_TRUE(guessed.pass);
}

TEST(Compare, ReportsWhereTheCurvesDiffer) {
  // Zeners of 3.3 V and 3.6 V agree everywhere but between their knees.
  const Comparison r = CompareCurves(SweepCurve({Zener3v6, 1000, 1024, 2}), SweepCurve({Zener3v3}));
  ASSERT_FALSE(r.outside.empty());
  for (const VoltageInterval& i : r.outside) {
    EXPECT_LE(i.fromVolts, i.toVolts);
    EXPECT_GT(i.fromVolts, -3.75);
    EXPECT_LT(i.toVolts, -3.15);
  }
  ASSERT_TRUE(r.worst);
  EXPECT_GT(r.worst->bands, 5);
  EXPECT_LT(r.worst->volts, -3.2);
  EXPECT_GT(r.worst->volts, -3.7);
}

TEST(Compare, APartOfTheReferenceMissingCountsAgainstTheCurve) {
  // Only the resistor's forward half: every point lies on the reference,
  // but half of the reference has nothing near it.
  const Curve full = SweepCurve({R1k});
  Curve half = full;
  std::erase_if(half.points, [](const CurvePoint& p) { return p.volts < 0; });
  for (const auto& [curve, reference] : {std::pair{half, full}, std::pair{full, half}}) {
    const Comparison r = CompareCurves(curve, reference);
    EXPECT_FALSE(r.pass);
    EXPECT_NEAR(r.score, 100.0 * 2 / 3, 2);  // 512 + 512 of 512 + 1024 points
    ASSERT_EQ(r.outside.size(), 1u);
    EXPECT_LT(r.outside[0].toVolts, -0.01);
    EXPECT_GT(r.outside[0].fromVolts, -2.6);
  }
}

TEST(Compare, NothingToCompareFails) {
  const Comparison r = CompareCurves(Curve{}, SweepCurve({Diode}));
  EXPECT_FALSE(r.pass);
  EXPECT_EQ(r.score, 0);
  EXPECT_FALSE(r.worst);
}

}  // namespace
}  // namespace kvt

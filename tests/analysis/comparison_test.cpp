// Comparing a curve with a reference: same part, other part, other tolerance.
#include "analysis/comparison.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <ostream>
#include <utility>
#include <vector>

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

CompareOptions Band(double volts, double amps) {
  CompareOptions o;
  o.volts = volts;
  o.amps = amps;
  o.percent = 50;  // a given band wins over a percentage
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
        CompareCase{"FivePercentResistorFailsOnePercent", {R1k05, 1000, 1024, 2}, {R1k}, Percent(1), false, 20, 90},
        // 5 % of 1 kohm is up to 250 uA at 5 V: a 300 uA band takes it in,
        // a 50 uA band (20 mV across) does not.
        CompareCase{"FivePercentResistorPassesAWideBand", {R1k05, 1000, 1024, 2}, {R1k}, Band(0.02, 300e-6), true, 97,
                    100},
        CompareCase{"FivePercentResistorFailsANarrowBand", {R1k05, 1000, 1024, 2}, {R1k}, Band(0.02, 50e-6), false, 0,
                    80},
        CompareCase{"DiodeMeasuredTwicePassesInSteps", {Diode, 1000, 1024, 1}, {Diode, 1000, 1024, 2},
                    Band(0.03, 30e-6), true, 97, 100}),
    [](const auto& info) { return std::string(info.param.name); });

// The same part measured with any two point counts, with the simulator's
// noise and stray readings: a sparse curve's chords cut corners the dense
// curve follows, and that must not fail a good part.
struct DensityCase {
  const char* name;
  Component part;
  int rangeOhms;
};
void PrintTo(const DensityCase& c, std::ostream* os) { *os << c.name; }

class CompareDensityTest : public testing::TestWithParam<DensityCase> {};

TEST_P(CompareDensityTest, SamePartPassesAtAnyTwoPointCounts) {
  const DensityCase& c = GetParam();
  const int counts[] = {32, 64, 128, 256, 512, 1024};
  std::uint64_t seed = 10;
  for (int a : counts) {
    for (int b : counts) {
      if (b < a) continue;
      const Curve curve = SweepCurve({c.part, c.rangeOhms, a, seed++, 1.0, 0.02});
      const Curve reference = SweepCurve({c.part, c.rangeOhms, b, seed++, 1.0, 0.02});
      for (const auto& [x, y] : {std::pair{&curve, &reference}, std::pair{&reference, &curve}}) {
        const Comparison r = CompareCurves(*x, *y);
        EXPECT_TRUE(r.pass) << a << " against " << b << ": " << r.score;
        EXPECT_GE(r.score, 97) << a << " against " << b;
      }
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Parts, CompareDensityTest,
                         testing::Values(DensityCase{"Diode", Diode, 1000}, DensityCase{"Led", Led, 1000},
                                         DensityCase{"Zener3v3", Zener3v3, 1000},
                                         DensityCase{"Resistor1k", R1k, 1000},
                                         DensityCase{"Resistor1kOn10k", R1k, 10000},
                                         DensityCase{"DiodeOn100", Diode, 100}),
                         [](const auto& info) { return std::string(info.param.name); });

// Other parts still fail when one curve is sparse: a bend's leeway between
// two far points does not reach the other part's curve.
INSTANTIATE_TEST_SUITE_P(
    SparseCurves, CompareTest,
    testing::Values(
        CompareCase{"Diode32AgainstResistor", {Diode, 1000, 32, 1, 1, 0.02}, {R1k, 1000, 1024, 2, 1, 0.02}, {}, false, 0, 20},
        CompareCase{"DiodeAgainstResistor32", {Diode, 1000, 1024, 1, 1, 0.02}, {R1k, 1000, 32, 2, 1, 0.02}, {}, false, 0, 20},
        CompareCase{"Led32AgainstDiode", {Led, 1000, 32, 1, 1, 0.02}, {Diode, 1000, 1024, 2, 1, 0.02}, {}, false, 0, 60},
        CompareCase{"LedAgainstDiode32", {Led, 1000, 1024, 1, 1, 0.02}, {Diode, 1000, 32, 2, 1, 0.02}, {}, false, 0, 60},
        CompareCase{"Zener3v6At32AgainstZener3v3", {Zener3v6, 1000, 32, 1, 1, 0.02}, {Zener3v3, 1000, 1024, 2, 1, 0.02}, {}, false, 0, 94},
        CompareCase{"Zener3v6AgainstZener3v3At32", {Zener3v6, 1000, 1024, 1, 1, 0.02}, {Zener3v3, 1000, 32, 2, 1, 0.02}, {}, false, 0, 94},
        CompareCase{"FivePercentResistor32Fails", {R1k05, 1000, 32, 1, 1, 0.02}, {R1k, 1000, 1024, 2, 1, 0.02}, {}, false, 0, 80},
        CompareCase{"FivePercentResistorAgainst32Fails", {R1k05, 1000, 1024, 1, 1, 0.02}, {R1k, 1000, 32, 2, 1, 0.02}, {}, false, 0, 80},
        CompareCase{"Open32AgainstShort", {{kvtsim::ComponentKind::Open, 0}, 1000, 32, 1, 1, 0.02}, {{kvtsim::ComponentKind::Short, 0}, 1000, 1024, 2, 1, 0.02}, {}, false, 0, 20}),
    [](const auto& info) { return std::string(info.param.name); });

// A sparse reference of a sharp bend: flat to 0.6 V, then 60 mA per volt.
// The segment from 0.3 V to 0.65 V cuts the corner; the curve between them
// may lie anywhere between that chord and the continuations of its
// neighbours, which meet at the corner (0.6 V, 0).
const std::vector<std::pair<double, double>> SparseBend = {
    {-0.3, 0}, {0, 0}, {0.3, 0}, {0.65, 3e-3}, {0.7, 6e-3}, {0.75, 9e-3}};

// Points every 5 mV and 0.2 mA along the lines between the corners.
Curve Along(const std::vector<std::pair<double, double>>& corners) {
  std::vector<std::pair<double, double>> pairs;
  for (std::size_t k = 0; k + 1 < corners.size(); ++k) {
    const auto [v0, i0] = corners[k];
    const auto [v1, i1] = corners[k + 1];
    const int n = std::max(1, static_cast<int>(std::max(std::abs(v1 - v0) / 0.005, std::abs(i1 - i0) / 2e-4)));
    for (int j = 0; j < n; ++j) pairs.push_back({v0 + (v1 - v0) * j / n, i0 + (i1 - i0) * j / n});
  }
  pairs.push_back(corners.back());
  return CurveFromPairs(pairs, 1000.0);
}

struct BendCase {
  const char* name;
  std::vector<std::pair<double, double>> corners;  // of the dense curve
  bool pass;
  double minScore, maxScore;
};
void PrintTo(const BendCase& c, std::ostream* os) { *os << c.name; }

class CompareBendTest : public testing::TestWithParam<BendCase> {};

TEST_P(CompareBendTest, DenseCurveAgainstSparseBend) {
  const BendCase& c = GetParam();
  const Curve reference = CurveFromPairs(SparseBend, 1000.0);
  for (const auto& [x, y] : {std::pair{Along(c.corners), reference}, std::pair{reference, Along(c.corners)}}) {
    const Comparison r = CompareCurves(x, y);
    EXPECT_EQ(r.pass, c.pass) << r.score;
    EXPECT_GE(r.score, c.minScore);
    EXPECT_LE(r.score, c.maxScore);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Bends, CompareBendTest,
    testing::Values(
        BendCase{"FollowsTheCorner", {{-0.3, 0}, {0.6, 0}, {0.75, 9e-3}}, true, 100, 100},
        BendCase{"FollowsTheChord", SparseBend, true, 100, 100},
        BendCase{"RoundsTheCorner", {{-0.3, 0}, {0.5, 0}, {0.62, 1.2e-3}, {0.75, 9e-3}}, true, 100, 100},
        // In the box the two points span, but on the side the neighbours
        // do not bend to: rises first, then runs across.
        BendCase{"BendsTheOtherWay", {{-0.3, 0}, {0.3, 0}, {0.3, 3e-3}, {0.65, 3e-3}, {0.75, 9e-3}}, false, 0, 80},
        // The corner 80 mV beyond where the neighbours meet.
        BendCase{"CornerPastTheBend", {{-0.3, 0}, {0.68, 0}, {0.7, 1.2e-3}, {0.75, 9e-3}}, false, 0, 94},
        // A sweep with fewer points may stop a step short: one step beyond
        // the last point still counts as the reference's, three do not.
        BendCase{"OneStepBeyondTheEnd", {{-0.6, 0}, {0.6, 0}, {0.8, 12e-3}}, true, 100, 100},
        BendCase{"ThreeStepsBeyondTheEnd", {{-0.3, 0}, {0.6, 0}, {0.9, 18e-3}}, false, 0, 92}),
    [](const auto& info) { return std::string(info.param.name); });

// A breakdown 30 mV higher lies inside the band of three steps, and its
// stretch is too short a share of the curve to cost 5 % of the score; the
// points of that stretch are off together, which noise does not do.
const Component Zener3v9{ComponentKind::Zener, 3.9};
const Component Zener3v93{ComponentKind::Zener, 3.93};
const Component Zener4v7{ComponentKind::Zener, 4.7};
const Component Zener4v73{ComponentKind::Zener, 4.73};

INSTANTIATE_TEST_SUITE_P(
    ShiftedBreakdown, CompareTest,
    testing::Values(
        CompareCase{"Zener3v9Plus30mVOn100", {Zener3v93, 100, 1024, 2, 1, 0.02}, {Zener3v9, 100, 1024, 1, 1, 0.02}, {}, false, 80, 100},
        CompareCase{"Zener4v7Plus30mVOn1k", {Zener4v73, 1000, 1024, 2, 1, 0.02}, {Zener4v7, 1000, 1024, 1, 1, 0.02}, {}, false, 80, 100},
        CompareCase{"Zener4v7Plus30mVOn100At256", {Zener4v73, 100, 256, 2, 1, 0.02}, {Zener4v7, 100, 256, 1, 1, 0.02}, {}, false, 80, 100},
        CompareCase{"Zener4v7Plus30mVAt256AgainstADenseReference", {Zener4v73, 1000, 256, 2, 1, 0.02}, {Zener4v7, 1000, 1024, 1, 1, 0.02}, {}, false, 80, 100},
        CompareCase{"Zener3v9MeasuredTwiceOn100", {Zener3v9, 100, 1024, 3, 1, 0.02}, {Zener3v9, 100, 1024, 1, 1, 0.02}, {}, true, 97, 100},
        CompareCase{"Zener4v7MeasuredTwiceOn1kAt256", {Zener4v7, 1000, 256, 3, 1, 0.02}, {Zener4v7, 1000, 256, 1, 1, 0.02}, {}, true, 97, 100},
        // A band the user gives is a limit: within it the curve passes.
        CompareCase{"Zener4v7Plus30mVPassesAGivenBand", {Zener4v73, 1000, 1024, 2, 1, 0.02}, {Zener4v7, 1000, 1024, 1, 1, 0.02}, Band(0.03, 30e-6), true, 97, 100}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Compare, ReportsAShiftedBreakdownWhereItIs) {
  const Comparison r =
      CompareCurves(SweepCurve({Zener4v73, 1000, 1024, 2, 1, 0.02}), SweepCurve({Zener4v7, 1000, 1024, 1, 1, 0.02}));
  EXPECT_TRUE(r.shiftedStretch);
  EXPECT_GE(r.outsidePoints, 8);
  // Beside a stray reading or two elsewhere: the breakdown.
  EXPECT_TRUE(std::any_of(r.outside.begin(), r.outside.end(), [](const VoltageInterval& i) {
    return i.fromVolts > -4.9 && i.toVolts < -4.5 && i.toVolts - i.fromVolts > 0.02;
  }));
}

// Flat curves on the 1 kohm range from -1 V to 1 V: the band is 30 uA. The
// curve has a point every `offEvery` times 10 mV and `count` of them from
// 0 V on lie `offAmps` off; the other curve has a point every 10 mV.
struct StretchCase {
  const char* name;
  int count;
  double offAmps;
  CompareOptions options;
  bool pass;
  int offEvery = 1;
};
void PrintTo(const StretchCase& c, std::ostream* os) { *os << c.name; }

class CompareStretchTest : public testing::TestWithParam<StretchCase> {};

Curve Flat(int every, int offCount, double offAmps) {
  std::vector<std::pair<double, double>> pairs;
  int off = 0;
  for (int k = -100; k <= 100; k += every) {
    const bool shifted = k >= 0 && off < offCount;
    off += shifted;
    pairs.push_back({k * 0.01, shifted ? offAmps : 0.0});
  }
  return CurveFromPairs(pairs, 1000.0);
}

TEST_P(CompareStretchTest, JudgesPointsOffTogether) {
  const StretchCase& c = GetParam();
  const Curve off = Flat(c.offEvery, c.count, c.offAmps), plain = Flat(1, 0, 0);
  for (const auto& [x, y] : {std::pair{off, plain}, std::pair{plain, off}}) {
    const Comparison r = CompareCurves(x, y, c.options);
    EXPECT_EQ(r.pass, c.pass) << r.score;
    EXPECT_EQ(r.shiftedStretch, !c.pass);
    EXPECT_EQ(r.outside.empty(), c.pass);
  }
}

CompareOptions NoStretches() {
  CompareOptions o;
  o.stretchPoints = 0;
  return o;
}

INSTANTIATE_TEST_SUITE_P(
    Stretches, CompareStretchTest,
    testing::Values(
        StretchCase{"EightPointsTwoAndAHalfStepsOff", 8, 25e-6, {}, false},
        StretchCase{"FortyPointsTwoAndAHalfStepsOff", 40, 25e-6, {}, false},
        StretchCase{"FortyPointsBelowTheOtherCurve", 40, -25e-6, {}, false},
        StretchCase{"FivePointsOffPass", 5, 25e-6, {}, true},
        StretchCase{"HalfTheBandOffPasses", 40, 15e-6, {}, true},
        StretchCase{"AGivenBandIsALimit", 40, 25e-6, Band(0.03, 30e-6), true},
        StretchCase{"SwitchedOff", 40, 25e-6, NoStretches(), true},
        // One point of a curve with a point every 200 mV nearly a band off
        // tilts its chords for the thirteen dense points around it: that is
        // one noisy reading, not a stretch of the part.
        StretchCase{"OnePointOfASparseCurveOff", 1, 29e-6, {}, true, 20},
        StretchCase{"EightPointsOfASparseCurveOff", 8, 25e-6, {}, false, 10}),
    [](const auto& info) { return std::string(info.param.name); });

// Two whole codes are as far as noise often moves a point: a steep stretch
// two codes off passes at every voltage, whichever way the rounding of
// codes to volts falls.
TEST(Compare, TwoCodesOffIsNoShift) {
  auto steep = [](int code) {
    std::vector<std::pair<double, double>> pairs;
    for (int k = 0; k <= 40; ++k) pairs.push_back({VoltsFromCode(code), k * 1e-4});
    return CurveFromPairs(pairs, 1000.0);
  };
  for (int code = 412; code < 612; ++code) {
    const Comparison r = CompareCurves(steep(code + 2), steep(code));
    EXPECT_TRUE(r.pass) << "code " << code << ": " << r.score;
  }
}

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

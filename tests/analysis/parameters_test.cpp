// Parameters and part kind from sweeps of the simulator's own components.
#include "analysis/parameters.h"

#include <gtest/gtest.h>

#include <ostream>

#include <cmath>
#include <cstdint>
#include <string>

#include "simulated_sweep.h"

namespace kvt {
namespace {

using kvtsim::Component;
using kvtsim::ComponentKind;

// Voltage across the component when the simulator's loop carries `amps`,
// found by bisection on the applied voltage.
double ModelVoltsAt(const Component& c, int rangeOhms, double amps) {
  auto current = [&](double applied) {
    return (applied - kvtsim::ComponentVolts(c, applied, rangeOhms)) / rangeOhms;
  };
  double lo = -20, hi = 20;
  for (int i = 0; i < 200; ++i) {
    const double mid = 0.5 * (lo + hi);
    (current(mid) < amps ? lo : hi) = mid;
  }
  return kvtsim::ComponentVolts(c, 0.5 * (lo + hi), rangeOhms);
}

struct PartCase {
  const char* name;
  Sweep sweep;
  PartKind kind;
  bool rangeKnown = true;
};
void PrintTo(const PartCase& c, std::ostream* os) { *os << c.name; }

class PartParametersTest : public testing::TestWithParam<PartCase> {};

TEST_P(PartParametersTest, RecoverWhatTheSimulatorWasToldAndNameThePart) {
  const PartCase& c = GetParam();
  const Component& part = c.sweep.component;
  const PartParameters p = AnalysePart(SweepCurve(c.sweep, c.rangeKnown));
  EXPECT_EQ(PartKindName(p.kind), PartKindName(c.kind));

  switch (part.kind) {
    case ComponentKind::Resistor:
      ASSERT_TRUE(p.resistance);
      EXPECT_NEAR(p.resistance->ohms, part.value, 0.02 * part.value);
      EXPECT_GT(p.resistance->rSquared, 0.999);
      EXPECT_FALSE(p.shockley);
      break;
    case ComponentKind::Diode:
    case ComponentKind::Led:
      ASSERT_TRUE(p.forwardVolts);
      EXPECT_NEAR(*p.forwardVolts, ModelVoltsAt(part, c.sweep.rangeOhms, 1e-3), 0.020);
      EXPECT_FALSE(p.resistance);
      EXPECT_FALSE(p.breakdownVolts);  // the curve never reaches -1 mA
      ASSERT_TRUE(p.shockley);
      EXPECT_NEAR(p.shockley->ideality, part.kind == ComponentKind::Diode ? 1.8 : 2.0, 0.2);
      ASSERT_TRUE(p.leakageAmps);
      EXPECT_LT(std::abs(*p.leakageAmps), 0.01 / c.sweep.rangeOhms);
      break;
    case ComponentKind::Zener:
      ASSERT_TRUE(p.breakdownVolts);
      EXPECT_NEAR(*p.breakdownVolts, -part.value, 0.1);
      ASSERT_TRUE(p.forwardVolts);
      EXPECT_NEAR(*p.forwardVolts, ModelVoltsAt(part, c.sweep.rangeOhms, 1e-3), 0.020);
      break;
    case ComponentKind::Open:
      EXPECT_FALSE(p.forwardVolts);
      EXPECT_FALSE(p.breakdownVolts);
      EXPECT_FALSE(p.resistance);
      EXPECT_FALSE(p.shockley);
      break;
    case ComponentKind::Short:
      EXPECT_FALSE(p.leakageAmps);  // the curve never gets to -1 V
      EXPECT_FALSE(p.resistance);
      EXPECT_FALSE(p.shockley);
      break;
  }
}

Sweep Of(ComponentKind kind, double value, int ohms, int points = 1024, std::uint64_t seed = 1) {
  return Sweep{Component{kind, value}, ohms, points, seed};
}

INSTANTIATE_TEST_SUITE_P(
    Parts, PartParametersTest,
    testing::Values(
        PartCase{"Diode1k", Of(ComponentKind::Diode, 0, 1000), PartKind::Diode},
        PartCase{"Diode1k32Points", Of(ComponentKind::Diode, 0, 1000, 32), PartKind::Diode},
        PartCase{"Diode100", Of(ComponentKind::Diode, 0, 100, 256, 7), PartKind::Diode},
        PartCase{"DiodeRangeUnknown", Of(ComponentKind::Diode, 0, 1000, 512, 3), PartKind::Diode, false},
        PartCase{"Resistor1k", Of(ComponentKind::Resistor, 1000, 1000), PartKind::Resistor},
        PartCase{"Resistor4k7On10k", Of(ComponentKind::Resistor, 4700, 10000), PartKind::Resistor},
        PartCase{"Resistor220On100", Of(ComponentKind::Resistor, 220, 100, 64), PartKind::Resistor},
        PartCase{"Resistor1kRangeUnknown", Of(ComponentKind::Resistor, 1000, 1000), PartKind::Resistor, false},
        PartCase{"Zener3v3", Of(ComponentKind::Zener, 3.3, 1000), PartKind::Zener},
        PartCase{"Zener4v7On100", Of(ComponentKind::Zener, 4.7, 100, 128), PartKind::Zener},
        PartCase{"Led1k", Of(ComponentKind::Led, 0, 1000), PartKind::Led},
        PartCase{"Led100", Of(ComponentKind::Led, 0, 100, 256), PartKind::Led},
        PartCase{"Open1k", Of(ComponentKind::Open, 0, 1000), PartKind::Open},
        PartCase{"Open10k", Of(ComponentKind::Open, 0, 10000, 128), PartKind::Open},
        PartCase{"OpenRangeUnknown", Of(ComponentKind::Open, 0, 100), PartKind::Open, false},
        PartCase{"Short1k", Of(ComponentKind::Short, 0, 1000), PartKind::Short},
        PartCase{"Short100", Of(ComponentKind::Short, 0, 100, 32), PartKind::Short}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(PartParameters, DynamicResistanceOfTheDiodeFollowsItsSlope) {
  // Near 1 mA the simulated diode's dV/dI is n*Vt/I plus its bulk: about 47 ohms.
  const Component diode{ComponentKind::Diode, 0};
  const double slope = (ModelVoltsAt(diode, 1000, 1.1e-3) - ModelVoltsAt(diode, 1000, 0.9e-3)) / 0.2e-3;
  const PartParameters p = AnalysePart(SweepCurve(Of(ComponentKind::Diode, 0, 1000)));
  ASSERT_TRUE(p.dynamicOhms);
  EXPECT_NEAR(*p.dynamicOhms, slope, 0.15 * slope);
}

TEST(PartParameters, OptionsMoveTheOperatingPoints) {
  const Curve curve = SweepCurve(Of(ComponentKind::Resistor, 1000, 1000));
  AnalysisOptions options;
  options.forwardAmps = 2e-3;
  options.reverseAmps = -0.5e-3;
  options.reverseVolts = -2.0;
  const PartParameters p = AnalysePart(curve, options);
  ASSERT_TRUE(p.forwardVolts && p.breakdownVolts && p.leakageAmps);
  EXPECT_NEAR(*p.forwardVolts, 2.0, 0.02);
  EXPECT_NEAR(*p.breakdownVolts, -0.5, 0.02);
  EXPECT_NEAR(*p.leakageAmps, -2e-3, 2e-5);
}

TEST(PartParameters, ClippedPointsAreLeftOutOfTheFits) {
  // A resistor whose ends were read at full scale with nonsense currents.
  Curve curve = SweepCurve(Of(ComponentKind::Resistor, 1000, 1000, 64));
  curve.points.push_back({5.11, 1.0, false});
  curve.points.push_back({-5.12, -1.0, false});
  FlagClipping(curve);
  const PartParameters p = AnalysePart(curve);
  ASSERT_TRUE(p.resistance);
  EXPECT_NEAR(p.resistance->ohms, 1000, 20);
}

TEST(PartParameters, TooFewPointsGiveNothing) {
  const PartParameters p = AnalysePart(CurveFromPairs({{0.1, 1e-4}, {0.2, 2e-4}}));
  EXPECT_EQ(p.kind, PartKind::Unknown);
  EXPECT_FALSE(p.resistance);
  EXPECT_FALSE(p.shockley);
  EXPECT_FALSE(p.forwardVolts);  // 1 mA is never reached
}

// ---- breakdown short of -1 mA ----

// The largest reverse current the loop carries before the converter clips.
double LargestReverseAmps(const Component& c, int rangeOhms) {
  const double applied = -5.10;
  return (applied - kvtsim::ComponentVolts(c, applied, rangeOhms)) / rangeOhms;
}

struct BreakdownCase {
  const char* name;
  Component part;
  int rangeOhms;
  enum { None, AtAskedCurrent, BelowIt } expect;
};
void PrintTo(const BreakdownCase& c, std::ostream* os) { *os << c.name; }

class BreakdownTest : public testing::TestWithParam<BreakdownCase> {};

TEST_P(BreakdownTest, ReadAtTheLargestReverseCurrentTheRangeReaches) {
  const BreakdownCase& c = GetParam();
  for (double noise : {0.0, 1.0})
    for (std::uint64_t seed : {1u, 2u}) {
      SCOPED_TRACE("noise " + std::to_string(noise) + ", seed " + std::to_string(seed));
      const PartParameters p = AnalysePart(SweepCurve(Sweep{c.part, c.rangeOhms, 1024, seed, noise}));
      ASSERT_EQ(p.breakdownAmps.has_value(), p.breakdownVolts.has_value());
      if (c.expect == BreakdownCase::None) {
        EXPECT_FALSE(p.breakdownVolts);
        continue;
      }
      ASSERT_TRUE(p.breakdownVolts && p.breakdownAmps);
      if (c.expect == BreakdownCase::AtAskedCurrent) {
        EXPECT_EQ(*p.breakdownAmps, -1e-3);
      } else {
        const double largest = LargestReverseAmps(c.part, c.rangeOhms);
        EXPECT_LE(*p.breakdownAmps, -1e-4);
        EXPECT_GT(*p.breakdownAmps, -1e-3);
        EXPECT_GE(*p.breakdownAmps, largest);  // reached
        EXPECT_LT(*p.breakdownAmps, 0.5 * largest);  // and no smaller than it need be
      }
      EXPECT_NEAR(*p.breakdownVolts, ModelVoltsAt(c.part, c.rangeOhms, *p.breakdownAmps), 0.010);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Parts, BreakdownTest,
    testing::Values(BreakdownCase{"Zener3v3On1k", {ComponentKind::Zener, 3.3}, 1000, BreakdownCase::AtAskedCurrent},
                    BreakdownCase{"Zener4v7On100", {ComponentKind::Zener, 4.7}, 100, BreakdownCase::AtAskedCurrent},
                    BreakdownCase{"Zener4v7On1k", {ComponentKind::Zener, 4.7}, 1000, BreakdownCase::BelowIt},
                    BreakdownCase{"Zener3v3On10k", {ComponentKind::Zener, 3.3}, 10000, BreakdownCase::BelowIt},
                    // Tens of microamperes: clearly a zener, too little for a figure.
                    BreakdownCase{"Zener4v7On10k", {ComponentKind::Zener, 4.7}, 10000, BreakdownCase::None},
                    BreakdownCase{"DiodeOn1k", {ComponentKind::Diode, 0}, 1000, BreakdownCase::None},
                    BreakdownCase{"LedOn100", {ComponentKind::Led, 0}, 100, BreakdownCase::None},
                    BreakdownCase{"ResistorOn1k", {ComponentKind::Resistor, 1000}, 1000,
                                  BreakdownCase::AtAskedCurrent}),
    [](const auto& info) { return std::string(info.param.name); });

// ---- the diode fit ----

struct FitCase {
  const char* name;
  ComponentKind kind;
  int rangeOhms;
};
void PrintTo(const FitCase& c, std::ostream* os) { *os << c.name; }

class ShockleyFitTest : public testing::TestWithParam<FitCase> {};

// The fitted junction must give back the part's voltage across the forward
// currents the curve spans, top included, within a converter step, and be
// there at all with noise of two steps.
TEST_P(ShockleyFitTest, ModelTracesTheForwardCurve) {
  const FitCase& c = GetParam();
  const Component part{c.kind, 0};
  const double top = (5.0 - ModelVoltsAt(part, c.rangeOhms, 1e-3)) / c.rangeOhms;
  for (double noise : {0.0, 1.0, 2.0})
    for (std::uint64_t seed : {1u, 2u}) {
      SCOPED_TRACE("noise " + std::to_string(noise) + ", seed " + std::to_string(seed));
      const PartParameters p = AnalysePart(SweepCurve(Sweep{part, c.rangeOhms, 1024, seed, noise}));
      ASSERT_TRUE(p.shockley);
      const ShockleyFit& f = *p.shockley;
      for (double share : {0.05, 0.3, 1.0}) {
        const double amps = share * top;
        const double fitted =
            f.ideality * ThermalVolts27C * std::log1p(amps / f.saturationAmps) + amps * f.seriesOhms;
        EXPECT_NEAR(fitted, ModelVoltsAt(part, c.rangeOhms, amps), 0.010) << share << " of the top current";
      }
    }
}

INSTANTIATE_TEST_SUITE_P(Parts, ShockleyFitTest,
                         testing::Values(FitCase{"DiodeOn100", ComponentKind::Diode, 100},
                                         FitCase{"DiodeOn1k", ComponentKind::Diode, 1000},
                                         FitCase{"DiodeOn10k", ComponentKind::Diode, 10000},
                                         FitCase{"LedOn100", ComponentKind::Led, 100},
                                         FitCase{"LedOn1k", ComponentKind::Led, 1000},
                                         FitCase{"LedOn10k", ComponentKind::Led, 10000}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace kvt

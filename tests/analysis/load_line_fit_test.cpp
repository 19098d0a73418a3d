// Forward and breakdown voltage and dV/dI read along the load line: against
// the simulator's own parts and published models through ngspice, with the
// instrument's noise, over several seeds, where a fit of V over the noisy
// current scattered past 10 mV and the stated dV/dI leaned high.
#include "analysis/load_line_fit.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "analysis/figure_uncertainty.h"
#include "analysis/parameters.h"
#include "simulated_sweep.h"
#include "tests/support/part_circuit.h"

namespace kvt {
namespace {

using kvtsim::Component;
using kvtsim::ComponentKind;

constexpr int Seeds = 8;
// The mean stated dV/dI over the seeds may stray this share from the truth.
constexpr double OhmsBias = 0.05;

// Voltage across the simulator's component where its loop carries `amps`.
double SimulatorVoltsAt(const Component& c, int rangeOhms, double amps) {
  auto current = [&](double applied) { return (applied - kvtsim::ComponentVolts(c, applied, rangeOhms)) / rangeOhms; };
  double lo = -20, hi = 20;
  for (int i = 0; i < 200; ++i) {
    const double mid = 0.5 * (lo + hi);
    (current(mid) < amps ? lo : hi) = mid;
  }
  return kvtsim::ComponentVolts(c, 0.5 * (lo + hi), rangeOhms);
}

// What the analysis reads over the seeds: the largest voltage error and the
// mean of the stated dV/dI over the true one.
struct Spread {
  double worstVolts = 0;
  double meanOhmsRatio = 0;
};

template <class CurveOfSeed>
Spread SpreadOver(CurveOfSeed curveOf, double amps, double trueVolts, double trueOhms) {
  Spread s;
  int stated = 0;
  for (int seed = 1; seed <= Seeds; ++seed) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    const Curve curve = curveOf(static_cast<std::uint64_t>(seed));
    AnalysisOptions options;
    if (amps < 0) options.reverseAmps = amps;
    const PartParameters p = AnalysePart(curve, options);
    const auto volts = amps > 0 ? p.forwardVolts : p.breakdownVolts;
    EXPECT_TRUE(volts);
    if (volts) s.worstVolts = std::max(s.worstVolts, std::abs(*volts - trueVolts));
    if (amps < 0) continue;  // the report states dV/dI forward only
    const ReportedFigure rd = ReportFigures(curve, p, options).dynamicOhms;
    if (!rd.value) continue;
    s.meanOhmsRatio += *rd.value / trueOhms;
    ++stated;
  }
  if (stated) s.meanOhmsRatio /= stated;
  return s;
}

// ---- the simulator's parts ----

struct SimulatedCase {
  const char* name;
  Component part;
  int rangeOhms;
  double amps;
  double noise;
  double voltsWithin;  // largest error over the seeds
};
void PrintTo(const SimulatedCase& c, std::ostream* os) { *os << c.name; }

class SimulatedLoadLineTest : public testing::TestWithParam<SimulatedCase> {};

TEST_P(SimulatedLoadLineTest, VoltsAndSlopeOfTheSimulatorsPart) {
  const SimulatedCase& c = GetParam();
  const double truth = SimulatorVoltsAt(c.part, c.rangeOhms, c.amps);
  const double slope = (SimulatorVoltsAt(c.part, c.rangeOhms, c.amps * 1.02) -
                        SimulatorVoltsAt(c.part, c.rangeOhms, c.amps * 0.98)) /
                       (0.04 * c.amps);
  const Spread s = SpreadOver(
      [&](std::uint64_t seed) { return SweepCurve(Sweep{c.part, c.rangeOhms, 1024, seed, c.noise}); }, c.amps,
      truth, slope);
  EXPECT_LE(s.worstVolts, c.voltsWithin);
  if (c.amps > 0) {
    EXPECT_NEAR(s.meanOhmsRatio, 1.0, OhmsBias) << "true dV/dI " << slope << " ohm";
  }
}

INSTANTIATE_TEST_SUITE_P(
    Parts, SimulatedLoadLineTest,
    testing::Values(SimulatedCase{"DiodeOn100", {ComponentKind::Diode, 0}, 100, 1e-3, 1.0, 0.005},
                    SimulatedCase{"DiodeOn100TwoSteps", {ComponentKind::Diode, 0}, 100, 1e-3, 2.0, 0.0075},
                    SimulatedCase{"LedOn100", {ComponentKind::Led, 0}, 100, 1e-3, 1.0, 0.0065},
                    SimulatedCase{"ZenerForwardOn100", {ComponentKind::Zener, 3.3}, 100, 1e-3, 1.0, 0.005},
                    SimulatedCase{"ZenerBreakdownOn100", {ComponentKind::Zener, 3.3}, 100, -1e-3, 1.0, 0.0075}),
    [](const auto& info) { return std::string(info.param.name); });

// ---- published models through ngspice ----

struct PublishedCase {
  const char* name;
  const char* part;  // as parts.txt lists it
  double rangeOhms;
  double amps;
  double voltsWithin;
};
void PrintTo(const PublishedCase& c, std::ostream* os) { *os << c.name; }

class PublishedLoadLineTest : public testing::TestWithParam<PublishedCase> {};

TEST_P(PublishedLoadLineTest, VoltsAndSlopeOfThePublishedModel) {
  if (std::string(KVT_NGSPICE).empty()) GTEST_SKIP() << "ngspice is not installed";
  const PublishedCase& c = GetParam();
  const std::filesystem::path partsDir = KVT_PARTS_DIR;
  const auto list = parts::ReadPartList(partsDir / "parts.txt");
  const auto entry = std::find_if(list.entries.begin(), list.entries.end(),
                                  [&](const parts::PartEntry& e) { return e.part == c.part; });
  ASSERT_NE(entry, list.entries.end()) << c.part;
  const auto work = std::filesystem::path(KVT_TEST_TMP) / "load_line";
  std::filesystem::create_directories(work);
  const auto sweep = parts::RunSweep(KVT_NGSPICE, work, c.name,
                                     parts::RangeCircuit(c.rangeOhms, parts::PartNetlist(*entry, partsDir)),
                                     {"v(a)"}, 0.001);
  ASSERT_TRUE(sweep);
  const auto codes = parts::VoltsAtCodes(*sweep);
  const auto truth = parts::VoltsWhereCurrent(*sweep, c.rangeOhms, c.amps);
  const auto above = parts::VoltsWhereCurrent(*sweep, c.rangeOhms, c.amps * 1.02);
  const auto below = parts::VoltsWhereCurrent(*sweep, c.rangeOhms, c.amps * 0.98);
  ASSERT_TRUE(codes && truth && above && below);
  const Spread s = SpreadOver(
      [&](std::uint64_t seed) { return parts::MeasuredCurve(*codes, c.rangeOhms, 1.0, seed); }, c.amps, *truth,
      (*above - *below) / (0.04 * c.amps));
  EXPECT_LE(s.worstVolts, c.voltsWithin);
  if (c.amps > 0) {
    EXPECT_NEAR(s.meanOhmsRatio, 1.0, OhmsBias);
  }
}

// Noise of one converter step on the 100 ohm range, where a step of the
// reading moves the current by a tenth of the target.
INSTANTIATE_TEST_SUITE_P(
    Parts, PublishedLoadLineTest,
    testing::Values(PublishedCase{"SmallSignal1N4148", "1N4148", 100, 1e-3, 0.007},
                    PublishedCase{"SmallSignalFDLL914B", "FDLL914B", 100, 1e-3, 0.007},
                    PublishedCase{"SchottkyBAT54", "BAT54", 100, 1e-3, 0.007},
                    PublishedCase{"Germanium1N34A", "1N34A", 100, 1e-3, 0.007},
                    PublishedCase{"ZenerBZX84C3V3", "BZX84-C3V3", 100, 1e-3, 0.007},
                    PublishedCase{"Zener1N748", "1N748", 100, 1e-3, 0.007},
                    PublishedCase{"Zener1N748Breakdown", "1N748", 100, -1e-3, 0.007},
                    PublishedCase{"LeakyDiode", "1N4148 + 10k", 100, 1e-3, 0.007}),
    [](const auto& info) { return std::string(info.param.name); });

// ---- when the load line is known ----

// Noise-free points of a resistor: (a, V) exact, so the fit is exact.
Curve Resistor(double ohms, std::optional<double> rangeOhms, double rangeForCurrent) {
  Curve curve;
  for (int code = 0; code < 1024; ++code) {
    const double applied = (code - 512) / 100.0;
    const double volts = applied * ohms / (ohms + rangeForCurrent);
    curve.points.push_back({volts, (applied - volts) / rangeForCurrent, false, rangeOhms});
  }
  FlagClipping(curve);
  return curve;
}

struct ContractCase {
  const char* name;
  Curve curve;
  double amps;
  std::optional<double> volts;  // nothing: the caller must read the curve otherwise
};
void PrintTo(const ContractCase& c, std::ostream* os) { *os << c.name; }

class LoadLineContractTest : public testing::TestWithParam<ContractCase> {};

TEST_P(LoadLineContractTest, FitsOnlyWhereTheRangeIsKnownAroundTheTarget) {
  const ContractCase& c = GetParam();
  const auto fit = FitAlongLoadLine(c.curve, c.amps);
  ASSERT_EQ(fit.has_value(), c.volts.has_value());
  if (!fit) return;
  EXPECT_NEAR(fit->volts, *c.volts, 1e-9);
  EXPECT_NEAR(fit->ohms, 1000, 1e-6);
  EXPECT_GE(fit->points, 8);
}

Curve MixedRanges() {
  Curve curve = Resistor(1000, 1000.0, 1000);
  for (std::size_t i = 0; i < curve.points.size(); i += 2) curve.points[i].rangeOhms = 100.0;
  return curve;
}

Curve RangeUnknownNearTarget() {
  Curve curve = Resistor(1000, 1000.0, 1000);
  for (auto& p : curve.points)
    if (std::abs(p.amps - 1e-3) < 0.2e-3) p.rangeOhms.reset();
  return curve;
}

INSTANTIATE_TEST_SUITE_P(
    Curves, LoadLineContractTest,
    testing::Values(ContractCase{"Forward", Resistor(1000, 1000.0, 1000), 1e-3, 1.0},
                    ContractCase{"Reverse", Resistor(1000, 1000.0, 1000), -1e-3, -1.0},
                    ContractCase{"OtherCurrent", Resistor(1000, 1000.0, 1000), 2.2e-3, 2.2},
                    ContractCase{"RangeUnknown", Resistor(1000, std::nullopt, 1000), 1e-3, std::nullopt},
                    ContractCase{"RangeUnknownNearTarget", RangeUnknownNearTarget(), 1e-3, std::nullopt},
                    ContractCase{"MixedRanges", MixedRanges(), 1e-3, std::nullopt},
                    ContractCase{"NotReached", Resistor(1000, 1000.0, 1000), 3e-3, std::nullopt},
                    ContractCase{"NoCurrent", Resistor(1000, 1000.0, 1000), 0.0, std::nullopt}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace kvt

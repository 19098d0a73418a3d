// The part's kind under the instrument's noise: the simulator's own parts on
// every range at noise up to two converter steps, and parts the simulator
// does not model, measured through the same circuit.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <ostream>
#include <string>

#include "analysis/parameters.h"
#include "simulated_sweep.h"
#include "simulator/noise_source.h"

namespace kvt {
namespace {

using kvtsim::Component;
using kvtsim::ComponentKind;

constexpr double NoiseSteps[] = {0.0, 0.5, 1.0, 2.0};  // per conversion, in codes
constexpr int Seeds = 3;

struct SimulatedCase {
  const char* name;
  Component part;
  int rangeOhms;
  PartKind kind;
};
void PrintTo(const SimulatedCase& c, std::ostream* os) { *os << c.name; }

class SimulatedKindTest : public testing::TestWithParam<SimulatedCase> {};

TEST_P(SimulatedKindTest, NamedRightAtEveryNoiseLevel) {
  const SimulatedCase& c = GetParam();
  for (double noise : NoiseSteps)
    for (int seed = 1; seed <= Seeds; ++seed) {
      const Curve curve = SweepCurve(Sweep{c.part, c.rangeOhms, 1024, static_cast<std::uint64_t>(seed), noise});
      EXPECT_EQ(PartKindName(AnalysePart(curve).kind), PartKindName(c.kind))
          << "noise " << noise << " steps, seed " << seed;
    }
}

SimulatedCase Of(const char* name, ComponentKind kind, double value, int ohms, PartKind expected) {
  return {name, Component{kind, value}, ohms, expected};
}

INSTANTIATE_TEST_SUITE_P(
    Parts, SimulatedKindTest,
    testing::Values(Of("DiodeOn100", ComponentKind::Diode, 0, 100, PartKind::Diode),
                    Of("DiodeOn1k", ComponentKind::Diode, 0, 1000, PartKind::Diode),
                    Of("DiodeOn10k", ComponentKind::Diode, 0, 10000, PartKind::Diode),
                    Of("LedOn100", ComponentKind::Led, 0, 100, PartKind::Led),
                    Of("LedOn1k", ComponentKind::Led, 0, 1000, PartKind::Led),
                    Of("LedOn10k", ComponentKind::Led, 0, 10000, PartKind::Led),
                    Of("Zener3v3On100", ComponentKind::Zener, 3.3, 100, PartKind::Zener),
                    Of("Zener3v3On1k", ComponentKind::Zener, 3.3, 1000, PartKind::Zener),
                    Of("Zener3v3On10k", ComponentKind::Zener, 3.3, 10000, PartKind::Zener),
                    Of("Zener4v7On100", ComponentKind::Zener, 4.7, 100, PartKind::Zener),
                    // -1 mA out of reach, but it clearly conducts in reverse.
                    Of("Zener4v7On1k", ComponentKind::Zener, 4.7, 1000, PartKind::Zener),
                    Of("Zener4v7On10k", ComponentKind::Zener, 4.7, 10000, PartKind::Zener),
                    Of("Resistor220On100", ComponentKind::Resistor, 220, 100, PartKind::Resistor),
                    // Only about ten current steps at the ends of the span.
                    Of("Resistor4k7On100", ComponentKind::Resistor, 4700, 100, PartKind::Resistor),
                    Of("Resistor1kOn1k", ComponentKind::Resistor, 1000, 1000, PartKind::Resistor),
                    Of("Resistor47kOn10k", ComponentKind::Resistor, 47000, 10000, PartKind::Resistor),
                    Of("OpenOn100", ComponentKind::Open, 0, 100, PartKind::Open),
                    Of("OpenOn10k", ComponentKind::Open, 0, 10000, PartKind::Open),
                    Of("ShortOn100", ComponentKind::Short, 0, 100, PartKind::Short),
                    Of("ShortOn10k", ComponentKind::Short, 0, 10000, PartKind::Short)),
    [](const auto& info) { return std::string(info.param.name); });

// ---- parts the simulator does not model ----

using Law = std::function<double(double)>;  // the part's current at its voltage

double Junction(double volts, double is, double n) { return is * std::expm1(std::min(volts / (n * 0.02585), 700.0)); }

// The part's voltage in the instrument's loop, by bisection (the loop's
// current falls and the part's rises with the voltage), read as four noisy
// conversions averaged, as the simulated sweep reads its own parts.
Curve Measure(const Law& amps, double rangeOhms, double noise, std::uint64_t seed) {
  kvtsim::NoiseSource source(seed);
  Curve curve;
  for (int code = 0; code <= 1023; ++code) {
    const double applied = kvtsim::CodeVolts(code);
    double lo = std::min(applied, 0.0), hi = std::max(applied, 0.0);
    for (int k = 0; k < 200; ++k) {
      const double mid = 0.5 * (lo + hi);
      (amps(mid) > (applied - mid) / rangeOhms ? hi : lo) = mid;
    }
    double sum = 0;
    for (int k = 0; k < 4; ++k)
      sum += std::clamp(std::nearbyint(lo * 100 + 512 + source.Offset(noise, 0.0)), 0.0, 1023.0);
    const double volts = (sum / 4 - 512) / 100;
    curve.points.push_back({volts, (applied - volts) / rangeOhms, false, rangeOhms});
  }
  FlagClipping(curve);
  return curve;
}

double Silicon(double v) { return Junction(v, 3e-9, 1.8); }
double RedLed(double v) { return Junction(v, 1e-18, 2.0); }

struct LawCase {
  const char* name;
  Law amps;
  double rangeOhms;
  PartKind kind;
};
void PrintTo(const LawCase& c, std::ostream* os) { *os << c.name; }

class LawKindTest : public testing::TestWithParam<LawCase> {};

TEST_P(LawKindTest, NamedFromWhatTheCurveShows) {
  const LawCase& c = GetParam();
  for (double noise : NoiseSteps)
    for (int seed = 1; seed <= Seeds; ++seed)
      EXPECT_EQ(PartKindName(AnalysePart(Measure(c.amps, c.rangeOhms, noise, static_cast<std::uint64_t>(seed))).kind),
                PartKindName(c.kind))
          << "noise " << noise << " steps, seed " << seed;
}

INSTANTIATE_TEST_SUITE_P(
    Laws, LawKindTest,
    testing::Values(
        // A leak conducts in reverse from 0 V on: still a diode, no breakdown.
        LawCase{"DiodeLeakingThrough10k", [](double v) { return Silicon(v) + v / 10e3; }, 1000, PartKind::Diode},
        LawCase{"DiodeLeakingThrough4k7On100", [](double v) { return Silicon(v) + v / 4.7e3; }, 100, PartKind::Diode},
        // An LED breaking down at -4.4 V is told from a zener by its forward voltage.
        LawCase{"LedBreakingDownOn100",
                [](double v) { return RedLed(v) - Junction(-v - 4.4, 1e-12, 1.0); }, 100, PartKind::Led},
        LawCase{"LedBreakingDownOn1k",
                [](double v) { return RedLed(v) - Junction(-v - 4.4, 1e-12, 1.0); }, 1000, PartKind::Led},
        // A Schottky's knee at about 0.15 V.
        LawCase{"SchottkyOn100", [](double v) { return Junction(v, 3e-5, 1.4); }, 100, PartKind::Diode},
        LawCase{"SchottkyOn1k", [](double v) { return Junction(v, 3e-5, 1.4); }, 1000, PartKind::Diode},
        // A soft 2.7 V breakdown.
        LawCase{"Zener2v7Soft", [](double v) { return Silicon(v) - Junction(-v - 2.7, 1e-6, 3.0); }, 1000,
                PartKind::Zener},
        // Two diodes back to back conduct alike both ways: no junction kind.
        LawCase{"DiodesBackToBack", [](double v) { return Silicon(v) - Silicon(-v); }, 1000, PartKind::Unknown},
        // Forward voltage beyond any LED's (4.3 V at 1 mA).
        LawCase{"KneeAboveAnyLed", [](double v) { return RedLed(v / 2.4); }, 100, PartKind::Unknown}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace kvt

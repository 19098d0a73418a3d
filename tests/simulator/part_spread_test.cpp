// Each newly probed part of the simulated instrument with its own values
// within the spread the control file sets.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <set>

#include "simulator/circuit.h"
#include "simulator/instrument.h"
#include "simulator/sim_config.h"

using kvtsim::Component;
using kvtsim::ComponentKind;
using kvtsim::DrawPart;
using kvtsim::Instrument;
using kvtsim::ParseConfig;
using kvtsim::PartDeviation;
using kvtsim::SimConfig;

TEST(PartSpread, ControlFileSettings) {
  const struct {
    const char* name;
    const char* text;
    double spread;
    std::optional<double> resistorSpread;
    int problems;
  } cases[] = {
      {"none: every part alike", "", 0, {}, 0},
      {"spread alone", "spread = 3", 3, {}, 0},
      {"both", "spread = 3\nresistor_spread = 2", 3, 2, 0},
      {"resistances alone", "resistor_spread = 0.5", 0, 0.5, 0},
      {"the widest", "spread = 90", 90, {}, 0},
      {"too wide", "spread = 95", 0, {}, 1},
      {"negative", "resistor_spread = -2", 0, {}, 1},
      {"with a percent sign", "spread = 3%", 0, {}, 1},
      {"a word", "spread = some", 0, {}, 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<std::string> problems;
    const SimConfig config = ParseConfig(c.text, &problems);
    EXPECT_DOUBLE_EQ(config.spreadPercent, c.spread);
    EXPECT_EQ(config.resistorSpreadPercent, c.resistorSpread);
    EXPECT_EQ(static_cast<int>(problems.size()), c.problems);
  }
}

TEST(PartSpread, DrawnPartsStayWithinTheSpreadAndFillIt) {
  const struct {
    const char* name;
    double percent, ohmsPercent;
  } cases[] = {{"the example", 3, 2}, {"wide", 40, 10}, {"resistances only", 0, 5}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const int n = 20000;
    double sum[3] = {}, squares[3] = {}, lo[3] = {2, 2, 2}, hi[3] = {0, 0, 0};
    for (int i = 1; i <= n; ++i) {
      const PartDeviation d = DrawPart(7, i, c.percent, c.ohmsPercent);
      const double f[3] = {d.saturation, d.ohms, d.breakdown};
      for (int k = 0; k < 3; ++k) {
        sum[k] += f[k];
        squares[k] += f[k] * f[k];
        lo[k] = std::min(lo[k], f[k]);
        hi[k] = std::max(hi[k], f[k]);
      }
    }
    const double spreads[3] = {c.percent, c.ohmsPercent, c.percent};
    const char* names[3] = {"saturation", "ohms", "breakdown"};
    for (int k = 0; k < 3; ++k) {
      SCOPED_TRACE(names[k]);
      const double half = spreads[k] / 100;
      EXPECT_GE(lo[k], 1 - half);
      EXPECT_LE(hi[k], 1 + half);
      // Even within the band: reaching both ends, the standard deviation of
      // a uniform draw, the mean in the middle.
      EXPECT_NEAR(lo[k], 1 - half, half * 0.01 + 1e-15);
      EXPECT_NEAR(hi[k], 1 + half, half * 0.01 + 1e-15);
      const double mean = sum[k] / n, sd = std::sqrt(std::max(0.0, squares[k] / n - mean * mean));
      EXPECT_NEAR(mean, 1, half * 0.02 + 1e-12);
      EXPECT_NEAR(sd, half / std::sqrt(3.0), half / std::sqrt(3.0) * 0.03 + 1e-7);
    }
  }
  // One seed and number, one part; another number or seed, another part;
  // the saturation current and the resistance drawn apart.
  EXPECT_EQ(DrawPart(5, 9, 3, 2), DrawPart(5, 9, 3, 2));
  std::set<double> seen;
  for (std::uint64_t seed : {1, 2})
    for (std::uint64_t number : {1, 2, 3}) seen.insert(DrawPart(seed, number, 3, 3).saturation);
  EXPECT_EQ(seen.size(), 6u);
  const PartDeviation same = DrawPart(5, 9, 3, 3);
  EXPECT_NE(same.saturation, same.ohms);
}

TEST(PartSpread, ANewPartWithEveryProbe) {
  SimConfig start;
  start.component = {ComponentKind::Open, 0};
  start.spreadPercent = 3;
  Instrument instrument(start);
  const struct {
    const char* name;
    Component component;
    int rangeOhms;
    double spread;
    std::uint64_t seed;
    std::uint64_t part;  // the part number after the change
    bool redrawn;        // its values other than before
  } steps[] = {
      {"probe on a diode", {ComponentKind::Diode, 0}, 1000, 3, 1, 1, true},
      {"the range switch turned: the same part", {ComponentKind::Diode, 0}, 100, 3, 1, 1, false},
      {"lifted", {ComponentKind::Open, 0}, 100, 3, 1, 1, false},
      {"the next diode", {ComponentKind::Diode, 0}, 100, 3, 1, 2, true},
      {"straight onto a zener", {ComponentKind::Zener, 3.3}, 100, 3, 1, 3, true},
      {"a wider spread: the same part drawn again", {ComponentKind::Zener, 3.3}, 100, 10, 1, 3, true},
      {"another seed", {ComponentKind::Zener, 3.3}, 100, 10, 2, 3, true},
  };
  PartDeviation before = instrument.Part();
  for (const auto& s : steps) {
    SCOPED_TRACE(s.name);
    SimConfig next = instrument.Config();
    next.component = s.component;
    next.rangeOhms = s.rangeOhms;
    next.spreadPercent = s.spread;
    next.seed = s.seed;
    instrument.Configure(next);
    EXPECT_EQ(instrument.PartNumber(), s.part);
    EXPECT_EQ(instrument.Part() != before, s.redrawn);
    EXPECT_EQ(instrument.Part(), DrawPart(s.seed, s.part, s.spread, s.spread));
    before = instrument.Part();
  }
  // Started on a part, that is the first.
  SimConfig onDiode;
  onDiode.spreadPercent = 3;
  EXPECT_EQ(Instrument(onDiode).PartNumber(), 1u);
  EXPECT_EQ(Instrument(onDiode).Part(), DrawPart(1, 1, 3, 3));
}

TEST(PartSpread, EachValueMovesTheCurveItShould) {
  // A resistor's current, a junction's voltage at one current, a zener's
  // breakdown: each follows its own factor and no other.
  const struct {
    const char* name;
    Component component;
    PartDeviation part;
    double applied, nominal, deviated;  // component volts through 1 kohm
  } cases[] = {
      {"resistor 2 % high", {ComponentKind::Resistor, 1000}, {1, 1.02, 1}, 2.0, 1.0, 2.0 * 1020 / 2020},
      {"resistor: the saturation factor does nothing", {ComponentKind::Resistor, 1000}, {1.5, 1, 1.5}, 2.0, 1.0, 1.0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_NEAR(kvtsim::ComponentVolts(c.component, c.applied, 1000), c.nominal, 1e-12);
    EXPECT_NEAR(kvtsim::ComponentVolts(c.component, c.applied, 1000, c.part), c.deviated, 1e-12);
  }
  // A larger saturation current lowers a junction's forward voltage by
  // n Vt ln(factor); a zener's breakdown moves with its own factor.
  const Component diode{ComponentKind::Diode, 0};
  const double nominal = kvtsim::ComponentVolts(diode, 3.0, 1000);
  const double doubled = kvtsim::ComponentVolts(diode, 3.0, 1000, {2, 1, 1});
  EXPECT_LT(doubled, nominal - 0.02);
  EXPECT_GT(doubled, nominal - 0.04);  // 1.8 * 25.9 mV * ln 2 = 32 mV
  const Component zener{ComponentKind::Zener, 3.3};
  const double reverse = kvtsim::ComponentVolts(zener, -5.0, 1000);
  const double stiffer = kvtsim::ComponentVolts(zener, -5.0, 1000, {1, 1, 1.1});
  EXPECT_NEAR(stiffer - reverse, -0.33, 0.05);
}

// Figures with their uncertainty: the interval holds the true value nine
// times in ten or more, what the curve cannot resolve is not stated as a
// number, and the digits shown follow the uncertainty.
#include "analysis/figure_uncertainty.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <optional>
#include <ostream>
#include <string>

#include "analysis/parameter_report.h"
#include "simulated_sweep.h"
#include "tests/support/part_circuit.h"

namespace kvt {
namespace {

using kvtsim::Component;
using kvtsim::ComponentKind;

// ---- digits ----

TEST(WithUncertainty, DigitsFollowTheUncertainty) {
  const struct {
    const char* name;
    double value, uncertainty;
    const char* unit;
    const char* text;
  } cases[] = {
      {"one digit of the uncertainty", 0.5923, 0.0046, "V", "592 ± 5 mV"},
      {"rounded up, not to nearest", 0.5923, 0.0041, "V", "592 ± 5 mV"},
      {"two digits when it starts with 1", 1.2346e-3, 0.0123e-3, "A", "1.235 ± 0.013 mA"},
      {"two digits when it starts with 2", 4699.2, 23.1, "ohm", "4.699 ± 0.024 kohm"},
      {"value to the uncertainty's place", -212.8e-6, 8.6e-6, "A", "-213 ± 9 uA"},
      {"rounding up carries a digit", 0.04, 0.0096, "V", "40 ± 10 mV"},
      {"tens: the value rounded to tens", 56.0e3, 340.0, "ohm", "56.0 ± 0.4 kohm"},
      {"uncertainty above the value sets the prefix", 0.4e-3, 1.5e-3, "A", "0.4 ± 1.5 mA"},
      {"no unit, no trailing space", 1.716, 0.343, "", "1.7 ± 0.4"},
      {"no uncertainty: as without one", 0.5923, 0.0, "V", "592 mV"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(WithUncertainty(c.value, c.uncertainty, c.unit), c.text);
  }
}

// ---- the simulator's parts ----

// The part's voltage at `amps` through the range, by bisection on the
// applied voltage; and the current where the part's voltage is `volts`.
double AppliedWhere(const std::function<bool(double)>& above) {
  double lo = -30, hi = 30;
  for (int i = 0; i < 200; ++i) {
    const double mid = 0.5 * (lo + hi);
    (above(mid) ? hi : lo) = mid;
  }
  return 0.5 * (lo + hi);
}
double TrueVolts(const Component& c, int ohms, double amps) {
  const double a = AppliedWhere([&](double applied) {
    return (applied - kvtsim::ComponentVolts(c, applied, ohms)) / ohms >= amps;
  });
  return kvtsim::ComponentVolts(c, a, ohms);
}
double TrueAmps(const Component& c, int ohms, double volts) {
  const double a = AppliedWhere([&](double applied) { return kvtsim::ComponentVolts(c, applied, ohms) >= volts; });
  return (a - volts) / ohms;
}

struct Count {
  int stated = 0, covered = 0;
  void Add(const ReportedFigure& f, std::optional<double> truth) {
    if (!f.value) return;
    ++stated;
    covered += truth && std::abs(*f.value - *truth) <= f.uncertainty;
  }
};

struct PartCase {
  const char* name;
  ComponentKind kind;
  double value;
  int ohms;
};
void PrintTo(const PartCase& c, std::ostream* os) { *os << c.name; }

class SimulatedPartFigures : public testing::TestWithParam<PartCase> {};

// Over twenty sweeps with the instrument's own noise of one converter step,
// each stated figure's interval holds the model's value at least 18 times;
// a leakage below one current step is never stated outside its interval.
TEST_P(SimulatedPartFigures, IntervalsHoldTheModelsValue) {
  const PartCase& c = GetParam();
  const Component part{c.kind, c.value};
  const AnalysisOptions o;
  const double forward = TrueVolts(part, c.ohms, o.forwardAmps);
  const double reverse = TrueVolts(part, c.ohms, o.reverseAmps);
  const double leakage = TrueAmps(part, c.ohms, o.reverseVolts);
  const double step = AdcStepVolts / c.ohms;
  // The simulator's junctions: silicon (the zener's with 2 ohms of bulk) and the LED.
  const bool led = c.kind == ComponentKind::Led, junction = led || c.kind == ComponentKind::Diode ||
                                                            c.kind == ComponentKind::Zener;
  const std::optional<double> is = junction ? std::optional(led ? 1e-18 : 3e-9) : std::nullopt;
  const std::optional<double> n = junction ? std::optional(led ? 2.0 : 1.8) : std::nullopt;
  const std::optional<double> rs =
      junction ? std::optional(led ? 5.0 : c.kind == ComponentKind::Zener ? 2.0 : 0.5) : std::nullopt;
  Count vf, vbr, leak, resistance, saturation, ideality, series;
  for (std::uint64_t seed = 1; seed <= 20; ++seed) {
    const Curve curve = SweepCurve(Sweep{part, c.ohms, 1024, seed});
    const PartParameters p = AnalysePart(curve, o);
    const ReportedFigures f = ReportFigures(curve, p, o);
    vf.Add(f.forwardVolts, forward);
    vbr.Add(f.breakdownVolts, reverse);
    leak.Add(f.leakageAmps, leakage);
    resistance.Add(f.resistance, c.kind == ComponentKind::Resistor ? std::optional(c.value) : std::nullopt);
    saturation.Add(f.saturationAmps, is);
    ideality.Add(f.ideality, n);
    series.Add(f.seriesOhms, rs);
    if (!f.leakageAmps.value) {
      EXPECT_FALSE(f.leakageAmps.note.empty());
    } else if (std::abs(leakage) < step) {
      EXPECT_LE(std::abs(*f.leakageAmps.value - leakage), f.leakageAmps.uncertainty) << "seed " << seed;
    }
  }
  for (const auto& [name, count] : {std::pair{"vf", vf}, {"vbr", vbr}, {"leakage", leak}, {"resistance", resistance},
                                    {"is", saturation}, {"n", ideality}, {"rs", series}})
    EXPECT_GE(count.covered * 10, count.stated * 9) << name << ": " << count.covered << " of " << count.stated;
}

INSTANTIATE_TEST_SUITE_P(Parts, SimulatedPartFigures,
                         testing::Values(PartCase{"Diode100", ComponentKind::Diode, 0, 100},
                                         PartCase{"Diode1k", ComponentKind::Diode, 0, 1000},
                                         PartCase{"Led100", ComponentKind::Led, 0, 100},
                                         PartCase{"Zener3v3On1k", ComponentKind::Zener, 3.3, 1000},
                                         PartCase{"Zener4v7On100", ComponentKind::Zener, 4.7, 100},
                                         PartCase{"Resistor220On100", ComponentKind::Resistor, 220, 100},
                                         PartCase{"Resistor4k7On1k", ComponentKind::Resistor, 4700, 1000}),
                         [](const auto& info) { return std::string(info.param.name); });

// What cannot be told from the curve is said in words, never as a number.
TEST(ReportFigures, WhatTheCurveCannotGiveHasAReason) {
  const AnalysisOptions o;
  const struct {
    const char* name;
    Component part;
    int ohms;
    ReportedFigure ReportedFigures::*figure;
    const char* reason;
  } cases[] = {
      {"diode: no breakdown within the span", {ComponentKind::Diode, 0}, 1000, &ReportedFigures::breakdownVolts,
       "does not reach -1 mA"},
      {"diode: leakage under a current step", {ComponentKind::Diode, 0}, 1000, &ReportedFigures::leakageAmps,
       "below the resolution"},
      {"LED: Is far beyond the points", {ComponentKind::Led, 0}, 1000, &ReportedFigures::saturationAmps,
       "not resolved"},
      {"diode: series resistance under the currents' resolution", {ComponentKind::Diode, 0}, 1000,
       &ReportedFigures::seriesOhms, "below the resolution"},
      {"resistor: no junction", {ComponentKind::Resistor, 1000}, 1000, &ReportedFigures::ideality, "no junction"},
      {"open: no forward voltage", {ComponentKind::Open, 0}, 1000, &ReportedFigures::forwardVolts,
       "does not reach 1 mA"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const Curve curve = SweepCurve(Sweep{c.part, c.ohms, 1024, 1});
    const ReportedFigure f = ReportFigures(curve, AnalysePart(curve, o), o).*(c.figure);
    EXPECT_FALSE(f.value) << *f.value;
    EXPECT_NE(f.note.find(c.reason), std::string::npos) << f.note;
  }
}

// The breakdown row names the current it was read at: -1 mA where the
// curve reaches it, the analysis's own lower current where it does not.
TEST(ParameterRows, BreakdownRowNamesItsCurrent) {
  const AnalysisOptions o;
  const struct {
    const char* name;
    int ohms;
    const char* label;
  } cases[] = {
      {"4.7 V zener on 100 ohm", 100, "breakdown voltage at -1 mA"},
      {"4.7 V zener on 1 kohm", 1000, "breakdown voltage at -"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const Curve curve = SweepCurve(Sweep{{ComponentKind::Zener, 4.7}, c.ohms, 1024, 1});
    const PartParameters p = AnalysePart(curve, o);
    ASSERT_TRUE(p.breakdownAmps);
    const auto rows = ParameterRows(curve, p, o);
    const auto row = std::find_if(rows.begin(), rows.end(),
                                  [](const ParameterRow& r) { return r.label.rfind("breakdown voltage at", 0) == 0; });
    ASSERT_NE(row, rows.end());
    EXPECT_EQ(row->label.rfind(c.label, 0), 0u) << row->label;
    EXPECT_EQ(row->label, "breakdown voltage at " + WithUnit(*p.breakdownAmps, "A"));
    EXPECT_EQ(row->value.find("\u2014"), std::string::npos) << row->value;  // a figure, not a dash
  }
}

// ---- published parts through ngspice ----

struct ListedCase {
  const char* part;
  double ohms;
  bool stated;  // whether the leakage at -1 V is resolved at all
};
void PrintTo(const ListedCase& c, std::ostream* os) { *os << c.part << " on " << c.ohms; }

class LeakageRow : public testing::TestWithParam<ListedCase> {};

// A diode, an LED and a zener on 1 kohm leak far less than the 10 uA a
// current step is worth there: their row says so instead of a number; the
// resistor's current is stated with an interval that holds the true value.
TEST_P(LeakageRow, ShowsTheResolutionNotANumberBelowIt) {
  if (std::string(KVT_NGSPICE).empty()) GTEST_SKIP() << "ngspice is not installed";
  const ListedCase& c = GetParam();
  const auto list = parts::ReadPartList(std::filesystem::path(KVT_PARTS_DIR) / "parts.txt");
  const auto entry = std::find_if(list.entries.begin(), list.entries.end(),
                                  [&](const parts::PartEntry& e) { return e.part == c.part; });
  ASSERT_NE(entry, list.entries.end());
  const auto dir = std::filesystem::path(KVT_TEST_TMP) / "figures";
  std::filesystem::create_directories(dir);
  const std::string name = "leak_" + std::to_string(std::hash<std::string>{}(c.part)) + "_" + std::to_string(c.ohms);
  const auto sweep = parts::RunSweep(KVT_NGSPICE, dir, name,
                                     parts::RangeCircuit(c.ohms, parts::PartNetlist(*entry, KVT_PARTS_DIR)), {"v(a)"},
                                     0.001);
  ASSERT_TRUE(sweep);
  const auto codes = parts::VoltsAtCodes(*sweep);
  ASSERT_TRUE(codes);
  // The model's current at -1 V.
  std::optional<double> truth;
  const auto& v = sweep->probes[0];
  for (std::size_t i = 1; i < v.size() && !truth; ++i)
    if ((v[i - 1] + 1) * (v[i] + 1) <= 0 && v[i] != v[i - 1]) {
      const double a = sweep->applied[i - 1] + (sweep->applied[i] - sweep->applied[i - 1]) * (-1 - v[i - 1]) / (v[i] - v[i - 1]);
      truth = (a + 1) / c.ohms;
    }
  ASSERT_TRUE(truth);
  for (const double noise : {0.0, 1.0}) {
    SCOPED_TRACE(noise);
    const Curve curve = parts::MeasuredCurve(*codes, c.ohms, noise, 1);
    const AnalysisOptions o;
    std::string row;
    for (const ParameterRow& r : ParameterRows(curve, AnalysePart(curve, o), o))
      if (r.label == "leakage current at -1 V") row = r.value;
    if (!c.stated) {
      EXPECT_EQ(row.rfind("— (below the resolution", 0), 0u) << row;
      continue;
    }
    // "-213 ± 9 uA": the interval, in the row's own unit, holds the model's current.
    double value = 0, spread = 0;
    char prefix = 0;
    ASSERT_EQ(std::sscanf(row.c_str(), "%lf ± %lf %cA", &value, &spread, &prefix), 3) << row;
    ASSERT_EQ(prefix, 'u') << row;
    EXPECT_LE(std::abs(value * 1e-6 - *truth), spread * 1e-6) << row << " against " << *truth;
  }
}

INSTANTIATE_TEST_SUITE_P(Set, LeakageRow,
                         testing::Values(ListedCase{"1N4148", 1000, false}, ListedCase{"HLMP-6000", 1000, false},
                                         ListedCase{"BZX84-C3V3", 1000, false}, ListedCase{"R 4.7k", 1000, true}),
                         [](const auto& info) {
                           std::string name;
                           for (const char* ch = info.param.part; *ch; ++ch)
                             name += std::isalnum(static_cast<unsigned char>(*ch)) ? *ch : '_';
                           return name;
                         });

}  // namespace
}  // namespace kvt

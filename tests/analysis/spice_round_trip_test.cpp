// Written models must give the part back: the table read as the simulator
// reads it, and published models of real parts measured, modelled and run
// through the same circuit in ngspice again.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <optional>
#include <ostream>
#include <sstream>
#include <string>
#include <vector>

#include "analysis/comparison.h"
#include "analysis/spice_model.h"
#include "simulated_sweep.h"
#include "tests/support/part_circuit.h"

namespace kvt {
namespace {

using kvtsim::Component;
using kvtsim::ComponentKind;

// ---- the table, as the simulator evaluates it ----

// Linear between knots; beyond the ends the end segments carry on.
double TableAmps(const std::vector<TableKnot>& knots, double volts) {
  std::size_t i = 1;
  while (i + 1 < knots.size() && volts > knots[i].volts) ++i;
  const TableKnot &a = knots[i - 1], &b = knots[i];
  return a.amps + (b.amps - a.amps) * (volts - a.volts) / (b.volts - a.volts);
}

// The part's voltage when `applied` drives the table through the range
// resistor: the one crossing of a rising table with the falling load line.
double OperatingVolts(const std::vector<TableKnot>& knots, double applied, double rangeOhms) {
  double lo = -50, hi = 50;
  for (int k = 0; k < 200; ++k) {
    const double mid = (lo + hi) / 2;
    (mid + rangeOhms * TableAmps(knots, mid) > applied ? hi : lo) = mid;
  }
  return (lo + hi) / 2;
}

struct TableCase {
  const char* name;
  Curve curve;
  double rangeOhms;
};
void PrintTo(const TableCase& c, std::ostream* os) { *os << c.name; }

Curve Measured(ComponentKind kind, double value, int rangeOhms, std::uint64_t seed) {
  return SweepCurve({Component{kind, value}, rangeOhms, 1024, seed, 1.0});
}

class SpiceTableTest : public testing::TestWithParam<TableCase> {};

TEST_P(SpiceTableTest, PassesZeroNeverSourcesAndCarriesBothEnds) {
  const TableCase& c = GetParam();
  const std::vector<TableKnot> knots = TableKnots(c.curve);
  ASSERT_GE(knots.size(), 2u);
  EXPECT_EQ(TableAmps(knots, 0.0), 0.0);
  std::optional<double> sourcing;
  for (double v = -8; v <= 8 && !sourcing; v += 0.005)
    if (v * TableAmps(knots, v) < 0) sourcing = v;
  EXPECT_FALSE(sourcing) << "sources current at " << *sourcing << " V";
  for (std::size_t k = 1; k < knots.size(); ++k) ASSERT_GE(knots[k].amps, knots[k - 1].amps) << knots[k].volts;

  // The sweep's two ends driven again: the table must carry their currents
  // near the voltages measured there.
  std::vector<CurvePoint> ends;
  for (const CurvePoint& p : c.curve.points)
    if (!p.clipped) ends.push_back(p);
  std::sort(ends.begin(), ends.end(), [](const auto& a, const auto& b) { return a.amps < b.amps; });
  for (const CurvePoint& p : {ends.front(), ends.back()}) {
    const double applied = p.volts + c.rangeOhms * p.amps;
    EXPECT_NEAR(OperatingVolts(knots, applied, c.rangeOhms), p.volts, 0.03) << "driven at " << applied << " V";
  }
}

INSTANTIATE_TEST_SUITE_P(
    Curves, SpiceTableTest,
    testing::Values(
        // Readings near 0 V a little above zero, one in reverse.
        TableCase{"OffsetNearZero",
                  CurveFromPairs({{-2, -1e-6}, {-1, 1.2e-6}, {-0.5, 0.97e-6}, {0, 0.97e-6}, {0.3, 2e-6},
                                  {0.5, 0.1e-3}, {0.6, 1e-3}, {0.65, 2e-3}, {0.7, 3e-3}},
                                 1000.0),
                  1000},
        TableCase{"NoisyDiodeOn100", Measured(ComponentKind::Diode, 0, 100, 3), 100},
        TableCase{"NoisyLedOn100", Measured(ComponentKind::Led, 0, 100, 5), 100},
        TableCase{"NoisyZenerOn100", Measured(ComponentKind::Zener, 3.3, 100, 7), 100},
        TableCase{"NoisyZenerOn1k", Measured(ComponentKind::Zener, 4.7, 1000, 2), 1000},
        TableCase{"ResistorOn1k", Measured(ComponentKind::Resistor, 2200, 1000, 4), 1000}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SpiceTable, NoReverseConductionForACurveMeasuredForwardOnly) {
  const auto knots = TableKnots(CurveFromPairs(
      {{0.0, 0}, {0.3, 1e-6}, {0.5, 0.1e-3}, {0.6, 1e-3}, {0.62, 2e-3}, {0.64, 3e-3}, {0.66, 5e-3}, {0.68, 8e-3}}));
  EXPECT_EQ(TableAmps(knots, -3.0), 0.0);
}

// ---- published models through ngspice ----

using parts::PartEntry;

struct TripCase {
  const char* name;
  const char* part;  // as listed in the acceptance set
  double rangeOhms;
  double noise;  // converter steps
  std::uint64_t seed;
  bool readUnknown;  // as a curve the analysis could not name would be
  int breakdown;     // 1: BV due, 0: none, -1: either
  bool leaky;
};
void PrintTo(const TripCase& c, std::ostream* os) { *os << c.name; }

std::optional<PartEntry> FindPart(const std::string& name) {
  for (const PartEntry& e : parts::ReadPartList(std::filesystem::path(KVT_PARTS_DIR) / "parts.txt").entries)
    if (e.part == name) return e;
  return std::nullopt;
}

class SpiceRoundTripTest : public testing::TestWithParam<TripCase> {};

TEST_P(SpiceRoundTripTest, ModelAndTableTraceThePartAgain) {
  if (std::string(KVT_NGSPICE).empty()) GTEST_SKIP() << "ngspice is not installed";
  const TripCase& c = GetParam();
  const auto part = FindPart(c.part);
  ASSERT_TRUE(part) << c.part;
  const std::filesystem::path dir = KVT_TEST_TMP;
  const std::string tag = std::string("trip_") + c.name;
  const auto truth = parts::RunSweep(KVT_NGSPICE, dir, tag + "_part",
                                     parts::RangeCircuit(c.rangeOhms, parts::PartNetlist(*part, KVT_PARTS_DIR)),
                                     {"v(a)"}, 0.001);
  ASSERT_TRUE(truth);
  const auto codes = parts::VoltsAtCodes(*truth);
  ASSERT_TRUE(codes);
  const Curve measured = parts::MeasuredCurve(*codes, c.rangeOhms, c.noise, c.seed);
  PartParameters p = AnalysePart(measured);
  if (c.readUnknown) {
    p.kind = PartKind::Unknown;
    p.shockley.reset();
  }

  const auto model = FitDiodeModel(measured, p);
  ASSERT_TRUE(model) << "no diode model";
  if (c.breakdown >= 0) {
    EXPECT_EQ(model->breakdown.has_value(), c.breakdown == 1);
  }
  EXPECT_EQ(model->parallelOhms.has_value(), c.leaky);
  if (model->breakdown && c.noise == 0) {
    // BV where the part itself carries IBV (the junction's share of it).
    const double leak = model->parallelOhms ? model->breakdown->volts / *model->parallelOhms : 0.0;
    const auto volts = parts::VoltsWhereCurrent(*truth, c.rangeOhms, -(model->breakdown->amps + leak));
    ASSERT_TRUE(volts);
    EXPECT_NEAR(model->breakdown->volts, -*volts, 0.01);
  }

  const SpiceDiode diode = SpiceDiodeOf("DUT", *model);
  std::ostringstream range;
  range << c.rangeOhms;
  const std::string circuit = SpiceModelText("DUT", measured, p) + "Rrange_model in a " + range.str() + "\n" +
                              diode.element + "model a 0 " + diode.device + "\nRrange_table in b " + range.str() +
                              "\nXtable b 0 DUT_TABLE\n";
  const auto trip = parts::RunSweep(KVT_NGSPICE, dir, tag + "_trip", circuit, {"v(a)", "v(b)"});
  ASSERT_TRUE(trip) << "ngspice failed; see " << (dir / (tag + "_trip.log"));
  for (std::size_t probe : {0u, 1u}) {
    const auto tripCodes = parts::VoltsAtCodes(*trip, probe);
    ASSERT_TRUE(tripCodes);
    const Comparison result = CompareCurves(parts::MeasuredCurve(*tripCodes, c.rangeOhms, 0.0, 1), measured);
    EXPECT_TRUE(result.pass) << (probe == 0 ? "diode model" : "table") << " scores " << result.score;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Parts, SpiceRoundTripTest,
    testing::Values(TripCase{"Leaky1N4148On1k", "1N4148 + 10k", 1000, 0, 1, false, 0, true},
                    TripCase{"Leaky1N4148On100Noisy", "1N4148 + 10k", 100, 1, 1, false, 0, true},
                    TripCase{"Zener4V7On1k", "BZX384-B4V7", 1000, 0, 1, false, 1, false},
                    TripCase{"Zener4V7On1kNoisy", "BZX384-B4V7", 1000, 1, 1, false, 1, false},
                    TripCase{"Zener3V3On100", "BZX84-C3V3", 100, 0, 1, false, 1, false},
                    TripCase{"Zener2V7On100Noisy", "BZX384-B2V7", 100, 1, 4, false, 1, false},
                    TripCase{"RedLedOn1k", "HLMP-6000", 1000, 0, 1, false, 1, false},
                    TripCase{"RedLedFaintBreakdownNoisy", "APT1608SURCK", 1000, 1, 1, false, -1, false},
                    TripCase{"SchottkyOn1k", "1N5817", 1000, 0, 1, false, 0, false},
                    TripCase{"SchottkyOn100Noisy", "1N5817", 100, 1, 1, false, 0, false},
                    TripCase{"BlueLedReadUnknown", "LXML-PB01", 100, 0, 1, true, 0, false},
                    TripCase{"SeriesRReadUnknownNoisy", "1N4007 + 330", 100, 0.5, 1, true, 0, false}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace kvt

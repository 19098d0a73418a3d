// The written models in a real circuit simulator: a DC sweep through the
// range resistor must trace the measured curve again.
#include "analysis/spice_model.h"

#include <gtest/gtest.h>

#include <ostream>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "analysis/comparison.h"
#include "simulated_sweep.h"

namespace kvt {
namespace {

using kvtsim::Component;
using kvtsim::ComponentKind;

TEST(SpiceModelText, DiodeModelAndTableForAZener) {
  const Curve curve = SweepCurve({Component{ComponentKind::Zener, 3.3}, 1000, 64});
  const PartParameters p = AnalysePart(curve);
  const std::string text = SpiceModelText("z 3v3", curve, p);
  EXPECT_EQ(text.rfind("* z_3v3: measured zener\n.model z_3v3 D(IS=", 0), 0u) << text;
  EXPECT_NE(text.find(" BV=3."), std::string::npos);
  EXPECT_NE(text.find(" IBV=0.001"), std::string::npos);
  EXPECT_NE(text.find(".subckt z_3v3_TABLE 1 2\nB1 1 2 I = pwl(V(1,2)\n+ , -"), std::string::npos);
  EXPECT_NE(text.find(".ends z_3v3_TABLE\n"), std::string::npos);
}

TEST(SpiceModelText, NamesAndPartsThatHaveNoDiodeModel) {
  EXPECT_EQ(SpiceName("1N4148"), "D1N4148");
  EXPECT_EQ(SpiceName(""), "PART");
  EXPECT_EQ(SpiceName("a-b.c"), "a_b_c");
  const Curve resistor = SweepCurve({Component{ComponentKind::Resistor, 1000}, 1000, 32});
  const PartParameters p = AnalysePart(resistor);
  EXPECT_FALSE(SpiceDiodeModel("R", resistor, p));
  EXPECT_TRUE(SpiceTableSubcircuit("R", resistor));
  EXPECT_FALSE(SpiceTableSubcircuit("R", CurveFromPairs({{0.5, 1e-3}, {0.5, 2e-3}})));
}

TEST(SpiceTable, CurrentsNeverFallWithVoltage) {
  // Noise makes a steep curve step back; the table must not. The two
  // readings at 0.6 V count twice against the one at 0.61 V, in current and
  // in where the pooled knot sits.
  const std::string text = *SpiceTableSubcircuit(
      "N", CurveFromPairs({{0.6, 1e-3}, {0.61, 0.8e-3}, {0.6, 2e-3}, {0.62, 3e-3}, {0.0, 0}}));
  EXPECT_NE(text.find("+ , -1, 0 , 0, 0 , 0.6033333, 0.001266667 , 0.62, 0.003)"), std::string::npos) << text;
}

// Runs ngspice on `deck`; the sweep's part voltages and currents as a curve.
std::optional<Curve> RunSweep(const std::string& name, const std::string& deck, double rangeOhms) {
  const std::filesystem::path dir = KVT_TEST_TMP;
  const auto cir = dir / (name + ".cir"), out = dir / (name + ".txt"), log = dir / (name + ".log");
  std::ofstream(cir) << deck << ".control\nset wr_singlescale\ndc V1 -5.12 5.11 0.01\nwrdata " << out.string()
                     << " v(2)\nquit\n.endc\n.end\n";
  std::filesystem::remove(out);
  const std::string command =
      std::string(KVT_NGSPICE) + " -b " + cir.string() + " > " + log.string() + " 2>&1";
  if (std::system(command.c_str()) != 0) return std::nullopt;
  std::ifstream in(out);
  Curve curve;
  double applied, part;
  while (in >> applied >> part) curve.points.push_back({part, (applied - part) / rangeOhms, false, rangeOhms});
  FlagClipping(curve);
  if (curve.points.size() != 1024) return std::nullopt;
  return curve;
}

struct SpiceCase {
  const char* name;
  Sweep sweep;
  bool diodeModel;  // the part has one; every part has the table
};
void PrintTo(const SpiceCase& c, std::ostream* os) { *os << c.name; }

class SpiceSimulationTest : public testing::TestWithParam<SpiceCase> {};

TEST_P(SpiceSimulationTest, ModelsReproduceTheMeasuredCurve) {
  if (std::string(KVT_NGSPICE).empty()) GTEST_SKIP() << "ngspice is not installed";
  const SpiceCase& c = GetParam();
  const Curve measured = SweepCurve(c.sweep);
  const PartParameters p = AnalysePart(measured);
  const std::string models = SpiceModelText("DUT", measured, p);
  const std::string source = "V1 1 0 0\nR1 1 2 " + std::to_string(c.sweep.rangeOhms) + "\n";

  const auto table = RunSweep(std::string(c.name) + "_table", "* table\n" + models + source + "X1 2 0 DUT_TABLE\n",
                              c.sweep.rangeOhms);
  ASSERT_TRUE(table) << "ngspice failed on the table model";
  const Comparison t = CompareCurves(*table, measured);
  EXPECT_TRUE(t.pass) << t.score;
  EXPECT_GE(t.score, 97);
  std::cout << c.name << " table: score " << t.score << ", worst " << t.worst->bands << " bands ("
            << t.worst->deltaVolts * 1e3 << " mV, " << t.worst->deltaAmps * 1e6 << " uA)\n";

  if (!c.diodeModel) return;
  const auto diode = RunSweep(std::string(c.name) + "_diode", "* diode\n" + models + source + "D1 2 0 DUT\n",
                              c.sweep.rangeOhms);
  ASSERT_TRUE(diode) << "ngspice failed on the diode model";
  const Comparison d = CompareCurves(*diode, measured);
  EXPECT_TRUE(d.pass) << d.score;
  const auto simulatedForward = VoltsAtCurrent(*diode, 1e-3);
  ASSERT_TRUE(simulatedForward && p.forwardVolts);
  EXPECT_NEAR(simulatedForward->volts, *p.forwardVolts, 0.01);
  std::cout << c.name << " diode: score " << d.score << ", worst " << d.worst->bands << " bands ("
            << d.worst->deltaVolts * 1e3 << " mV, " << d.worst->deltaAmps * 1e6 << " uA), Vf "
            << (simulatedForward->volts - *p.forwardVolts) * 1e3 << " mV off\n";
}

INSTANTIATE_TEST_SUITE_P(
    Parts, SpiceSimulationTest,
    testing::Values(SpiceCase{"Diode", {Component{ComponentKind::Diode, 0}, 1000}, true},
                    SpiceCase{"Led", {Component{ComponentKind::Led, 0}, 1000, 256}, true},
                    SpiceCase{"Zener", {Component{ComponentKind::Zener, 3.3}, 1000}, true},
                    SpiceCase{"Resistor", {Component{ComponentKind::Resistor, 4700}, 10000, 128}, false},
                    SpiceCase{"Open", {Component{ComponentKind::Open, 0}, 1000, 64}, false}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace kvt

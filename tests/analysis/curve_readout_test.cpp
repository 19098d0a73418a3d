// The nearest point under a pointer, its dynamic resistance, and which of
// several references matches best.
#include "analysis/curve_readout.h"
#include "analysis/reference_match.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "simulated_sweep.h"

namespace kvt {

namespace {

// A 1 kohm line from -1 V to 1 V in 0.1 V steps, then flat (an open end)
// for as many points as a local fit takes.
Curve LineThenFlat() {
  std::vector<std::pair<double, double>> pairs;
  for (int i = -10; i <= 10; ++i) pairs.emplace_back(i / 10.0, i / 10.0 / 1000);
  for (int i = 11; i <= 22; ++i) pairs.emplace_back(i / 10.0, 1e-3);
  return CurveFromPairs(pairs);
}

}  // namespace

TEST(CurveReadout, NearestPointIsJudgedInPixelsOfEitherAxis) {
  const Curve curve = LineThenFlat();
  const struct {
    const char* name;
    double volts, amps, voltsPerPixel, ampsPerPixel;
    double nearVolts;
    std::optional<double> ohms;
  } cases[] = {
      {"on a point", 0.5, 0.5e-3, 0.01, 1e-5, 0.5, 1000},
      {"between, nearer the upper", 0.37, 0.37e-3, 0.01, 1e-5, 0.4, 1000},
      // Far off the line in current: the voltage alone decides when the
      // current axis is coarse.
      {"coarse current axis", -0.3, 0.9e-3, 0.01, 1.0, -0.3, 1000},
      {"first point, one-sided", -1.5, -1e-3, 0.01, 1e-5, -1.0, 1000},
      {"flat end: no resistance", 2.25, 1e-3, 0.01, 1e-5, 2.2, std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const auto p = NearestCurvePoint(curve, c.volts, c.amps, c.voltsPerPixel, c.ampsPerPixel);
    ASSERT_TRUE(p);
    EXPECT_DOUBLE_EQ(p->volts, c.nearVolts);
    ASSERT_EQ(p->dynamicOhms.has_value(), c.ohms.has_value());
    if (c.ohms) {
      EXPECT_NEAR(p->dynamicOhms->value, *c.ohms, 1e-6);
    }
  }
  EXPECT_FALSE(NearestCurvePoint(Curve{}, 0, 0, 0.01, 1e-5));
  EXPECT_FALSE(NearestCurvePoint(curve, 0, 0, 0, 1e-5));
}

// dV/dI of the simulator's part where the applied voltage is `applied`, from
// its model: the slope of the part's voltage over the applied one, turned
// into ohms through the range.
double ModelOhmsAt(const kvtsim::Component& part, int ohms, double applied) {
  const double a = applied, h = 1e-4;
  const double s = (kvtsim::ComponentVolts(part, a + h, ohms) - kvtsim::ComponentVolts(part, a - h, ohms)) / (2 * h);
  return ohms * s / (1 - s);
}

// Where consecutive points barely differ, the readout's dV/dI comes from as
// many neighbours as resolve it, or is not given: never 0 on a diode's steep
// part, never negative on a zener's flat one, and its interval holds the
// model's slope on at least nine sweeps in ten.
TEST(CurveReadout, DynamicResistanceIsResolvedOrNotGiven) {
  using kvtsim::ComponentKind;
  const struct {
    const char* name;
    kvtsim::Component part;
    int ohms;
    double amps, volts;  // where the pointer is: the point nearest this current, or this voltage if no current
    bool given;          // whether it must be given at all
  } cases[] = {
      {"diode's steep part on 100 ohms", {ComponentKind::Diode, 0}, 100, 20e-3, 0, false},
      {"diode's knee on 1 kohm", {ComponentKind::Diode, 0}, 1000, 1e-3, 0, true},
      {"LED's steep part on 100 ohms", {ComponentKind::Led, 0}, 100, 20e-3, 0, false},
      {"zener's flat part on 1 kohm", {ComponentKind::Zener, 3.3}, 1000, 0, -2.0, false},
      {"diode's flat part on 100 ohms", {ComponentKind::Diode, 0}, 100, 0, -3.0, false},
      {"zener's breakdown on 100 ohms", {ComponentKind::Zener, 3.3}, 100, -10e-3, 0, true},
      {"resistor on 1 kohm", {ComponentKind::Resistor, 2200}, 1000, 1e-3, 0, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    int given = 0, covered = 0;
    for (std::uint64_t seed = 1; seed <= 10; ++seed) {
      const Curve curve = SweepCurve(Sweep{c.part, c.ohms, 1024, seed});
      auto off = [&](const CurvePoint& q) { return c.amps != 0 ? std::abs(q.amps - c.amps) : std::abs(q.volts - c.volts); };
      std::size_t at = 0;
      for (std::size_t i = 0; i < curve.points.size(); ++i)
        if (off(curve.points[i]) < off(curve.points[at])) at = i;
      const auto p = NearestCurvePoint(curve, curve.points[at].volts, curve.points[at].amps, 0.01, 1e-5);
      ASSERT_TRUE(p);
      // The model's slope where that point was measured (codes are evenly spread).
      const double truth = ModelOhmsAt(c.part, c.ohms, kvtsim::CodeVolts(static_cast<int>(at)));
      if (!p->dynamicOhms) continue;
      ++given;
      const Uncertain r = *p->dynamicOhms;
      EXPECT_GT(r.value - r.uncertainty, 0) << "seed " << seed << ": " << r.value << " +- " << r.uncertainty;
      covered += std::abs(r.value - truth) <= r.uncertainty;
    }
    if (c.given) {
      EXPECT_EQ(given, 10);
    }
    EXPECT_GE(covered * 10, given * 9) << covered << " of " << given << " hold the model's slope";
  }
}

TEST(ReferenceMatch, TheBestReferenceIsNamedFirst) {
  const Curve measured = LineThenFlat();
  Curve steeper = measured;
  for (CurvePoint& p : steeper.points) p.amps *= 2;
  const std::vector<NamedCurve> references = {{"steeper.kvt", steeper}, {"same.kvt", measured}};
  const ReferenceMatch match = MatchReferences(measured, references);
  ASSERT_EQ(match.comparisons.size(), 2u);
  ASSERT_EQ(match.best, 1u);
  const auto lines = MatchLines(match, references);
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines[0].rfind("PASS 100.0 % best: same.kvt", 0), 0u) << lines[0];
  EXPECT_EQ(lines.back().rfind("fail ", 0), 0u) << lines.back();
  EXPECT_NE(lines.back().find("steeper.kvt"), std::string::npos);
  EXPECT_TRUE(MatchLines(MatchReferences(measured, {}), {}).empty());
}

}  // namespace kvt

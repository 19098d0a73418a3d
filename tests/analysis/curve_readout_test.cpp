// The nearest point under a pointer, its dynamic resistance, and which of
// several references matches best.
#include "analysis/curve_readout.h"
#include "analysis/reference_match.h"

#include <gtest/gtest.h>

namespace kvt {

namespace {

// A 1 kohm line from -1 V to 1 V in 0.1 V steps, then flat (an open end).
Curve LineThenFlat() {
  std::vector<std::pair<double, double>> pairs;
  for (int i = -10; i <= 10; ++i) pairs.emplace_back(i / 10.0, i / 10.0 / 1000);
  pairs.emplace_back(1.1, 1e-3);
  pairs.emplace_back(1.2, 1e-3);
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
      {"flat end: no resistance", 1.25, 1e-3, 0.01, 1e-5, 1.2, std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const auto p = NearestCurvePoint(curve, c.volts, c.amps, c.voltsPerPixel, c.ampsPerPixel);
    ASSERT_TRUE(p);
    EXPECT_DOUBLE_EQ(p->volts, c.nearVolts);
    ASSERT_EQ(p->dynamicOhms.has_value(), c.ohms.has_value());
    if (c.ohms) {
      EXPECT_NEAR(*p->dynamicOhms, *c.ohms, 1e-6);
    }
  }
  EXPECT_FALSE(NearestCurvePoint(Curve{}, 0, 0, 0.01, 1e-5));
  EXPECT_FALSE(NearestCurvePoint(curve, 0, 0, 0, 1e-5));
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

// The measured model: where readings clip, and the range a curve was taken on.
#include "core/curve.h"

#include <gtest/gtest.h>

#include <cmath>
#include <regex>

namespace kvt {
namespace {

TEST(Clipping, FlagsOneStepAtEitherEndOfTheConverter) {
  struct Case {
    double volts;
    bool clipped;
  };
  const Case cases[] = {{-5.12, true}, {-5.11, true},  {-5.10, false}, {0.0, false},
                        {5.09, false}, {5.10, true},   {5.11, true},   {7.0, true},
                        {-9.0, true},  {-5.1049, false}};
  for (const Case& c : cases) EXPECT_EQ(IsClippedVolts(c.volts), c.clipped) << c.volts;
}

TEST(Clipping, AnOpenCircuitSweepIsFlaggedAtBothEndsOnly) {
  std::vector<std::pair<double, double>> pairs;
  for (int i = 0; i < 1024; ++i) pairs.emplace_back((i - 512) / 100.0, 0.0);
  const Curve curve = CurveFromPairs(pairs, 1000.0);
  ASSERT_EQ(curve.points.size(), 1024u);
  int flagged = 0;
  for (const CurvePoint& p : curve.points) flagged += p.clipped;
  EXPECT_EQ(flagged, 4);
  EXPECT_TRUE(curve.points.front().clipped && curve.points[1].clipped);
  EXPECT_TRUE(curve.points.back().clipped && curve.points[1022].clipped);
  EXPECT_FALSE(curve.points[2].clipped || curve.points[1021].clipped);
  EXPECT_EQ(PairsOf(curve), pairs);
}

TEST(CurveRange, IsOnlyThatOfEveryPoint) {
  const auto on = [](std::vector<std::optional<double>> ranges) {
    Curve c;
    for (const auto& r : ranges) c.points.push_back({0.1, 1e-3, false, r});
    return c.RangeOhms();
  };
  struct Case {
    const char* name;
    std::vector<std::optional<double>> ranges;
    std::optional<double> expected;
  };
  const Case cases[] = {
      {"no points", {}, std::nullopt},
      {"one range", {1000.0, 1000.0, 1000.0}, 1000.0},
      {"ranges stitched together", {10000.0, 1000.0, 100.0}, std::nullopt},
      {"one point's range unknown", {100.0, std::nullopt}, std::nullopt},
      {"no range known", {std::nullopt, std::nullopt}, std::nullopt},
  };
  for (const Case& c : cases) EXPECT_EQ(on(c.ranges), c.expected) << c.name;

  Curve mixed = CurveFromPairs({{0, 0}, {1, 1e-3}});
  mixed.points[1].rangeOhms = 100.0;
  mixed.SetRangeOhms(10000.0);
  EXPECT_EQ(mixed.RangeOhms(), 10000.0);
}

// Fits and comparisons leave out clipped readings and values that are no
// numbers, and keep the rest in order.
TEST(UsablePoints, LeavesOutClippedAndNonFinitePoints) {
  Curve c;
  c.points = {{-5.12, -1e-3, true}, {0.1, 1e-6}, {NAN, 0}, {0.6, INFINITY}, {0.7, 2e-3}, {5.11, 4e-3, true}};
  const std::vector<CurvePoint> usable = UsablePoints(c);
  ASSERT_EQ(usable.size(), 2u);
  EXPECT_EQ(usable[0].volts, 0.1);
  EXPECT_EQ(usable[1].volts, 0.7);
}

TEST(CurveInfo, DateIsLocalTimeToTheSecond) {
  EXPECT_TRUE(std::regex_match(LocalDateTimeNow(), std::regex(R"(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d)")));
}

}  // namespace
}  // namespace kvt

#include "plot/smoothing.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace kvt {

namespace {

// A curve of `count` points with a curved, noisy current so that no block is
// already a straight line.
Curve Wobbly(int count) {
  Curve p;
  for (int k = 0; k < count; ++k) {
    const double volts = (k * 1024 / count - 512) / 100.0;
    p.points.push_back({volts, (0.3 * std::sin(k * 1.7) + 0.01 * k * k) / 1000});
  }
  return p;
}

double MilliampsAt(const Curve& p, int k) { return p.points[static_cast<std::size_t>(k)].amps * 1000; }
double VoltsAt(const Curve& p, int k) { return p.points[static_cast<std::size_t>(k)].volts; }
double At(const std::vector<double>& y, int k) { return y[static_cast<std::size_t>(k)]; }

// Checks that points first..last (1-based) form one fitted block: the fitted
// values lie on one line and satisfy both normal equations of the fit.
void ExpectFittedBlock(const Curve& p, const std::vector<double>& y, int first, int last) {
  double residual = 0, moment = 0, scale = 0;
  for (int k = first - 1; k <= last - 1; ++k) {
    const double r = At(y, k) - MilliampsAt(p, k);
    residual += r;
    moment += r * VoltsAt(p, k);
    scale += std::fabs(MilliampsAt(p, k));
  }
  EXPECT_NEAR(residual, 0, 1e-9 * scale) << "block " << first << ".." << last;
  EXPECT_NEAR(moment, 0, 1e-9 * scale) << "block " << first << ".." << last;
  const int k0 = first - 1, k1 = last - 1;
  const double slope = (At(y, k1) - At(y, k0)) / (VoltsAt(p, k1) - VoltsAt(p, k0));
  for (int k = k0; k <= k1; ++k)
    EXPECT_NEAR(At(y, k), At(y, k0) + slope * (VoltsAt(p, k) - VoltsAt(p, k0)), 1e-9) << k;
}

void ExpectUnchanged(const Curve& p, const std::vector<double>& y, int point) {
  EXPECT_DOUBLE_EQ(At(y, point - 1), MilliampsAt(p, point - 1)) << "point " << point;
}

}  // namespace

TEST(Smoothing, BlocksOfFiveAmongThirtyTwoPoints) {
  const Curve p = Wobbly(32);
  const Curve before = p;
  const auto y = SmoothedMilliamps(p, 5);
  ASSERT_EQ(y.size(), 32u);  // one value per point
  for (int start : {1, 6, 11, 16, 21, 26}) ExpectFittedBlock(p, y, start, start + 4);
  // The fit really moved the points of a block.
  EXPECT_GT(std::fabs(At(y, 0) - MilliampsAt(p, 0)), 1e-3);
  ExpectUnchanged(p, y, 31);
  ExpectUnchanged(p, y, 32);
  EXPECT_EQ(before.points, p.points);
}

TEST(Smoothing, OneBlockOfThirtyAndBlocksOfThreeAmong1024) {
  {
    // Blocks that fill the curve exactly: the last one ends at the last point.
    const Curve p = Wobbly(32);
    const auto y = SmoothedMilliamps(p, 4);
    for (int start = 1; start <= 29; start += 4) ExpectFittedBlock(p, y, start, start + 3);
  }
  {
    const Curve p = Wobbly(32);
    const auto y = SmoothedMilliamps(p, 30);
    ExpectFittedBlock(p, y, 1, 30);
    ExpectUnchanged(p, y, 31);
    ExpectUnchanged(p, y, 32);
  }
  {
    const Curve p = Wobbly(1024);
    const auto y = SmoothedMilliamps(p, 3);
    for (int start = 1; start <= 1021; start += 3) ExpectFittedBlock(p, y, start, start + 2);
    ExpectUnchanged(p, y, 1024);
  }
  {
    // Any count, not only the sweep's six: 100 points from a CSV file.
    const Curve p = Wobbly(100);
    const auto y = SmoothedMilliamps(p, 7);
    for (int start = 1; start <= 92; start += 7) ExpectFittedBlock(p, y, start, start + 6);
    ExpectUnchanged(p, y, 99);
    ExpectUnchanged(p, y, 100);
  }
}

TEST(Smoothing, EqualVoltagesGiveTheBlockMean) {
  for (double volts : {0.0, 0.5, 0.69, -2.37}) {
    Curve p;
    // 0, 2, 1, 0, 2, 1 ... mA
    for (int k = 0; k < 32; ++k) p.points.push_back({volts, ((k * 32) % 3) / 1000.0});
    const auto y = SmoothedMilliamps(p, 3);
    for (int k = 0; k < 30; ++k) EXPECT_NEAR(At(y, k), 1.0, 1e-9) << volts;
  }
}

TEST(Smoothing, EmptyCurveAndOutlandishValues) {
  EXPECT_TRUE(SmoothedMilliamps(Curve{}, 5).empty());

  Curve p = Wobbly(32);
  p.points[0].amps = 1e300;
  const auto y = SmoothedMilliamps(p, 5);
  ExpectFittedBlock(p, y, 6, 10);  // other blocks are not disturbed
}

}  // namespace kvt

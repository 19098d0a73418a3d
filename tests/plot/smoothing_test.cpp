#include "plot/smoothing.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

namespace kvt {

namespace {

// A set of `count` points with a curved, noisy current so that no block is
// already a straight line.
PointSet Wobbly(int count) {
  PointSet p;
  p.PointCount = static_cast<std::int16_t>(count);
  int k = 0;
  ForEachSlot(count, [&](int slot) {
    p.PointVolts[slot] = (slot - 512) / 100.0;
    p.PointAmps[slot] = (0.3 * std::sin(k * 1.7) + 0.01 * k * k) / 1000;
    ++k;
  });
  return p;
}

std::vector<int> Slots(int count) {
  std::vector<int> slots;
  ForEachSlot(count, [&](int slot) { slots.push_back(slot); });
  return slots;
}

// Checks that points first..last (1-based) form one fitted block: the fitted
// values lie on one line and satisfy both normal equations of the fit.
void ExpectFittedBlock(const PointSet& p, const std::array<double, PointSlots>& y, int first, int last) {
  const auto slots = Slots(p.PointCount);
  double residual = 0, moment = 0, scale = 0;
  for (int k = first; k <= last; ++k) {
    const int slot = slots[static_cast<std::size_t>(k - 1)];
    const double r = y[slot] - p.PointAmps[slot] * 1000;
    residual += r;
    moment += r * p.PointVolts[slot];
    scale += std::fabs(p.PointAmps[slot] * 1000);
  }
  EXPECT_NEAR(residual, 0, 1e-9 * scale) << "block " << first << ".." << last;
  EXPECT_NEAR(moment, 0, 1e-9 * scale) << "block " << first << ".." << last;
  const int s0 = slots[static_cast<std::size_t>(first - 1)];
  const int s1 = slots[static_cast<std::size_t>(last - 1)];
  const double slope = (y[s1] - y[s0]) / (p.PointVolts[s1] - p.PointVolts[s0]);
  for (int k = first; k <= last; ++k) {
    const int slot = slots[static_cast<std::size_t>(k - 1)];
    EXPECT_NEAR(y[slot], y[s0] + slope * (p.PointVolts[slot] - p.PointVolts[s0]), 1e-9) << k;
  }
}

void ExpectUnchanged(const PointSet& p, const std::array<double, PointSlots>& y, int point) {
  const int slot = Slots(p.PointCount)[static_cast<std::size_t>(point - 1)];
  EXPECT_DOUBLE_EQ(y[slot], p.PointAmps[slot] * 1000) << "point " << point;
}

}  // namespace

TEST(Smoothing, BlocksOfFiveAmongThirtyTwoPoints) {
  const PointSet p = Wobbly(32);
  const PointSet before = p;
  const auto y = SmoothedMilliamps(p, 5);
  for (int start : {1, 6, 11, 16, 21, 26}) ExpectFittedBlock(p, y, start, start + 4);
  // The fit really moved the points of a block.
  EXPECT_GT(std::fabs(y[0] - p.PointAmps[0] * 1000), 1e-3);
  ExpectUnchanged(p, y, 31);
  ExpectUnchanged(p, y, 32);
  EXPECT_EQ(y[1], 0);  // not a slot of this set
  EXPECT_EQ(std::memcmp(&before, &p, sizeof p), 0);
}

TEST(Smoothing, OneBlockOfThirtyAndBlocksOfThreeAmong1024) {
  {
    // Blocks that fill the set exactly: the last one ends at the last point.
    const PointSet p = Wobbly(32);
    const auto y = SmoothedMilliamps(p, 4);
    for (int start = 1; start <= 29; start += 4) ExpectFittedBlock(p, y, start, start + 3);
  }
  {
    const PointSet p = Wobbly(32);
    const auto y = SmoothedMilliamps(p, 30);
    ExpectFittedBlock(p, y, 1, 30);
    ExpectUnchanged(p, y, 31);
    ExpectUnchanged(p, y, 32);
  }
  {
    const PointSet p = Wobbly(1024);
    const auto y = SmoothedMilliamps(p, 3);
    for (int start = 1; start <= 1021; start += 3) ExpectFittedBlock(p, y, start, start + 2);
    ExpectUnchanged(p, y, 1024);
  }
}

TEST(Smoothing, EqualVoltagesGiveTheBlockMean) {
  PointSet p;
  p.PointCount = 32;
  for (double volts : {0.0, 0.5, 0.69, -2.37}) {
    ForEachSlot(32, [&](int slot) {
      p.PointVolts[slot] = volts;
      p.PointAmps[slot] = (slot % 3) / 1000.0;  // 0, 2, 1, 0, 2, 1 ... mA over the slots 0, 32, 64 ...
    });
    const auto y = SmoothedMilliamps(p, 3);
    const auto slots = Slots(32);
    for (int k = 0; k < 30; ++k) EXPECT_NEAR(y[slots[static_cast<std::size_t>(k)]], 1.0, 1e-9) << volts;
  }
}

TEST(Smoothing, EmptySetAndOutlandishValues) {
  EXPECT_EQ(SmoothedMilliamps(PointSet{}, 5), (std::array<double, PointSlots>{}));

  PointSet p = Wobbly(32);
  p.PointAmps[0] = 1e300;
  const auto y = SmoothedMilliamps(p, 5);
  ExpectFittedBlock(p, y, 6, 10);  // other blocks are not disturbed
}

}  // namespace kvt

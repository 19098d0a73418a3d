#include "plot/smoothing.h"

#include <vector>

namespace kvt {

std::array<double, PointSlots> SmoothedMilliamps(const PointSet& points, int level) {
  std::array<double, PointSlots> bySlot{};
  // Index 0 unused: blocks are counted from point 1.
  std::vector<double> x(1, 0.0);
  std::vector<double> y(1, 0.0);
  ForEachSlot(points.PointCount, [&](int slot) {
    x.push_back(points.PointVolts[slot]);
    y.push_back(points.PointAmps[slot] * 1000);
  });
  const int n = static_cast<int>(x.size()) - 1;
  const int l = level < 1 ? 1 : level;

  for (int i = 1; i <= n - l + 1; i += l) {
    double sx = 0, sy = 0, sxy = 0, sxx = 0;
    for (int k = i; k < i + l; ++k) {
      sx += x[k];
      sy += y[k];
      sxy += x[k] * y[k];
      sxx += x[k] * x[k];
    }
    const double mX = sx / l, mY = sy / l, mXY = sxy / l, mXX = sxx / l;
    const double d = mXX - mX * mX;
    // Equal voltages throughout the block: any slope through the mean point
    // gives the mean current at every point of it.
    const double b = d == 0 ? 10000.0 : (mXY - mX * mY) / d;
    const double a = mY - b * mX;
    for (int k = i; k < i + l; ++k) y[k] = b * x[k] + a;
  }

  int k = 0;
  ForEachSlot(points.PointCount, [&](int slot) { bySlot[slot] = y[++k]; });
  return bySlot;
}

}  // namespace kvt

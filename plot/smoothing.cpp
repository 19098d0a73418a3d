#include "plot/smoothing.h"

#include <vector>

namespace kvt {

std::vector<double> SmoothedMilliamps(const Curve& curve, int level) {
  // Index 0 unused: blocks are counted from point 1.
  std::vector<double> x(1, 0.0);
  std::vector<double> y(1, 0.0);
  for (const CurvePoint& p : curve.points) {
    x.push_back(p.volts);
    y.push_back(p.amps * 1000);
  }
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

  y.erase(y.begin());
  return y;
}

}  // namespace kvt

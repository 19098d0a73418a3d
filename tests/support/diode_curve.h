#pragma once
// A silicon diode behind 1 kOhm, as the instrument measures it: almost no
// current in reverse, rising steeply above about 0.6 V. The measured voltage
// is quantised to the converter's 10 mV codes and jitters by a code, so
// smoothing visibly changes the curve.
#include <algorithm>
#include <cmath>
#include <cstdint>

#include "core/curve.h"
#include "core/sweep_steps.h"

namespace kvt {

// Points at every output code a sweep of `pointCount` points applies.
inline Curve DiodeCurve(int pointCount) {
  Curve p;
  p.info.pointCount = pointCount;
  std::uint32_t noise = 1;
  const auto current = [](double volts) { return 1e-9 * (std::exp(volts / 0.045) - 1); };
  ForEachSlot(pointCount, [&](int slot) {
    const double applied = (slot - 512) / 100.0;
    double low = std::min(0.0, applied), high = std::max(0.0, applied);
    for (int i = 0; i < 100; ++i) {  // applied = V + R * I(V)
      const double mid = (low + high) / 2;
      (mid + 1000 * current(mid) > applied ? high : low) = mid;
    }
    noise = noise * 1103515245u + 12345u;
    const int jitter = static_cast<int>((noise >> 16) % 3) - 1;
    const double measured = (std::round(low * 100) + jitter) / 100;
    p.points.push_back({measured, (applied - measured) / 1000, IsClippedVolts(measured), 1000.0});
  });
  return p;
}

}  // namespace kvt

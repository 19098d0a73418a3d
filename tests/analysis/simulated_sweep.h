#pragma once
// Curves as the instrument would take them: the simulator's own component
// models through the range resistor, the converter's noise and 10 mV
// quantisation, four conversions averaged per point.
// With stray readings the four are combined as the device combines them
// (strays left out, the rest averaged to a whole code).
#include <algorithm>
#include <cmath>
#include <cstdint>

#include "core/curve.h"
#include "device/device_routines.h"
#include "simulator/circuit.h"
#include "simulator/noise_source.h"

namespace kvt {

struct Sweep {
  kvtsim::Component component;
  int rangeOhms = 1000;
  int pointCount = 1024;
  std::uint64_t seed = 1;
  double noiseLsb = 1.0;
  double strayRate = 0.0;  // share of conversions far off, as the simulator's 0.02
};

inline Curve SweepCurve(const Sweep& s, bool rangeKnown = true) {
  kvtsim::NoiseSource noise(s.seed);
  Curve curve;
  curve.info.pointCount = s.pointCount;
  const auto range = rangeKnown ? std::optional<double>(s.rangeOhms) : std::nullopt;
  const int step = 1024 / s.pointCount;
  for (int code = 0; code <= 1023; code += step) {
    const double applied = kvtsim::CodeVolts(code);
    const double ideal = kvtsim::ComponentVolts(s.component, applied, s.rangeOhms) * 100 + 512;
    int conversions[4];
    double sum = 0;
    for (int& c : conversions) {
      c = static_cast<int>(std::clamp(std::nearbyint(ideal + noise.Offset(s.noiseLsb, s.strayRate)), 0.0, 1023.0));
      sum += c;
    }
    const double volts = s.strayRate > 0 ? VoltsFromCode(CombineConversions(conversions, 4)) : (sum / 4 - 512) / 100;
    curve.points.push_back({volts, (applied - volts) / s.rangeOhms, false, range});
  }
  FlagClipping(curve);
  return curve;
}

}  // namespace kvt

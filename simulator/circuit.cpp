#include "simulator/circuit.h"

#include <algorithm>
#include <cmath>

namespace kvtsim {
namespace {

constexpr double kThermalVolts = 0.025852;  // kT/q at 27 degrees C

// Shockley junction with a bulk resistance, optionally with a reverse
// breakdown that passes `breakdownAmps` at a junction voltage of -breakdownVolts.
struct Junction {
  double saturationAmps;
  double emission;
  double bulkOhms;
  double breakdownVolts = 0.0;  // 0: no breakdown
  double breakdownAmps = 1e-3;
  double breakdownEmission = 1.0;

  double Amps(double vd) const {
    auto grow = [](double x) { return std::exp(std::min(x, 700.0)); };
    double amps = saturationAmps * (grow(vd / (emission * kThermalVolts)) - 1.0);
    if (breakdownVolts > 0) {
      double nvt = breakdownEmission * kThermalVolts;
      amps -= breakdownAmps * (grow(-(vd + breakdownVolts) / nvt) - grow(-breakdownVolts / nvt));
    }
    return amps;
  }
};

constexpr Junction kSiliconDiode{3e-9, 1.8, 0.5};
constexpr Junction kRedLed{1e-18, 2.0, 5.0};

// Solves the series loop by bisection on the junction voltage: the current
// the junction draws rises with its voltage and the current the resistor
// delivers falls, so the root is unique and lies between 0 and the source.
double JunctionVolts(const Junction& j, double applied, double seriesOhms) {
  const double loopOhms = seriesOhms + j.bulkOhms;
  double lo = std::min(applied, 0.0);
  double hi = std::max(applied, 0.0);
  for (int i = 0; i < 100 && hi - lo > 1e-12; ++i) {
    double mid = 0.5 * (lo + hi);
    if (j.Amps(mid) > (applied - mid) / loopOhms) hi = mid; else lo = mid;
  }
  double vd = 0.5 * (lo + hi);
  return vd + j.bulkOhms * (applied - vd) / loopOhms;
}

Junction Deviated(Junction j, const PartDeviation& part) {
  j.saturationAmps *= part.saturation;
  j.bulkOhms *= part.ohms;
  j.breakdownVolts *= part.breakdown;
  return j;
}

// splitmix64 of the seed and the part's number: a stream of its own, apart
// from the converter's noise of the same seed.
double UnitDraw(std::uint64_t seed, std::uint64_t index, std::uint64_t which) {
  std::uint64_t z = seed * 0x9E3779B97F4A7C15ull + index * 0xD1B54A32D192ED03ull + which * 0x8CB92BA72F3D8DD7ull;
  for (int round = 0; round < 2; ++round) {
    z += 0x9E3779B97F4A7C15ull;
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    z ^= z >> 31;
  }
  return (z >> 11) * 0x1.0p-53;  // [0, 1)
}

}  // namespace

PartDeviation DrawPart(std::uint64_t seed, std::uint64_t index, double percent, double ohmsPercent) {
  auto factor = [&](double spread, std::uint64_t which) {
    return 1.0 + spread / 100.0 * (2.0 * UnitDraw(seed, index, which) - 1.0);
  };
  return {factor(percent, 1), factor(ohmsPercent, 2), factor(percent, 3)};
}

double ComponentVolts(const Component& component, double appliedVolts, double seriesOhms, const PartDeviation& part) {
  switch (component.kind) {
    case ComponentKind::Open:
      return appliedVolts;
    case ComponentKind::Short:
      return 0.0;
    case ComponentKind::Resistor:
      // Divided in this order so a resistor near the largest double neither
      // overflows the product nor turns infinity / infinity into NaN.
      return appliedVolts / (1.0 + seriesOhms / component.value / part.ohms);
    case ComponentKind::Diode:
      return JunctionVolts(Deviated(kSiliconDiode, part), appliedVolts, seriesOhms);
    case ComponentKind::Led:
      return JunctionVolts(Deviated(kRedLed, part), appliedVolts, seriesOhms);
    case ComponentKind::Zener: {
      Junction zener{3e-9, 1.8, 2.0, component.value};
      return JunctionVolts(Deviated(zener, part), appliedVolts, seriesOhms);
    }
  }
  return appliedVolts;
}

}  // namespace kvtsim

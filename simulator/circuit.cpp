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

}  // namespace

double ComponentVolts(const Component& component, double appliedVolts, double seriesOhms) {
  switch (component.kind) {
    case ComponentKind::Open:
      return appliedVolts;
    case ComponentKind::Short:
      return 0.0;
    case ComponentKind::Resistor:
      // Divided in this order so a resistor near the largest double neither
      // overflows the product nor turns infinity / infinity into NaN.
      return appliedVolts / (1.0 + seriesOhms / component.value);
    case ComponentKind::Diode:
      return JunctionVolts(kSiliconDiode, appliedVolts, seriesOhms);
    case ComponentKind::Led:
      return JunctionVolts(kRedLed, appliedVolts, seriesOhms);
    case ComponentKind::Zener: {
      Junction zener{3e-9, 1.8, 2.0, component.value};
      return JunctionVolts(zener, appliedVolts, seriesOhms);
    }
  }
  return appliedVolts;
}

}  // namespace kvtsim

#pragma once
// The analogue side of the instrument: the DAC's voltage drives the range
// resistor in series with the component, the ADC sees the component.
#include <cstdint>

#include "simulator/sim_config.h"

namespace kvtsim {

// How one part's values lie against the model's: factors on a junction's
// saturation current, on its resistances (a resistor's, a junction's bulk)
// and on a zener's breakdown voltage.
struct PartDeviation {
  double saturation = 1.0;
  double ohms = 1.0;
  double breakdown = 1.0;
  bool operator==(const PartDeviation&) const = default;
};

// Part number `index` of `seed`, each factor drawn evenly within
// +-percent (the resistances within +-ohmsPercent): the same seed and index
// give the same part, on every platform, whatever else the seed drives.
PartDeviation DrawPart(std::uint64_t seed, std::uint64_t index, double percent, double ohmsPercent);

// Voltage across the component when `appliedVolts` drives it through
// `seriesOhms`. Monotonic in appliedVolts and never beyond it in magnitude.
double ComponentVolts(const Component& component, double appliedVolts, double seriesOhms,
                      const PartDeviation& part = {});

// The DAC's and the ADC's shared scale: 10 mV per code, code 512 is 0 V.
inline double CodeVolts(int code) { return (code - 512) / 100.0; }

}  // namespace kvtsim

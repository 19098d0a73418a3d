#pragma once
// The analogue side of the instrument: the DAC's voltage drives the range
// resistor in series with the component, the ADC sees the component.
#include "simulator/sim_config.h"

namespace kvtsim {

// Voltage across the component when `appliedVolts` drives it through
// `seriesOhms`. Monotonic in appliedVolts and never beyond it in magnitude.
double ComponentVolts(const Component& component, double appliedVolts, double seriesOhms);

// The DAC's and the ADC's shared scale: 10 mV per code, code 512 is 0 V.
inline double CodeVolts(int code) { return (code - 512) / 100.0; }

}  // namespace kvtsim

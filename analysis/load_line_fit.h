#pragma once
// The voltage where a curve carries a given current, read along the load
// line the instrument sweeps.
//
// The instrument sets the applied voltage a exactly and computes the current
// from it, the measured part voltage V and the range R: I = (a - V) / R. A
// reading's error therefore moves V and I together along the load line, and
// a fit of V against the measured I treats a noisy abscissa as exact. Here V
// is fitted as a function of a, where all the error lies in V, with the
// junction's shape near the target current I*:
//
//   V = c0 + c1 ln(I/I*) + c2 (I/I* - 1),   I = (a - V) / R,
//
// which a diode with series resistance follows exactly (c1 = n Vt), a
// resistor with c1 = 0, and a breakdown, a leak or an LED closely enough
// over the window. So a wide window of points can be used without the
// curvature biasing the result, and V(I*) = c0, dV/dI = (c1 + c2) / I*.
#include <optional>

#include "core/curve.h"

namespace kvt {

struct LoadLineFit {
  double volts = 0.0;        // where the curve carries the target current
  double voltsSigma = 0.0;   // one standard error
  double ohms = 0.0;         // dV/dI there
  double ohmsSigma = 0.0;
  int points = 0;            // in the window fitted
};

// Nothing when the curve does not carry currents on both sides of `amps`
// (same sign), when the points around it are not all from one known range,
// or when the fit does not settle; the caller then reads the curve without
// the load line.
std::optional<LoadLineFit> FitAlongLoadLine(const Curve& curve, double amps);

}  // namespace kvt

#pragma once
// What a pointer over the plot reads off a curve: the measured point nearest
// to a place, with the part's dynamic resistance there from a local fit.
#include <cstddef>
#include <optional>

#include "analysis/local_fit.h"
#include "core/curve.h"

namespace kvt {

struct NearestPoint {
  std::size_t index = 0;
  double volts = 0.0;
  double amps = 0.0;
  std::optional<Uncertain> dynamicOhms;  // dV/dI; absent where the curve cannot resolve it
};

// The point nearest to (volts, amps) as the eye sees it: each axis is
// divided by its scale (volts and amperes per pixel) before measuring.
// Nothing for an empty curve or a scale that is not positive.
std::optional<NearestPoint> NearestCurvePoint(const Curve& curve, double volts, double amps, double voltsPerPixel,
                                              double ampsPerPixel);

}  // namespace kvt

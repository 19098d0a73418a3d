#pragma once
// What a pointer over the plot reads off a curve: the measured point nearest
// to a place, with the part's dynamic resistance there.
#include <cstddef>
#include <optional>

#include "core/curve.h"

namespace kvt {

struct NearestPoint {
  std::size_t index = 0;
  double volts = 0.0;
  double amps = 0.0;
  std::optional<double> dynamicOhms;  // dV/dI; absent where the current does not change
};

// The point nearest to (volts, amps) as the eye sees it: each axis is
// divided by its scale (volts and amperes per pixel) before measuring.
// Nothing for an empty curve or a scale that is not positive.
std::optional<NearestPoint> NearestCurvePoint(const Curve& curve, double volts, double amps, double voltsPerPixel,
                                              double ampsPerPixel);

// dV/dI across the point's neighbours in sweep order (one-sided at the ends).
std::optional<double> DynamicOhmsAt(const Curve& curve, std::size_t index);

}  // namespace kvt

#include "plot/plot_scale.h"

#include <algorithm>
#include <cmath>

#include "core/text_number.h"

namespace kvt {

AxisScale::AxisScale(Mapping mapping, int origin, AxisDirection direction, double pixelsPerUnit, double min,
                     double max, double tickStep)
    : mapping_(mapping),
      origin_(origin),
      sign_(direction == AxisDirection::Right ? 1 : -1),
      pixelsPerUnit_(pixelsPerUnit),
      min_(min),
      max_(max),
      tickStep_(tickStep) {}

AxisScale AxisScale::Linear(int origin, AxisDirection direction, double pixelsPerUnit, double max, double tickStep) {
  return AxisScale(Mapping::Linear, origin, direction, pixelsPerUnit, -max, max, tickStep);
}

AxisScale AxisScale::LogMirrored(int origin, AxisDirection direction, double pixelsPerDecade, double floor,
                                 double max) {
  AxisScale axis(Mapping::LogMirrored, origin, direction, pixelsPerDecade, -max, max, 0);
  axis.floor_ = floor;
  return axis;
}

int AxisScale::RoundedPixels(double units, double pixelsPerUnit) {
  // Ties to even like ToInt32, without its library calls: a plot computes
  // thousands of these per repaint.
  const double v = units * pixelsPerUnit + 0.001;
  if (!(v > -2147483648.0 && v < 2147483647.0)) return ToInt32(v).value_or(0);
  double lower = static_cast<double>(static_cast<long long>(v));
  if (lower > v) lower -= 1;
  const double diff = v - lower;
  const long long whole = static_cast<long long>(lower);
  if (diff < 0.5) return static_cast<int>(whole);
  if (diff > 0.5) return static_cast<int>(whole + 1);
  return static_cast<int>(whole % 2 == 0 ? whole : whole + 1);
}

int AxisScale::ClampedPixelOf(double value) const { return PixelOf(std::clamp(value, min_, max_)); }

double AxisScale::ValueAt(int pixel) const {
  return ValueOfUnits(sign_ * (pixel - origin_) / pixelsPerUnit_);
}

double AxisScale::ValuePerPixelAt(double value) const {
  switch (mapping_) {
    case Mapping::Linear:
      return 1 / pixelsPerUnit_;
    case Mapping::LogMirrored:
      // d|v|/dpixel = |v| ln 10 per decade's pixels.
      return std::max(std::fabs(value), floor_) * std::log(10.0) / pixelsPerUnit_;
  }
  return 0;
}

double AxisScale::ValueOfUnits(double units) const {
  switch (mapping_) {
    case Mapping::Linear:
      return units;
    case Mapping::LogMirrored: {
      const double magnitude = floor_ * std::pow(10.0, std::fabs(units));
      return units < 0 ? -magnitude : magnitude;
    }
  }
  return units;
}

std::vector<double> AxisScale::Ticks() const {
  // The step is added to the running value, so the last tick may overshoot
  // the end by rounding; hence the small margin.
  std::vector<double> values;
  if (mapping_ == Mapping::LogMirrored) {
    // Decades counted, not multiplied up, so each is exact to the last digit.
    std::vector<double> decades;
    for (int k = 0; k < 30; ++k) {
      const double v = floor_ * std::pow(10.0, k);
      if (v > max_ * (1 + 1e-9)) break;
      decades.push_back(v);
    }
    for (auto it = decades.rbegin(); it != decades.rend(); ++it) values.push_back(-*it);
    values.insert(values.end(), decades.begin(), decades.end());
    return values;
  }
  for (double v = min_; v <= max_ + 0.001; v += tickStep_) values.push_back(v);
  return values;
}

PlotScale ComputePlotScale(const PlotGeometry& geometry, int maxVolts, int maxMilliamps) {
  // A range below 1 would give an endless tick loop; the panel never offers one.
  const double volts = std::max(maxVolts, 1);
  const double milliamps = std::max(maxMilliamps, 1);
  return PlotScale{AxisScale::Linear(geometry.OriginX, AxisDirection::Right, geometry.PlotWidth / (2 * volts), volts,
                                     volts / 5),
                   AxisScale::Linear(geometry.OriginY, AxisDirection::Up, geometry.PlotHeight / (2 * milliamps),
                                     milliamps, milliamps / 5)};
}

PlotScale ComputeLogCurrentPlotScale(const PlotGeometry& geometry, int maxVolts, double floorMilliamps,
                                     int maxMilliamps) {
  PlotScale scale = ComputePlotScale(geometry, maxVolts, maxMilliamps);
  const double max = std::max(maxMilliamps, 1);
  // At least a decade each side, so a floor at or above full scale still
  // gives an axis.
  const double floor = std::min(floorMilliamps > 0 ? floorMilliamps : max / 10, max / 10);
  const double decades = std::log10(max / floor);
  scale.milliamps =
      AxisScale::LogMirrored(geometry.OriginY, AxisDirection::Up, geometry.PlotHeight / 2.0 / decades, floor, max);
  return scale;
}

}  // namespace kvt

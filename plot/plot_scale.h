#pragma once
// Where a value lands on an axis of the plot, in whole pixels, and back: the
// one value <-> pixel mapping for the plot and for what is drawn over it.
#include <cmath>
#include <vector>

#include "plot/plot_geometry.h"

namespace kvt {

// Which way values grow on the screen.
enum class AxisDirection { Right, Up };

// One axis. The mapping is chosen when the axis is made: linear, or
// logarithmic in the magnitude and mirrored about the origin for the
// log-current view; its users are the same for both.
class AxisScale {
 public:
  // Value 0 at pixel `origin`, `pixelsPerUnit` pixels per unit, the range
  // -max..max with ticks from -max every `tickStep`.
  static AxisScale Linear(int origin, AxisDirection direction, double pixelsPerUnit, double max, double tickStep);
  // |value| from `floor` (at the origin) to `max`, `pixelsPerDecade` pixels
  // per decade, negative values mirrored to the other side of the origin.
  // Magnitudes under the floor land on the origin. Ticks at each decade
  // from the floor.
  static AxisScale LogMirrored(int origin, AxisDirection direction, double pixelsPerDecade, double floor,
                               double max);

  // PixelOf and Contains are inline: a repaint calls them for every point.
  //
  // round(value * scale + 0.001) pixels from the origin, ties to even. Only
  // for values inside the range, where the result always fits; NaN and
  // values beyond the integers land on the origin.
  int PixelOf(double value) const {
    const int offset = RoundedPixels(Units(value), pixelsPerUnit_);
    return origin_ + sign_ * offset;
  }
  // Any value, held at the range's ends first: for marks over the plot.
  int ClampedPixelOf(double value) const;
  // The value under a pixel, unrounded.
  double ValueAt(int pixel) const;
  // How much value one pixel spans near `value`: how close a pointer can be.
  double ValuePerPixelAt(double value) const;
  // Inside the range, ends included; NaN is outside.
  bool Contains(double value) const { return value >= min_ && value <= max_; }
  // The tick values, lowest first.
  std::vector<double> Ticks() const;
  bool Logarithmic() const { return mapping_ == Mapping::LogMirrored; }
  // The smallest magnitude a logarithmic axis tells apart; 0 for a linear one.
  double Floor() const { return floor_; }

 private:
  enum class Mapping { Linear, LogMirrored };
  AxisScale(Mapping mapping, int origin, AxisDirection direction, double pixelsPerUnit, double min, double max,
            double tickStep);
  // Where a value lies along the axis in the units the pixels count from
  // the origin, and back.
  double Units(double value) const {
    switch (mapping_) {
      case Mapping::Linear:
        return value;
      case Mapping::LogMirrored: {
        const double magnitude = std::fabs(value);
        if (!(magnitude > floor_)) return 0;  // NaN too
        const double decades = std::log10(magnitude / floor_);
        return value < 0 ? -decades : decades;
      }
    }
    return value;
  }
  double ValueOfUnits(double units) const;
  // round(units * pixelsPerUnit + 0.001), ties to even.
  static int RoundedPixels(double units, double pixelsPerUnit);

  Mapping mapping_;
  int origin_;
  int sign_;  // +1 where pixels grow with the values, -1 where they fall
  double pixelsPerUnit_;
  double min_;
  double max_;
  double tickStep_;
  double floor_ = 0;
};

// Both axes of a plot: volts across, milliamperes up.
struct PlotScale {
  AxisScale volts;
  AxisScale milliamps;
};

// For whole-number ranges (Max V, Max I; at least 1) on the frame `geometry`,
// five ticks either side of the origin.
PlotScale ComputePlotScale(const PlotGeometry& geometry, int maxVolts, int maxMilliamps);
// The same voltage axis; the current axis logarithmic from `floorMilliamps`
// (a decade) at the origin to `maxMilliamps` at each end.
PlotScale ComputeLogCurrentPlotScale(const PlotGeometry& geometry, int maxVolts, double floorMilliamps,
                                     int maxMilliamps);

}  // namespace kvt

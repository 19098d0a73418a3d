#pragma once
// Where the plot frame, the origin and the tick marks fall on a surface of a
// given inner size, in whole pixels.
#include <cstdint>
#include <vector>

namespace kvt {

struct PlotGeometry {
  std::int16_t PlotLeft = 20;
  std::int16_t PlotTop = 10;
  std::int16_t PlotRight = 0;
  std::int16_t PlotBottom = 0;
  std::int16_t PlotWidth = 0;
  std::int16_t PlotHeight = 0;
  std::int16_t OriginX = 0;
  std::int16_t OriginY = 0;
};

// Frame and origin for an inner size of w x h pixels (rounded ties to even).
PlotGeometry ComputePlotGeometry(double w, double h);

// Scales and tick steps for whole-number ranges (Max V, Max I; at least 1).
struct PlotScales {
  double MaxVolts = 5;
  double MaxMilliamps = 10;
  double PixelsPerVolt = 0;
  double PixelsPerMilliamp = 0;
  double VoltTickStep = 1;
  double MilliampTickStep = 2;
};
PlotScales ComputePlotScales(const PlotGeometry& geometry, int maxVolts, int maxMilliamps);

// The tick values from -max upward by max / 5, the step added to the running
// value; the last one may overshoot max by rounding, hence the small margin.
std::vector<double> TickValues(double max, double step);

// Pixel offset of a value from the origin: round(value * scale + 0.001).
// Only for values inside the plotted range, so the result always fits.
int PixelOffset(double value, double pixelsPerUnit);

}  // namespace kvt

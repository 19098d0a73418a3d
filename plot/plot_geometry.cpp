#include "plot/plot_geometry.h"

#include <algorithm>
#include <limits>

#include "core/text_number.h"

namespace kvt {

namespace {

// Window sizes never come near the 16-bit limits; clamp anyway so an absurd
// size cannot wrap around.
std::int16_t Round16(double value) {
  const double r = RoundHalfEven(value);
  if (!(r >= -32768.0)) return -32768;
  if (r > 32767.0) return 32767;
  return static_cast<std::int16_t>(r);
}

}  // namespace

PlotGeometry ComputePlotGeometry(double w, double h) {
  PlotGeometry g;
  // The surface sizes are single precision.
  const float fw = static_cast<float>(w);
  const float fh = static_cast<float>(h);
  g.PlotRight = Round16(static_cast<double>(fw) - 20 - 5);
  g.PlotBottom = Round16(static_cast<double>(fh) - 10 - 10);
  g.PlotWidth = Round16(g.PlotRight - g.PlotLeft + 1);
  g.PlotHeight = Round16(g.PlotBottom - g.PlotTop + 1);
  g.OriginX = Round16((g.PlotRight - g.PlotLeft) / 2.0 + g.PlotLeft);
  g.OriginY = Round16((g.PlotBottom - g.PlotTop) / 2.0 + g.PlotTop);
  return g;
}

PlotScales ComputePlotScales(const PlotGeometry& geometry, int maxVolts, int maxMilliamps) {
  PlotScales s;
  // A range below 1 would give an endless tick loop; the panel never offers one.
  s.MaxVolts = std::max(maxVolts, 1);
  s.MaxMilliamps = std::max(maxMilliamps, 1);
  s.PixelsPerVolt = geometry.PlotWidth / (2 * s.MaxVolts);
  s.PixelsPerMilliamp = geometry.PlotHeight / (2 * s.MaxMilliamps);
  s.VoltTickStep = s.MaxVolts / 5;
  s.MilliampTickStep = s.MaxMilliamps / 5;
  return s;
}

std::vector<double> TickValues(double max, double step) {
  std::vector<double> values;
  for (double v = -max; v <= max + 0.001; v += step) values.push_back(v);
  return values;
}

int PixelOffset(double value, double pixelsPerUnit) {
  // Ties to even like ToInt32, without its library calls: a plot computes
  // thousands of these per repaint.
  const double v = value * pixelsPerUnit + 0.001;
  if (!(v > -2147483648.0 && v < 2147483647.0)) return ToInt32(v).value_or(0);
  double lower = static_cast<double>(static_cast<long long>(v));
  if (lower > v) lower -= 1;
  const double diff = v - lower;
  const long long whole = static_cast<long long>(lower);
  if (diff < 0.5) return static_cast<int>(whole);
  if (diff > 0.5) return static_cast<int>(whole + 1);
  return static_cast<int>(whole % 2 == 0 ? whole : whole + 1);
}

}  // namespace kvt

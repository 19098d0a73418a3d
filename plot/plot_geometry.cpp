#include "plot/plot_geometry.h"

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

}  // namespace kvt

#pragma once
// Where the plot frame and the origin fall on a surface of a given inner
// size, in whole pixels.
#include <cstdint>

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

}  // namespace kvt

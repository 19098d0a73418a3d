#pragma once
// Paints the whole current-voltage plot: background, axes with arrows,
// captions, ticks with their values, dot grid and the (optionally smoothed)
// curve of the point set.
#include <string_view>

#include "core/settings.h"
#include "core/draw_surface.h"
#include "core/point_set.h"

namespace kvt {

// What the plot reads from the parameter panel at the moment of drawing.
struct PlotControls {
  bool smoothing = false;  // "Using smoothing" checked
  int smoothingLevel = 3;  // points per block, 3..30
  int maxVolts = 5;        // Max V, whole volts 1..5
  int maxMilliamps = 10;   // Max I, whole milliamperes 1..10
};

// Colours of the plot composed from their three Settings entries each.
struct PlotColours {
  Colour background = 0;
  Colour line = 0;
  Colour text = 0;
};
PlotColours PlotColoursFrom(const Settings& settings);

// Repaints `surface` completely. Tick values use `decimalSeparator` (the
// locale's). The point set is only read; the pen width is left at 1.
void DrawPlot(DrawSurface& surface, const Settings& settings, const PointSet& points,
              const PlotControls& controls, std::string_view decimalSeparator);

}  // namespace kvt

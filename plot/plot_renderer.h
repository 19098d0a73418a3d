#pragma once
// Paints the whole current-voltage plot: background, axes with arrows,
// captions, ticks with their values, dot grid and the (optionally smoothed)
// measured curve.
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/draw_surface.h"
#include "core/curve.h"
#include "core/typed_options.h"
#include "plot/plot_geometry.h"
#include "plot/plot_scale.h"

namespace kvt {

// A curve drawn under the measured one: a known-good part to compare with,
// or the live curve of a run. Points outside the ranges break the line, as
// for the measured curve.
struct ReferenceCurve {
  std::string name;  // shown in the legend in the curve's colour; empty: no entry
  std::vector<std::pair<double, double>> points;  // (volts, amperes) in order
  Colour colour = 0;
  int penWidth = 1;
  // Each point's range when known (the log view's resolution); empty: unknown.
  std::vector<std::optional<double>> rangeOhms = {};
};

// Colours of the first references, apart from each other and from the
// default plot colours; they repeat after four.
Colour ReferenceColour(int index);

// A text of the axes (caption or tick value) with its top-left corner, where
// DrawPlot puts it; what lies over the plot can keep clear of them.
struct PlotText {
  int x = 0;
  int y = 0;
  std::string text;
};
std::vector<PlotText> AxisTexts(const PlotGeometry& g, const PlotScale& s, std::string_view decimalSeparator);

// Top of the legend's row `row` (from 0), at the plot's left edge.
int LegendRowTop(const PlotGeometry& g, int row);

// Axes with arrows, ticks, their texts and the dot grid, for either kind of
// current axis.
void DrawPlotAxes(DrawSurface& surface, const PlotGeometry& g, const PlotScale& s, Colour text,
                  std::string_view decimalSeparator);
// The references' names in their colours, top left.
void DrawReferenceLegend(DrawSurface& surface, const PlotGeometry& g, const std::vector<ReferenceCurve>& references,
                         Colour text);

// Repaints `surface` completely. Tick values use `decimalSeparator` (the
// locale's). The curve is drawn in its order, point to point; the pen width
// is left at 1. The
// references come under the measured curve, with a legend of their names in
// the top-left corner, where a two-terminal part's curve never goes.
void DrawPlot(DrawSurface& surface, const PlotOptions& plot, const Curve& curve, std::string_view decimalSeparator,
              const std::vector<ReferenceCurve>& references = {});

}  // namespace kvt

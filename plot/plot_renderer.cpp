#include "plot/plot_renderer.h"

#include <algorithm>
#include <cmath>

#include "core/text_number.h"
#include "plot/log_current_plot.h"
#include "plot/plot_chain.h"
#include "plot/plot_geometry.h"
#include "plot/plot_scale.h"
#include "plot/smoothing.h"

namespace kvt {

namespace {

bool NearZero(double value) { return value >= -0.001 && value <= 0.001; }

}  // namespace

void DrawPlotAxes(DrawSurface& surface, const PlotGeometry& g, const PlotScale& s, Colour text,
                  std::string_view separator) {
  const int left = g.PlotLeft, top = g.PlotTop, right = g.PlotRight, bottom = g.PlotBottom;
  const int ox = g.OriginX, oy = g.OriginY;

  surface.Line(left, oy, right + 5, oy, text);
  surface.Line(ox, top - 5, ox, bottom, text);
  surface.Line(ox, top - 5, ox - 5, top, text);
  surface.Line(ox, top - 5, ox + 5, top, text);
  surface.Line(right + 5, oy, right, oy - 5, text);
  surface.Line(right + 5, oy, right, oy + 5, text);

  const std::vector<double> volts = s.volts.Ticks();
  const std::vector<double> milliamps = s.milliamps.Ticks();
  for (double v : volts) {
    const int x = s.volts.PixelOf(v);
    surface.Line(x, oy - 3, x, oy + 3, text);
  }
  for (double c : milliamps) {
    const int y = s.milliamps.PixelOf(c);
    surface.Line(ox - 3, y, ox + 3, y, text);
  }
  for (const PlotText& t : AxisTexts(g, s, separator)) surface.Text(t.x, t.y, t.text);
  for (double c : milliamps)
    for (double v : volts) surface.Point(s.volts.PixelOf(v), s.milliamps.PixelOf(c), text);
}

namespace {

void DrawCurve(DrawSurface& surface, const PlotScale& s, const Curve& curve, const std::vector<double>* smoothed,
               Colour line) {
  Chain chain(surface, s, line);
  for (std::size_t i = 0; i < curve.points.size(); ++i)
    chain.Add(curve.points[i].volts, smoothed ? (*smoothed)[i] : curve.points[i].amps * 1000);
}

void DrawReference(DrawSurface& surface, const PlotScale& s, const ReferenceCurve& curve) {
  surface.SetPenWidth(curve.penWidth);
  Chain chain(surface, s, curve.colour);
  for (const auto& [volts, amps] : curve.points) chain.Add(volts, amps * 1000);
  surface.SetPenWidth(1);
}

// Names longer than this are cut, so the legend stays in its corner.
constexpr std::size_t LegendNameLength = 24;

}  // namespace

void DrawReferenceLegend(DrawSurface& surface, const PlotGeometry& g, const std::vector<ReferenceCurve>& references,
                         Colour text) {
  int row = 0;
  for (const ReferenceCurve& curve : references) {
    if (curve.name.empty()) continue;
    std::string name = curve.name;
    if (name.size() > LegendNameLength) name = name.substr(0, LegendNameLength - 3) + "...";
    surface.SetTextColour(curve.colour);
    surface.Text(g.PlotLeft + 2, LegendRowTop(g, row++), name);
  }
  surface.SetTextColour(text);
}

std::vector<PlotText> AxisTexts(const PlotGeometry& g, const PlotScale& s, std::string_view separator) {
  const int ox = g.OriginX, oy = g.OriginY;
  const bool log = s.milliamps.Logarithmic();
  const std::string caption = log ? "|I|, axis at " + DecadeText(s.milliamps.Floor()) : "I, mA";
  std::vector<PlotText> texts{{ox + 10, g.PlotTop - 6, caption}, {g.PlotRight - 37, oy - 20, "V, Volts"}};
  for (double v : s.volts.Ticks())
    if (!NearZero(v))
      texts.push_back({s.volts.PixelOf(v) - 12, v > 0 ? oy + 4 : oy - 16,
                       FormatNumber(v, v > 0 ? " 0.0" : "0.0", separator)});
  if (log) {
    // The floor's decade is the voltage axis itself, named in the caption.
    // Forward decades left of the current axis, reverse ones right of it:
    // the quarters a part's curve leaves empty.
    for (double c : s.milliamps.Ticks()) {
      if (std::fabs(c) <= s.milliamps.Floor() * 1.001) continue;
      const std::string text = DecadeText(c);
      texts.push_back({c > 0 ? ox - 4 - 7 * static_cast<int>(text.size()) : ox + 4, s.milliamps.PixelOf(c) - 6, text});
    }
    return texts;
  }
  for (double c : s.milliamps.Ticks())
    if (!NearZero(c))
      texts.push_back({c > 0 ? ox - 30 : ox + 4, s.milliamps.PixelOf(c) - 6,
                       FormatNumber(c, c > 0 ? " #0.0" : "#0.0", separator)});
  return texts;
}

int LegendRowTop(const PlotGeometry& g, int row) { return g.PlotTop + 2 + 13 * row; }

Colour ReferenceColour(int index) {
  static constexpr Colour colours[] = {MakeColour(255, 160, 0), MakeColour(0, 200, 255), MakeColour(255, 80, 255),
                                       MakeColour(255, 255, 0)};
  return colours[index % 4];
}

void DrawPlot(DrawSurface& surface, const PlotOptions& plot, const Curve& curve, std::string_view decimalSeparator,
              const std::vector<ReferenceCurve>& references) {
  const DrawBatch batch(surface);
  const PlotColours& colours = plot.colours;
  const PlotControls& controls = plot.controls;
  surface.SetBackground(colours.background);
  surface.SetTextColour(colours.text);

  const PlotGeometry g = ComputePlotGeometry(surface.InnerWidth(), surface.InnerHeight());
  const PlotScale s = ComputePlotScale(g, controls.maxVolts, controls.maxMilliamps);
  DrawPlotAxes(surface, g, s, colours.text, decimalSeparator);
  if (!references.empty()) {
    for (const ReferenceCurve& curve : references) DrawReference(surface, s, curve);
    DrawReferenceLegend(surface, g, references, colours.text);
    if (curve.empty()) DrawPlotAxes(surface, g, s, colours.text, decimalSeparator);
  }
  if (curve.empty()) return;

  std::vector<double> smoothed;
  if (controls.smoothing) smoothed = SmoothedMilliamps(curve, controls.smoothingLevel);

  surface.SetPenWidth(2);
  DrawCurve(surface, s, curve, controls.smoothing ? &smoothed : nullptr, colours.line);
  surface.SetPenWidth(1);
  DrawPlotAxes(surface, g, s, colours.text, decimalSeparator);
}

}  // namespace kvt

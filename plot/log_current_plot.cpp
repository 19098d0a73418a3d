#include "plot/log_current_plot.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "plot/plot_chain.h"
#include "plot/plot_geometry.h"

namespace kvt {

namespace {

constexpr double DefaultFloorMilliamps = 1e-3;
constexpr int MarkRadius = 2;

// Resolved readings joined in their order; anything unresolved or outside
// the axes breaks the line, and so does a change of sign: the two branches
// meet at no current the axis shows.
void DrawResolvedLine(DrawSurface& surface, const PlotScale& s, const std::vector<std::pair<double, double>>& points,
                      const std::vector<double>& steps, Colour line) {
  Chain chain(surface, s, line);
  bool forward = false;
  for (std::size_t i = 0; i < points.size(); ++i) {
    const auto [volts, amps] = points[i];
    if (Unresolved(amps, steps[i]) || (amps > 0) != forward) chain.Break();
    forward = amps > 0;
    if (!Unresolved(amps, steps[i])) chain.Add(volts, amps * 1000);
  }
}

// A hollow mark for each unresolved reading inside the voltage range, on
// the voltage axis when under the floor. Drawn over the axes, which would
// hide them.
void DrawUnresolvedMarks(DrawSurface& surface, const PlotScale& s, const std::vector<std::pair<double, double>>& points,
                         const std::vector<double>& steps, Colour grey) {
  for (std::size_t i = 0; i < points.size(); ++i) {
    const auto [volts, amps] = points[i];
    if (!s.volts.Contains(volts) || !Unresolved(amps, steps[i]) || !s.milliamps.Contains(amps * 1000)) continue;
    surface.Circle(s.volts.PixelOf(volts), s.milliamps.PixelOf(amps * 1000), MarkRadius, grey, std::nullopt);
  }
}

void StepsFloor(const std::vector<double>& steps, double& smallest) {
  for (double step : steps)
    if (step > 0 && std::isfinite(step)) smallest = std::min(smallest, step);
}

}  // namespace

std::vector<std::optional<double>> RangesOf(const Curve& curve) {
  std::vector<std::optional<double>> ranges;
  ranges.reserve(curve.points.size());
  for (const CurvePoint& p : curve.points) ranges.push_back(p.rangeOhms);
  return ranges;
}

std::vector<double> CurrentSteps(const std::vector<std::pair<double, double>>& points,
                                 const std::vector<std::optional<double>>& ranges) {
  const auto rangeAt = [&ranges](std::size_t i) {
    return i < ranges.size() && ranges[i] && *ranges[i] > 0 ? ranges[i] : std::nullopt;
  };
  double unknownStep = std::numeric_limits<double>::infinity();
  for (std::size_t i = 0; i < points.size(); ++i) {
    const double magnitude = std::fabs(points[i].second);
    if (!rangeAt(i) && magnitude > 0 && std::isfinite(magnitude)) unknownStep = std::min(unknownStep, magnitude);
  }
  if (!std::isfinite(unknownStep)) unknownStep = 0;
  std::vector<double> steps;
  steps.reserve(points.size());
  for (std::size_t i = 0; i < points.size(); ++i)
    steps.push_back(rangeAt(i) ? AdcStepVolts / *rangeAt(i) : unknownStep);
  return steps;
}

bool Unresolved(double amps, double stepAmps) {
  const double magnitude = std::fabs(amps);
  // A reading of exactly one step comes out of the division a hair under it.
  return !(magnitude > 0) || magnitude < stepAmps * (1 - 1e-9);
}

double LogFloorMilliamps(const Curve& curve, const std::vector<ReferenceCurve>& references) {
  double smallest = std::numeric_limits<double>::infinity();
  StepsFloor(CurrentSteps(PairsOf(curve), RangesOf(curve)), smallest);
  for (const ReferenceCurve& r : references) StepsFloor(CurrentSteps(r.points, r.rangeOhms), smallest);
  if (!std::isfinite(smallest)) return DefaultFloorMilliamps;
  // The small margin keeps an exact decade (10 mV / 1 kohm) on itself.
  return std::pow(10.0, std::floor(std::log10(smallest * 1000) + 1e-9));
}

int LogTopMilliamps(const Curve& curve, const std::vector<ReferenceCurve>& references, int currentScaleMilliamps) {
  double coarsest = 0;
  const auto widen = [&](const std::optional<double>& ohms) {
    if (ohms && *ohms > 0 && (coarsest == 0 || *ohms < coarsest)) coarsest = *ohms;
  };
  for (const CurvePoint& p : curve.points) widen(p.rangeOhms);
  for (const ReferenceCurve& r : references)
    for (const auto& ohms : r.rangeOhms) widen(ohms);
  if (coarsest == 0) return currentScaleMilliamps;
  // The current through the coarsest range with the whole output across it.
  return static_cast<int>(std::ceil(-AdcLowVolts / coarsest * 1000 - 1e-9));
}

std::string DecadeText(double milliamps) {
  const double amps = std::fabs(milliamps) / 1000;
  static const struct {
    double scale;
    const char* unit;
  } units[] = {{1, "A"}, {1e-3, "mA"}, {1e-6, "uA"}, {1e-9, "nA"}};
  for (const auto& u : units)
    if (amps >= u.scale * (1 - 1e-9) || u.scale == 1e-9)
      return std::to_string(std::llround(amps / u.scale)) + " " + u.unit;
  return {};
}

Colour UnresolvedColour(const PlotColours& colours) {
  // A plain grey between the two brightnesses: on coloured plots it stands
  // apart from every curve.
  const auto brightness = [](Colour c) { return (RedOf(c) * 299 + GreenOf(c) * 587 + BlueOf(c) * 114) / 1000; };
  const int grey = (brightness(colours.text) + brightness(colours.background)) / 2;
  return MakeColour(grey, grey, grey);
}

void DrawLogCurrentPlot(DrawSurface& surface, const PlotOptions& plot, const Curve& curve,
                        std::string_view decimalSeparator, const std::vector<ReferenceCurve>& references) {
  const DrawBatch batch(surface);
  const PlotColours& colours = plot.colours;
  surface.SetBackground(colours.background);
  surface.SetTextColour(colours.text);

  const PlotGeometry g = ComputePlotGeometry(surface.InnerWidth(), surface.InnerHeight());
  const PlotScale s = ComputeLogCurrentPlotScale(g, plot.controls.maxVolts, LogFloorMilliamps(curve, references),
                                                 LogTopMilliamps(curve, references, plot.controls.maxMilliamps));
  DrawPlotAxes(surface, g, s, colours.text, decimalSeparator);
  struct Drawn {
    const std::vector<std::pair<double, double>>& points;
    std::vector<double> steps;
  };
  std::vector<Drawn> drawn;
  for (const ReferenceCurve& r : references) {
    drawn.push_back({r.points, CurrentSteps(r.points, r.rangeOhms)});
    surface.SetPenWidth(r.penWidth);
    DrawResolvedLine(surface, s, r.points, drawn.back().steps, r.colour);
    surface.SetPenWidth(1);
  }
  if (!references.empty()) DrawReferenceLegend(surface, g, references, colours.text);
  const auto points = PairsOf(curve);
  drawn.push_back({points, CurrentSteps(points, RangesOf(curve))});
  surface.SetPenWidth(2);
  DrawResolvedLine(surface, s, points, drawn.back().steps, colours.line);
  surface.SetPenWidth(1);
  DrawPlotAxes(surface, g, s, colours.text, decimalSeparator);
  const Colour grey = UnresolvedColour(colours);
  for (const Drawn& d : drawn) DrawUnresolvedMarks(surface, s, d.points, d.steps, grey);
}

}  // namespace kvt

#pragma once
// The log-current view: |I| on a logarithmic axis from the smallest current
// the curves resolve to full scale, the forward branch above the voltage
// axis and the reverse branch mirrored below it. A reading under one
// converter step of its own range is no exact value: it is drawn apart, as
// a hollow grey mark, and breaks the line.
#include <string>
#include <string_view>
#include <vector>

#include "core/curve.h"
#include "core/draw_surface.h"
#include "core/typed_options.h"
#include "plot/plot_renderer.h"
#include "plot/plot_scale.h"

namespace kvt {

// The current of one converter step at each point of `points`, in amperes:
// 10 mV over the point's range (`ranges[i]`; an empty list: all unknown).
// Where the range is unknown, the smallest nonzero |I| of those points, as
// no reading is finer than the step it was taken with.
std::vector<double> CurrentSteps(const std::vector<std::pair<double, double>>& points,
                                 const std::vector<std::optional<double>>& ranges);
// Each point's range, in order.
std::vector<std::optional<double>> RangesOf(const Curve& curve);

// Under one step of its range (zero included): not an exact value.
bool Unresolved(double amps, double stepAmps);

// The log axis's floor in milliamperes: the smallest step of the curve and
// the references, down to a whole decade; 1 uA when none has a step.
double LogFloorMilliamps(const Curve& curve, const std::vector<ReferenceCurve>& references);

// The log axis's top in milliamperes: the full scale of the coarsest range
// among the points (51 mA for 100 ohm), so a curve of several ranges shows
// whole; the current scale where no point knows its range.
int LogTopMilliamps(const Curve& curve, const std::vector<ReferenceCurve>& references, int currentScaleMilliamps);

// "1 uA", "10 uA", "100 uA", "1 mA": a decade's magnitude as a tick label.
std::string DecadeText(double milliamps);

// The grey of unresolved readings: halfway between the text and the background.
Colour UnresolvedColour(const PlotColours& colours);

// As DrawPlot, on the log-current axis; the maximum current is the
// controls' Max I. Smoothing does not apply: the view shows the readings.
void DrawLogCurrentPlot(DrawSurface& surface, const PlotOptions& plot, const Curve& curve,
                        std::string_view decimalSeparator, const std::vector<ReferenceCurve>& references = {});

}  // namespace kvt

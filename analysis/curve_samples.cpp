#include "analysis/curve_samples.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace kvt {
namespace {

std::vector<CurvePoint> ByRisingVolts(const Curve& curve) {
  std::vector<CurvePoint> points = UsablePoints(curve);
  std::stable_sort(points.begin(), points.end(),
                   [](const CurvePoint& a, const CurvePoint& b) { return a.volts < b.volts; });
  return points;
}

// One current step of the point's range; nothing when its range is unknown.
std::optional<double> CurrentStep(const CurvePoint& point) {
  if (!point.rangeOhms || !(*point.rangeOhms > 0)) return std::nullopt;
  return AdcStepVolts / *point.rangeOhms;
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const std::size_t n = values.size();
  return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

}  // namespace

double ReachOf(const Curve& curve, bool forward) {
  double reach = 0;
  for (const CurvePoint& p : UsablePoints(curve)) reach = std::max(reach, forward ? p.amps : -p.amps);
  return reach;
}

std::optional<MeasuredFigure> VoltsAt(const Curve& curve, double amps) {
  if (!(amps != 0) || !std::isfinite(amps)) return std::nullopt;
  const std::vector<CurvePoint> points = ByRisingVolts(curve);
  // Forward currents are met walking up from the most negative voltage,
  // reverse ones walking down from the most positive: the first crossing is
  // the one nearest the origin on a curve that rises with voltage.
  const bool forward = amps > 0;
  const std::size_t n = points.size();
  for (std::size_t k = 1; k < n; ++k) {
    const CurvePoint& a = forward ? points[k - 1] : points[n - k];
    const CurvePoint& b = forward ? points[k] : points[n - k - 1];
    const bool crosses = forward ? (a.amps < amps && amps <= b.amps) : (a.amps > amps && amps >= b.amps);
    if (!crosses) continue;
    const double slope = (b.volts - a.volts) / (b.amps - a.amps);
    const double volts = a.volts + (amps - a.amps) * slope;
    const auto step = CurrentStep(std::abs(b.amps - amps) < std::abs(amps - a.amps) ? b : a);
    const double currentTerm = step ? *step * std::abs(slope) : 0.0;
    return MeasuredFigure{volts, std::hypot(AdcStepVolts, currentTerm)};
  }
  return std::nullopt;
}

std::string CurveSampleName(double amps) {
  const double size = std::abs(amps);
  const char* prefix = size >= 1 ? "" : size >= 1e-3 ? "m" : size >= 1e-6 ? "u" : "n";
  const double scale = size >= 1 ? 1 : size >= 1e-3 ? 1e3 : size >= 1e-6 ? 1e6 : 1e9;
  char text[48];
  std::snprintf(text, sizeof text, "curve@%c%.3g%sA", amps < 0 ? '-' : '+', size * scale, prefix);
  return text;
}

std::vector<double> SampleCurrents(const std::vector<const Curve*>& curves, int perSide) {
  std::vector<double> currents;
  if (perSide < 1) return currents;
  for (const bool forward : {false, true}) {
    std::vector<double> reaches;
    double step = 0;  // the coarsest current step of the parts that reach this side
    for (const Curve* curve : curves) {
      if (!curve) continue;
      const double reach = ReachOf(*curve, forward);
      if (!(reach > 0)) continue;
      reaches.push_back(reach);
      for (const CurvePoint& p : UsablePoints(*curve))
        if (const auto s = CurrentStep(p)) step = std::max(step, *s);
    }
    // A side reached by fewer than half the curves is no side they share.
    std::size_t withCurve = 0;
    for (const Curve* curve : curves) withCurve += curve != nullptr;
    if (reaches.empty() || 2 * reaches.size() < withCurve) continue;
    const double half = Median(reaches) / 2;
    double top = INFINITY;
    for (double r : reaches)
      if (r >= half) top = std::min(top, r);
    if (!(top >= 10 * step) || !std::isfinite(top)) continue;
    std::vector<double> side;
    for (int k = 0; k < perSide; ++k) {
      const double fraction = perSide == 1 ? 0.5 : 0.1 + 0.8 * k / (perSide - 1);
      side.push_back((forward ? 1 : -1) * fraction * top);
    }
    if (!forward) std::reverse(side.begin(), side.end());
    currents.insert(currents.end(), side.begin(), side.end());
  }
  std::sort(currents.begin(), currents.end());
  return currents;
}

CurveSampling SampleCurves(const std::vector<const Curve*>& curves, const std::vector<double>& currents) {
  CurveSampling sampling;
  sampling.currents = currents;
  for (double amps : currents) sampling.names.push_back(CurveSampleName(amps));
  std::vector<FigureColumn*> columns;
  for (const std::string& name : sampling.names) {
    FigureColumn& column = sampling.table[name];
    column.assign(curves.size(), std::nullopt);
    columns.push_back(&column);
  }
  sampling.lacking.assign(curves.size(), "");
  for (std::size_t part = 0; part < curves.size(); ++part) {
    if (!curves[part]) {
      sampling.lacking[part] = "no curve";
      continue;
    }
    std::vector<std::optional<MeasuredFigure>> samples;
    std::size_t reached = 0;
    for (double amps : currents) {
      samples.push_back(VoltsAt(*curves[part], amps));
      reached += samples.back().has_value();
    }
    if (reached < currents.size()) {
      sampling.lacking[part] = "curve reaches " + std::to_string(reached) + " of " +
                               std::to_string(currents.size()) + " sampled currents";
      continue;
    }
    for (std::size_t c = 0; c < currents.size(); ++c) (*columns[c])[part] = samples[c];
  }
  return sampling;
}

SampleSpread CurveSpread(const PartTable& table, const std::vector<std::string>& names,
                         const std::vector<std::size_t>& parts) {
  SampleSpread worst;
  bool first = true;
  for (const std::string& name : names) {
    const auto column = table.find(name);
    if (column == table.end()) continue;
    double lo = INFINITY, hi = -INFINITY, u1 = 0, u2 = 0;
    for (std::size_t part : parts) {
      const auto& figure = column->second.at(part);
      if (!figure) continue;
      lo = std::min(lo, figure->value);
      hi = std::max(hi, figure->value);
      const double u = std::abs(figure->uncertainty);
      if (u > u1) {
        u2 = u1;
        u1 = u;
      } else {
        u2 = std::max(u2, u);
      }
    }
    if (!(hi >= lo)) continue;
    const double spread = hi - lo, resolution = std::hypot(u1, u2);
    if (first || spread > worst.spread) {
      worst.spread = spread;
      worst.resolution = resolution;
    }
    first = false;
    worst.withinResolution = worst.withinResolution && spread < resolution;
  }
  return worst;
}

}  // namespace kvt

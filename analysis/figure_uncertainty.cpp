#include "analysis/figure_uncertainty.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

#include "analysis/local_fit.h"
#include "analysis/parameter_report.h"
#include "analysis/resolution.h"

namespace kvt {
namespace {

constexpr double Coverage = 2.0;

ReportedFigure Missing(std::string why) { return {std::nullopt, 0.0, std::move(why)}; }

// The analysis's own value with the local fit's uncertainty; where the two
// estimates differ, the difference counts as error too.
ReportedFigure Stated(double value, const std::optional<Uncertain>& local) {
  if (!local) return Missing("too few points around it to bound its error");
  const double apart = value - local->value;
  return {value, std::hypot(local->uncertainty, apart), ""};
}

// A bound as a person reads it: two significant digits, rounded up.
std::string Bound(double value, const char* unit) {
  if (!(value > 0) || !std::isfinite(value)) return WithUnit(value, unit);
  const double quantum = std::pow(10.0, std::floor(std::log10(value)) - 1);
  return WithUnit(std::ceil(value / quantum - 1e-9) * quantum, unit);
}

// A value less than twice its uncertainty away from zero says little more
// than a bound: a part whose true figure is nil would show one about one
// time in twenty at the edge of its interval, and a stated number is read as
// a property of the part.
ReportedFigure AboveResolution(ReportedFigure f, const char* unit) {
  if (f.value && std::abs(*f.value) <= 2 * f.uncertainty)
    return Missing("below the resolution, under " + Bound(2 * f.uncertainty, unit) + " either way");
  return f;
}

struct JunctionSpread {
  double lnSaturation = 0, ideality = 0;
  std::optional<double> seriesOhms;
};

// Standard errors of the junction fit's parameters, by linearising
// V = n Vt ln(I/Is + 1) + Rs I about the fitted values over the forward
// points the fit reads.
std::optional<JunctionSpread> SpreadOf(const Curve& curve, const ShockleyFit& fit) {
  const Resolution step = ResolutionOf(curve);
  const bool withRs = fit.seriesOhms > 0;
  std::vector<std::vector<double>> columns(withRs ? 3 : 2);
  double rss = 0;
  std::vector<double> readings;
  for (const CurvePoint& p : curve.points) {
    // Each point on its own range: a stitched curve's fine points count.
    if (p.clipped || !(p.volts > 0) || !(p.amps > 10 * AmpsStepOf(p).value_or(step.amps))) continue;
    const double x = p.amps / fit.saturationAmps;
    const double nVt = fit.ideality * ThermalVolts27C;
    columns[0].push_back(-nVt * x / (x + 1));
    columns[1].push_back(ThermalVolts27C * std::log1p(x));
    if (withRs) columns[2].push_back(p.amps);
    const double residual = p.volts - (nVt * std::log1p(x) + fit.seriesOhms * p.amps);
    rss += residual * residual;
    readings.push_back(p.volts);
  }
  const std::size_t n = columns[0].size(), k = columns.size();
  if (n <= k) return std::nullopt;
  std::vector<double> norm(k, 0.0);
  for (std::size_t j = 0; j < k; ++j) {
    for (double v : columns[j]) norm[j] += v * v;
    norm[j] = std::sqrt(norm[j]);
    if (!(norm[j] > 0)) return std::nullopt;
  }
  std::vector<std::vector<double>> normal(k, std::vector<double>(k, 0.0));
  for (std::size_t r = 0; r < k; ++r)
    for (std::size_t c = 0; c < k; ++c) {
      for (std::size_t i = 0; i < n; ++i) normal[r][c] += columns[r][i] * columns[c][i];
      normal[r][c] /= norm[r] * norm[c];
    }
  const auto inv = InverseOf(normal);
  if (!inv) return std::nullopt;
  std::sort(readings.begin(), readings.end());
  const auto distinct = static_cast<double>(std::unique(readings.begin(), readings.end()) - readings.begin());
  const double inflate = static_cast<double>(n) / std::max(std::min<double>(n, distinct + 1), 2.0);
  const double var = std::max(rss / static_cast<double>(n - k), step.volts * step.volts / 12) * inflate;
  auto se = [&](std::size_t j) { return std::sqrt(var * (*inv)[j][j]) / norm[j]; };
  JunctionSpread s{se(0), se(1), std::nullopt};
  if (withRs) s.seriesOhms = se(2);
  return s;
}

void ReportJunction(const Curve& curve, const PartParameters& p, ReportedFigures& out) {
  if (!p.shockley) {
    const char* why = "no junction explains the forward points";
    out.saturationAmps = out.ideality = out.seriesOhms = Missing(why);
    return;
  }
  const ShockleyFit& fit = *p.shockley;
  const auto spread = SpreadOf(curve, fit);
  if (!spread) {
    out.saturationAmps = out.ideality = out.seriesOhms = Missing("too few forward points to bound the fit");
    return;
  }
  // Is comes from extrapolating to no current at all: its error is a
  // factor, and a factor beyond two says nothing of the part.
  const double factor = std::exp(Coverage * spread->lnSaturation);
  if (factor <= 2) {
    out.saturationAmps = {fit.saturationAmps, fit.saturationAmps * (factor - 1), ""};
  } else {
    char times[32];
    std::snprintf(times, sizeof times, factor < 10 ? "%.1f" : "%.0f", factor);
    out.saturationAmps = Missing(std::string("not resolved: the points allow it to be ") + times +
                                 " times larger or smaller");
  }
  out.ideality = {fit.ideality, Coverage * spread->ideality, ""};
  if (spread->seriesOhms)
    out.seriesOhms = AboveResolution({fit.seriesOhms, Coverage * *spread->seriesOhms, ""}, "ohm");
  else
    out.seriesOhms = Missing("not resolved: the currents do not show it");
}

}  // namespace

ReportedFigures ReportFigures(const Curve& curve, const PartParameters& p, const AnalysisOptions& o) {
  ReportedFigures out;
  // Each figure's error as the range it was read on resolves it.
  const auto forward = VoltsAtCurrentWithin(OneRangeNearAmps(curve, o.forwardAmps), o.forwardAmps);
  if (p.forwardVolts) {
    out.forwardVolts = Stated(*p.forwardVolts, forward ? std::optional(forward->volts) : std::nullopt);
  } else {
    out.forwardVolts = Missing("the curve does not reach " + WithUnit(o.forwardAmps, "A"));
  }
  if (!forward) {
    out.dynamicOhms = Missing("the curve does not reach " + WithUnit(o.forwardAmps, "A"));
  } else {
    // The forward voltage's own neighbourhood, or where that cannot resolve
    // the slope, the narrowest of wider ones. Not the narrowest always: a
    // window whose noise steepened the slope looks narrower, so picking it
    // would bias the figure high.
    Uncertain r = forward->ohms;
    if (!DynamicOhmsResolved(r)) {
      if (const auto wider = DynamicOhmsNearCurrent(OneRangeNearAmps(curve, o.forwardAmps), o.forwardAmps)) r = *wider;
    }
    if (DynamicOhmsResolved(r))
      out.dynamicOhms = {r.value, r.uncertainty, ""};
    else if (std::isfinite(r.uncertainty))
      out.dynamicOhms = Missing("below the resolution, under " + Bound(std::abs(r.value) + r.uncertainty, "ohm"));
    else
      out.dynamicOhms = Missing("not resolved: the current barely changes there");
  }

  out.breakdownAmps = BreakdownAmpsOf(p).value_or(o.reverseAmps);
  if (p.breakdownVolts) {
    const auto reverse = VoltsAtCurrentWithin(OneRangeNearAmps(curve, out.breakdownAmps), out.breakdownAmps);
    out.breakdownVolts = Stated(*p.breakdownVolts, reverse ? std::optional(reverse->volts) : std::nullopt);
  } else {
    out.breakdownVolts = Missing("the curve does not reach " + WithUnit(out.breakdownAmps, "A"));
  }

  if (p.leakageAmps)
    out.leakageAmps = AboveResolution(
        Stated(*p.leakageAmps, AmpsAtVoltsWithin(OneRangeNearVolts(curve, o.reverseVolts), o.reverseVolts)), "A");
  else
    out.leakageAmps = Missing("the curve does not reach " + WithUnit(o.reverseVolts, "V"));

  if (p.resistance)
    out.resistance = Stated(p.resistance->ohms, OhmsOfWholeCurve(curve));
  else
    out.resistance = Missing("the curve is not a straight line");

  ReportJunction(curve, p, out);
  return out;
}

}  // namespace kvt

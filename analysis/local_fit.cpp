#include "analysis/local_fit.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <set>
#include <vector>

#include "analysis/load_line_fit.h"
#include "analysis/resolution.h"

namespace kvt {
namespace {

constexpr double Coverage = 2.0;  // standard errors in a stated uncertainty

struct Sample {
  double t = 0;  // applied voltage, or the point's place in the sweep
  double volts = 0;
  double amps = 0;
  std::size_t index = 0;  // in the curve
};

struct Samples {
  std::vector<Sample> points;  // unclipped, in order of t
  bool applied = false;        // t is the applied voltage
  double rangeOhms = 0;
  Resolution step;
};

Samples SamplesOf(const Curve& curve) {
  Samples s;
  const auto range = curve.RangeOhms();
  s.applied = range && *range > 0;
  s.rangeOhms = s.applied ? *range : 0.0;
  s.step = ResolutionOf(curve);
  for (std::size_t i = 0; i < curve.points.size(); ++i) {
    const CurvePoint& p = curve.points[i];
    if (p.clipped || !std::isfinite(p.volts) || !std::isfinite(p.amps)) continue;
    s.points.push_back({s.applied ? p.volts + p.amps * s.rangeOhms : static_cast<double>(i), p.volts, p.amps, i});
  }
  std::stable_sort(s.points.begin(), s.points.end(), [](const Sample& a, const Sample& b) { return a.t < b.t; });
  return s;
}

// Voltage and current as polynomials of (t - tc), with the variances the
// errors of the readings give their values and slopes at tc.
struct Fit {
  double tc = 0;
  double volts = 0, amps = 0;    // at tc
  double dVolts = 0, dAmps = 0;  // d/dt at tc
  double varVolts = 0, varAmps = 0, covValues = 0;
  double varDVolts = 0, varDAmps = 0, covSlopes = 0;
  double scatterVolts = 0, scatterAmps = 0;  // residual variances, at least the rounding's
};

std::optional<Fit> FitAround(const Samples& s, const std::vector<Sample>& window, double tc, bool quadratic) {
  const std::size_t n = window.size();
  const std::size_t k = quadratic ? 3 : 2;
  if (n < k + 1) return std::nullopt;
  double h = 0;
  for (const Sample& p : window) h = std::max(h, std::abs(p.t - tc));
  if (!(h > 0)) return std::nullopt;
  auto basis = [&](const Sample& p) {
    const double u = (p.t - tc) / h;
    return std::array<double, 3>{1.0, u, u * u};
  };
  std::array<std::array<double, 3>, 3> m{};
  std::array<double, 3> yv{}, yi{};
  for (const Sample& p : window) {
    const auto b = basis(p);
    for (std::size_t r = 0; r < k; ++r) {
      for (std::size_t c = 0; c < k; ++c) m[r][c] += b[r] * b[c];
      yv[r] += b[r] * p.volts;
      yi[r] += b[r] * p.amps;
    }
  }
  std::vector<std::vector<double>> normal(k, std::vector<double>(k));
  for (std::size_t r = 0; r < k; ++r)
    for (std::size_t c = 0; c < k; ++c) normal[r][c] = m[r][c];
  const auto inv = InverseOf(normal);
  if (!inv) return std::nullopt;
  std::array<double, 3> cv{}, ci{};
  for (std::size_t r = 0; r < k; ++r)
    for (std::size_t c = 0; c < k; ++c) {
      cv[r] += (*inv)[r][c] * yv[c];
      ci[r] += (*inv)[r][c] * yi[c];
    }
  double rvv = 0, rii = 0, rvi = 0;
  std::set<double> readings;
  for (const Sample& p : window) {
    const auto b = basis(p);
    double fv = 0, fi = 0;
    for (std::size_t r = 0; r < k; ++r) {
      fv += cv[r] * b[r];
      fi += ci[r] * b[r];
    }
    rvv += (p.volts - fv) * (p.volts - fv);
    rii += (p.amps - fi) * (p.amps - fi);
    rvi += (p.volts - fv) * (p.amps - fi);
    readings.insert(std::nearbyint(p.volts * 1e9));
  }
  const double dof = static_cast<double>(n - k);
  // A reading is rounded to a converter step: its error is at least that
  // rounding's, whatever the residuals say.
  const double varV = std::max(rvv / dof, s.step.volts * s.step.volts / 12);
  double varI, rho;
  if (s.applied) {
    varI = varV / (s.rangeOhms * s.rangeOhms);
    rho = -1;  // the current's error is the voltage's, through the range resistor
  } else {
    varI = std::max(rii / dof, s.step.amps * s.step.amps / 12);
    rho = rvv > 0 && rii > 0 ? rvi / std::sqrt(rvv * rii) : 0.0;
  }
  // Points repeating one reading carry one reading's information.
  const double inflate = static_cast<double>(n) / std::max<double>(std::min(n, readings.size() + 1), 2.0);
  const double sv = std::sqrt(varV * inflate), si = std::sqrt(varI * inflate);
  const auto& c = *inv;
  Fit f;
  f.tc = tc;
  f.volts = cv[0];
  f.amps = ci[0];
  f.dVolts = cv[1] / h;
  f.dAmps = ci[1] / h;
  f.varVolts = sv * sv * c[0][0];
  f.varAmps = si * si * c[0][0];
  f.covValues = rho * sv * si * c[0][0];
  f.varDVolts = sv * sv * c[1][1] / (h * h);
  f.varDAmps = si * si * c[1][1] / (h * h);
  f.covSlopes = rho * sv * si * c[1][1] / (h * h);
  f.scatterVolts = varV;
  f.scatterAmps = varI;
  return f;
}

// dV/dI of a fit and its uncertainty, by first-order propagation.
Uncertain OhmsOf(const Fit& f) {
  if (!(f.dAmps != 0)) return {0.0, std::numeric_limits<double>::infinity()};
  const double r = f.dVolts / f.dAmps;
  const double var = (f.varDVolts - 2 * r * f.covSlopes + r * r * f.varDAmps) / (f.dAmps * f.dAmps);
  return {r, Coverage * std::sqrt(std::max(var, 0.0))};
}

// Whether the current visibly changes across the fit: otherwise dV/dI is
// unbounded whatever value the ratio takes.
// Three standard errors, not two: several neighbourhoods are tried, and a
// flat stretch must not pass for a slope by the luck of one of them.
bool CurrentMoves(const Fit& f) { return std::abs(f.dAmps) > 3 * std::sqrt(f.varDAmps); }

// The `count` samples nearest in t to samples[centre].
std::vector<Sample> Nearest(const std::vector<Sample>& samples, std::size_t centre, std::size_t count) {
  std::size_t lo = centre, hi = centre + 1;  // [lo, hi)
  const double tc = samples[centre].t;
  while (hi - lo < count && (lo > 0 || hi < samples.size())) {
    if (lo == 0) ++hi;
    else if (hi == samples.size()) --lo;
    else if (tc - samples[lo - 1].t <= samples[hi].t - tc) --lo;
    else ++hi;
  }
  return {samples.begin() + static_cast<std::ptrdiff_t>(lo), samples.begin() + static_cast<std::ptrdiff_t>(hi)};
}

// Window of samples around samples[centre]: those `within` says belong,
// contiguous in t, and at least `atLeast` of them.
template <class Within>
std::vector<Sample> WindowAround(const std::vector<Sample>& samples, std::size_t centre, std::size_t atLeast,
                                 Within within) {
  std::size_t lo = centre, hi = centre + 1;
  while (lo > 0 && within(samples[lo - 1])) --lo;
  while (hi < samples.size() && within(samples[hi])) ++hi;
  if (hi - lo >= atLeast) return {samples.begin() + static_cast<std::ptrdiff_t>(lo), samples.begin() + static_cast<std::ptrdiff_t>(hi)};
  return Nearest(samples, centre, atLeast);
}

}  // namespace

std::optional<std::vector<std::vector<double>>> InverseOf(std::vector<std::vector<double>> m) {
  const std::size_t k = m.size();
  std::vector<std::vector<double>> inv(k, std::vector<double>(k, 0.0));
  for (std::size_t i = 0; i < k; ++i) inv[i][i] = 1;
  for (std::size_t c = 0; c < k; ++c) {
    std::size_t pivot = c;
    for (std::size_t r = c + 1; r < k; ++r)
      if (std::abs(m[r][c]) > std::abs(m[pivot][c])) pivot = r;
    if (!(std::abs(m[pivot][c]) > 1e-12)) return std::nullopt;
    std::swap(m[c], m[pivot]);
    std::swap(inv[c], inv[pivot]);
    const double d = m[c][c];
    for (std::size_t j = 0; j < k; ++j) {
      m[c][j] /= d;
      inv[c][j] /= d;
    }
    for (std::size_t r = 0; r < k; ++r) {
      if (r == c) continue;
      const double f = m[r][c];
      for (std::size_t j = 0; j < k; ++j) {
        m[r][j] -= f * m[c][j];
        inv[r][j] -= f * inv[c][j];
      }
    }
  }
  return inv;
}

bool DynamicOhmsResolved(const Uncertain& ohms) {
  return std::isfinite(ohms.uncertainty) && std::abs(ohms.value) > ohms.uncertainty;
}

std::optional<LocalOperatingPoint> VoltsAtCurrentWithin(const Curve& curve, double amps) {
  if (!(amps != 0) || !std::isfinite(amps)) return std::nullopt;
  if (const auto f = FitAlongLoadLine(curve, amps))
    return LocalOperatingPoint{{f->volts, Coverage * f->voltsSigma}, {f->ohms, Coverage * f->ohmsSigma}};
  const Samples s = SamplesOf(curve);
  bool reached = false, under = false;
  std::size_t nearest = s.points.size();
  double nearestDistance = std::numeric_limits<double>::infinity();
  for (std::size_t i = 0; i < s.points.size(); ++i) {
    const double ratio = s.points[i].amps / amps;
    if (!(ratio > 0)) continue;
    reached = reached || ratio >= 1;
    under = under || ratio <= 1;
    if (std::abs(std::log(ratio)) < nearestDistance) {
      nearestDistance = std::abs(std::log(ratio));
      nearest = i;
    }
  }
  if (!reached || !under || nearest == s.points.size()) return std::nullopt;
  const auto window = WindowAround(s.points, nearest, 7, [&](const Sample& p) {
    const double ratio = p.amps / amps;
    return ratio > 0 && std::abs(std::log(ratio)) <= std::log(1.5);
  });
  const bool quadratic = window.size() >= 8;
  auto fit = FitAround(s, window, s.points[nearest].t, quadratic);
  if (!fit || !(fit->dAmps != 0)) return std::nullopt;
  // Centre the fit where the current is the target's.
  fit = FitAround(s, window, fit->tc + (amps - fit->amps) / fit->dAmps, quadratic);
  if (!fit || !(fit->dAmps != 0)) return std::nullopt;
  const double r = fit->dVolts / fit->dAmps;
  const double volts = fit->volts + r * (amps - fit->amps);
  const double var = fit->varVolts - 2 * r * fit->covValues + r * r * fit->varAmps;
  return LocalOperatingPoint{{volts, Coverage * std::sqrt(std::max(var, 0.0))}, OhmsOf(*fit)};
}

std::optional<Uncertain> AmpsAtVoltsWithin(const Curve& curve, double volts) {
  if (!std::isfinite(volts)) return std::nullopt;
  const Samples s = SamplesOf(curve);
  bool below = false, above = false;
  std::size_t nearest = 0;
  for (std::size_t i = 0; i < s.points.size(); ++i) {
    below = below || s.points[i].volts <= volts;
    above = above || s.points[i].volts >= volts;
    if (std::abs(s.points[i].volts - volts) < std::abs(s.points[nearest].volts - volts)) nearest = i;
  }
  if (!below || !above) return std::nullopt;
  const auto window =
      WindowAround(s.points, nearest, 5, [&](const Sample& p) { return std::abs(p.volts - volts) <= 0.05; });
  const bool quadratic = window.size() >= 8;
  auto fit = FitAround(s, window, s.points[nearest].t, quadratic);
  if (!fit) return std::nullopt;
  if (std::abs(fit->dVolts) > 0) {
    fit = FitAround(s, window, fit->tc + (volts - fit->volts) / fit->dVolts, quadratic);
    if (!fit) return std::nullopt;
  }
  if (!(std::abs(fit->dVolts) > 0)) return Uncertain{fit->amps, Coverage * std::sqrt(fit->varAmps)};
  const double g = fit->dAmps / fit->dVolts;
  const double amps = fit->amps + g * (volts - fit->volts);
  const double var = fit->varAmps - 2 * g * fit->covValues + g * g * fit->varVolts;
  return Uncertain{amps, Coverage * std::sqrt(std::max(var, 0.0))};
}

std::optional<Uncertain> DynamicOhmsNear(const Curve& curve, std::size_t index) {
  const Samples s = SamplesOf(curve);
  const auto at = std::find_if(s.points.begin(), s.points.end(), [&](const Sample& p) { return p.index == index; });
  if (at == s.points.end()) return std::nullopt;
  const std::size_t centre = static_cast<std::size_t>(at - s.points.begin());
  std::optional<Uncertain> best;
  std::optional<Fit> first;
  for (const std::size_t count : {7u, 11u, 15u, 21u, 31u, 45u, 65u}) {
    const auto window = Nearest(s.points, centre, count);
    const auto fit = FitAround(s, window, at->t, true);
    if (!fit) continue;
    if (!first) first = fit;
    // A wider window that no longer follows one smooth stretch (a knee, the
    // end of a flat part) scatters far more than the narrowest one did.
    constexpr double Bend = 6.0;
    if (fit->scatterVolts > Bend * first->scatterVolts || fit->scatterAmps > Bend * first->scatterAmps) break;
    if (CurrentMoves(*fit)) {
      const Uncertain r = OhmsOf(*fit);
      // A passive part's dV/dI is positive: an interval reaching below
      // zero has not resolved it.
      // The narrowest interval, not the smallest share of the value: that
      // would favour the windows whose noise happened to raise the slope.
      if (DynamicOhmsResolved(r) && r.value > 0 && (!best || r.uncertainty < best->uncertainty)) best = r;
      if (best && best->uncertainty * 3 <= std::abs(best->value)) break;
    }
    if (window.size() < count) break;  // the whole curve is in already
  }
  return best;
}

std::optional<Uncertain> DynamicOhmsNearCurrent(const Curve& curve, double amps) {
  std::optional<std::size_t> nearest;
  double distance = std::numeric_limits<double>::infinity();
  for (std::size_t i = 0; i < curve.points.size(); ++i) {
    const CurvePoint& p = curve.points[i];
    const double ratio = p.amps / amps;
    if (p.clipped || !(ratio > 0) || !(std::abs(std::log(ratio)) < distance)) continue;
    distance = std::abs(std::log(ratio));
    nearest = i;
  }
  return nearest ? DynamicOhmsNear(curve, *nearest) : std::nullopt;
}

std::optional<Uncertain> OhmsOfWholeCurve(const Curve& curve) {
  const Samples s = SamplesOf(curve);
  if (s.points.size() < 3) return std::nullopt;
  double mean = 0;
  for (const Sample& p : s.points) mean += p.t;
  mean /= static_cast<double>(s.points.size());
  const auto fit = FitAround(s, s.points, mean, false);
  if (!fit || !CurrentMoves(*fit)) return std::nullopt;
  return OhmsOf(*fit);
}

}  // namespace kvt

#include "analysis/load_line_fit.h"

#include <algorithm>
#include <cmath>
#include <set>
#include <vector>

#include "analysis/least_squares.h"
#include "analysis/local_fit.h"
#include "analysis/resolution.h"

namespace kvt {
namespace {

// The window: points whose fitted current lies within this factor of the
// target. Wide, since the model follows the junction's bend and every added
// point narrows the result. Fewer than MinPoints there (a sparse sweep on a
// steep part) leave the curve to the plain fit: reaching farther would take
// in a breakdown's knee or the flat part before it, which follow no such
// shape.
constexpr double WindowFactor = 3.0;
constexpr std::size_t MinPoints = 6;
// A fit whose residuals exceed this many converter steps does not describe
// the points.
constexpr double MostStepsOff = 3.0;
// Points whose measured current is within this factor of the target must all
// come from one known range for the load line to be known there.
constexpr double RangeCheckFactor = 4.0;

// A point turned so the target current is positive: a reverse target is
// read as a forward one on the mirrored curve.
struct Sample {
  double applied = 0;  // s * (V + I R)
  double volts = 0;    // s * V
  double ratio = 0;    // measured I / I*
};

struct Model {
  double c0 = 0, c1 = 0, c2 = 0;
  double Volts(double r) const { return c0 + c1 * std::log(r) + c2 * (r - 1); }
  double Slope(double r) const { return c1 / r + c2; }  // dV/dr
};

// The current ratio r the model gives at applied voltage a: the root of
// load * r + V(r) = a, with load = R I*. Searched in ln r, where it is
// bracketed; nothing when the model does not cross a there.
std::optional<double> RatioAt(const Model& m, double load, double a) {
  double lo = std::log(1e-3), hi = std::log(1e3);
  auto f = [&](double x) { return load * std::exp(x) + m.Volts(std::exp(x)) - a; };
  if (!(f(lo) < 0) || !(f(hi) > 0)) return std::nullopt;
  double x = 0;
  for (int k = 0; k < 100; ++k) {
    const double fx = f(x);
    if (fx < 0) lo = x;
    else hi = x;
    const double slope = (load + m.c2) * std::exp(x) + m.c1;
    double next = slope > 0 ? x - fx / slope : (lo + hi) / 2;
    if (!(next > lo && next < hi)) next = (lo + hi) / 2;
    if (std::abs(next - x) < 1e-12) return std::exp(next);
    x = next;
  }
  return std::exp(x);
}

struct Solved {
  Model model;
  std::vector<std::vector<double>> jacobian;  // columns
  double rss = 0;
};

// Gauss-Newton on the window's voltages. A reading's error moves V with a
// fixed, so the model's dV/dc is its basis times dV/dV_direct at that a:
// 1 / (1 + (dV/dr) / load), the share of a change that the part keeps.
std::optional<Solved> SolveOn(const std::vector<Sample>& window, double load, Model m) {
  const std::size_t n = window.size();
  auto evaluate = [&](const Model& at, Solved& out) {
    out.model = at;
    out.jacobian.assign(3, std::vector<double>(n));
    out.rss = 0;
    std::vector<double> residual(n);
    for (std::size_t k = 0; k < n; ++k) {
      const auto r = RatioAt(at, load, window[k].applied);
      if (!r) return std::optional<std::vector<double>>();
      const double keep = 1 + at.Slope(*r) / load;
      if (!(keep > 0)) return std::optional<std::vector<double>>();
      out.jacobian[0][k] = 1 / keep;
      out.jacobian[1][k] = std::log(*r) / keep;
      out.jacobian[2][k] = (*r - 1) / keep;
      residual[k] = window[k].volts - at.Volts(*r);
      out.rss += residual[k] * residual[k];
    }
    return std::optional<std::vector<double>>(std::move(residual));
  };
  Solved current;
  auto residual = evaluate(m, current);
  if (!residual) return std::nullopt;
  for (int iteration = 0; iteration < 50; ++iteration) {
    const auto step = FitLinearModel(current.jacobian, *residual);
    if (!step) return std::nullopt;
    // Halve the step until the fit improves; a settled fit stops.
    double scale = 1;
    bool improved = false;
    Solved next;
    std::optional<std::vector<double>> nextResidual;
    for (int halving = 0; halving < 30 && !improved; ++halving, scale /= 2) {
      const Model trial{m.c0 + scale * (*step)[0], m.c1 + scale * (*step)[1], m.c2 + scale * (*step)[2]};
      nextResidual = evaluate(trial, next);
      improved = nextResidual && next.rss <= current.rss;
    }
    if (!improved) break;
    const bool settled = std::abs(next.model.c0 - m.c0) < 1e-9 && current.rss - next.rss <= 1e-12 * current.rss;
    m = next.model;
    current = std::move(next);
    residual = std::move(nextResidual);
    if (settled) break;
  }
  return current;
}

// The samples whose fitted current lies within WindowFactor of the target.
std::vector<Sample> WindowOf(const std::vector<Sample>& samples, const Model& m, double load) {
  std::vector<Sample> window;
  for (const Sample& s : samples)
    if (const auto r = RatioAt(m, load, s.applied); r && std::abs(std::log(*r)) <= std::log(WindowFactor))
      window.push_back(s);
  return window;
}

// A first model from the measured currents themselves: their noise biases
// it, but only the window depends on it.
std::optional<Model> FirstGuess(const std::vector<Sample>& samples) {
  std::vector<double> one, logRatio, linear, volts;
  for (const Sample& s : samples) {
    if (!(s.ratio > 0) || std::abs(std::log(s.ratio)) > std::log(WindowFactor)) continue;
    one.push_back(1);
    logRatio.push_back(std::log(s.ratio));
    linear.push_back(s.ratio - 1);
    volts.push_back(s.volts);
  }
  if (one.size() < MinPoints) return std::nullopt;
  if (const auto c = FitLinearModel({one, logRatio, linear}, volts); c && (*c)[1] >= 0 && (*c)[2] >= 0)
    return Model{(*c)[0], (*c)[1], (*c)[2]};
  if (const auto c = FitLinearModel({one, linear}, volts); c && (*c)[1] >= 0) return Model{(*c)[0], 0, (*c)[1]};
  return std::nullopt;
}

}  // namespace

std::optional<LoadLineFit> FitAlongLoadLine(const Curve& curve, double amps) {
  if (!(amps != 0) || !std::isfinite(amps)) return std::nullopt;
  const std::vector<CurvePoint> usable = UsablePoints(curve);
  std::optional<double> range;
  bool reached = false, under = false;
  for (const CurvePoint& p : usable) {
    const double ratio = p.amps / amps;
    if (!(ratio > 0)) continue;
    reached = reached || ratio >= 1;
    under = under || ratio <= 1;
    if (std::abs(std::log(ratio)) > std::log(RangeCheckFactor)) continue;
    if (!p.rangeOhms || !(*p.rangeOhms > 0) || (range && *range != *p.rangeOhms)) return std::nullopt;
    range = p.rangeOhms;
  }
  if (!reached || !under || !range) return std::nullopt;

  const double sign = amps > 0 ? 1.0 : -1.0;
  const double target = std::abs(amps), load = *range * target;
  std::vector<Sample> samples;
  for (const CurvePoint& p : usable)
    if (p.rangeOhms == range)
      samples.push_back({sign * (p.volts + p.amps * *range), sign * p.volts, p.amps / amps});

  auto model = FirstGuess(samples);
  if (!model) return std::nullopt;
  std::vector<Sample> window;
  std::optional<Solved> solved;
  // The window follows the fit, which follows the window: a few rounds
  // settle both.
  for (int round = 0; round < 4; ++round) {
    auto next = WindowOf(samples, *model, load);
    const bool same = next.size() == window.size() &&
                      std::equal(next.begin(), next.end(), window.begin(),
                                 [](const Sample& x, const Sample& y) { return x.applied == y.applied; });
    if (same && solved) break;
    window = std::move(next);
    if (window.size() < MinPoints) return std::nullopt;
    solved = SolveOn(window, load, *model);
    if (!solved) return std::nullopt;
    model = solved->model;
  }

  // Covariance of the coefficients from the readings' scatter, never taken
  // below the converter's rounding; points repeating one reading carry one
  // reading's information.
  const std::size_t n = window.size(), k = 3;
  const double stepVolts = ResolutionOf(curve).volts;
  if (!(solved->rss <= n * std::pow(MostStepsOff * stepVolts, 2))) return std::nullopt;
  std::vector<std::vector<double>> normal(k, std::vector<double>(k, 0.0));
  for (std::size_t r = 0; r < k; ++r)
    for (std::size_t c = 0; c < k; ++c)
      for (std::size_t i = 0; i < n; ++i) normal[r][c] += solved->jacobian[r][i] * solved->jacobian[c][i];
  const auto inverse = InverseOf(normal);
  if (!inverse) return std::nullopt;
  std::set<double> readings;
  for (const Sample& s : window) readings.insert(std::nearbyint(s.volts * 1e9));
  const double inflate = static_cast<double>(n) / std::max<double>(std::min<double>(n, readings.size() + 1), 2.0);
  const double variance = std::max(solved->rss / static_cast<double>(n - k), stepVolts * stepVolts / 12) * inflate;
  const auto& c = *inverse;
  LoadLineFit fit;
  fit.volts = sign * model->c0;
  fit.voltsSigma = std::sqrt(variance * c[0][0]);
  fit.ohms = (model->c1 + model->c2) / target;
  fit.ohmsSigma = std::sqrt(std::max(variance * (c[1][1] + c[2][2] + 2 * c[1][2]), 0.0)) / target;
  fit.points = static_cast<int>(n);
  return fit;
}

}  // namespace kvt

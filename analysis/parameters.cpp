#include "analysis/parameters.h"

#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

#include "analysis/least_squares.h"
#include "analysis/load_line_fit.h"
#include "analysis/resolution.h"

namespace kvt {
namespace {

double Rms(const std::vector<double>& r) {
  double s = 0;
  for (double v : r) s += v * v;
  return r.empty() ? 0.0 : std::sqrt(s / r.size());
}

// Neighbourhood of a target: every point within `reach`, and at least the
// `atLeast` nearest, with at least one point on each side of the target.
std::vector<CurvePoint> Neighbours(std::vector<std::pair<double, CurvePoint>> byDistance,
                                   double reach, std::size_t atLeast) {
  std::sort(byDistance.begin(), byDistance.end(),
            [](const auto& a, const auto& b) { return std::abs(a.first) < std::abs(b.first); });
  std::vector<CurvePoint> chosen;
  bool below = false, above = false;
  for (const auto& [d, p] : byDistance) {
    const bool needed = chosen.size() < atLeast || std::abs(d) <= reach ||
                        (d < 0 && !below) || (d >= 0 && !above);
    if (!needed) continue;
    chosen.push_back(p);
    (d < 0 ? below : above) = true;
  }
  return chosen;
}

// The model's current at `volts`, solved from V = n Vt ln(I/Is + 1) + I Rs
// by Newton's method on y = ln(I + Is), where the equation is convex and
// rising: from a start above the root it descends onto it without
// overshooting. Also the model's slope dI/dV there.
struct ModelPoint {
  double amps = 0.0;
  double slope = 0.0;
  double logTerm = 0.0;  // ln(I/Is + 1)
};

ModelPoint ShockleyAt(double volts, double lnIs, double ideality, double rs) {
  const double nvt = ideality * ThermalVolts27C;
  const double is = std::exp(lnIs);
  double y = lnIs + volts / nvt;
  if (rs > 0 && volts > 0) y = std::min(y, std::log(volts / rs + is));
  for (int k = 0; k < 100; ++k) {
    const double e = std::exp(y);
    const double h = nvt * (y - lnIs) + (e - is) * rs - volts;
    const double dy = h / (nvt + e * rs);
    y -= dy;
    if (std::abs(dy) < 1e-13) break;
  }
  const double e = std::exp(y);
  return {e - is, e / (nvt + e * rs), y - lnIs};
}

double RmsVolts(const std::vector<double>& v, const std::vector<double>& i, double floorAmps, double lnIs,
                double ideality, double rs) {
  std::vector<double> residual;
  const double is = std::exp(lnIs), nvt = ideality * ThermalVolts27C;
  for (std::size_t k = 0; k < v.size(); ++k)
    if (i[k] > floorAmps) residual.push_back(v[k] - (nvt * std::log1p(i[k] / is) + i[k] * rs));
  return Rms(residual);
}

// A first guess from V = a + b ln I + Rs I on the points well above the
// noise floor: linear, but it weighs every point's log current alike.
std::optional<std::vector<double>> LogCurrentGuess(const std::vector<double>& v, const std::vector<double>& i,
                                                   double floorAmps) {
  std::vector<double> vs, lnI, is;
  for (std::size_t k = 0; k < v.size(); ++k)
    if (i[k] > floorAmps) {
      vs.push_back(v[k]);
      lnI.push_back(std::log(i[k]));
      is.push_back(i[k]);
    }
  if (vs.size() < 5) return std::nullopt;
  const auto [lo, hi] = std::minmax_element(is.begin(), is.end());
  if (*hi < 3 * *lo) return std::nullopt;  // too little current span to see a junction
  double mean = 0;
  for (double x : lnI) mean += x;
  mean /= lnI.size();
  std::vector<double> one(vs.size(), 1.0), centred(vs.size());
  for (std::size_t k = 0; k < vs.size(); ++k) centred[k] = lnI[k] - mean;
  std::vector<double> c;
  if (auto withRs = FitLinearModel({one, centred, is}, vs); withRs && !((*withRs)[2] < 0)) {
    c = std::move(*withRs);
  } else if (auto withoutRs = FitLinearModel({one, centred}, vs)) {
    c = std::move(*withoutRs);
    c.push_back(0.0);
  } else {
    return std::nullopt;
  }
  if (!(c[1] > 0)) return std::nullopt;
  return std::vector<double>{mean - c[0] / c[1], c[1] / ThermalVolts27C, c[2]};
}

std::optional<ShockleyFit> FitShockley(const std::vector<CurvePoint>& usable, const Resolution& step) {
  std::vector<double> v, i;
  for (const CurvePoint& p : usable)
    if (p.volts > 0) {
      v.push_back(p.volts);
      i.push_back(p.amps);
    }
  const double floorAmps = 10 * step.amps;
  auto guess = LogCurrentGuess(v, i, floorAmps);
  if (!guess) return std::nullopt;
  std::vector<double> theta = std::move(*guess);  // ln Is, n, Rs

  // Each point's current error in units of what one step moves it: a step
  // of the current plus a step of the voltage through the model's slope.
  const std::size_t n = v.size();
  auto residuals = [&](const std::vector<double>& t, std::vector<double>& e,
                       std::vector<std::vector<double>>* jacobian) {
    double cost = 0;
    for (std::size_t k = 0; k < n; ++k) {
      const ModelPoint m = ShockleyAt(v[k], t[0], t[1], t[2]);
      const double sigma = step.amps + step.volts * m.slope;
      e[k] = (i[k] - m.amps) / sigma;
      cost += e[k] * e[k];
      if (jacobian) {
        const double nvt = t[1] * ThermalVolts27C;
        (*jacobian)[0][k] = -m.slope * nvt * m.amps / (m.amps + std::exp(t[0])) / sigma;
        (*jacobian)[1][k] = m.slope * ThermalVolts27C * m.logTerm / sigma;
        (*jacobian)[2][k] = m.slope * m.amps / sigma;
      }
    }
    return std::isfinite(cost) ? cost : HUGE_VAL;
  };
  std::vector<double> e(n), trial(n);
  std::vector<std::vector<double>> jacobian(3, std::vector<double>(n));
  double cost = residuals(theta, e, &jacobian);
  double lambda = 1e-3;
  for (int iteration = 0; iteration < 200 && lambda < 1e12; ++iteration) {
    // Levenberg-Marquardt: the damped step as a least-squares problem with
    // one extra row per parameter.
    std::vector<std::vector<double>> basis(3, std::vector<double>(n + 3, 0.0));
    std::vector<double> rhs(n + 3, 0.0);
    for (std::size_t c = 0; c < 3; ++c) {
      double d = 0;
      for (std::size_t k = 0; k < n; ++k) {
        basis[c][k] = jacobian[c][k];
        d += jacobian[c][k] * jacobian[c][k];
      }
      basis[c][n + c] = std::sqrt(lambda * std::max(d, 1e-300));
    }
    for (std::size_t k = 0; k < n; ++k) rhs[k] = -e[k];
    const auto delta = FitLinearModel(basis, rhs);
    if (!delta) break;
    std::vector<double> next = {theta[0] + (*delta)[0], std::max(0.1, theta[1] + (*delta)[1]),
                                std::max(0.0, theta[2] + (*delta)[2])};
    const double nextCost = residuals(next, trial, nullptr);
    if (nextCost < cost) {
      const bool settled = cost - nextCost < 1e-10 * cost;
      theta = std::move(next);
      cost = residuals(theta, e, &jacobian);
      lambda = std::max(lambda / 4, 1e-9);
      if (settled) break;
    } else {
      lambda *= 8;
    }
  }

  ShockleyFit fit;
  fit.ideality = theta[1];
  fit.saturationAmps = std::exp(theta[0]);
  fit.seriesOhms = theta[2];
  if (!(fit.ideality >= 0.5 && fit.ideality <= 20)) return std::nullopt;
  if (!(fit.saturationAmps > 0) || !std::isfinite(fit.saturationAmps)) return std::nullopt;
  fit.points = static_cast<int>(n);
  fit.rmsVolts = RmsVolts(v, i, floorAmps, theta[0], theta[1], theta[2]);
  return fit;
}

// A line through all points; only where the shape is ohmic.
ResistanceFit FitResistance(const std::vector<CurvePoint>& usable) {
  std::vector<double> v, i;
  for (const CurvePoint& p : usable) {
    v.push_back(p.volts);
    i.push_back(p.amps);
  }
  const auto line = FitLine(v, i);
  return ResistanceFit{1.0 / line->slope, line->rSquared};
}

// The largest reverse current worth a breakdown figure: the curve's own
// largest, rounded down to one significant figure, from 100 uA.
std::optional<double> ReachedReverseAmps(double largestAmps) {
  const double magnitude = -largestAmps;
  if (!(magnitude >= 1e-4)) return std::nullopt;
  const double decade = std::pow(10.0, std::floor(std::log10(magnitude)));
  return -std::floor(magnitude / decade * (1 + 1e-12)) * decade;
}

}  // namespace

std::optional<OperatingPoint> VoltsAtCurrent(const Curve& curve, double amps) {
  if (!(amps != 0) || !std::isfinite(amps)) return std::nullopt;
  if (const auto onLoadLine = FitAlongLoadLine(curve, amps)) return OperatingPoint{onLoadLine->volts, onLoadLine->ohms};
  // Without one known range the load line is unknown: V fitted over I.
  std::vector<std::pair<double, CurvePoint>> candidates;
  bool reached = false, under = false;
  for (const CurvePoint& p : UsablePoints(curve)) {
    if (!(p.amps / amps > 0)) continue;  // the other polarity
    const double ratio = p.amps / amps;
    reached = reached || ratio >= 1;
    under = under || ratio <= 1;
    candidates.push_back({std::log(ratio), p});
  }
  if (!reached || !under || candidates.size() < 2) return std::nullopt;
  // Within a factor 1.5 of the target current, at least six points.
  const auto near = Neighbours(std::move(candidates), std::log(1.5), 6);

  std::vector<double> u, u2, one(near.size(), 1.0), v;
  for (const CurvePoint& p : near) {
    u.push_back(p.amps / amps - 1.0);
    u2.push_back(u.back() * u.back());
    v.push_back(p.volts);
  }
  std::optional<std::vector<double>> c;
  if (near.size() >= 5) c = FitLinearModel({one, u, u2}, v);
  if (!c) c = FitLinearModel({one, u}, v);
  if (!c) return std::nullopt;
  return OperatingPoint{(*c)[0], (*c)[1] / amps};
}

std::optional<double> CurrentAtVolts(const Curve& curve, double volts) {
  if (!std::isfinite(volts)) return std::nullopt;
  std::vector<std::pair<double, CurvePoint>> candidates;
  bool below = false, above = false;
  for (const CurvePoint& p : UsablePoints(curve)) {
    below = below || p.volts <= volts;
    above = above || p.volts >= volts;
    candidates.push_back({p.volts - volts, p});
  }
  if (!below || !above) return std::nullopt;
  const auto near = Neighbours(std::move(candidates), 0.05, 4);
  std::vector<double> v, i;
  for (const CurvePoint& p : near) {
    v.push_back(p.volts);
    i.push_back(p.amps);
  }
  const auto line = FitLine(v, i);
  if (!line) {
    // All neighbours at the same voltage: their mean current.
    double sum = 0;
    for (double x : i) sum += x;
    return sum / i.size();
  }
  return line->intercept + line->slope * volts;
}

PartParameters AnalysePart(const Curve& curve, const AnalysisOptions& options) {
  PartParameters p;
  const std::vector<CurvePoint> usable = UsablePoints(curve);
  const Resolution step = ResolutionOf(curve);
  if (const auto fwd = VoltsAtCurrent(curve, options.forwardAmps)) {
    p.forwardVolts = fwd->volts;
    p.dynamicOhms = fwd->ohms;
  }
  if (const auto rev = VoltsAtCurrent(curve, options.reverseAmps)) {
    p.breakdownVolts = rev->volts;
    p.breakdownOhms = rev->ohms;
    p.breakdownAmps = options.reverseAmps;
  }
  p.leakageAmps = CurrentAtVolts(curve, options.reverseVolts);
  const CurveShape shape = ShapeOf(usable, step);
  p.kind = KindOf(shape, p.forwardVolts, step);
  // A breakdown that stops short of the asked current is still read, at the
  // largest current the curve carries.
  if (!p.breakdownVolts && shape.breakdown && options.reverseAmps < 0) {
    if (const auto amps = ReachedReverseAmps(shape.breakdown->largestAmps); amps && *amps > options.reverseAmps)
      if (const auto rev = VoltsAtCurrent(curve, *amps)) {
        p.breakdownVolts = rev->volts;
        p.breakdownOhms = rev->ohms;
        p.breakdownAmps = *amps;
      }
  }
  if (p.kind == PartKind::Resistor) p.resistance = FitResistance(usable);
  if (p.kind == PartKind::Diode || p.kind == PartKind::Led || p.kind == PartKind::Zener)
    p.shockley = FitShockley(usable, step);
  return p;
}

}  // namespace kvt

#include "analysis/parameters.h"

#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

#include "analysis/least_squares.h"
#include "analysis/resolution.h"

namespace kvt {
namespace {

std::vector<CurvePoint> Usable(const Curve& curve) {
  std::vector<CurvePoint> out;
  for (const CurvePoint& p : curve.points)
    if (!p.clipped && std::isfinite(p.volts) && std::isfinite(p.amps)) out.push_back(p);
  return out;
}

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

std::optional<ShockleyFit> FitShockley(const std::vector<CurvePoint>& usable, double ampsStep) {
  // Forward points well above the noise floor, where ln I is meaningful.
  std::vector<double> v, lnI, i;
  for (const CurvePoint& p : usable)
    if (p.volts > 0 && p.amps > 10 * ampsStep) {
      v.push_back(p.volts);
      lnI.push_back(std::log(p.amps));
      i.push_back(p.amps);
    }
  if (v.size() < 5) return std::nullopt;
  const auto [lo, hi] = std::minmax_element(i.begin(), i.end());
  if (*hi < 3 * *lo) return std::nullopt;  // too little current span to see a junction

  double mean = 0;
  for (double x : lnI) mean += x;
  mean /= lnI.size();
  std::vector<double> one(v.size(), 1.0), centred(v.size());
  for (std::size_t k = 0; k < v.size(); ++k) centred[k] = lnI[k] - mean;

  // V = a + b (ln I - mean) + Rs I, linear in a, b, Rs; drop Rs if it
  // comes out negative (no physical meaning).
  std::vector<double> coeffs;
  if (auto withRs = FitLinearModel({one, centred, i}, v); withRs && !((*withRs)[2] < 0)) {
    coeffs = std::move(*withRs);
  } else if (auto withoutRs = FitLinearModel({one, centred}, v)) {
    coeffs = std::move(*withoutRs);
    coeffs.push_back(0.0);
  } else {
    return std::nullopt;
  }
  const double a = coeffs[0], b = coeffs[1], rs = coeffs[2];
  ShockleyFit fit;
  fit.ideality = b / ThermalVolts27C;
  if (!(fit.ideality >= 0.5 && fit.ideality <= 10)) return std::nullopt;
  fit.saturationAmps = std::exp(mean - a / b);
  if (!(fit.saturationAmps > 0) || !std::isfinite(fit.saturationAmps)) return std::nullopt;
  fit.seriesOhms = rs;
  fit.points = static_cast<int>(v.size());
  std::vector<double> residual(v.size());
  for (std::size_t k = 0; k < v.size(); ++k) residual[k] = v[k] - (a + b * centred[k] + rs * i[k]);
  fit.rmsVolts = Rms(residual);

  // An ohmic part fits V = a + R I just as well: then there is no junction.
  const auto line = FitLine(i, v);
  if (line) {
    std::vector<double> lineResidual(v.size());
    for (std::size_t k = 0; k < v.size(); ++k)
      lineResidual[k] = v[k] - (line->intercept + line->slope * i[k]);
    if (fit.rmsVolts > 0.5 * Rms(lineResidual)) return std::nullopt;
  }
  return fit;
}

std::optional<ResistanceFit> FitResistance(const std::vector<CurvePoint>& usable,
                                           const Resolution& step) {
  std::vector<double> v, i;
  double maxV = 0, maxI = 0;
  for (const CurvePoint& p : usable) {
    v.push_back(p.volts);
    i.push_back(p.amps);
    maxV = std::max(maxV, std::abs(p.volts));
    maxI = std::max(maxI, std::abs(p.amps));
  }
  // Both axes must move by more than the noise for a slope to mean anything.
  if (usable.size() < 5 || maxV <= 4 * step.volts || maxI <= 4 * step.amps) return std::nullopt;
  const auto line = FitLine(v, i);
  if (!line || !(line->slope > 0) || line->rSquared < 0.995) return std::nullopt;
  return ResistanceFit{1.0 / line->slope, line->rSquared};
}

PartKind Classify(const PartParameters& p, const std::vector<CurvePoint>& usable,
                  const Resolution& step) {
  if (usable.size() < 5) return PartKind::Unknown;
  double maxV = 0, maxI = 0;
  for (const CurvePoint& q : usable) {
    maxV = std::max(maxV, std::abs(q.volts));
    maxI = std::max(maxI, std::abs(q.amps));
  }
  if (maxI <= 4 * step.amps) return PartKind::Open;
  if (maxV <= 4 * step.volts) return PartKind::Short;
  if (p.resistance) return PartKind::Resistor;
  if (!p.shockley || !p.forwardVolts) return PartKind::Unknown;
  if (p.breakdownVolts) return PartKind::Zener;
  if (*p.forwardVolts < 1.2) return PartKind::Diode;
  if (*p.forwardVolts < 4.0) return PartKind::Led;
  return PartKind::Unknown;
}

}  // namespace

std::string_view PartKindName(PartKind kind) {
  switch (kind) {
    case PartKind::Open: return "open";
    case PartKind::Short: return "short";
    case PartKind::Resistor: return "resistor";
    case PartKind::Diode: return "diode";
    case PartKind::Led: return "LED";
    case PartKind::Zener: return "zener";
    case PartKind::Unknown: break;
  }
  return "unknown";
}

std::optional<OperatingPoint> VoltsAtCurrent(const Curve& curve, double amps) {
  if (!(amps != 0) || !std::isfinite(amps)) return std::nullopt;
  std::vector<std::pair<double, CurvePoint>> candidates;
  bool reached = false, under = false;
  for (const CurvePoint& p : Usable(curve)) {
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
  for (const CurvePoint& p : Usable(curve)) {
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
  const std::vector<CurvePoint> usable = Usable(curve);
  const Resolution step = ResolutionOf(curve);
  if (const auto fwd = VoltsAtCurrent(curve, options.forwardAmps)) {
    p.forwardVolts = fwd->volts;
    p.dynamicOhms = fwd->ohms;
  }
  if (const auto rev = VoltsAtCurrent(curve, options.reverseAmps)) {
    p.breakdownVolts = rev->volts;
    p.breakdownOhms = rev->ohms;
  }
  p.leakageAmps = CurrentAtVolts(curve, options.reverseVolts);
  p.resistance = FitResistance(usable, step);
  p.shockley = FitShockley(usable, step.amps);
  p.kind = Classify(p, usable, step);
  return p;
}

}  // namespace kvt

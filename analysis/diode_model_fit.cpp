#include "analysis/diode_model_fit.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "analysis/least_squares.h"
#include "analysis/resolution.h"

namespace kvt {
namespace {

// The far reverse end: mean voltage and current of the few points furthest
// into reverse, so one noisy reading does not set it (choosing them by their
// current would pick the noise).
struct ReverseEnd {
  double volts = 0.0, amps = 0.0;
};

std::optional<ReverseEnd> FarReverseEnd(std::vector<CurvePoint> reverse) {
  if (reverse.empty()) return std::nullopt;
  const std::size_t count = std::min<std::size_t>(5, reverse.size());
  std::partial_sort(reverse.begin(), reverse.begin() + count, reverse.end(),
                    [](const auto& a, const auto& b) { return a.volts < b.volts; });
  ReverseEnd end;
  for (std::size_t k = 0; k < count; ++k) {
    end.volts += reverse[k].volts / count;
    end.amps += reverse[k].amps / count;
  }
  return end;
}

// Conductance of the line through the origin that best fits the reverse
// points at or above `limitVolts` (a negative voltage), beyond the
// junction's own -Is.
double LeakageConductance(const std::vector<CurvePoint>& reverse, double limitVolts, const DiodeModel& junction) {
  double vi = 0, vv = 0;
  for (const CurvePoint& p : reverse)
    if (p.volts >= limitVolts) {
      vi += p.volts * (p.amps - junction.saturationAmps * std::expm1(p.volts / (junction.ideality * ThermalVolts27C)));
      vv += p.volts * p.volts;
    }
  return vv > 0 ? vi / vv : 0.0;
}

// V = a + b (ln I - mean ln I) + Rs I over the forward points, linear in a,
// b and Rs; without Rs where it comes out negative.
std::optional<DiodeModel> FitJunction(const std::vector<CurvePoint>& usable, double conductance, double floorAmps) {
  std::vector<double> v, lnI, i;
  for (const CurvePoint& p : usable) {
    const double junction = p.amps - conductance * p.volts;
    if (p.volts > 0 && junction > floorAmps) {
      v.push_back(p.volts);
      lnI.push_back(std::log(junction));
      i.push_back(junction);
    }
  }
  if (v.size() < 5) return std::nullopt;
  const auto [lo, hi] = std::minmax_element(i.begin(), i.end());
  if (*hi < 3 * *lo) return std::nullopt;  // too little current span to see a junction
  double mean = 0;
  for (double x : lnI) mean += x / lnI.size();
  std::vector<double> one(v.size(), 1.0), centred(v.size());
  for (std::size_t k = 0; k < v.size(); ++k) centred[k] = lnI[k] - mean;
  auto c = FitLinearModel({one, centred, i}, v);
  if (!c || (*c)[2] < 0) {
    c = FitLinearModel({one, centred}, v);
    if (!c) return std::nullopt;
    c->push_back(0.0);
  }
  DiodeModel model;
  model.ideality = (*c)[1] / ThermalVolts27C;
  model.seriesOhms = (*c)[2];
  model.saturationAmps = std::exp(mean - (*c)[0] / (*c)[1]);
  if (!(model.ideality >= 0.3 && model.ideality <= 50) || !(model.saturationAmps > 0) ||
      !std::isfinite(model.saturationAmps))
    return std::nullopt;
  return model;
}

// NBV for a breakdown anchored at (-BV, -IBV): the knee's softness that
// best fits the reverse currents beyond the leakage path, in amps, over a
// logarithmic grid (one parameter, and the error is smooth in it). The
// slope at the anchor alone is too noisy: a few converter steps there
// decide it.
double FitBreakdownIdeality(const std::vector<CurvePoint>& reverse, const DiodeBreakdown& b, double conductance,
                            double seriesOhms) {
  double best = 1.0, bestError = INFINITY;
  for (double nbv = 0.3; nbv <= 50; nbv *= 1.07) {
    double error = 0;
    for (const CurvePoint& p : reverse) {
      const double junctionAmps = p.amps - conductance * p.volts;
      const double junctionVolts = p.volts - junctionAmps * seriesOhms;
      const double modelAmps = -b.amps * std::exp(std::min(50.0, -(junctionVolts + b.volts) / (nbv * ThermalVolts27C)));
      error += (junctionAmps - modelAmps) * (junctionAmps - modelAmps);
    }
    if (error < bestError) {
      bestError = error;
      best = nbv;
    }
  }
  return best;
}

}  // namespace

std::optional<DiodeModel> FitDiodeModel(const Curve& curve, const PartParameters& parameters,
                                        const AnalysisOptions& options) {
  if (parameters.kind == PartKind::Open || parameters.kind == PartKind::Short ||
      parameters.kind == PartKind::Resistor)
    return std::nullopt;
  const std::vector<CurvePoint> usable = UsablePoints(curve);
  const double step = ResolutionOf(curve).amps;
  std::vector<CurvePoint> reverse;
  for (const CurvePoint& p : usable)
    if (p.volts < 0) reverse.push_back(p);

  // Reverse conduction: an ohmic leak carries twice at the far end what it
  // carries at half that voltage; a breakdown carries far more.
  bool breakdown = false;
  const auto end = FarReverseEnd(reverse);
  if (end && -end->amps >= 3 * step) {
    const double halfAmps = std::min(0.0, CurrentAtVolts(curve, end->volts / 2).value_or(0.0));
    breakdown = -end->amps + 2 * halfAmps >= std::max(-0.5 * end->amps, 3 * step);
  }
  // Anchored at the usual breakdown current where the curve reaches it,
  // otherwise at the far end, the most reverse current it does reach.
  const auto atReverseAmps =
      breakdown && options.reverseAmps < 0 ? VoltsAtCurrent(curve, options.reverseAmps) : std::nullopt;
  const double kneeVolts = atReverseAmps ? atReverseAmps->volts : breakdown ? end->volts : 0.0;

  // Leakage below the breakdown, or over the whole reverse side without one:
  // what the junction's own saturation current does not explain, modelled
  // only where it clearly exceeds the current resolution. The junction is
  // fitted again without it, since the leak also flows forward.
  const double leakLimit = breakdown ? kneeVolts / 2 : (end ? end->volts : 0.0);
  double conductance = 0.0;
  auto model = FitJunction(usable, conductance, 3 * step);
  for (int round = 0; model && round < 3; ++round) {
    double g = LeakageConductance(reverse, leakLimit, *model);
    if (!(g * -leakLimit >= 3 * step)) g = 0.0;
    if (g == conductance) break;
    conductance = g;
    model = FitJunction(usable, conductance, 3 * step);
  }
  if (!model) return std::nullopt;
  if (conductance > 0) model->parallelOhms = 1.0 / conductance;
  if (breakdown && kneeVolts < 0) {
    DiodeBreakdown b;
    b.volts = -kneeVolts;
    // The junction's share of the current there.
    b.amps = (atReverseAmps ? -options.reverseAmps : -end->amps) + conductance * kneeVolts;
    if (b.amps > 0) {
      b.ideality = FitBreakdownIdeality(reverse, b, conductance, model->seriesOhms);
      model->breakdown = b;
    }
  }
  return model;
}

}  // namespace kvt

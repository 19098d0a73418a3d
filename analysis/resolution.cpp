#include "analysis/resolution.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace kvt {

double CurrentNoise(const Curve& curve) {
  std::vector<double> amps;
  for (const CurvePoint& p : curve.points)
    if (!p.clipped) amps.push_back(p.amps);
  if (amps.size() < 3) return 0.0;
  std::vector<double> d2;
  d2.reserve(amps.size() - 2);
  for (std::size_t i = 1; i + 1 < amps.size(); ++i)
    d2.push_back(std::abs(amps[i - 1] - 2 * amps[i] + amps[i + 1]));
  auto mid = d2.begin() + d2.size() / 2;
  std::nth_element(d2.begin(), mid, d2.end());
  // Median of |N(0, 6 sigma^2)| is 0.6745 * sqrt(6) sigma.
  return *mid / (0.6745 * std::sqrt(6.0));
}

std::optional<double> AmpsStepOf(const CurvePoint& point) {
  if (!point.rangeOhms || !(*point.rangeOhms > 0)) return std::nullopt;
  return AdcStepVolts / *point.rangeOhms;
}

namespace {

// The coarsest step of the points' ranges when every point's is known.
std::optional<double> CoarsestStep(const Curve& curve) {
  double coarsest = 0.0;
  for (const CurvePoint& p : curve.points) {
    const auto step = AmpsStepOf(p);
    if (!step) return std::nullopt;
    coarsest = std::max(coarsest, *step);
  }
  if (!(coarsest > 0)) return std::nullopt;
  return coarsest;
}

// The points of the curve on the range of the usable point that `distance`
// puts nearest; ties go to the finer range.
template <class Distance>
Curve OneRangeNear(const Curve& curve, Distance distance) {
  if (curve.RangeOhms()) return curve;
  std::optional<double> best, bestOhms;
  for (const CurvePoint& p : UsablePoints(curve)) {
    const std::optional<double> d = distance(p);
    if (!d) continue;
    const double ohms = p.rangeOhms.value_or(0.0);
    if (!best || *d < *best || (*d == *best && ohms > bestOhms.value_or(0.0))) {
      best = d;
      bestOhms = p.rangeOhms;
    }
  }
  if (!best) return curve;
  Curve part;
  part.info = curve.info;
  for (const CurvePoint& p : curve.points)
    if (p.rangeOhms == bestOhms) part.points.push_back(p);
  return part;
}

}  // namespace

Curve OneRangeNearVolts(const Curve& curve, double volts) {
  return OneRangeNear(curve, [volts](const CurvePoint& p) -> std::optional<double> { return std::abs(p.volts - volts); });
}

Curve OneRangeNearAmps(const Curve& curve, double amps) {
  // The finest range that carries the current; a coarser one reaches it
  // too, but a finer one that stops short cannot read there.
  std::optional<double> finest;
  for (const CurvePoint& p : UsablePoints(curve))
    if (p.rangeOhms && p.amps / amps >= 1 && (!finest || *p.rangeOhms > *finest)) finest = p.rangeOhms;
  if (finest) return OneRangeNear(curve, [&](const CurvePoint& p) -> std::optional<double> {
      if (p.rangeOhms != finest) return std::nullopt;
      return 0.0;
    });
  return OneRangeNear(curve, [amps](const CurvePoint& p) -> std::optional<double> {
    if (!(p.amps / amps > 0)) return std::nullopt;
    return std::abs(p.amps - amps);
  });
}

std::optional<double> StepRangeOhms(const Curve& curve) {
  if (const auto ohms = curve.RangeOhms(); ohms && *ohms > 0) return ohms;
  if (const auto step = CoarsestStep(curve)) return AdcStepVolts / *step;
  return std::nullopt;
}

Resolution ResolutionOf(const Curve& curve) {
  Resolution r;
  if (const auto ohms = curve.RangeOhms(); ohms && *ohms > 0) {
    r.amps = AdcStepVolts / *ohms;
    return r;
  }
  if (const auto step = CoarsestStep(curve)) {
    r.amps = *step;
    return r;
  }
  double largest = 0.0;
  for (const CurvePoint& p : curve.points)
    if (!p.clipped) largest = std::max(largest, std::abs(p.amps));
  r.amps = std::max({2.0 * CurrentNoise(curve), 1e-3 * largest, 1e-12});
  return r;
}

}  // namespace kvt

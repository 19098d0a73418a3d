#include "analysis/spice_table.h"

#include <algorithm>
#include <cmath>
#include <optional>
#include <utility>

#include "analysis/resolution.h"

namespace kvt {
namespace {

struct Knot {
  double volts, amps, weight;
};

// Pool-adjacent-violators: the non-decreasing currents nearest to the
// knots' currents in the weighted least-squares sense. Each pool becomes one
// knot at its mean voltage: left as a flat run over the voltages its noise
// spread, it would put the currents it holds at the run's ends, up to half
// its width off the curve.
void MakeCurrentsNonDecreasing(std::vector<Knot>& knots) {
  std::vector<Knot> pools;
  for (const Knot& k : knots) {
    pools.push_back(k);
    while (pools.size() > 1 && pools[pools.size() - 2].amps > pools.back().amps) {
      const Knot b = pools.back();
      pools.pop_back();
      Knot& a = pools.back();
      const double weight = a.weight + b.weight;
      a.volts = (a.volts * a.weight + b.volts * b.weight) / weight;
      a.amps = (a.amps * a.weight + b.amps * b.weight) / weight;
      a.weight = weight;
    }
  }
  knots = std::move(pools);
}

// dI/dV of the points [first, last): the line nearest to them measured in
// converter steps on both axes, since quantisation moves both, so a steep
// end (many currents on one voltage) and a flat one (one current over many
// voltages) are both well conditioned. Nothing where the points show no
// rising slope.
std::optional<double> EndSlope(std::vector<CurvePoint>::const_iterator first,
                               std::vector<CurvePoint>::const_iterator last, double ampsStep) {
  const double n = static_cast<double>(last - first);
  if (n < 2 || !(ampsStep > 0)) return std::nullopt;
  double mx = 0, my = 0;
  for (auto p = first; p != last; ++p) {
    mx += p->volts / AdcStepVolts / n;
    my += p->amps / ampsStep / n;
  }
  double sxx = 0, syy = 0, sxy = 0;
  for (auto p = first; p != last; ++p) {
    const double x = p->volts / AdcStepVolts - mx, y = p->amps / ampsStep - my;
    sxx += x * x;
    syy += y * y;
    sxy += x * y;
  }
  if (!(sxy > 0)) return std::nullopt;
  const double slope = (syy - sxx + std::sqrt((syy - sxx) * (syy - sxx) + 4 * sxy * sxy)) / (2 * sxy);
  return slope * ampsStep / AdcStepVolts;
}

}  // namespace

std::vector<TableKnot> TableKnots(const Curve& curve) {
  std::vector<CurvePoint> usable = UsablePoints(curve);
  std::sort(usable.begin(), usable.end(), [](const auto& a, const auto& b) { return a.volts < b.volts; });
  // One knot per measured voltage: where a steep part puts many points on
  // one converter step, their mean current. Vertical steps would stall the
  // simulator's Newton iteration.
  std::vector<Knot> knots;
  for (const CurvePoint& p : usable) {
    if (!knots.empty() && p.volts == knots.back().volts) {
      Knot& k = knots.back();
      k.amps = (k.amps * k.weight + p.amps) / (k.weight + 1);
      k.weight += 1;
    } else {
      knots.push_back({p.volts, p.amps, 1});
    }
  }
  if (knots.size() < 2) return {};
  // Each side of 0 V on its own and held to its own sign, through 0 A at
  // 0 V: a passive part neither passes current at 0 V nor sources any.
  std::vector<Knot> below, above;
  for (const Knot& k : knots) {
    if (k.volts < 0) below.push_back(k);
    if (k.volts > 0) above.push_back(k);
  }
  MakeCurrentsNonDecreasing(below);
  MakeCurrentsNonDecreasing(above);
  for (Knot& k : below) k.amps = std::min(k.amps, 0.0);
  for (Knot& k : above) k.amps = std::max(k.amps, 0.0);
  knots = below;
  knots.push_back({0.0, 0.0, 1});
  knots.insert(knots.end(), above.begin(), above.end());
  // The simulator extends the end segments; where averaging left one
  // much flatter than the points there, a knot a volt further on carries their
  // slope, so currents beyond the table's still find a voltage.
  // Each end only on its own side of 0 V: a part measured forward only is
  // not given a reverse conduction it never showed.
  const std::size_t endPoints = std::max<std::size_t>(8, usable.size() / 16);
  const auto firstPositive =
      std::find_if(usable.begin(), usable.end(), [](const CurvePoint& p) { return p.volts > 0; });
  const auto lastNegative =
      std::find_if(usable.begin(), usable.end(), [](const CurvePoint& p) { return p.volts >= 0; });
  const double ampsStep = ResolutionOf(curve).amps;
  const auto topSlope = EndSlope(usable.end() - std::min<std::ptrdiff_t>(endPoints, usable.end() - firstPositive),
                                 usable.end(), ampsStep);
  const auto bottomSlope = EndSlope(
      usable.begin(), usable.begin() + std::min<std::ptrdiff_t>(endPoints, lastNegative - usable.begin()), ampsStep);
  const auto segmentSlope = [](const Knot& a, const Knot& b) { return (b.amps - a.amps) / (b.volts - a.volts); };
  if (!above.empty() && topSlope && segmentSlope(knots[knots.size() - 2], knots.back()) < *topSlope / 2)
    knots.push_back({knots.back().volts + 1.0, knots.back().amps + *topSlope, 1});
  if (!below.empty() && bottomSlope && segmentSlope(knots[0], knots[1]) < *bottomSlope / 2)
    knots.insert(knots.begin(), {knots.front().volts - 1.0, knots.front().amps - *bottomSlope, 1});
  // A side never measured stays at 0 A rather than extending the other
  // side's first segment through 0 V.
  if (below.empty()) knots.insert(knots.begin(), {-1.0, 0.0, 1});
  if (above.empty()) knots.push_back({1.0, 0.0, 1});


  std::vector<TableKnot> out;
  for (const Knot& k : knots) out.push_back({k.volts, k.amps});
  return out;
}

}  // namespace kvt

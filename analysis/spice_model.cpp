#include "analysis/spice_model.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <vector>

#include "analysis/least_squares.h"

namespace kvt {
namespace {

// Locale-free and short; seven significant digits are far below the noise.
std::string Num(double value) {
  char buffer[64];
  const auto r = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 7);
  return std::string(buffer, r.ptr);
}

struct Knot {
  double volts, amps, weight;
};

// Pool-adjacent-violators: the non-decreasing currents nearest to the
// knots' currents in the weighted least-squares sense.
void MakeCurrentsNonDecreasing(std::vector<Knot>& knots) {
  struct Pool {
    double amps, weight;
    std::size_t size;
  };
  std::vector<Pool> pools;
  for (const Knot& k : knots) {
    pools.push_back({k.amps, k.weight, 1});
    while (pools.size() > 1 && pools[pools.size() - 2].amps > pools.back().amps) {
      const Pool b = pools.back();
      pools.pop_back();
      Pool& a = pools.back();
      a.amps = (a.amps * a.weight + b.amps * b.weight) / (a.weight + b.weight);
      a.weight += b.weight;
      a.size += b.size;
    }
  }
  std::size_t at = 0;
  for (const Pool& p : pools)
    for (std::size_t k = 0; k < p.size; ++k) knots[at++].amps = p.amps;
}

// dI/dV of the points [first, last) from a line of voltage over current,
// which stays well conditioned where a steep part stacks many currents on
// one voltage. Where noise tips that line over, the points are steeper than
// the converter resolves: their current span over one step. Nothing where
// the current does not change.
std::optional<double> EndSlope(std::vector<CurvePoint>::const_iterator first,
                               std::vector<CurvePoint>::const_iterator last) {
  std::vector<double> amps, volts;
  for (auto p = first; p != last; ++p) {
    amps.push_back(p->amps);
    volts.push_back(p->volts);
  }
  const auto line = FitLine(amps, volts);
  if (!line) return std::nullopt;
  if (line->slope > 0) return 1.0 / line->slope;
  const auto [lo, hi] = std::minmax_element(amps.begin(), amps.end());
  return (*hi - *lo) / AdcStepVolts;
}

}  // namespace

std::string SpiceName(std::string_view name) {
  std::string out;
  for (char c : name)
    out += ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_') ? c : '_';
  if (out.empty()) return "PART";
  if (!((out[0] >= 'A' && out[0] <= 'Z') || (out[0] >= 'a' && out[0] <= 'z'))) out.insert(out.begin(), 'D');
  return out;
}

SpiceDiode SpiceDiodeOf(std::string_view name, const DiodeModel& m) {
  const std::string model = SpiceName(name);
  SpiceDiode d{".model " + model + " D(IS=" + Num(m.saturationAmps) + " N=" + Num(m.ideality) +
                   " RS=" + Num(m.seriesOhms),
               'D', model};
  if (m.breakdown)
    d.text += " BV=" + Num(m.breakdown->volts) + " IBV=" + Num(m.breakdown->amps) + " NBV=" + Num(m.breakdown->ideality);
  d.text += ")\n";
  if (m.parallelOhms) {
    d.element = 'X';
    d.device = model + "_LEAKY";
    d.text += ".subckt " + d.device + " 1 2\nD1 1 2 " + model + "\nRP 1 2 " + Num(*m.parallelOhms) + "\n.ends " +
              d.device + "\n";
  }
  return d;
}

std::optional<SpiceDiode> SpiceDiodeModel(std::string_view name, const Curve& curve, const PartParameters& p,
                                          const AnalysisOptions& options) {
  const auto model = FitDiodeModel(curve, p, options);
  if (!model) return std::nullopt;
  return SpiceDiodeOf(name, *model);
}

std::optional<std::string> SpiceTableSubcircuit(std::string_view name, const Curve& curve) {
  std::vector<CurvePoint> usable;
  for (const CurvePoint& p : curve.points)
    if (!p.clipped && std::isfinite(p.volts) && std::isfinite(p.amps)) usable.push_back(p);
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
  if (knots.size() < 2) return std::nullopt;
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
  const auto topSlope =
      EndSlope(usable.end() - std::min<std::ptrdiff_t>(endPoints, usable.end() - firstPositive), usable.end());
  const auto bottomSlope =
      EndSlope(usable.begin(), usable.begin() + std::min<std::ptrdiff_t>(endPoints, lastNegative - usable.begin()));
  const auto segmentSlope = [](const Knot& a, const Knot& b) { return (b.amps - a.amps) / (b.volts - a.volts); };
  if (!above.empty() && topSlope && segmentSlope(knots[knots.size() - 2], knots.back()) < *topSlope / 2)
    knots.push_back({knots.back().volts + 1.0, knots.back().amps + *topSlope, 1});
  if (!below.empty() && bottomSlope && segmentSlope(knots[0], knots[1]) < *bottomSlope / 2)
    knots.insert(knots.begin(), {knots.front().volts - 1.0, knots.front().amps - *bottomSlope, 1});

  std::string text = ".subckt " + SpiceName(name) + "_TABLE 1 2\nB1 1 2 I = pwl(V(1,2)";
  for (std::size_t k = 0; k < knots.size(); ++k) {
    if (k % 6 == 0) text += "\n+";
    text += " , " + Num(knots[k].volts) + ", " + Num(knots[k].amps);
  }
  return text + ")\n.ends " + SpiceName(name) + "_TABLE\n";
}

std::string SpiceModelText(std::string_view name, const Curve& curve, const PartParameters& parameters,
                           const AnalysisOptions& options) {
  std::string text = "* " + SpiceName(name) + ": measured " + std::string(PartKindName(parameters.kind)) + "\n";
  if (const auto d = SpiceDiodeModel(name, curve, parameters, options)) text += d->text;
  if (const auto t = SpiceTableSubcircuit(name, curve)) text += *t;
  return text;
}

}  // namespace kvt

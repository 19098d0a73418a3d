#include "analysis/spice_model.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <vector>

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

}  // namespace

std::string SpiceName(std::string_view name) {
  std::string out;
  for (char c : name)
    out += ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_') ? c : '_';
  if (out.empty()) return "PART";
  if (!((out[0] >= 'A' && out[0] <= 'Z') || (out[0] >= 'a' && out[0] <= 'z'))) out.insert(out.begin(), 'D');
  return out;
}

std::optional<std::string> SpiceDiodeModel(std::string_view name, const PartParameters& p,
                                           const AnalysisOptions& options) {
  if (!p.shockley) return std::nullopt;
  const ShockleyFit& s = *p.shockley;
  std::string text = ".model " + SpiceName(name) + " D(IS=" + Num(s.saturationAmps) + " N=" + Num(s.ideality) +
                     " RS=" + Num(s.seriesOhms);
  if (p.breakdownVolts && *p.breakdownVolts < 0 && options.reverseAmps < 0) {
    text += " BV=" + Num(-*p.breakdownVolts) + " IBV=" + Num(-options.reverseAmps);
    // The knee's sharpness: dV/dI of an exponential is NBV*Vt/I beyond Rs.
    if (p.breakdownOhms) {
      const double nbv = (*p.breakdownOhms - s.seriesOhms) * -options.reverseAmps / ThermalVolts27C;
      if (nbv >= 0.1 && nbv <= 20) text += " NBV=" + Num(nbv);
    }
  }
  return text + ")\n";
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
  MakeCurrentsNonDecreasing(knots);

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
  if (const auto d = SpiceDiodeModel(name, parameters, options)) text += *d;
  if (const auto t = SpiceTableSubcircuit(name, curve)) text += *t;
  return text;
}

}  // namespace kvt

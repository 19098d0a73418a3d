#include "analysis/part_kind.h"

#include <algorithm>
#include <cmath>

#include "analysis/least_squares.h"

namespace kvt {
namespace {

// Points at either end of a branch judged together, so one noisy reading
// does not set the branch's largest current.
constexpr std::size_t EndPoints = 5;

// Conduction counts as clear from this many current steps.
constexpr double ClearSteps = 10.0;

// Forward voltages that tell the junctions apart: silicon, Schottky and
// germanium diodes (and zeners forward) below, LEDs between.
constexpr double LedFromVolts = 1.2;
constexpr double LedUpToVolts = 4.0;

double Median(std::vector<double> values) {
  if (values.empty()) return 0.0;
  const auto mid = values.begin() + values.size() / 2;
  std::nth_element(values.begin(), mid, values.end());
  return *mid;
}

// A straight line through all points within the noise: by its correlation,
// or, where the current steps are coarse against the currents, by its
// residual in current steps.
bool Ohmic(const std::vector<CurvePoint>& usable, const Resolution& step) {
  std::vector<double> v, i;
  for (const CurvePoint& p : usable) {
    v.push_back(p.volts);
    i.push_back(p.amps);
  }
  const auto line = FitLine(v, i);
  if (!line || !(line->slope > 0)) return false;
  if (line->rSquared >= 0.995) return true;
  double sum = 0;
  for (std::size_t k = 0; k < v.size(); ++k) {
    const double r = i[k] - (line->intercept + line->slope * v[k]);
    sum += r * r;
  }
  return std::sqrt(sum / v.size()) <= 2.0 * step.amps;
}

// One branch's points (V > 0 forward, V < 0 reverse), in order away from 0 V.
std::vector<CurvePoint> Branch(const std::vector<CurvePoint>& usable, bool forward) {
  std::vector<CurvePoint> branch;
  for (const CurvePoint& p : usable)
    if (forward ? p.volts > 0 : p.volts < 0) branch.push_back(p);
  std::sort(branch.begin(), branch.end(), [forward](const CurvePoint& a, const CurvePoint& b) {
    return forward ? a.volts < b.volts : a.volts > b.volts;
  });
  return branch;
}

// The branch's current at its far end: median of its last points.
double EndAmps(const std::vector<CurvePoint>& branch) {
  std::vector<double> amps;
  for (std::size_t k = branch.size() - std::min(branch.size(), EndPoints); k < branch.size(); ++k)
    amps.push_back(branch[k].amps);
  return Median(amps);
}

std::optional<double> KneeVolts(const std::vector<CurvePoint>& usable, const Resolution& step) {
  const auto forward = Branch(usable, true);
  if (forward.size() < 2 * EndPoints) return std::nullopt;
  const double top = EndAmps(forward);
  if (!(top >= ClearSteps * step.amps)) return std::nullopt;
  // The upper half of the forward current: a junction's resistance there is
  // small and nearly constant, so its tangent meets zero current about
  // where conduction starts; a resistor's meets it at 0 V.
  std::vector<double> v, i;
  for (const CurvePoint& p : forward)
    if (p.amps >= 0.5 * top) {
      v.push_back(p.volts);
      i.push_back(p.amps);
    }
  if (v.size() < EndPoints) return std::nullopt;
  const auto tangent = FitLine(i, v);
  if (!tangent || tangent->slope < 0) return std::nullopt;
  const double knee = tangent->intercept;
  if (knee < 5 * step.volts || knee > forward.back().volts) return std::nullopt;
  return knee;
}

std::optional<ReverseBreakdown> BreakdownOf(const std::vector<CurvePoint>& usable, const Resolution& step) {
  const auto reverse = Branch(usable, false);  // from 0 V down
  if (reverse.size() < 2 * EndPoints) return std::nullopt;
  const double largest = EndAmps(reverse);
  if (!(-largest >= ClearSteps * step.amps)) return std::nullopt;
  std::vector<double> endVolts;
  for (std::size_t k = reverse.size() - EndPoints; k < reverse.size(); ++k) endVolts.push_back(reverse[k].volts);
  const double farVolts = Median(endVolts);
  // Onset: the first voltage where a running median of the current passes
  // half the largest, so a single noisy reading cannot set it early.
  const std::size_t half = EndPoints / 2;
  for (std::size_t k = half; k + half < reverse.size(); ++k) {
    std::vector<double> window;
    for (std::size_t j = k - half; j <= k + half; ++j) window.push_back(reverse[j].amps);
    if (Median(window) > 0.5 * largest) continue;
    const double onset = reverse[k].volts;
    // A leak through a resistance reaches half its current at half the
    // voltage; a breakdown close to where the curve ends.
    if (onset > 0.7 * farVolts) return std::nullopt;
    return ReverseBreakdown{onset, largest};
  }
  return std::nullopt;
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

CurveShape ShapeOf(const std::vector<CurvePoint>& usable, const Resolution& step) {
  CurveShape shape;
  for (const CurvePoint& p : usable) {
    shape.largestVolts = std::max(shape.largestVolts, std::abs(p.volts));
    shape.largestAmps = std::max(shape.largestAmps, std::abs(p.amps));
  }
  // Both axes must move by more than the noise for a shape to mean anything.
  if (usable.size() < EndPoints || shape.largestVolts <= 4 * step.volts || shape.largestAmps <= 4 * step.amps)
    return shape;
  shape.ohmic = Ohmic(usable, step);
  shape.kneeVolts = KneeVolts(usable, step);
  shape.breakdown = BreakdownOf(usable, step);
  return shape;
}

PartKind KindOf(const CurveShape& shape, std::optional<double> forwardVolts, const Resolution& step) {
  if (shape.largestAmps <= 4 * step.amps) return PartKind::Open;
  if (shape.largestVolts <= 4 * step.volts) return PartKind::Short;
  if (shape.ohmic) return PartKind::Resistor;
  if (!shape.kneeVolts) return PartKind::Unknown;
  const double knee = forwardVolts && *forwardVolts > 0 ? *forwardVolts : *shape.kneeVolts;
  if (knee >= LedUpToVolts) return PartKind::Unknown;
  // Conduction that starts about as early in reverse as forward is no
  // junction's breakdown (two diodes back to back, say).
  if (shape.breakdown && -shape.breakdown->onsetVolts < 1.5 * knee) return PartKind::Unknown;
  // An LED may break down inside the span too; its forward voltage tells it
  // from a zener.
  if (knee >= LedFromVolts) return PartKind::Led;
  return shape.breakdown ? PartKind::Zener : PartKind::Diode;
}

}  // namespace kvt

#include "analysis/comparison.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "analysis/resolution.h"

namespace kvt {
namespace {

struct Scaled {
  double x, y;  // volts and amps in band half-widths
};

std::vector<CurvePoint> Usable(const Curve& curve) {
  std::vector<CurvePoint> out;
  for (const CurvePoint& p : curve.points)
    if (!p.clipped && std::isfinite(p.volts) && std::isfinite(p.amps)) out.push_back(p);
  return out;
}

struct Nearest {
  double distance = std::numeric_limits<double>::infinity();
  Scaled offset{0, 0};  // from the nearest point of the other curve to the point
};

// Nearest point of the other curve's polyline (in measuring order), so
// steep parts are judged mostly by voltage and flat parts by current.
Nearest NearestOnPolyline(Scaled p, const std::vector<Scaled>& line) {
  Nearest best;
  auto consider = [&](Scaled q) {
    const double dx = p.x - q.x, dy = p.y - q.y;
    const double d = std::hypot(dx, dy);
    if (d < best.distance) best = {d, {dx, dy}};
  };
  if (line.size() == 1) consider(line[0]);
  for (std::size_t k = 0; k + 1 < line.size(); ++k) {
    const Scaled a = line[k], b = line[k + 1];
    const double ex = b.x - a.x, ey = b.y - a.y;
    const double len2 = ex * ex + ey * ey;
    double t = len2 > 0 ? ((p.x - a.x) * ex + (p.y - a.y) * ey) / len2 : 0.0;
    t = std::clamp(t, 0.0, 1.0);
    consider({a.x + t * ex, a.y + t * ey});
  }
  return best;
}

double Span(const std::vector<CurvePoint>& points, double CurvePoint::*axis) {
  if (points.empty()) return 0.0;
  const auto [lo, hi] = std::minmax_element(
      points.begin(), points.end(), [&](const auto& a, const auto& b) { return a.*axis < b.*axis; });
  return (*hi).*axis - (*lo).*axis;
}

}  // namespace

Comparison CompareCurves(const Curve& curve, const Curve& reference, const CompareOptions& options) {
  Comparison result;
  const auto mine = Usable(curve), theirs = Usable(reference);
  if (options.percent) {
    const double f = *options.percent / 100.0;
    result.toleranceVolts = f * Span(theirs, &CurvePoint::volts);
    result.toleranceAmps = f * Span(theirs, &CurvePoint::amps);
  } else {
    const Resolution a = ResolutionOf(curve), b = ResolutionOf(reference);
    result.toleranceVolts = options.bandSteps * std::max(a.volts, b.volts);
    result.toleranceAmps = options.bandSteps * std::max(a.amps, b.amps);
  }
  if (mine.empty() || theirs.empty() || !(result.toleranceVolts > 0) || !(result.toleranceAmps > 0))
    return result;

  auto scale = [&](const std::vector<CurvePoint>& pts) {
    std::vector<Scaled> s;
    s.reserve(pts.size());
    for (const CurvePoint& p : pts) s.push_back({p.volts / result.toleranceVolts, p.amps / result.toleranceAmps});
    return s;
  };
  const auto mineScaled = scale(mine), theirsScaled = scale(theirs);

  // Every point of each curve is judged against the other curve, so a part
  // the curve lacks counts as much as a part it adds.
  std::size_t inside = 0, judged = 0;
  struct Out {
    double volts;
    bool outside;
  };
  std::vector<Out> marks;
  auto judge = [&](const std::vector<CurvePoint>& pts, const std::vector<Scaled>& scaled,
                   const std::vector<Scaled>& other, bool onReference) {
    for (std::size_t k = 0; k < pts.size(); ++k) {
      const Nearest n = NearestOnPolyline(scaled[k], other);
      ++judged;
      const bool in = n.distance <= 1.0;
      if (in) ++inside;
      marks.push_back({pts[k].volts, !in});
      if (!result.worst || n.distance > result.worst->bands)
        result.worst = Deviation{pts[k].volts, pts[k].amps, onReference,
                                 n.offset.x * result.toleranceVolts,
                                 n.offset.y * result.toleranceAmps, n.distance};
    }
  };
  judge(mine, mineScaled, theirsScaled, false);
  judge(theirs, theirsScaled, mineScaled, true);
  result.score = 100.0 * inside / judged;
  result.pass = result.score >= options.passScore;

  // Outside points grouped along the voltage axis: an interval ends only
  // where the curves agree over more than the band's width, so one noisy
  // stretch gives one interval, and so does a gap between two curves' points.
  std::sort(marks.begin(), marks.end(), [](const Out& a, const Out& b) { return a.volts < b.volts; });
  bool open = false;
  for (const Out& m : marks) {
    if (m.outside) {
      if (open) result.outside.back().toVolts = m.volts;
      else result.outside.push_back({m.volts, m.volts});
      open = true;
    } else if (open && m.volts - result.outside.back().toVolts > result.toleranceVolts) {
      open = false;
    }
  }
  return result;
}

}  // namespace kvt

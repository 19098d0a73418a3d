#include "analysis/comparison.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>

#include "analysis/resolution.h"

namespace kvt {
namespace {

struct Scaled {
  double x, y;  // volts and amps in band half-widths
};

struct Nearest {
  double distance = std::numeric_limits<double>::infinity();
  Scaled offset{0, 0};  // from the nearest point of the other curve to the point
};

void Consider(Nearest& best, Scaled p, Scaled q) {
  const double dx = p.x - q.x, dy = p.y - q.y;
  const double d = std::hypot(dx, dy);
  if (d < best.distance) best = {d, {dx, dy}};
}

void ConsiderSegment(Nearest& best, Scaled p, Scaled a, Scaled b) {
  const double ex = b.x - a.x, ey = b.y - a.y;
  const double len2 = ex * ex + ey * ey;
  double t = len2 > 0 ? ((p.x - a.x) * ex + (p.y - a.y) * ey) / len2 : 0.0;
  t = std::clamp(t, 0.0, 1.0);
  Consider(best, p, {a.x + t * ex, a.y + t * ey});
}

double Cross(Scaled o, Scaled a, Scaled b) { return (a.x - o.x) * (b.y - o.y) - (a.y - o.y) * (b.x - o.x); }

void ConsiderTriangle(Nearest& best, Scaled p, Scaled a, Scaled b, Scaled c) {
  const double d1 = Cross(a, b, p), d2 = Cross(b, c, p), d3 = Cross(c, a, p);
  const bool flat = Cross(a, b, c) == 0;  // then only its edges count
  if (!flat && !((d1 < 0 || d2 < 0 || d3 < 0) && (d1 > 0 || d2 > 0 || d3 > 0))) {
    best = {0.0, {0, 0}};
    return;
  }
  ConsiderSegment(best, p, a, b);
  ConsiderSegment(best, p, b, c);
  ConsiderSegment(best, p, c, a);
}

// Where the continuations of the segments before and after the one from
// line[k] to line[k + 1] meet ahead of both: the corner a bend between the
// two points can reach, kept within the box the two points span.
std::optional<Scaled> BendCorner(const std::vector<Scaled>& line, std::size_t k) {
  if (k == 0 || k + 2 >= line.size()) return std::nullopt;
  const Scaled a = line[k], b = line[k + 1];
  const Scaled u{a.x - line[k - 1].x, a.y - line[k - 1].y};  // onwards from a
  const Scaled w{b.x - line[k + 2].x, b.y - line[k + 2].y};  // backwards from b
  const double det = u.x * w.y - u.y * w.x;
  if (det == 0) return std::nullopt;
  // a + s u = b + t w
  const double rx = b.x - a.x, ry = b.y - a.y;
  const double s = (rx * w.y - ry * w.x) / det;
  const double t = (rx * u.y - ry * u.x) / det;
  if (!(s > 0 && t > 0)) return std::nullopt;
  return Scaled{std::clamp(a.x + s * u.x, std::min(a.x, b.x), std::max(a.x, b.x)),
                std::clamp(a.y + s * u.y, std::min(a.y, b.y), std::max(a.y, b.y))};
}

// Nearest point of the other curve (in measuring order). Between two points
// closer than the band the curve is its chord, so steep parts are judged
// mostly by voltage and flat parts by current. Between two points farther
// apart the chord may cut a bend of the part: there the curve may lie
// anywhere between the chord and the continuations of its neighbouring
// segments. Each end reaches one more step beyond the last point, as a
// sweep with fewer points stops short of the converter's ends.
Nearest NearestOnCurve(Scaled p, const std::vector<Scaled>& line) {
  Nearest best;
  if (line.size() == 1) Consider(best, p, line[0]);
  for (std::size_t k = 0; k + 1 < line.size(); ++k) {
    const Scaled a = line[k], b = line[k + 1];
    const std::optional<Scaled> corner =
        std::hypot(b.x - a.x, b.y - a.y) > 1.0 ? BendCorner(line, k) : std::nullopt;
    if (corner) ConsiderTriangle(best, p, a, b, *corner);
    else ConsiderSegment(best, p, a, b);
  }
  if (line.size() >= 2) {
    const Scaled first = line[0], second = line[1];
    const Scaled last = line.back(), beforeLast = line[line.size() - 2];
    ConsiderSegment(best, p, first, {2 * first.x - second.x, 2 * first.y - second.y});
    ConsiderSegment(best, p, last, {2 * last.x - beforeLast.x, 2 * last.y - beforeLast.y});
  }
  return best;
}

double Span(const std::vector<CurvePoint>& points, double CurvePoint::*axis) {
  if (points.empty()) return 0.0;
  const auto [lo, hi] = std::minmax_element(
      points.begin(), points.end(), [&](const auto& a, const auto& b) { return a.*axis < b.*axis; });
  return (*hi).*axis - (*lo).*axis;
}

struct Judged {
  double volts;
  double distance;  // to the other curve, in band half-widths
  bool outside;
};

// Noise scatters single points across the band but seldom moves most of a
// stretch of neighbours beyond two steps of it together; a shifted part
// does. Marks such points of marks[first..] (one curve, measuring order) as
// outside. A curve denser than the other is judged over as many times more
// points, so that its stretch spans as many of the other curve's points: its
// neighbours all lie near one chord, and one noisy point of a sparse curve
// shifts that chord for all of them.
void MarkShiftedStretches(std::vector<Judged>& marks, std::size_t first, std::size_t otherCount,
                          const CompareOptions& options, Comparison& result) {
  const std::size_t count = marks.size() - first;
  const std::size_t denser = std::max<std::size_t>(1, otherCount ? count / otherCount : 1);
  const std::size_t n = static_cast<std::size_t>(options.stretchPoints) * denser;
  const std::size_t needed = static_cast<std::size_t>(std::max(options.stretchApart, 1)) * denser;
  if (count < n) return;
  auto apart = [&](std::size_t k) { return marks[k].distance > options.stretchBands; };
  std::size_t inWindow = 0;
  for (std::size_t k = first; k < marks.size(); ++k) {
    inWindow += apart(k);
    if (k >= first + n) inWindow -= apart(k - n);
    if (k + 1 < first + n || inWindow < needed) continue;
    result.shiftedStretch = true;
    for (std::size_t j = k + 1 - n; j <= k; ++j)
      if (apart(j)) marks[j].outside = true;
  }
}

}  // namespace

Comparison CompareCurves(const Curve& curve, const Curve& reference, const CompareOptions& options) {
  Comparison result;
  const auto mine = UsablePoints(curve), theirs = UsablePoints(reference);
  if (options.volts && options.amps) {
    result.toleranceVolts = *options.volts;
    result.toleranceAmps = *options.amps;
  } else if (options.percent) {
    const double f = *options.percent / 100.0;
    result.toleranceVolts = f * Span(theirs, &CurvePoint::volts);
    result.toleranceAmps = f * Span(theirs, &CurvePoint::amps);
  } else {
    const Resolution a = ResolutionOf(curve), b = ResolutionOf(reference);
    result.toleranceVolts = options.bandSteps * std::max(a.volts, b.volts);
    result.toleranceAmps = options.bandSteps * std::max(a.amps, b.amps);
    result.rangeOhms = a.amps >= b.amps ? StepRangeOhms(curve) : StepRangeOhms(reference);
    if (result.rangeOhms && !(*result.rangeOhms > 0)) result.rangeOhms.reset();
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
  const bool inSteps = !(options.volts && options.amps) && !options.percent;
  std::vector<Judged> marks;
  auto judge = [&](const std::vector<CurvePoint>& pts, const std::vector<Scaled>& scaled,
                   const std::vector<Scaled>& other, bool onReference) {
    const std::size_t first = marks.size();
    for (std::size_t k = 0; k < pts.size(); ++k) {
      const Nearest n = NearestOnCurve(scaled[k], other);
      marks.push_back({pts[k].volts, n.distance, n.distance > 1.0});
      if (!result.worst || n.distance > result.worst->bands)
        result.worst = Deviation{pts[k].volts, pts[k].amps, onReference,
                                 n.offset.x * result.toleranceVolts,
                                 n.offset.y * result.toleranceAmps, n.distance};
    }
    if (inSteps && options.stretchPoints > 0) MarkShiftedStretches(marks, first, other.size(), options, result);
  };
  judge(mine, mineScaled, theirsScaled, false);
  judge(theirs, theirsScaled, mineScaled, true);
  const auto outsideCount = std::count_if(marks.begin(), marks.end(), [](const Judged& m) { return m.outside; });
  result.judged = static_cast<int>(marks.size());
  result.outsidePoints = static_cast<int>(outsideCount);
  result.score = 100.0 * static_cast<double>(marks.size() - outsideCount) / static_cast<double>(marks.size());
  result.pass = result.score >= options.passScore && !result.shiftedStretch;

  // Outside points grouped along the voltage axis: an interval ends only
  // where the curves agree over more than the band's width, so one noisy
  // stretch gives one interval, and so does a gap between two curves' points.
  std::sort(marks.begin(), marks.end(), [](const Judged& a, const Judged& b) { return a.volts < b.volts; });
  bool open = false;
  for (const Judged& m : marks) {
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

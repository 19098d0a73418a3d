#include "analysis/range_stitching.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <map>

namespace kvt {

namespace {

bool Usable(const CurvePoint& p) { return !p.clipped && std::isfinite(p.volts) && std::isfinite(p.amps); }

// The span of voltage and current a range's unclipped readings cover.
struct Span {
  bool any = false;
  double lowVolts = 0, highVolts = 0, lowAmps = 0, highAmps = 0;

  void Add(const CurvePoint& p) {
    if (!any) {
      lowVolts = highVolts = p.volts;
      lowAmps = highAmps = p.amps;
      any = true;
      return;
    }
    lowVolts = std::min(lowVolts, p.volts);
    highVolts = std::max(highVolts, p.volts);
    lowAmps = std::min(lowAmps, p.amps);
    highAmps = std::max(highAmps, p.amps);
  }
  bool HoldsVolts(double v, double margin = 0) const { return any && v >= lowVolts - margin && v <= highVolts + margin; }
  // A reading of a coarser range, whose own step is the margin: its noise
  // must not carry it out of a span the finer range reads better.
  bool Holds(const CurvePoint& p, double ohms) const {
    const double ampsStep = AdcStepVolts / ohms;
    return HoldsVolts(p.volts, AdcStepVolts) && p.amps >= lowAmps - 2 * ampsStep && p.amps <= highAmps + 2 * ampsStep;
  }
};

struct RangePoints {
  std::vector<CurvePoint> points;  // in the order taken
  Span span;
};

// Distance from (x, y) to the nearest place on the line through the points,
// all in the same scaled units: positive to the left of the line's way,
// where a curve swept upwards carries more current.
double SignedDistanceToLine(double x, double y, const std::vector<std::pair<double, double>>& line) {
  double best = INFINITY, side = 1;
  for (std::size_t k = 0; k < line.size(); ++k) {
    const auto [ax, ay] = line[k];
    const auto [bx, by] = line[std::min(k + 1, line.size() - 1)];
    const double dx = bx - ax, dy = by - ay, length2 = dx * dx + dy * dy;
    const double t = length2 > 0 ? std::clamp(((x - ax) * dx + (y - ay) * dy) / length2, 0.0, 1.0) : 0.0;
    const double d = std::hypot(x - (ax + t * dx), y - (ay + t * dy));
    if (d >= best) continue;
    best = d;
    const double cross = dx * (y - ay) - dy * (x - ax);
    if (cross != 0 || length2 > 0) side = cross < 0 ? -1 : 1;
  }
  return side * best;
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const std::size_t n = values.size();
  return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

RangeMismatch Compare(double finerOhms, const RangePoints& finer, double coarserOhms, const RangePoints& coarser) {
  RangeMismatch m;
  m.finerOhms = finerOhms;
  m.coarserOhms = coarserOhms;
  const double ampsStep = AdcStepVolts / coarserOhms;
  std::vector<std::pair<double, double>> line;
  for (const CurvePoint& p : finer.points)
    if (Usable(p)) line.emplace_back(p.volts / AdcStepVolts, p.amps / ampsStep);
  if (line.empty()) return m;
  std::vector<double> all, carrying;
  for (const CurvePoint& p : coarser.points) {
    if (!Usable(p) || !finer.span.Holds(p, coarserOhms)) continue;
    const double d = SignedDistanceToLine(p.volts / AdcStepVolts, p.amps / ampsStep, line);
    all.push_back(d);
    // Readings of less than a step of current say little about a mismatch:
    // any two ranges agree on a part that conducts nothing.
    if (std::abs(p.amps) >= ampsStep) carrying.push_back(d);
  }
  const std::vector<double>& used = carrying.empty() ? all : carrying;
  m.points = static_cast<int>(used.size());
  if (!used.empty()) m.steps = std::abs(Median(used));
  return m;
}

}  // namespace

StitchedCurve StitchRanges(const std::vector<Curve>& sweeps) {
  // Finest range (highest resistance) first.
  std::map<double, RangePoints, std::greater<>> ranges;
  std::vector<CurvePoint> unknown;
  for (const Curve& sweep : sweeps)
    for (const CurvePoint& p : sweep.points) {
      if (!p.rangeOhms || !(*p.rangeOhms > 0)) {
        unknown.push_back(p);
        continue;
      }
      RangePoints& r = ranges[*p.rangeOhms];
      r.points.push_back(p);
      if (Usable(p)) r.span.Add(p);
    }

  StitchedCurve out;
  if (!sweeps.empty()) out.curve.info = sweeps.front().info;
  for (auto it = ranges.begin(); it != ranges.end(); ++it) {
    for (const CurvePoint& p : it->second.points) {
      bool givesWay = false;
      if (Usable(p)) {
        for (auto finer = ranges.begin(); finer != it && !givesWay; ++finer)
          givesWay = finer->second.span.Holds(p, it->first);
      } else {
        for (auto other = ranges.begin(); other != ranges.end() && !givesWay; ++other)
          givesWay = other != it && other->second.span.HoldsVolts(p.volts);
        // Of the clipped readings at one voltage the finest range's stays.
        for (auto finer = ranges.begin(); finer != it && !givesWay; ++finer)
          givesWay = std::any_of(finer->second.points.begin(), finer->second.points.end(), [&](const CurvePoint& q) {
            return q.clipped && std::abs(q.volts - p.volts) < AdcStepVolts / 2;
          });
      }
      if (!givesWay) out.curve.points.push_back(p);
    }
    if (it != ranges.begin()) {
      const auto finer = std::prev(it);
      out.mismatches.push_back(Compare(finer->first, finer->second, it->first, it->second));
    }
  }
  out.curve.points.insert(out.curve.points.end(), unknown.begin(), unknown.end());
  std::stable_sort(out.curve.points.begin(), out.curve.points.end(), [](const CurvePoint& a, const CurvePoint& b) {
    return a.volts != b.volts ? a.volts < b.volts : a.amps < b.amps;
  });
  out.curve.info.pointCount = static_cast<int>(out.curve.points.size());
  return out;
}

std::string ShortRangeName(double ohms) {
  if (ohms >= 1000 && std::fmod(ohms, 1000) == 0) return std::to_string(static_cast<long>(ohms / 1000)) + "k";
  char text[32];
  std::snprintf(text, sizeof text, "%g", ohms);
  return text;
}

std::string MismatchText(const RangeMismatch& mismatch) {
  std::string text = ShortRangeName(mismatch.finerOhms) + " vs " + ShortRangeName(mismatch.coarserOhms) + ": ";
  if (!mismatch.steps) return text + "no overlap";
  char figure[32];
  std::snprintf(figure, sizeof figure, "%.1f", *mismatch.steps);
  return text + figure + " steps";
}

std::string MismatchSummary(const std::vector<RangeMismatch>& mismatches) {
  std::string text;
  for (const RangeMismatch& m : mismatches) text += (text.empty() ? "" : "; ") + MismatchText(m);
  return text;
}

}  // namespace kvt

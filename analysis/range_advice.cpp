#include "analysis/range_advice.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace kvt {
namespace {

constexpr double FullScaleVolts = -AdcLowVolts;  // 5.12 V: the converter's reach either way
constexpr double ResolvedSteps = 3.0;            // a reading this many steps from zero is resolved
constexpr double WorthMoving = 2.0;              // another range must show this much more detail

double AppliedVolts(const CurvePoint& p, double ohms) { return p.volts + p.amps * ohms; }

// The span of `values` without the outermost one at each end, so a stray
// reading does not make a span of its own.
double RobustSpan(std::vector<double> values) {
  if (values.size() < 4) return 0.0;
  std::sort(values.begin(), values.end());
  return values[values.size() - 2] - values[1];
}

struct ModelPoint {
  double volts = 0, amps = 0;
};

// One branch of the part as the sweep shows it, in order away from 0 V.
std::vector<ModelPoint> BranchModel(std::vector<CurvePoint> points, double ohms) {
  std::vector<ModelPoint> model;
  if (points.size() < 5) return model;
  std::sort(points.begin(), points.end(), [ohms](const CurvePoint& a, const CurvePoint& b) {
    return std::abs(AppliedVolts(a, ohms)) < std::abs(AppliedVolts(b, ohms));
  });
  // Each voltage from a straight line through its neighbours against the
  // applied voltage: the converter's noise averaged, and no bias at the
  // branch's ends, where a median would lag behind the slope.
  std::vector<double> volts(points.size());
  for (std::size_t i = 0; i < points.size(); ++i) {
    const std::size_t lo = i < 4 ? 0 : i - 4, hi = std::min(points.size(), i + 5);
    double n = 0, sx = 0, sy = 0, sxx = 0, sxy = 0;
    for (std::size_t k = lo; k < hi; ++k) {
      const double x = AppliedVolts(points[k], ohms), y = points[k].volts;
      n += 1;
      sx += x;
      sy += y;
      sxx += x * x;
      sxy += x * y;
    }
    const double det = n * sxx - sx * sx;
    const double x = AppliedVolts(points[i], ohms);
    volts[i] = det > 0 ? (sy * sxx - sx * sxy) / det + (n * sxy - sx * sy) / det * x : sy / n;
  }
  // The mean conductance, through the origin, of the readings this range
  // cannot tell from zero current: together they show what each alone
  // cannot (a megohm on 1 kohm). Only well below the voltages where the
  // current is resolved: a junction's knee would pass for a leak.
  const double step = AdcStepVolts / ohms;
  std::vector<double> amps(points.size());
  double knee = FullScaleVolts;
  for (std::size_t i = 0; i < points.size(); ++i) {
    amps[i] = (AppliedVolts(points[i], ohms) - volts[i]) / ohms;
    if (std::abs(amps[i]) >= ResolvedSteps * step) knee = std::min(knee, std::abs(volts[i]));
  }
  double vi = 0, vv = 0;
  for (std::size_t i = 0; i < points.size(); ++i) {
    if (std::abs(amps[i]) >= ResolvedSteps * step || std::abs(volts[i]) > 0.8 * knee) continue;
    vi += volts[i] * amps[i];
    vv += volts[i] * volts[i];
  }
  const double conductance = vv > 0 ? std::max(vi / vv, 0.0) : 0.0;
  const double sign = AppliedVolts(points.back(), ohms) < 0 ? -1.0 : 1.0;
  ModelPoint last;
  for (std::size_t i = 0; i < points.size(); ++i) {
    ModelPoint m{volts[i], (AppliedVolts(points[i], ohms) - volts[i]) / ohms};
    if (std::abs(m.amps) < ResolvedSteps * step) m.amps = conductance * m.volts;
    // A passive part: voltage and current grow together away from 0 V.
    m.volts = sign * std::max(sign * m.volts, sign * last.volts);
    m.amps = sign * std::max(sign * m.amps, sign * last.amps);
    model.push_back(m);
    last = m;
  }
  // Past its end the branch goes on along its slope on logarithmic axes,
  // fitted over its outer quarter where both readings are resolved: a
  // resistor's voltage in proportion to the current, a junction's barely.
  // A branch that ends without current cannot be carried on.
  const ModelPoint far = model.back();
  double n = 0, sx = 0, sy = 0, sxx = 0, sxy = 0;
  const std::size_t outer = std::min(model.size(), std::max<std::size_t>(8, model.size() / 4));
  for (std::size_t i = model.size() - outer; i < model.size(); ++i) {
    const ModelPoint& m = model[i];
    if (std::abs(m.amps) < ResolvedSteps * step || std::abs(m.volts) < 1.5 * AdcStepVolts) continue;
    const double x = std::log(std::abs(m.amps)), y = std::log(std::abs(m.volts));
    n += 1;
    sx += x;
    sy += y;
    sxx += x * x;
    sxy += x * y;
  }
  const double det = n * sxx - sx * sx;
  if (n < 4 || !(det > 0)) return model;
  const double power = std::clamp((n * sxy - sx * sy) / det, 0.0, 1.0);
  const double reach = FullScaleVolts / InstrumentRanges().front();
  for (int k = 1; k <= 64; ++k) {
    const double amps = far.amps * std::pow(reach / std::abs(far.amps), k / 64.0);
    const double v = far.volts * std::pow(amps / far.amps, power);
    model.push_back({sign * std::min(sign * v, FullScaleVolts), amps});
  }
  return model;
}

// The point of the branch where the range's load line meets it.
std::optional<ModelPoint> OnLoadLine(const std::vector<ModelPoint>& branch, double applied, double ohms) {
  auto reach = [ohms](const ModelPoint& m) { return std::abs(m.volts + m.amps * ohms); };
  const double target = std::abs(applied);
  if (branch.empty() || reach(branch.back()) < target) return std::nullopt;
  if (target <= reach(branch.front())) return branch.front();
  for (std::size_t i = 1; i < branch.size(); ++i) {
    const double a = reach(branch[i - 1]), b = reach(branch[i]);
    if (b < target) continue;
    const double t = b > a ? (target - a) / (b - a) : 0.0;
    return ModelPoint{branch[i - 1].volts + t * (branch[i].volts - branch[i - 1].volts),
                      branch[i - 1].amps + t * (branch[i].amps - branch[i - 1].amps)};
  }
  return std::nullopt;
}

// "only 3 %", "only 0.4 %", "less than 0.1 %".
std::string ShareText(double share) {
  const double percent = 100 * std::clamp(share, 0.0, 1.0);
  if (percent < 0.1) return "less than 0.1 %";
  char text[32];
  std::snprintf(text, sizeof text, percent < 0.95 ? "only %.1f %%" : "only %.0f %%", percent);
  return text;
}

}  // namespace

double ResolvedDetail(const Curve& sweep) {
  double detail = 0;
  for (const double sign : {1.0, -1.0}) {
    std::vector<double> volts, amps;
    for (const CurvePoint& p : UsablePoints(sweep)) {
      if (!p.rangeOhms || !(AppliedVolts(p, *p.rangeOhms) * sign > 0)) continue;
      const double step = AdcStepVolts / *p.rangeOhms;
      if (std::abs(p.amps) >= ResolvedSteps * step) volts.push_back(p.volts / AdcStepVolts);
      if (std::abs(p.volts) >= ResolvedSteps * AdcStepVolts) amps.push_back(p.amps / step);
    }
    detail += std::min(RobustSpan(volts), RobustSpan(amps));
  }
  return detail;
}

Curve ForeseenSweep(const Curve& sweep, double rangeOhms, int pointCount) {
  Curve foreseen;
  const auto ohms = sweep.RangeOhms();
  if (!ohms || !(*ohms > 0) || pointCount < 2) return foreseen;
  std::vector<CurvePoint> forward, reverse;
  for (const CurvePoint& p : UsablePoints(sweep)) (AppliedVolts(p, *ohms) >= 0 ? forward : reverse).push_back(p);
  const std::vector<ModelPoint> branches[2] = {BranchModel(forward, *ohms), BranchModel(reverse, *ohms)};
  const int step = std::max(1, 1024 / pointCount);
  for (int code = 0; code < 1024; code += step) {
    const double applied = (code - 512) * AdcStepVolts;
    const auto point = OnLoadLine(branches[applied >= 0 ? 0 : 1], applied, rangeOhms);
    if (!point) continue;
    const double volts = std::nearbyint(point->volts / AdcStepVolts) * AdcStepVolts;
    foreseen.points.push_back({volts, (applied - volts) / rangeOhms, false, rangeOhms});
  }
  foreseen.info.pointCount = static_cast<int>(foreseen.points.size());
  FlagClipping(foreseen);
  return foreseen;
}

std::string AdviceText(const Curve& sweep, double fromOhms, double toOhms) {
  // How far each reading goes where the other is resolved: the voltage
  // where current flows, the current where there is voltage. The second
  // largest, so a stray reading does not speak for the part.
  std::vector<double> volts{0.0, 0.0}, amps{0.0, 0.0};
  const double step = AdcStepVolts / fromOhms;
  for (const CurvePoint& p : UsablePoints(sweep)) {
    if (std::abs(p.amps) >= ResolvedSteps * step) volts.push_back(std::abs(p.volts));
    if (std::abs(p.volts) >= ResolvedSteps * AdcStepVolts) amps.push_back(std::abs(p.amps));
  }
  std::sort(volts.rbegin(), volts.rend());
  std::sort(amps.rbegin(), amps.rend());
  const bool higher = toOhms > fromOhms;
  return std::string(higher ? "the current reaches " : "the voltage reaches ") +
         ShareText(higher ? amps[1] * fromOhms / FullScaleVolts : volts[1] / FullScaleVolts) +
         " of this range: move the switch to " + RangeName(toOhms);
}

RangeAdvice AdviseRange(const Curve& sweep) {
  RangeAdvice advice;
  const auto ohms = sweep.RangeOhms();
  const std::vector<CurvePoint> points = UsablePoints(sweep);
  if (!ohms || points.size() < 10) return advice;
  const double here = ResolvedDetail(ForeseenSweep(sweep, *ohms));
  double best = here, bestOhms = *ohms;
  for (const double range : InstrumentRanges()) {
    const double detail = ResolvedDetail(ForeseenSweep(sweep, range));
    if (detail > best) {
      best = detail;
      bestOhms = range;
    }
  }
  if (best < 1) {
    // Nothing resolved on any range foreseen: the range at the end the
    // readings point to may show what this one cannot.
    double volts = 0, amps = 0;
    for (const CurvePoint& p : points) {
      volts = std::max(volts, std::abs(p.volts));
      amps = std::max(amps, std::abs(p.amps) * *ohms);
    }
    bestOhms = amps < volts ? InstrumentRanges().back() : InstrumentRanges().front();
    best = 1;
  }
  if (bestOhms == *ohms || !(best > WorthMoving * here)) return advice;
  advice.moveToOhms = bestOhms;
  advice.text = AdviceText(sweep, *ohms, bestOhms);
  return advice;
}

std::optional<double> BaselineRangeAdvice(const Curve& sweep) {
  const auto ohms = sweep.RangeOhms();
  const std::vector<CurvePoint> points = UsablePoints(sweep);
  if (!ohms || points.empty()) return std::nullopt;
  double volts = 0, amps = 0;
  for (const CurvePoint& p : points) {
    volts += std::abs(p.volts);
    amps += std::abs(p.amps);
  }
  volts /= static_cast<double>(points.size());
  amps /= static_cast<double>(points.size());
  const auto& ranges = InstrumentRanges();
  const auto at = std::find(ranges.begin(), ranges.end(), *ohms);
  if (at == ranges.end()) return std::nullopt;
  if (amps * *ohms / FullScaleVolts < 0.15 && at + 1 != ranges.end()) return *(at + 1);
  if (volts / FullScaleVolts < 0.15 && at != ranges.begin()) return *(at - 1);
  return std::nullopt;
}

}  // namespace kvt

#include "core/curve.h"

#include <cmath>
#include <cstdio>
#include <ctime>

namespace kvt {

std::string RangeName(double ohms) {
  char text[32];
  if (ohms >= 1000) std::snprintf(text, sizeof text, "%g k\u03a9", ohms / 1000);
  else std::snprintf(text, sizeof text, "%g \u03a9", ohms);
  return text;
}

std::optional<double> Curve::RangeOhms() const {
  if (points.empty()) return std::nullopt;
  const std::optional<double> first = points.front().rangeOhms;
  for (const CurvePoint& p : points)
    if (p.rangeOhms != first) return std::nullopt;
  return first;
}

void Curve::SetRangeOhms(std::optional<double> ohms) {
  for (CurvePoint& p : points) p.rangeOhms = ohms;
}

bool IsClippedVolts(double volts) {
  // A little slack so that -5.11 and 5.10, stored as doubles, count too.
  constexpr double slack = 1e-6;
  return volts <= AdcLowVolts + AdcStepVolts + slack ||
         volts >= AdcHighVolts - AdcStepVolts - slack;
}

void FlagClipping(Curve& curve) {
  for (CurvePoint& p : curve.points) p.clipped = p.clipped || IsClippedVolts(p.volts);
}

Curve CurveFromPairs(const std::vector<std::pair<double, double>>& pairs,
                     std::optional<double> rangeOhms) {
  Curve curve;
  curve.points.reserve(pairs.size());
  for (const auto& [v, a] : pairs) curve.points.push_back({v, a, false, rangeOhms});
  curve.info.pointCount = static_cast<int>(pairs.size());
  FlagClipping(curve);
  return curve;
}

std::vector<CurvePoint> UsablePoints(const Curve& curve) {
  std::vector<CurvePoint> out;
  for (const CurvePoint& p : curve.points)
    if (!p.clipped && std::isfinite(p.volts) && std::isfinite(p.amps)) out.push_back(p);
  return out;
}

std::vector<std::pair<double, double>> PairsOf(const Curve& curve) {
  std::vector<std::pair<double, double>> pairs;
  pairs.reserve(curve.points.size());
  for (const CurvePoint& p : curve.points) pairs.emplace_back(p.volts, p.amps);
  return pairs;
}

std::string LocalDateTimeNow() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char text[32];
  std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
  return text;
}

}  // namespace kvt

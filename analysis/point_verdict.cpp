#include "analysis/point_verdict.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace kvt {

namespace {

// "20mV", "0.02", "50uA", "5e-5A": the number in the unit's base, or nothing.
std::optional<double> Quantity(std::string text, const std::string& unit) {
  if (text.size() > unit.size() && text.compare(text.size() - unit.size(), unit.size(), unit) == 0)
    text.resize(text.size() - unit.size());
  static const struct {
    const char* prefix;
    double scale;
  } prefixes[] = {{"p", 1e-12}, {"n", 1e-9}, {"u", 1e-6}, {"\u00b5", 1e-6}, {"m", 1e-3}, {"k", 1e3}};
  double scale = 1;
  for (const auto& p : prefixes) {
    const std::string prefix = p.prefix;
    if (text.size() > prefix.size() && text.compare(text.size() - prefix.size(), prefix.size(), prefix) == 0) {
      text.resize(text.size() - prefix.size());
      scale = p.scale;
      break;
    }
  }
  double value = 0;
  const char* end = text.data() + text.size();
  const auto [ptr, ec] = std::from_chars(text.data(), end, value);
  if (text.empty() || ec != std::errc() || ptr != end || !std::isfinite(value * scale)) return std::nullopt;
  return value * scale;
}

}  // namespace

std::optional<CompareOptions> ToleranceOptions(const std::string& text) {
  CompareOptions options;
  if (text.empty() || text == "auto") return options;
  if (const auto comma = text.find(','); comma != std::string::npos) {
    const auto volts = Quantity(text.substr(0, comma), "V");
    const auto amps = Quantity(text.substr(comma + 1), "A");
    if (!volts || !amps || *volts <= 0 || *amps <= 0) return std::nullopt;
    options.volts = volts;
    options.amps = amps;
    return options;
  }
  const auto percent = Quantity(text, "%");
  if (!percent || *percent <= 0 || *percent > 100) return std::nullopt;
  options.percent = percent;
  return options;
}

const std::string& ToleranceOf(const Board& board, const TestPoint& point) {
  return point.tolerance.empty() ? board.tolerance : point.tolerance;
}

PointTest JudgePoint(const Curve& test, const Curve& knownGood, const CompareOptions& options) {
  const Comparison c = CompareCurves(test, knownGood, options);
  PointTest result;
  result.curve = test;
  result.score = c.score;
  result.verdict = c.pass ? PointVerdict::Pass : PointVerdict::Fail;
  for (const VoltageInterval& interval : c.outside) {
    result.differsFromVolts = std::min(result.differsFromVolts.value_or(interval.fromVolts), interval.fromVolts);
    result.differsToVolts = std::max(result.differsToVolts.value_or(interval.toVolts), interval.toVolts);
  }
  return result;
}

}  // namespace kvt

#include "analysis/point_verdict.h"

#include <algorithm>
#include <cmath>
#include <variant>

#include "analysis/compare_tolerance.h"

namespace kvt {

std::optional<CompareOptions> ToleranceOptions(const std::string& text) {
  if (text.empty()) return CompareOptions{};
  auto parsed = ParseTolerance(text);
  if (auto* options = std::get_if<CompareOptions>(&parsed)) return *options;
  return std::nullopt;
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

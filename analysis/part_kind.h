#pragma once
// What kind of two-terminal part a curve shows, judged from the shape of the
// curve against the instrument's own steps, so noise of a converter step or
// two does not change the answer.
#include <optional>
#include <string_view>
#include <vector>

#include "analysis/resolution.h"
#include "core/curve.h"

namespace kvt {

enum class PartKind { Open, Short, Resistor, Diode, Led, Zener, Unknown };

// One lower-case word: "open", "short", "resistor", "diode", "LED", "zener", "unknown".
std::string_view PartKindName(PartKind kind);

// Reverse conduction clearly above the noise that starts away from 0 V, as a
// junction's breakdown does (a leak through a resistor starts at 0 V).
struct ReverseBreakdown {
  double onsetVolts = 0.0;    // where the current reaches half its largest value (negative)
  double largestAmps = 0.0;   // the largest reverse current the curve carries (negative)
};

// What the curve shows; the kind is read from these.
struct CurveShape {
  double largestVolts = 0.0;  // largest |V| of the usable points
  double largestAmps = 0.0;   // largest |I|
  bool ohmic = false;         // a straight line explains the points within the noise
  // Forward conduction's top tangent carried back to zero current: about
  // where conduction starts. Nothing without clear forward conduction that
  // starts away from 0 V.
  std::optional<double> kneeVolts;
  std::optional<ReverseBreakdown> breakdown;
};

// `usable`: the curve's unclipped, finite points in measuring order.
CurveShape ShapeOf(const std::vector<CurvePoint>& usable, const Resolution& step);

// The kind from the shape; `forwardVolts` (at 1 mA, when the curve reaches
// it) sets a junction's knee more exactly than the tangent.
PartKind KindOf(const CurveShape& shape, std::optional<double> forwardVolts, const Resolution& step);

}  // namespace kvt

#pragma once
// A test point's verdict: its test curve against its known-good curve, with
// the tolerance the point or its board names.
#include <optional>
#include <string>

#include "analysis/comparison.h"
#include "core/board.h"

namespace kvt {

// The options for a tolerance text as `kvt compare --tolerance` takes it:
// "auto" (or empty), a percentage above 0 and up to 100, or "VOLTS,AMPS"
// with optional units and prefixes ("20mV,50uA"). Nothing for any other text.
std::optional<CompareOptions> ToleranceOptions(const std::string& text);

// The point's own tolerance, else the board's.
const std::string& ToleranceOf(const Board& board, const TestPoint& point);

// `test` judged against `knownGood`; the differing interval spans every
// stretch where they differ. The time is left to the caller.
PointTest JudgePoint(const Curve& test, const Curve& knownGood, const CompareOptions& options);

}  // namespace kvt

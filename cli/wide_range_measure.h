#pragma once
// kvt measure --ranges: the guided capture driven back to back, its requests
// and progress on standard error, the sweeps stitched into one curve.
#include <functional>
#include <optional>
#include <vector>

#include "analysis/range_stitching.h"
#include "device/switch_hand.h"

namespace kvt {

class MeasuringSession;

// Sweeps `pointCount` points on each range in turn, asking on stderr for the
// switch to be moved between them; `hand` (may be empty) turns it. Nothing
// when `stop` ended the capture, which leaves the part at 0 V.
std::optional<StitchedCurve> MeasureOnRanges(MeasuringSession& session, const std::vector<double>& rangesOhms,
                                             int pointCount, const SwitchHand& hand,
                                             const std::function<bool()>& stop, bool showProgress);

}  // namespace kvt

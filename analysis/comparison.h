#pragma once
// How far a curve lies from a reference curve, judged in steps of the
// instrument rather than by a fixed percentage.
#include <optional>
#include <vector>

#include "core/curve.h"

namespace kvt {

struct CompareOptions {
  // Half-width of the tolerance band in instrument steps (10 mV, and the
  // current of one step of the range). Two readings of one part scatter by
  // about a step each; three steps keep them inside.
  double bandSteps = 3.0;
  // Instead: a band of this percentage of the reference's span on each axis.
  std::optional<double> percent;
  // Instead: these half-widths in volts and amperes, both above 0 (a bench's
  // own limits, such as 20 mV and 50 uA).
  std::optional<double> volts;
  std::optional<double> amps;
  // Pass when at least this share (percent) of points is inside the band;
  // the rest allows for a few stray readings.
  double passScore = 95.0;
  // With the band in steps, which the noise sets: a shift too small for
  // single noisy points still shows when it is shared by a stretch of them.
  // The curve also fails where `stretchApart` of `stretchPoints` consecutive
  // points of one curve lie farther than `stretchBands` of the band from the
  // other curve; those points count as outside. 0 points turns this off.
  int stretchPoints = 8;
  int stretchApart = 6;
  // Just beyond two steps of three: two whole codes apart do not count.
  double stretchBands = 0.7;
};

struct VoltageInterval {
  double fromVolts = 0.0;
  double toVolts = 0.0;
};

struct Deviation {
  double volts = 0.0;      // where: the point that lies farthest out
  double amps = 0.0;
  bool onReference = false;  // the point belongs to the reference (the curve misses it)
  double deltaVolts = 0.0;   // to the nearest point of the other curve
  double deltaAmps = 0.0;
  double bands = 0.0;        // distance in band half-widths; > 1 is outside
};

struct Comparison {
  double score = 0.0;  // 0..100: share of points inside the band
  bool pass = false;
  int judged = 0;      // points of both curves
  int outsidePoints = 0;
  double toleranceVolts = 0.0;
  double toleranceAmps = 0.0;
  // Without a percentage: the range whose converter step set the current
  // tolerance, or nothing when neither curve knew its range and the step was
  // estimated from the curves' scatter.
  std::optional<double> rangeOhms;
  std::vector<VoltageInterval> outside;  // where the curves differ, by voltage
  std::optional<Deviation> worst;
  // A stretch of points lies apart from the other curve (see CompareOptions).
  bool shiftedStretch = false;
};

Comparison CompareCurves(const Curve& curve, const Curve& reference,
                         const CompareOptions& options = {});

}  // namespace kvt

#pragma once
// Where the probe is, told from the live sweeps alone: resting on a point
// (the curve holds still) or lifted off the board (the curve is that of
// nothing connected).
#include <optional>

#include "analysis/comparison.h"
#include "core/curve.h"

namespace kvt {

// Two sweeps that pass the comparison against each other.
bool SweepsAgree(const Curve& sweep, const Curve& previous);

// Nothing connected: no current beyond the noise at any applied voltage, as
// the comparison with the curve of an open circuit judges it.
bool IsOpenCircuit(const Curve& sweep);

// The curve an open circuit gives on the sweep's own applied voltages and range.
Curve OpenCircuitCurve(const Curve& sweep);

// Follows the live sweeps of one point.
class ProbeWatch {
 public:
  static constexpr int LiftedSweeps = 3;

  void Add(const Curve& sweep);
  // A new point: what was seen before says nothing about it.
  void Reset();

  // The last two sweeps agree and something is connected.
  bool Stable() const { return agreeing_ && openRun_ == 0; }
  // The last three sweeps were open circuit.
  bool Lifted() const { return openRun_ >= LiftedSweeps; }
  const std::optional<Curve>& Latest() const { return latest_; }

 private:
  std::optional<Curve> latest_;
  bool agreeing_ = false;
  int openRun_ = 0;
};

}  // namespace kvt

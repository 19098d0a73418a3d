#pragma once
// A batch of parts from live sweeps: a part's curve is taken once the probe
// holds still on it and handed on to be stored once the probe is lifted, so
// a part is stored once however long it stays under the probe, and a part
// the probe never held still on is not stored at all.
#include <optional>

#include "analysis/probe_state.h"
#include "core/curve.h"

namespace kvt {

struct BatchStep {
  enum class Kind { None, Take, Store };
  Kind kind = Kind::None;
  Curve curve;  // Take: the curve taken; Store: the curve to store
};

class BatchFlow {
 public:
  BatchStep Add(const Curve& sweep);
  // The curve taken and not yet handed on, handed on now (live sweeping
  // stopped with the probe still on the part); nothing when there is none.
  std::optional<Curve> Release();
  // Forgets the sweeps seen: the probe may be anywhere when sweeping resumes.
  void Reset();

  const std::optional<Curve>& Taken() const { return taken_; }

 private:
  ProbeWatch watch_;
  std::optional<Curve> taken_;
};

}  // namespace kvt

#include "ui/batch_flow.h"

#include <utility>

namespace kvt {

BatchStep BatchFlow::Add(const Curve& sweep) {
  watch_.Add(sweep);
  // The first curve held still is the part's: the probe sliding on to
  // another part without a lift keeps it, since only a lift ends a part.
  if (!taken_ && watch_.Stable()) {
    taken_ = sweep;
    return {BatchStep::Kind::Take, sweep};
  }
  if (taken_ && watch_.Lifted()) {
    BatchStep step{BatchStep::Kind::Store, std::move(*taken_)};
    taken_.reset();
    return step;
  }
  return {};
}

std::optional<Curve> BatchFlow::Release() {
  std::optional<Curve> curve = std::move(taken_);
  taken_.reset();
  return curve;
}

void BatchFlow::Reset() {
  watch_.Reset();
  taken_.reset();
}

}  // namespace kvt

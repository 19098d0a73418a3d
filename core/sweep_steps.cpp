#include "core/sweep_steps.h"

#include "core/text_number.h"

namespace kvt {

int PointStep(int pointCount) {
  if (pointCount == 0) return 0;
  const auto step = ToInt32(1024.0 / pointCount);
  return step.value_or(0);
}

}  // namespace kvt

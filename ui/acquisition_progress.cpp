#include "ui/acquisition_progress.h"

#include <cmath>

#include "core/text_number.h"

namespace kvt {

ProgressShown ShowProgress(double fraction, double barWidth, bool finished) {
  ProgressShown shown;
  shown.barX = static_cast<int>(std::floor(barWidth * fraction));
  if (shown.barX != 0 || finished) shown.percent = FormatNumber(std::floor(fraction * 100), "###") + "%";
  return shown;
}

}  // namespace kvt

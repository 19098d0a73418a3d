#include "ui/acquisition_progress.h"

#include <gtest/gtest.h>

namespace kvt {

TEST(AcquisitionProgress, BarPixelsAndPercentageRoundDown) {
  struct Case {
    const char* name;
    double fraction;
    double barWidth;
    bool finished;
    int barX;
    const char* percent;
  };
  for (const Case& c : {Case{"nothing swept", 0, 277, false, 0, ""},
                        Case{"less than a pixel: no text either", 3 / 1023.0, 277, false, 0, ""},
                        // "###" writes no digit for zero.
                        Case{"a pixel, under one percent", 4 / 1023.0, 277, false, 1, "%"},
                        Case{"second blink of 32 points", 32 / 1023.0, 277, false, 8, "3%"},
                        Case{"last blink of 32 points", 992 / 1023.0, 277, false, 268, "96%"},
                        Case{"last blink of 1024 points", 1, 277, false, 277, "100%"},
                        Case{"end", 1, 277, true, 277, "100%"},
                        Case{"end on a bar of no width", 1, 0.5, true, 0, "100%"},
                        Case{"wider bar in device pixels", 992 / 1023.0, 554, false, 537, "96%"}}) {
    const ProgressShown shown = ShowProgress(c.fraction, c.barWidth, c.finished);
    EXPECT_EQ(shown.barX, c.barX) << c.name;
    EXPECT_EQ(shown.percent, c.percent) << c.name;
  }
}

}  // namespace kvt

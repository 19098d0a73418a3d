#pragma once
// The acquisition window's progress bar and percentage for a share of the
// sweep.
#include <string>

namespace kvt {

struct ProgressShown {
  int barX = 0;          // bar filled from 0 to barX; 0 draws nothing
  std::string percent;   // new percentage text; empty leaves the old one
};

// barWidth is the bar's width in its own units; barX comes back in the same
// units, rounded down, and so does the percentage. Before the end the text
// changes only together with the bar; at the end it reads "100%".
ProgressShown ShowProgress(double fraction, double barWidth, bool finished);

}  // namespace kvt

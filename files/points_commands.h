#pragma once
// The File menu's "open file with points" and "save file with points".
#include <functional>

#include "core/prompt.h"
#include "core/point_set.h"

namespace kvt {

// What a successful or late-failing load does to the main window.
struct PointsFileHooks {
  // Turn all six number-of-points option buttons off (runs no handler).
  std::function<void()> allOptionsOff;
  // Turn option button k (1..6: 32..1024 points) on, running its click
  // behaviour (choice written to the settings, panel updated).
  std::function<void(int option)> optionOn;
  // Repaint the plot.
  std::function<void()> drawPlot;
};

// Asks for a file and replaces the set with its points. A file that is not
// a points file leaves the set alone; one whose data is bad empties it.
void LoadPointsFile(PointSet& points, Prompt& prompt, const PointsFileHooks& hooks);

// Asks for a file name and writes the set to it. The old file is replaced
// only once the new one is completely written.
void SavePointsFile(const PointSet& points, Prompt& prompt);

}  // namespace kvt

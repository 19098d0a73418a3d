#pragma once
// The File menu's "open file with points" and "save file with points".
#include "core/plot_view.h"
#include "core/prompt.h"
#include "core/point_set.h"

namespace kvt {

// Asks for a file and replaces the set with its points. A file that is not
// a points file leaves the set alone; one whose data is bad empties it.
// The number-of-points buttons follow the file's count, and the view redraws.
void LoadPointsFile(PointSet& points, Prompt& prompt, PointCountChoice& choice, PlotView& view);

// Asks for a file name and writes the set to it. The old file is replaced
// only once the new one is completely written.
void SavePointsFile(const PointSet& points, Prompt& prompt);

}  // namespace kvt

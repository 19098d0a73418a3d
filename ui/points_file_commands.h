#pragma once
// The File menu's "open file with points" and "save file with points": the
// file dialogs and messages around the points file's reader and writer.
#include <string>

#include "core/plot_view.h"
#include "core/curve.h"
#include "core/prompt.h"

namespace kvt {

// Asks for a file and replaces the curve with its points. A file that is not
// a points file leaves the curve alone; one whose data is bad empties it.
// A name ending in .csv is read as CSV (each point on its own range), and
// a bad one leaves the curve alone. The number-of-points buttons follow the
// file's count, and the view redraws. Returns whether the curve was
// replaced or emptied by a chosen file.
bool LoadPointsFile(Curve& curve, Prompt& prompt, PointCountChoice& choice, PlotView& view);

// Asks for a file name and writes the curve to it. The old file is replaced
// only once the new one is completely written. A name typed without an
// extension while the points filter is selected gets ".kvt", so the file
// shows in the open dialog's default filter. A curve whose points come from
// several ranges is not written as a points file (it holds one range): the
// user is told and offered CSV, under the same name with .csv; a name
// already ending in .csv is written as CSV. Returns whether it was written.
bool SavePointsFile(const Curve& curve, Prompt& prompt);

// `name` with `suffix` added when its last path part has no "." at all
// (".profile" and "a.b" count as having an extension).
std::string WithDefaultSuffix(const std::string& name, const std::string& suffix);

}  // namespace kvt

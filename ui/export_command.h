#pragma once
// File → Export: the curve as CSV, the plot as PNG or SVG, or a circuit
// model, written by the same producers as the kvt command's convert, render
// and spice.
#include <optional>
#include <string>

#include "core/prompt.h"
#include "plot/plot_export.h"

namespace kvt {

enum class ExportFormat { Csv, Png, Svg, Spice };

// The format a typed extension asks for (case-insensitive); nothing for a
// name without one of the known extensions.
std::optional<ExportFormat> ExportFormatOfName(const std::string& name);

// Asks for a name and writes the file from the plot as on screen (its curve,
// size, ranges and references); failures are reported as a failed save and
// leave no partial file. Returns whether a file was written.
bool ExportCurve(Prompt& prompt, const PlotPicture& picture);

}  // namespace kvt

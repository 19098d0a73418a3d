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

struct ExportInput {
  PlotPicture picture;              // the plot as on screen: size, ranges, references
  std::optional<double> rangeOhms;  // of the run the points came from, when known
};

// Asks for a name and writes the file; failures are reported as a failed
// save and leave no partial file. Returns whether a file was written.
bool ExportCurve(Prompt& prompt, const ExportInput& input);

}  // namespace kvt

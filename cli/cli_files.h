#pragma once
// What every subcommand does with files: curves in, results out, and the
// settings of the folder it runs in.
#include <string>
#include <vector>

#include "core/curve.h"
#include "core/typed_options.h"
#include "files/csv_file.h"

namespace kvt {

// The curve of a points file or CSV file; UsageError naming the file otherwise.
Curve LoadCurve(const std::string& path);

// Output forms by the name's extension, for the help and the checks.
extern const std::vector<std::string> CurveExtensions;  // .kvt, .csv
extern const std::vector<std::string> PlotExtensions;   // .png, .svg
extern const std::vector<std::string> SpiceExtensions;  // .lib, .mod, ...

// "a, b or c", for messages and help texts.
std::string OneOf(const std::vector<std::string>& words);

// The extension of `path` (lower case, with its dot) when it is one of
// `allowed`; UsageError naming them otherwise. Checked before any work, so a
// refused output leaves no file and no measurement behind.
std::string OutputExtension(const std::string& path, const std::vector<std::string>& allowed);

// Replaces `path` with `text` atomically (or writes it to stdout for "-");
// UsageError naming the file when it cannot be written, RunError when
// standard output cannot take it.
void WriteOutput(const std::string& path, const std::string& text);

// The curve in the format its name asks for (.csv or a points file);
// UsageError when the curve cannot take that format.
void WriteCurve(const std::string& path, const Curve& curve, const std::string& sourceFile);

// kvt_win.cfg of the current folder when there is one, validated as the
// window validates it; the defaults otherwise. Never written.
TypedOptions OptionsOfThisFolder();

// What the CSV files say about who wrote them.
CsvMetadata Metadata(const std::string& sourceFile);

}  // namespace kvt

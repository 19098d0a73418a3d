#pragma once
// The points file: "KVT", the point count, a reserved 0, then one line per
// point with the voltage in volts and the current in amperes. Pure text
// work, no file system and no Qt, so the reader can be fuzzed on its own.
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/curve.h"
#include "core/sweep_steps.h"

namespace kvt {

// A points file of 1024 points is about 25 KB; the reader never looks at
// more than this many bytes of a file.
constexpr std::size_t MaxPointsFileBytes = std::size_t{1} << 20;

// Copy of the text with every "," turned into ".".
std::string CommaToPoint(std::string_view text);

// The whole file text for a curve of 32, 64, 128, 256, 512 or 1024 points,
// one line a point in the curve's order (its slots 0, s, 2s ... of the
// sweep's output codes), CR LF line ends, "." as decimal point
// whatever the locale. Point lines put the voltage field at column 1 and the
// current field at column 9 (at least one blank between them):
//   " 5.11    1.2340E-003"
//   "-5.12   -1.0000E-002"
// Nothing for any other count, or when a value cannot be written as a number
// (infinity, NaN): such a file could never be read back.
std::optional<std::string> PointsFileText(const Curve& curve);

enum class PointsReadStatus {
  NotAPointsFile,  // first line is not exactly "KVT": the curve shown stays as it is
  BadData,         // count unusable or too few point fields: the curve shown is emptied
  BadCount,        // pairs were read but the count is not one of the six sizes
  Ok,
};

struct PointsSample {
  int slot;
  double volts;
  double amps;
};

struct PointsFileContent {
  PointsReadStatus status = PointsReadStatus::NotAPointsFile;
  double count = 0;                   // the count field, once it was read
  std::vector<PointsSample> samples;  // every complete pair read, in file order
  // For a file that failed after its header: the line and what is wrong
  // there, e.g. "line 9: \"1.2.3\" is not a number".
  std::string problem;
};

// Reads a points file from its bytes. Fields after the header line are split
// at blanks, tabs, line ends and commas, so several fields may share a line;
// every point field must be a finite decimal number (exponent allowed).
// Exactly the pairs the count asks for are read; anything after is ignored.
// wholeFile = false says the bytes are only the start of a longer file: the
// last incomplete line is then dropped rather than read as a cut-off number.
PointsFileContent ReadPointsText(std::string_view bytes, bool wholeFile = true);

// The pairs a points file held, in file order, flagged where they clip (the
// range is not stored there).
Curve CurveFromPointsFile(const PointsFileContent& content,
                          std::optional<double> rangeOhms = std::nullopt);

// Number-of-points option button (1..6) for a legal set size, else 0.
int OptionForCount(double count);

}  // namespace kvt

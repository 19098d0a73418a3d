#pragma once
// Curves as CSV for spreadsheets and other tools. Pure text work, no file
// system and no Qt, so the reader can be fuzzed on its own.
//
// Written form, LF line ends (what spreadsheets and scripts on every system
// read), "." as decimal point whatever the locale:
//   # program: kvt_win 1.0
//   # date: 2024-05-01 12:00:00
//   # points: 2
//   # range_ohms: 1000
//   # source: diode.kvt
//   voltage_V,current_A,clipped
//   -5.12,-1.5e-05,1
//   0.61,0.00102,0
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kvt {

// Files larger than this are refused rather than read.
constexpr std::size_t MaxCsvFileBytes = std::size_t{4} << 20;
constexpr std::size_t MaxCsvPoints = 100000;

struct CsvPoint {
  double volts = 0.0;
  double amps = 0.0;
  bool clipped = false;
  bool operator==(const CsvPoint&) const = default;
};

struct CsvMetadata {
  std::string program;   // name of the writing program
  std::string version;
  std::string dateTime;  // as the caller formats it; empty leaves the line out
  std::optional<double> rangeOhms;
  std::string sourceFile;  // empty leaves the line out
};

// The whole file text; the shortest decimal form of each number that reads
// back to the same double. Nothing when a value is not finite.
std::optional<std::string> CsvFileText(const std::vector<CsvPoint>& points, const CsvMetadata& meta);

struct CsvContent {
  std::vector<CsvPoint> points;
  std::optional<double> rangeOhms;  // from a "# range_ohms:" line
  std::string sourceFile;           // from a "# source:" line
  std::string dateTime;             // from a "# date:" line
  std::string error;                // empty when the file was read
  bool ok() const { return error.empty(); }
};

// Reads the written form and plain files of two columns (volts, amperes)
// with or without a header line, separated by commas, semicolons or tabs,
// CR LF or LF line ends, with or without a UTF-8 byte-order mark. "#" lines are comments; an optional third column
// holds the clipping flag (0 or 1). With semicolons or tabs a decimal comma
// is accepted too. On failure `error` says which line and what is wrong.
CsvContent ReadCsvText(std::string_view bytes);

}  // namespace kvt

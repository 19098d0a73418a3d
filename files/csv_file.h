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
// A curve whose points come from different ranges has no range line but a
// fourth column instead, each row's range in ohms (empty where unknown):
//   voltage_V,current_A,clipped,range_ohms
//   -1,-2e-09,0,10000
//   0.72,0.0121,0,100
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
  CsvPoint() = default;
  CsvPoint(double volts, double amps, bool clipped = false, std::optional<double> rangeOhms = std::nullopt)
      : volts(volts), amps(amps), clipped(clipped), rangeOhms(rangeOhms) {}

  double volts = 0.0;
  double amps = 0.0;
  bool clipped = false;
  std::optional<double> rangeOhms;  // the row's own range, from the range_ohms column
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
// back to the same double. The range_ohms column is written when any point
// carries its own range (and then no range line). Nothing when a value is
// not finite or a range not a positive number.
std::optional<std::string> CsvFileText(const std::vector<CsvPoint>& points, const CsvMetadata& meta);

// A text as one CSV field: quoted, with its quotes doubled, where a comma,
// quote or line end in it would split the row.
std::string CsvField(const std::string& text);

struct CsvContent {
  std::vector<CsvPoint> points;
  std::optional<double> rangeOhms;  // from a "# range_ohms:" line
  bool rangeColumn = false;         // the header named a range_ohms column
  std::string sourceFile;           // from a "# source:" line
  std::string dateTime;             // from a "# date:" line
  std::string error;                // empty when the file was read
  bool ok() const { return error.empty(); }
};

// Reads the written form and plain files of two columns (volts, amperes)
// with or without a header line, separated by commas, semicolons or tabs,
// CR LF or LF line ends, with or without a UTF-8 byte-order mark. "#" lines are comments; an optional third column
// holds the clipping flag (0 or 1), and a fourth the point's range in ohms
// when the header names it range_ohms (only then: a decimal comma between
// commas must not pass for one). With semicolons or tabs a decimal comma
// is accepted too. On failure `error` says which line and what is wrong.
CsvContent ReadCsvText(std::string_view bytes);

}  // namespace kvt

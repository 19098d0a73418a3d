#pragma once
// A board under test: its test points, each with the curve of the known-good
// board and the latest test of the suspect one. The board file, the board
// window, the report and the exchange formats all hold this one model.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/curve.h"

namespace kvt {

// How a point's latest test came out against its known-good curve.
enum class PointVerdict { Untested, Pass, Fail };

// The verdict as files and output name it: "pass", "fail" or "untested".
const char* VerdictName(PointVerdict verdict);
// The verdict so named; nothing for any other word.
std::optional<PointVerdict> VerdictNamed(std::string_view name);

struct PointTest {
  Curve curve;
  double score = 0.0;  // 0 ... 100, as the comparison gives it
  PointVerdict verdict = PointVerdict::Untested;
  // The voltage interval where the curves differ, when they do.
  std::optional<double> differsFromVolts;
  std::optional<double> differsToVolts;
  std::string dateTime;  // "YYYY-MM-DD hh:mm:ss" local time
  bool operator==(const PointTest&) const = default;
};

struct TestPoint {
  std::string name;  // "U3.7"
  // Position on the board's photo in the photo's own pixels; nothing for a
  // point not placed (or a board without a photo).
  std::optional<double> x;
  std::optional<double> y;
  std::string comment;
  // The point's own comparison tolerance as `kvt compare --tolerance` takes
  // it ("auto", "20mV,50uA"); empty: the board's.
  std::string tolerance;
  // The range the point is to be measured on; nothing: any.
  std::optional<double> rangeOhms;
  std::optional<Curve> knownGood;
  std::optional<PointTest> latest;
  bool operator==(const TestPoint&) const = default;
};

struct Board {
  std::string name;
  // The photo's path relative to the board file's folder; empty: none.
  std::string photoPath;
  std::string tolerance = "auto";  // for points without their own
  std::vector<TestPoint> points;
  // What wrote the file last ("kvt_win 1.3.0").
  std::string writtenBy;
  bool operator==(const Board&) const = default;
};

// Counts for a report's summary.
struct BoardCounts {
  int points = 0;
  int captured = 0;  // points with a known-good curve
  int tested = 0;
  int failed = 0;
};
BoardCounts CountPoints(const Board& board);

// Positions on a photo of `width` by `height` pixels for the points not
// placed yet, so they show and can be dragged where they belong at once: in
// rows of up to ten along the photo's lower margin, the first row lowest.
void PlaceUnplacedPoints(Board& board, double width, double height);

}  // namespace kvt

#pragma once
// The one model of a measurement: an I-V curve whose points each carry the
// range they were measured on and whether the reading may be cut off, with
// what is known of the run. A sweep produces it, the plot draws it, the
// analysis reads it and the files hold it; the points file's slots exist only
// inside that file's reader and writer.
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace kvt {

// The measuring converter's scale: 10 mV per code, -5.12 V to +5.11 V.
constexpr double AdcStepVolts = 0.01;
constexpr double AdcLowVolts = -5.12;
constexpr double AdcHighVolts = 5.11;

struct CurvePoint {
  CurvePoint() = default;
  CurvePoint(double volts, double amps, bool clipped = false, std::optional<double> rangeOhms = std::nullopt)
      : volts(volts), amps(amps), clipped(clipped), rangeOhms(rangeOhms) {}

  double volts = 0.0;
  double amps = 0.0;
  // The voltage sits at an end of the converter's range, so the reading may
  // be cut off and the current derived from it is not trustworthy.
  bool clipped = false;
  // Series resistance of the range the point was measured on, when known.
  std::optional<double> rangeOhms;
  bool operator==(const CurvePoint&) const = default;
};

// What is known of the run behind the points.
struct CurveInfo {
  int pointCount = 0;    // points the sweep or file asked for
  std::string dateTime;  // "YYYY-MM-DD hh:mm:ss" local time; empty when unknown
  std::string source;    // "instrument", "simulated instrument" or the file read
  bool operator==(const CurveInfo&) const = default;
};

struct Curve {
  std::vector<CurvePoint> points;  // in the order they were taken
  CurveInfo info;

  bool empty() const { return points.empty(); }
  // The range every point was measured on; nothing when any point's range
  // is unknown, the points come from different ranges, or there are none.
  std::optional<double> RangeOhms() const;
  // Every point measured on `ohms` (or on an unknown range).
  void SetRangeOhms(std::optional<double> ohms);

  bool operator==(const Curve&) const = default;
};

// A range as its switch position reads: "100 Ω", "1 kΩ", "10 kΩ".
std::string RangeName(double ohms);

// True within one converter step of either end of its range.
bool IsClippedVolts(double volts);

// Sets every point's clipping flag from its voltage (flags already set stay).
void FlagClipping(Curve& curve);

// A curve from plain (volts, amps) pairs, flagged, all on `rangeOhms`.
Curve CurveFromPairs(const std::vector<std::pair<double, double>>& pairs,
                     std::optional<double> rangeOhms = std::nullopt);

// The points fits and comparisons may use: not clipped, both values finite,
// in the curve's order.
std::vector<CurvePoint> UsablePoints(const Curve& curve);

// The (volts, amps) pairs of the curve in order.
std::vector<std::pair<double, double>> PairsOf(const Curve& curve);

// The local time now as "YYYY-MM-DD hh:mm:ss".
std::string LocalDateTimeNow();

}  // namespace kvt

#pragma once
// Boards for the file tests: curves of the instrument's kinds, points placed
// and not, tests passed and failed.
#include <cmath>
#include <string>
#include <vector>

#include "core/board.h"

namespace kvt {

// A diode on `rangeOhms` seen through the converter: `count` points from
// -5.12 V applied up, clipped at the converter's ends.
inline Curve SampleDiode(int count, double rangeOhms, double forwardVolts = 0.6) {
  Curve curve;
  for (int k = 0; k < count; ++k) {
    const double applied = -5.12 + 10.23 * k / (count - 1);
    const double volts = applied > forwardVolts ? forwardVolts + 0.04 * (applied - forwardVolts) : applied;
    curve.points.emplace_back(std::round(volts * 100) / 100, (applied - volts) / rangeOhms, false, rangeOhms);
  }
  FlagClipping(curve);
  curve.info.pointCount = count;
  curve.info.dateTime = "2026-12-01 10:00:00";
  curve.info.source = "simulated instrument";
  return curve;
}

inline TestPoint SamplePoint(const std::string& name, double x, double y, bool fail) {
  TestPoint point;
  point.name = name;
  point.x = x;
  point.y = y;
  point.knownGood = SampleDiode(64, 1000);
  PointTest test;
  test.curve = SampleDiode(64, 1000, fail ? 0.7 : 0.6);
  test.score = fail ? 61.5 : 99.2;
  test.verdict = fail ? PointVerdict::Fail : PointVerdict::Pass;
  if (fail) {
    test.differsFromVolts = 0.6;
    test.differsToVolts = 0.72;
  }
  test.dateTime = "2026-12-01 10:05:00";
  point.latest = test;
  return point;
}

// `count` points on a grid, U1.1, U1.2, ..., every `failEvery`th failing.
inline Board SampleBoard(int count, int failEvery = 0) {
  Board board;
  board.name = "Sample board";
  board.photoPath = "photo.png";
  board.writtenBy = "kvt 1.2";
  for (int i = 0; i < count; ++i)
    board.points.push_back(SamplePoint("U" + std::to_string(1 + i / 8) + "." + std::to_string(1 + i % 8),
                                       40 + 60 * (i % 8), 40 + 60 * (i / 8), failEvery && i % failEvery == 0));
  return board;
}

}  // namespace kvt

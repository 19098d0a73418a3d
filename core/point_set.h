#pragma once
// The one set of current-voltage points: slot i belongs to output code i.
#include <array>
#include <cstdint>

namespace kvt {

constexpr int PointSlots = 1025;  // slots 0..1024; 1024 is never used

struct PointSet {
  std::int16_t PointCount = 0;  // 0, 32, 64, 128, 256, 512 or 1024
  std::array<double, PointSlots> PointVolts{};  // volts
  std::array<double, PointSlots> PointAmps{};   // amperes
};

// 1024 / count rounded to the nearest integer, ties to even; 0 for no points.
int PointStep(int pointCount);

// Visits the slots of a set of `pointCount` points in increasing order:
// 0, s, 2s, ... while the slot is at most 1023.
template <typename Visit>
void ForEachSlot(int pointCount, Visit visit) {
  const int step = PointStep(pointCount);
  if (step <= 0) return;
  for (int i = 0; i <= 1023; i += step) visit(i);
}

}  // namespace kvt

#pragma once
// Which of the output's 1024 codes a sweep of a given point count visits:
// every PointStep-th from code 0. The points file numbers its slots the same
// way.
#include <cstdint>

namespace kvt {

constexpr int OutputCodes = 1024;  // codes 0..1023

// 1024 / count rounded to the nearest integer, ties to even; 0 for no points.
int PointStep(int pointCount);

// Visits the codes of a sweep of `pointCount` points in increasing order:
// 0, s, 2s, ... while the code is at most 1023.
template <typename Visit>
void ForEachSlot(int pointCount, Visit visit) {
  const int step = PointStep(pointCount);
  if (step <= 0) return;
  for (int i = 0; i <= 1023; i += step) visit(i);
}

}  // namespace kvt

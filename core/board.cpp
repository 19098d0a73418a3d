#include "core/board.h"

namespace kvt {

BoardCounts CountPoints(const Board& board) {
  BoardCounts counts;
  for (const TestPoint& point : board.points) {
    ++counts.points;
    if (point.knownGood) ++counts.captured;
    if (point.latest && point.latest->verdict != PointVerdict::Untested) {
      ++counts.tested;
      if (point.latest->verdict == PointVerdict::Fail) ++counts.failed;
    }
  }
  return counts;
}

}  // namespace kvt

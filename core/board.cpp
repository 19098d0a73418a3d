#include "core/board.h"

#include <algorithm>
#include <cmath>

namespace kvt {

const char* VerdictName(PointVerdict verdict) {
  switch (verdict) {
    case PointVerdict::Pass: return "pass";
    case PointVerdict::Fail: return "fail";
    case PointVerdict::Untested: break;
  }
  return "untested";
}

std::optional<PointVerdict> VerdictNamed(std::string_view name) {
  for (const PointVerdict verdict : {PointVerdict::Untested, PointVerdict::Pass, PointVerdict::Fail})
    if (name == VerdictName(verdict)) return verdict;
  return std::nullopt;
}

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

void PlaceUnplacedPoints(Board& board, double width, double height) {
  constexpr int PerRow = 10;
  const auto unplaced = std::count_if(board.points.begin(), board.points.end(),
                                      [](const TestPoint& p) { return !p.x || !p.y; });
  if (unplaced == 0 || width <= 0 || height <= 0) return;
  const int columns = static_cast<int>(std::min<long>(unplaced, PerRow));
  const int rows = static_cast<int>((unplaced + PerRow - 1) / PerRow);
  // Rows a twelfth of the photo apart, closer when that many would not fit.
  const double rowStep = std::min(height / 12, height * 0.88 / rows);
  // A slot a point already holds (one added by hand lands where the last
  // one did) moves on along its row, then up a row, until it is clear.
  const double apart = std::min(width, height) / 40;
  const auto taken = [&](double x, double y) {
    return std::any_of(board.points.begin(), board.points.end(), [&](const TestPoint& p) {
      return p.x && p.y && std::hypot(*p.x - x, *p.y - y) < apart;
    });
  };
  int n = 0;
  for (TestPoint& point : board.points) {
    if (point.x && point.y) continue;
    const int row = n / PerRow, column = n % PerRow;
    double x = width * (column + 1) / (columns + 1);
    double y = height * 0.94 - row * rowStep;
    for (int tries = 0; tries < 400 && taken(x, y); ++tries) {
      x += width / 20;
      if (x > width * 0.97) {
        x = width / 20;
        y = std::max(height * 0.03, y - rowStep);
      }
    }
    point.x = x;
    point.y = y;
    ++n;
  }
}

}  // namespace kvt

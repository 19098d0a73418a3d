// The board model: the verdicts' names, and where a new board's points go
// on its photo.
#include "core/board.h"

#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <string>

namespace kvt {
namespace {

TEST(VerdictName, EachVerdictHasItsOwnWordAndIsReadBack) {
  const struct {
    PointVerdict verdict;
    const char* name;
  } rows[] = {{PointVerdict::Pass, "pass"}, {PointVerdict::Fail, "fail"}, {PointVerdict::Untested, "untested"}};
  for (const auto& row : rows) {
    EXPECT_STREQ(VerdictName(row.verdict), row.name);
    EXPECT_EQ(VerdictNamed(row.name), row.verdict) << row.name;
  }
  for (const char* other : {"", "PASS", "passed", "fail ", "no known-good curve"})
    EXPECT_FALSE(VerdictNamed(other).has_value()) << '"' << other << '"';
}

Board WithPoints(int count) {
  Board board;
  for (int i = 0; i < count; ++i) {
    TestPoint point;
    point.name = "P" + std::to_string(i + 1);
    board.points.push_back(point);
  }
  return board;
}

TEST(PlaceUnplacedPoints, NewPointsLieApartOnThePhotoInReadingOrderFromTheBottom) {
  const struct {
    const char* name;
    int points;
    double width, height;
    int rows;
  } cases[] = {
      {"one point", 1, 800, 500, 1},         {"a few", 3, 800, 500, 1},
      {"one full row", 10, 800, 500, 1},     {"a row and one", 11, 800, 500, 2},
      {"twenty", 20, 640, 480, 2},           {"a hundred", 100, 800, 500, 10},
      {"more rows than fit", 250, 400, 300, 25}, {"tall photo", 20, 300, 1200, 2},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Board board = WithPoints(c.points);
    PlaceUnplacedPoints(board, c.width, c.height);
    std::set<double> rowYs;
    const double apart = std::min(c.width, c.height) / 100;
    for (std::size_t i = 0; i < board.points.size(); ++i) {
      const TestPoint& p = board.points[i];
      ASSERT_TRUE(p.x && p.y) << p.name;
      EXPECT_GT(*p.x, 0.03 * c.width) << p.name;
      EXPECT_LT(*p.x, 0.97 * c.width) << p.name;
      EXPECT_GT(*p.y, 0.03 * c.height) << p.name;
      EXPECT_LT(*p.y, 0.97 * c.height) << p.name;
      rowYs.insert(*p.y);
      for (std::size_t j = 0; j < i; ++j) {
        const TestPoint& q = board.points[j];
        EXPECT_GT(std::hypot(*p.x - *q.x, *p.y - *q.y), apart) << p.name << " on " << q.name;
        // Left to right in a row, each row above the one before.
        EXPECT_TRUE(*p.y < *q.y || (*p.y == *q.y && *p.x > *q.x)) << p.name << " after " << q.name;
      }
    }
    EXPECT_EQ(static_cast<int>(rowYs.size()), c.rows);
    // The first row along the lower margin.
    EXPECT_GT(*board.points.front().y, 0.85 * c.height);
  }
}

TEST(PlaceUnplacedPoints, LeavesPlacedPointsAndBoardsWithoutAPhotoAlone) {
  Board board = WithPoints(3);
  board.points[1].x = 12;
  board.points[1].y = 34;
  PlaceUnplacedPoints(board, 800, 500);
  EXPECT_EQ(board.points[1].x, 12);
  EXPECT_EQ(board.points[1].y, 34);
  ASSERT_TRUE(board.points[0].x && board.points[2].x);
  // The two new ones share the row as if the placed one were not there.
  EXPECT_EQ(*board.points[0].y, *board.points[2].y);
  EXPECT_DOUBLE_EQ(*board.points[0].x, 800.0 / 3);
  EXPECT_DOUBLE_EQ(*board.points[2].x, 1600.0 / 3);

  // Points added one at a time, each placed before the next: never stacked.
  Board added = WithPoints(0);
  for (int i = 0; i < 25; ++i) {
    added.points.push_back(TestPoint{});
    PlaceUnplacedPoints(added, 800, 500);
  }
  for (std::size_t i = 0; i < added.points.size(); ++i)
    for (std::size_t j = 0; j < i; ++j)
      EXPECT_GT(std::hypot(*added.points[i].x - *added.points[j].x, *added.points[i].y - *added.points[j].y), 10)
          << i << " on " << j;

  for (const auto& [width, height] : {std::pair{0.0, 500.0}, std::pair{800.0, 0.0}, std::pair{-1.0, -1.0}}) {
    Board none = WithPoints(2);
    PlaceUnplacedPoints(none, width, height);
    EXPECT_FALSE(none.points[0].x || none.points[0].y) << width << " x " << height;
  }
}

}  // namespace
}  // namespace kvt

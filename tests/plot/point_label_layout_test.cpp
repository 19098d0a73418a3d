// The names of a board's points laid out beside their markers: in crowded
// arrangements none covers another name or any marker, and a name set apart
// from its marker is joined to it by a line that crosses no other marker.
#include "plot/point_label_layout.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <numbers>
#include <string>
#include <vector>

namespace kvt {
namespace {

constexpr double Radius = 9;
const QSizeF Name(40, 18);
const QRectF Bounds(0, 0, 600, 400);

std::vector<LabelMarker> Row(int count, double x0, double y, double step, QSizeF name = Name) {
  std::vector<LabelMarker> markers;
  for (int i = 0; i < count; ++i) markers.push_back({QPointF(x0 + i * step, y), Radius, name});
  return markers;
}

std::vector<LabelMarker> Grid(int columns, int rows, QPointF origin, double step) {
  std::vector<LabelMarker> markers;
  for (int r = 0; r < rows; ++r)
    for (int c = 0; c < columns; ++c) markers.push_back({origin + QPointF(c * step, r * step), Radius, Name});
  return markers;
}

// What a readable layout holds: each name free, inside the bounds, clear of
// every marker and name, and beside its marker or joined to it.
void ExpectReadable(const std::vector<LabelMarker>& markers, const std::vector<LabelPlace>& places,
                    const std::string& name) {
  ASSERT_EQ(places.size(), markers.size()) << name;
  for (std::size_t i = 0; i < places.size(); ++i) {
    const QRectF& box = places[i].box;
    const std::string which = name + ", label " + std::to_string(i);
    EXPECT_FALSE(places[i].crowded) << which;
    EXPECT_TRUE(Bounds.contains(box)) << which;
    EXPECT_EQ(box.size(), markers[i].label) << which;
    for (std::size_t j = 0; j < places.size(); ++j) {
      EXPECT_FALSE(DiscMeetsRect(markers[j].centre, markers[j].radius, box)) << which << " on marker " << j;
      if (j == i) continue;
      EXPECT_FALSE(box.intersects(places[j].box)) << which << " on label " << j;
      if (places[i].leader) {
        EXPECT_FALSE(SegmentMeetsDisc(LeaderStart(markers[i], box), LeaderEnd(markers[i], box), markers[j].centre,
                                      markers[j].radius))
            << which << "'s leader across marker " << j;
      }
    }
    // Beside its marker unless a leader joins them.
    const QPointF end = LeaderEnd(markers[i], box);
    const double distance = std::hypot(end.x() - markers[i].centre.x(), end.y() - markers[i].centre.y());
    if (!places[i].leader) {
      EXPECT_LT(distance, markers[i].radius + Name.height()) << which;
    }
  }
}

TEST(BoardLabelLayout, CrowdedArrangementsKeepEveryNameClear) {
  const struct {
    const char* name;
    std::function<std::vector<LabelMarker>()> markers;
  } rows[] = {
      {"twenty in a row, closer than a name is wide", [] { return Row(20, 60, 200, 24); }},
      {"two rows along the lower margin", [] {
         auto markers = Row(10, 50, 376, 50);
         for (auto& m : Row(10, 50, 346, 50)) markers.push_back(m);
         return markers;
       }},
      {"a tight grid", [] { return Grid(5, 4, QPointF(200, 150), 26); }},
      {"markers touching in pairs", [] {
         std::vector<LabelMarker> markers;
         for (int i = 0; i < 6; ++i) {
           markers.push_back({QPointF(80 + 80 * i, 120), Radius, Name});
           markers.push_back({QPointF(80 + 80 * i, 120 + 2 * Radius + 1), Radius, Name});
         }
         return markers;
       }},
      {"in the corners and along the edges", [] {
         return std::vector<LabelMarker>{{QPointF(4, 4), Radius, Name},       {QPointF(596, 4), Radius, Name},
                                         {QPointF(4, 396), Radius, Name},     {QPointF(596, 396), Radius, Name},
                                         {QPointF(300, 2), Radius, Name},     {QPointF(300, 398), Radius, Name},
                                         {QPointF(2, 200), Radius, Name},     {QPointF(598, 200), Radius, Name},
                                         {QPointF(320, 398), Radius, Name}, {QPointF(598, 380), Radius, Name}};
       }},
      {"long names in a column", [] {
         std::vector<LabelMarker> markers;
         for (int i = 0; i < 12; ++i) markers.push_back({QPointF(300, 80 + 20 * i), Radius, QSizeF(110, 18)});
         return markers;
       }},
      {"a cluster round a selected marker's ring", [] {
         std::vector<LabelMarker> markers{{QPointF(300, 200), Radius * 1.9 + 2, Name}};
         for (int i = 0; i < 8; ++i) {
           const double angle = i * std::numbers::pi / 4;
           markers.push_back({QPointF(300 + 42 * std::cos(angle), 200 + 42 * std::sin(angle)), Radius, Name});
         }
         return markers;
       }},
  };
  for (const auto& row : rows) {
    const std::vector<LabelMarker> markers = row.markers();
    ExpectReadable(markers, PlaceLabels(markers, Bounds), row.name);
  }
}

TEST(BoardLabelLayout, ALoneMarkersNameSitsRightOfItWithoutALeader) {
  const LabelMarker marker{QPointF(100, 100), Radius, Name};
  const LabelPlace place = PlaceLabels({marker}, Bounds).front();
  EXPECT_FALSE(place.leader);
  EXPECT_GT(place.box.left(), marker.centre.x() + Radius);
  EXPECT_LT(place.box.left(), marker.centre.x() + 2 * Radius);
  EXPECT_NEAR(place.box.center().y(), marker.centre.y(), 0.01);
  // At the right edge it goes to the left instead.
  const LabelMarker edge{QPointF(590, 100), Radius, Name};
  EXPECT_LT(PlaceLabels({edge}, Bounds).front().box.right(), edge.centre.x() - Radius);
}

TEST(BoardLabelLayout, TheNamesPutFirstTakeTheNearestPlaces) {
  // Both names want the place right of their markers, which overlap there.
  const std::vector<LabelMarker> markers{{QPointF(100, 100), Radius, Name}, {QPointF(100, 110), Radius, Name}};
  const auto right = [&](const LabelPlace& place, const LabelMarker& m) {
    return place.box.left() > m.centre.x() && std::abs(place.box.center().y() - m.centre.y()) < 0.01;
  };
  const std::vector<LabelPlace> plain = PlaceLabels(markers, Bounds);
  EXPECT_TRUE(right(plain[0], markers[0]));
  EXPECT_FALSE(right(plain[1], markers[1]));
  const std::vector<LabelPlace> second = PlaceLabels(markers, Bounds, {1});
  EXPECT_TRUE(right(second[1], markers[1]));
  EXPECT_FALSE(right(second[0], markers[0]));
  ExpectReadable(markers, second, "second first");
}

TEST(BoardLabelLayout, MoreNamesThanRoomStillGetAPlaceEach) {
  std::vector<LabelMarker> markers;
  for (int i = 0; i < 120; ++i) markers.push_back({QPointF(20 + (i % 12) * 10, 20 + (i / 12) * 10), 4, Name});
  const QRectF small(0, 0, 140, 140);
  const std::vector<LabelPlace> places = PlaceLabels(markers, small);
  ASSERT_EQ(places.size(), markers.size());
  int crowded = 0;
  for (const LabelPlace& place : places) {
    crowded += place.crowded;
    EXPECT_TRUE(small.contains(place.box));
  }
  EXPECT_GT(crowded, 0);
}

TEST(BoardLabelLayout, GeometryOfDiscsAndSegments) {
  const struct {
    const char* name;
    QPointF centre;
    double radius;
    QRectF rect;
    bool meets;
  } discs[] = {
      {"inside", {5, 5}, 1, {0, 0, 10, 10}, true},
      {"beside, apart", {15, 5}, 4, {0, 0, 10, 10}, false},
      {"beside, overlapping", {13, 5}, 4, {0, 0, 10, 10}, true},
      {"off a corner, apart", {13, 13}, 4, {0, 0, 10, 10}, false},  // 4.24 away
      {"off a corner, overlapping", {12, 12}, 4, {0, 0, 10, 10}, true},
  };
  for (const auto& d : discs) EXPECT_EQ(DiscMeetsRect(d.centre, d.radius, d.rect), d.meets) << d.name;

  const struct {
    const char* name;
    QPointF a, b;
    bool meets;
  } segments[] = {
      {"through the centre", {-10, 0}, {10, 0}, true},
      {"passing by", {-10, 6}, {10, 6}, false},
      {"stopping short", {-10, 0}, {-6, 0}, false},
      {"ending inside", {-10, 0}, {-4, 0}, true},
      {"a point outside", {7, 7}, {7, 7}, false},
  };
  for (const auto& s : segments) EXPECT_EQ(SegmentMeetsDisc(s.a, s.b, QPointF(0, 0), 5), s.meets) << s.name;
}

}  // namespace
}  // namespace kvt

#include "plot/point_label_layout.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

namespace kvt {

namespace {

// Rings of places tried around a marker before the least crowded is taken.
constexpr int Rings = 16;
// Room kept between a name and what it must not touch, in pixels.
constexpr double Clearance = 1.0;

// Right, left, above, below, then the corners: names read best beside
// their marker, so those come first.
constexpr int Directions[][2] = {{1, 0}, {-1, 0}, {0, -1}, {0, 1}, {1, -1}, {1, 1}, {-1, -1}, {-1, 1}};
// Further out, every 15 degrees: a leader between the markers of a dense
// grid leaves at an angle of its own.
constexpr int FarDirections = 24;

// Beside the marker towards (dx, dy), `gap` from its edge.
QRectF Beside(const LabelMarker& m, int dx, int dy, double gap) {
  const double w = m.label.width(), h = m.label.height();
  const double reach = m.radius + gap;
  const double left = dx > 0 ? m.centre.x() + reach : dx < 0 ? m.centre.x() - reach - w : m.centre.x() - w / 2;
  const double top = dy > 0 ? m.centre.y() + reach : dy < 0 ? m.centre.y() - reach - h : m.centre.y() - h / 2;
  return {left, top, w, h};
}

// Away from the marker at `angle`, its near side or corner `gap` from the edge.
QRectF Away(const LabelMarker& m, double angle, double gap) {
  const double w = m.label.width(), h = m.label.height();
  const double c = std::cos(angle), s = std::sin(angle);
  const QPointF anchor = m.centre + QPointF(c, s) * (m.radius + gap);
  const double left = c > 0.25 ? anchor.x() : c < -0.25 ? anchor.x() - w : anchor.x() - w / 2;
  const double top = s > 0.25 ? anchor.y() : s < -0.25 ? anchor.y() - h : anchor.y() - h / 2;
  return {left, top, w, h};
}

double Overlap(const QRectF& a, const QRectF& b) {
  const QRectF both = a.intersected(b);
  return both.isValid() ? both.width() * both.height() : 0.0;
}

}  // namespace

bool DiscMeetsRect(QPointF centre, double radius, const QRectF& rect) {
  const double nearestX = std::clamp(centre.x(), rect.left(), rect.right());
  const double nearestY = std::clamp(centre.y(), rect.top(), rect.bottom());
  return std::hypot(centre.x() - nearestX, centre.y() - nearestY) < radius;
}

bool SegmentMeetsDisc(QPointF a, QPointF b, QPointF centre, double radius) {
  const QPointF ab = b - a;
  const double length2 = QPointF::dotProduct(ab, ab);
  const double t = length2 > 0 ? std::clamp(QPointF::dotProduct(centre - a, ab) / length2, 0.0, 1.0) : 0.0;
  const QPointF nearest = a + t * ab;
  return std::hypot(nearest.x() - centre.x(), nearest.y() - centre.y()) < radius;
}

QPointF LeaderEnd(const LabelMarker& marker, const QRectF& box) {
  return {std::clamp(marker.centre.x(), box.left(), box.right()),
          std::clamp(marker.centre.y(), box.top(), box.bottom())};
}

QPointF LeaderStart(const LabelMarker& marker, const QRectF& box) {
  const QPointF towards = LeaderEnd(marker, box) - marker.centre;
  const double length = std::hypot(towards.x(), towards.y());
  if (length <= 0) return marker.centre;
  return marker.centre + towards * (marker.radius / length);
}

std::vector<LabelPlace> PlaceLabels(const std::vector<LabelMarker>& markers, const QRectF& bounds,
                                    const std::vector<std::size_t>& priority) {
  std::vector<std::size_t> order;
  std::vector<bool> listed(markers.size(), false);
  for (const std::size_t i : priority)
    if (i < markers.size() && !listed[i]) order.push_back(i), listed[i] = true;
  for (std::size_t i = 0; i < markers.size(); ++i)
    if (!listed[i]) order.push_back(i);

  std::vector<LabelPlace> places(markers.size());
  std::vector<QRectF> taken;
  for (const std::size_t i : order) {
    const LabelMarker& m = markers[i];
    const bool fits = m.label.width() <= bounds.width() && m.label.height() <= bounds.height();
    const double step = std::max(m.label.height() * 0.75, m.radius);
    double leastCrowding = std::numeric_limits<double>::infinity();
    LabelPlace best;
    const auto consider = [&](const QRectF& box, bool leader) {
      if (fits && !bounds.contains(box)) return false;
      const QRectF padded = box.adjusted(-Clearance, -Clearance, Clearance, Clearance);
      double crowding = 0;
      bool free = true;
      for (const LabelMarker& other : markers) {
        if (!DiscMeetsRect(other.centre, other.radius, padded)) continue;
        free = false;
        crowding += Overlap(padded, QRectF(other.centre - QPointF(other.radius, other.radius),
                                           QSizeF(2 * other.radius, 2 * other.radius)));
      }
      for (const QRectF& other : taken) {
        if (!padded.intersects(other)) continue;
        free = false;
        crowding += Overlap(padded, other);
      }
      // A leader crossing another marker would point at the wrong one.
      if (leader)
        for (std::size_t j = 0; j < markers.size() && free; ++j)
          if (j != i && SegmentMeetsDisc(LeaderStart(m, box), LeaderEnd(m, box), markers[j].centre, markers[j].radius))
            free = false;
      if (free) {
        best = {box, leader, false};
        return true;
      }
      if (crowding < leastCrowding) {
        leastCrowding = crowding;
        best = {box, leader, true};
      }
      return false;
    };
    bool found = false;
    for (const auto& [dx, dy] : Directions)
      if ((found = consider(Beside(m, dx, dy, m.radius * 0.35), false))) break;
    for (int ring = 1; ring <= Rings && !found; ++ring)
      for (int k = 0; k < FarDirections && !found; ++k)
        found = consider(Away(m, 2 * std::numbers::pi * k / FarDirections, m.radius * 0.35 + ring * step), true);
    if (best.box.isNull()) best = {Beside(m, 1, 0, m.radius * 0.35), false, true};  // fits nowhere in bounds
    taken.push_back(best.box);
    places[i] = best;
  }
  return places;
}

}  // namespace kvt

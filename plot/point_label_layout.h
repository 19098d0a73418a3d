#pragma once
// Where the names of a board's points go beside their markers: never over
// another name or any marker, next to their own marker where there is room,
// else further out with a leader line back to it. Plain geometry, so the
// photo view draws what this decides and the tests check it without a widget.
#include <QPointF>
#include <QRectF>
#include <QSizeF>
#include <cstddef>
#include <vector>

namespace kvt {

struct LabelMarker {
  QPointF centre;
  double radius = 0;  // all that is drawn of the marker, ring and outline included
  QSizeF label;       // the name's plate
};

struct LabelPlace {
  QRectF box;
  // Set apart from its marker: a line from the marker to the box says whose.
  bool leader = false;
  // No free place was found: the box overlaps as little as could be found.
  bool crowded = false;
};

// One place per marker, in the markers' order. Labels are placed in
// `priority` order (indices into `markers`; the rest follow in their own
// order), the first taking the places nearest their markers. Every box lies
// within `bounds` when it fits there at all.
std::vector<LabelPlace> PlaceLabels(const std::vector<LabelMarker>& markers, const QRectF& bounds,
                                    const std::vector<std::size_t>& priority = {});

// The end of a leader line on its marker's edge and on the box's edge.
QPointF LeaderStart(const LabelMarker& marker, const QRectF& box);
QPointF LeaderEnd(const LabelMarker& marker, const QRectF& box);

// Whether a disc and a rectangle share any area; for the tests as well.
bool DiscMeetsRect(QPointF centre, double radius, const QRectF& rect);
// Whether the segment from `a` to `b` passes within `radius` of `centre`.
bool SegmentMeetsDisc(QPointF a, QPointF b, QPointF centre, double radius);

}  // namespace kvt

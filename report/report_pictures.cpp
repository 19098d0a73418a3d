#include "report/report_pictures.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <vector>

#include "plot/plot_export.h"
#include "plot/plot_renderer.h"
#include "plot/point_label_layout.h"

namespace kvt {

namespace {

unsigned MarkColour(const TestPoint& point) {
  if (!point.latest || point.latest->verdict == PointVerdict::Untested) return MarkUntestedColour;
  return point.latest->verdict == PointVerdict::Fail ? MarkFailColour : MarkPassColour;
}

bool Fails(const TestPoint& point) { return point.latest && point.latest->verdict == PointVerdict::Fail; }

}  // namespace

QImage MarkedPhoto(const QImage& photo, const Board& board, int maxWidth, const QFont& font) {
  if (photo.isNull()) return {};
  const double scale = photo.width() > maxWidth ? static_cast<double>(maxWidth) / photo.width() : 1.0;
  QImage image = photo.convertToFormat(QImage::Format_RGB32)
                     .scaled(std::max(1, qRound(photo.width() * scale)), std::max(1, qRound(photo.height() * scale)),
                             Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
  const double radius = std::max(9.0, image.width() / 60.0);
  QFont label = font;
  label.setPixelSize(std::max(11, qRound(radius * 1.2)));
  label.setBold(true);

  std::vector<const TestPoint*> order;
  for (const TestPoint& point : board.points)
    if (point.x && point.y) order.push_back(&point);
  // Failing points drawn last, over any neighbour's circle.
  std::stable_partition(order.begin(), order.end(), [](const TestPoint* p) { return !Fails(*p); });

  // Names clear of every circle and of each other, failing points' first.
  const QFontMetricsF metrics(label);
  std::vector<LabelMarker> markers;
  for (const TestPoint* point : order)
    markers.push_back({QPointF(*point->x * scale, *point->y * scale), radius * 1.2,
                       QSizeF(metrics.horizontalAdvance(QString::fromStdString(point->name)), metrics.ascent())});
  std::vector<std::size_t> priority;
  for (std::size_t i = 0; i < order.size(); ++i)
    if (Fails(*order[i])) priority.push_back(i);
  const std::vector<LabelPlace> places = PlaceLabels(markers, QRectF(image.rect()), priority);

  QPainter painter(&image);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setFont(label);
  for (std::size_t i = 0; i < order.size(); ++i) {
    const TestPoint* point = order[i];
    const QColor colour = QColor::fromRgb(MarkColour(*point));
    const QPointF centre(*point->x * scale, *point->y * scale);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(Qt::white, radius / 2.5));
    painter.drawEllipse(centre, radius, radius);
    painter.setPen(QPen(colour, radius / 4));
    painter.drawEllipse(centre, radius, radius);
    if (places[i].leader) {
      painter.setPen(QPen(colour, 1.5));
      painter.drawLine(LeaderStart(markers[i], places[i].box), LeaderEnd(markers[i], places[i].box));
    }
    // The name on a white outline, readable on any part of a board.
    QPainterPath text;
    text.addText(places[i].box.bottomLeft(), label, QString::fromStdString(point->name));
    painter.setPen(QPen(Qt::white, 3));
    painter.drawPath(text);
    painter.fillPath(text, colour);
  }
  return image;
}

QImage PointPlot(const TestPoint& point, const PointPlotStyle& style) {
  PlotPicture picture;
  picture.plot = style.plot;
  picture.plot.controls.smoothing = false;
  picture.font = style.font;
  picture.decimalSeparator = style.decimalSeparator;
  picture.size = style.size;
  if (point.knownGood) picture.references.push_back({"", PairsOf(*point.knownGood), ReferenceColour(0), 2});
  if (point.latest) picture.curve = point.latest->curve;
  return PlotImage(picture);
}

}  // namespace kvt

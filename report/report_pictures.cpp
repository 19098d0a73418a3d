#include "report/report_pictures.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <map>
#include <vector>

#include "plot/plot_export.h"
#include "plot/plot_renderer.h"

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
  std::stable_partition(order.begin(), order.end(), [](const TestPoint* p) { return !Fails(*p); });

  // Each name where it covers no circle and no name placed before: right of
  // its circle, else above, below or left of it, failing points' names first.
  std::vector<QRectF> taken;
  for (const TestPoint* point : order)
    taken.emplace_back(*point->x * scale - radius, *point->y * scale - radius, 2 * radius, 2 * radius);
  const QFontMetricsF metrics(label);
  std::map<const TestPoint*, QPointF> baseline;
  for (auto it = order.rbegin(); it != order.rend(); ++it) {
    const QString name = QString::fromStdString((*it)->name);
    const QPointF centre(*(*it)->x * scale, *(*it)->y * scale);
    const QSizeF size(metrics.horizontalAdvance(name), metrics.ascent());
    const double gap = radius * 1.25;
    const QPointF corners[] = {centre + QPointF(gap, -size.height() / 2),
                               centre + QPointF(-size.width() / 2, -gap - size.height()),
                               centre + QPointF(-size.width() / 2, gap),
                               centre + QPointF(-gap - size.width(), -size.height() / 2),
                               centre + QPointF(-size.width() / 2, -gap - 2.2 * size.height()),
                               centre + QPointF(-size.width() / 2, gap + 1.2 * size.height())};
    QRectF chosen(corners[0], size);
    for (const QPointF& corner : corners) {
      const QRectF box(corner, size);
      if (std::none_of(taken.begin(), taken.end(), [&](const QRectF& t) { return t.intersects(box); })) {
        chosen = box;
        break;
      }
    }
    taken.push_back(chosen);
    baseline[*it] = chosen.bottomLeft();
  }

  QPainter painter(&image);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setFont(label);
  for (const TestPoint* point : order) {
    const QColor colour = QColor::fromRgb(MarkColour(*point));
    const QPointF centre(*point->x * scale, *point->y * scale);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(Qt::white, radius / 2.5));
    painter.drawEllipse(centre, radius, radius);
    painter.setPen(QPen(colour, radius / 4));
    painter.drawEllipse(centre, radius, radius);
    // The name on a white outline, readable on any part of a board.
    QPainterPath text;
    const QString name = QString::fromStdString(point->name);
    text.addText(baseline[point], label, name);
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

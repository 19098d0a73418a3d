#include "ui/board_photo_view.h"

#include <QFontMetricsF>
#include <QMouseEvent>
#include <QPainter>
#include <algorithm>
#include <cmath>

namespace kvt {

namespace {

QColor VerdictColour(const TestPoint& point) {
  if (point.latest && point.latest->verdict == PointVerdict::Pass) return QColor(0, 170, 0);
  if (point.latest && point.latest->verdict == PointVerdict::Fail) return QColor(220, 0, 0);
  if (point.knownGood) return QColor(0, 90, 220);  // captured, not tested
  return QColor(150, 150, 150);
}

}  // namespace

BoardPhotoView::BoardPhotoView(QWidget* parent) : QWidget(parent) {
  setMinimumSize(240, 180);
  setMouseTracking(false);
}

void BoardPhotoView::SetPhoto(const QPixmap& photo) {
  photo_ = photo;
  update();
}

void BoardPhotoView::SetBoard(const Board* board, int selected) {
  board_ = board;
  selected_ = selected;
  update();
}

QRectF BoardPhotoView::PhotoRect() const {
  if (photo_.isNull()) return {};
  const QSizeF fitted = QSizeF(photo_.size()).scaled(QSizeF(size()), Qt::KeepAspectRatio);
  return {QPointF((width() - fitted.width()) / 2, (height() - fitted.height()) / 2), fitted};
}

QPointF BoardPhotoView::ToWidget(double photoX, double photoY) const {
  const QRectF r = PhotoRect();
  if (r.isEmpty()) return {};
  const double scale = r.width() / photo_.width();
  return {r.left() + photoX * scale, r.top() + photoY * scale};
}

QPointF BoardPhotoView::ToPhoto(QPointF widgetPoint) const {
  const QRectF r = PhotoRect();
  if (r.isEmpty()) return {};
  const double scale = photo_.width() / r.width();
  return {(widgetPoint.x() - r.left()) * scale, (widgetPoint.y() - r.top()) * scale};
}

double BoardPhotoView::MarkerRadius() const { return std::max(6.0, std::min(width(), height()) / 60.0); }

std::optional<int> BoardPhotoView::PointAt(QPointF widgetPoint) const {
  if (!board_ || photo_.isNull()) return std::nullopt;
  // The last drawn lies on top, so it is the one taken.
  for (int i = static_cast<int>(board_->points.size()) - 1; i >= 0; --i) {
    const TestPoint& p = board_->points[static_cast<std::size_t>(i)];
    if (!p.x || !p.y) continue;
    const QPointF at = ToWidget(*p.x, *p.y);
    if (std::hypot(at.x() - widgetPoint.x(), at.y() - widgetPoint.y()) <= MarkerRadius() * 1.5) return i;
  }
  return std::nullopt;
}

QFont BoardPhotoView::LabelFont() const {
  QFont label = font();
  label.setBold(true);
  label.setPixelSize(static_cast<int>(std::lround(MarkerRadius() * 1.6)));
  return label;
}

BoardPhotoView::PointLabels BoardPhotoView::Labels() const {
  PointLabels labels;
  if (!board_ || photo_.isNull()) return labels;
  const double radius = MarkerRadius();
  const QFontMetricsF metrics(LabelFont());
  // The selected point's name first, then failing points', nearest their
  // markers; the ring around the selected one is kept clear too.
  std::vector<std::size_t> priority;
  for (std::size_t i = 0; i < board_->points.size(); ++i) {
    const TestPoint& p = board_->points[i];
    if (!p.x || !p.y) continue;
    const bool selected = static_cast<int>(i) == selected_;
    const QRectF text = metrics.boundingRect(QString::fromStdString(p.name));
    if (selected)
      priority.insert(priority.begin(), labels.points.size());
    else if (p.latest && p.latest->verdict == PointVerdict::Fail)
      priority.push_back(labels.points.size());
    labels.points.push_back(i);
    labels.markers.push_back({ToWidget(*p.x, *p.y), selected ? radius * 1.9 + 2 : radius + 1,
                              QSizeF(text.width() + 8, text.height() + 4)});
  }
  labels.places = PlaceLabels(labels.markers, QRectF(rect()), priority);
  return labels;
}

void BoardPhotoView::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.fillRect(rect(), QColor(40, 40, 40));
  if (photo_.isNull()) return;
  painter.drawPixmap(PhotoRect(), photo_, QRectF(photo_.rect()));
  if (!board_) return;
  const double radius = MarkerRadius();
  painter.setFont(LabelFont());
  const PointLabels labels = Labels();
  const std::vector<std::size_t>& drawn = labels.points;
  const std::vector<LabelMarker>& markers = labels.markers;
  const std::vector<LabelPlace>& places = labels.places;
  for (std::size_t k = 0; k < drawn.size(); ++k) {
    const QPointF at = markers[k].centre;
    const bool selected = static_cast<int>(drawn[k]) == selected_;
    painter.setPen(QPen(Qt::white, selected ? 4 : 2));
    painter.setBrush(VerdictColour(board_->points[drawn[k]]));
    painter.drawEllipse(at, radius, radius);
    if (selected) {
      painter.setPen(QPen(QColor(255, 220, 0), 3));
      painter.setBrush(Qt::NoBrush);
      painter.drawEllipse(at, radius * 1.9, radius * 1.9);
    }
  }
  for (std::size_t k = 0; k < drawn.size(); ++k) {
    const LabelPlace& place = places[k];
    const bool selected = static_cast<int>(drawn[k]) == selected_;
    if (place.leader) {
      painter.setPen(QPen(QColor(0, 0, 0, 200), 3));
      painter.drawLine(LeaderStart(markers[k], place.box), LeaderEnd(markers[k], place.box));
      painter.setPen(QPen(selected ? QColor(255, 220, 0) : Qt::white, 1.5));
      painter.drawLine(LeaderStart(markers[k], place.box), LeaderEnd(markers[k], place.box));
    }
    // The name on a dark plate, readable on any photo.
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0, 0, 0, 170));
    painter.drawRoundedRect(place.box, 3, 3);
    painter.setPen(selected ? QColor(255, 220, 0) : Qt::white);
    painter.drawText(place.box, Qt::AlignCenter, QString::fromStdString(board_->points[drawn[k]].name));
  }
}

void BoardPhotoView::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton || photo_.isNull()) return;
  const QPointF at = event->position();
  if (const auto hit = PointAt(at)) {
    dragging_ = hit;
    emit PointPressed(*hit);
    return;
  }
  if (!PhotoRect().contains(at)) return;
  const QPointF photo = ToPhoto(at);
  emit AddRequested(photo.x(), photo.y());
}

void BoardPhotoView::mouseMoveEvent(QMouseEvent* event) {
  if (!dragging_ || !(event->buttons() & Qt::LeftButton)) return;
  const QRectF r = PhotoRect();
  // Kept on the photo: a point dragged off it would be lost from view.
  const QPointF at(std::clamp(event->position().x(), r.left(), r.right()),
                   std::clamp(event->position().y(), r.top(), r.bottom()));
  const QPointF photo = ToPhoto(at);
  emit PointMoved(*dragging_, photo.x(), photo.y());
}

void BoardPhotoView::mouseReleaseEvent(QMouseEvent*) { dragging_.reset(); }

}  // namespace kvt

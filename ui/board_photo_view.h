#pragma once
// The board's photo with its test points drawn on it, scaled to the widget
// with its proportions kept: a click on the photo adds a point, a point
// dragged moves, the selected one is ringed. Points are coloured by their
// latest verdict.
#include <QPixmap>
#include <QWidget>
#include <optional>
#include <vector>

#include "core/board.h"
#include "plot/point_label_layout.h"

namespace kvt {

class BoardPhotoView : public QWidget {
  Q_OBJECT
 public:
  explicit BoardPhotoView(QWidget* parent = nullptr);

  void SetPhoto(const QPixmap& photo);
  bool HasPhoto() const { return !photo_.isNull(); }
  QSize PhotoSize() const { return photo_.size(); }
  // The points to draw; the board must outlive the next call.
  void SetBoard(const Board* board, int selected);

  // Photo pixels to widget pixels and back, for the photo as drawn now.
  QPointF ToWidget(double photoX, double photoY) const;
  QPointF ToPhoto(QPointF widgetPoint) const;
  // The point drawn under `widgetPoint`, if any.
  std::optional<int> PointAt(QPointF widgetPoint) const;
  // Marker radius in widget pixels: grows with the widget, never unreadably small.
  double MarkerRadius() const;

  // The names as drawn: the placed points (indices into the board), their
  // markers and where their names go, in widget pixels.
  struct PointLabels {
    std::vector<std::size_t> points;
    std::vector<LabelMarker> markers;
    std::vector<LabelPlace> places;
  };
  PointLabels Labels() const;
  QFont LabelFont() const;

 signals:
  void AddRequested(double photoX, double photoY);
  void PointPressed(int index);
  void PointMoved(int index, double photoX, double photoY);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  QRectF PhotoRect() const;

  QPixmap photo_;
  const Board* board_ = nullptr;
  int selected_ = -1;
  std::optional<int> dragging_;
};

}  // namespace kvt

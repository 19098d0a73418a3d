#include "ui/picture_box.h"

#include <QPainter>
#include <QResizeEvent>

namespace kvt {

PictureBox::PictureBox(QWidget* parent, Colour background) : QWidget(parent), picture_(background, font()) {
  picture_.OnChanged([this] { update(); });
  // A new picture takes the widget's present size even when the resize
  // event has not arrived yet (a widget that is not shown).
  picture_.FollowSize([this] { return size(); });
  setAttribute(Qt::WA_OpaquePaintEvent);
}

void PictureBox::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  const qreal ratio = devicePixelRatioF();
  if (ratio > 1)
    painter.drawImage(0, 0, picture_.SharpImage(ratio));
  else
    painter.drawImage(0, 0, picture_.Image());
}

void PictureBox::resizeEvent(QResizeEvent* event) { picture_.Resize(event->size()); }

void PictureBox::changeEvent(QEvent* event) {
  if (event->type() == QEvent::FontChange) picture_.SetFont(font());
  QWidget::changeEvent(event);
}

}  // namespace kvt

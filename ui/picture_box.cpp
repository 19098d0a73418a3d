#include "ui/picture_box.h"

#include <QPainter>
#include <QResizeEvent>

namespace kvt {

PictureBox::PictureBox(QWidget* parent, Colour background) : QWidget(parent), surface_(QSize(1, 1), background) {
  surface_.SetFont(font());
  setAttribute(Qt::WA_OpaquePaintEvent);
}

void PictureBox::SetBackground(Colour colour) {
  // Clearing starts a new picture: take the widget's present size even when
  // the resize event has not arrived yet (a widget that is not shown).
  surface_.SetBackground(colour, size());
  Changed();
}

void PictureBox::Line(double x1, double y1, double x2, double y2, Colour colour) {
  surface_.Line(x1, y1, x2, y2, colour);
  Changed();
}

void PictureBox::Point(double x, double y, Colour colour) {
  surface_.Point(x, y, colour);
  Changed();
}

void PictureBox::Text(double x, double y, std::string_view text) {
  surface_.Text(x, y, text);
  Changed();
}

void PictureBox::FilledBox(double x1, double y1, double x2, double y2, Colour colour) {
  surface_.FilledBox(x1, y1, x2, y2, colour);
  Changed();
}

void PictureBox::Circle(double cx, double cy, double radius, Colour outline, std::optional<Colour> fill) {
  surface_.Circle(cx, cy, radius, outline, fill);
  Changed();
}

void PictureBox::BeginBatch() {
  ++batchDepth_;
  surface_.BeginBatch();
}

void PictureBox::EndBatch() {
  surface_.EndBatch();
  if (batchDepth_ > 0 && --batchDepth_ == 0) update();
}

void PictureBox::Changed() {
  if (batchDepth_ == 0) update();
}

void PictureBox::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.drawImage(0, 0, surface_.Image());
}

void PictureBox::resizeEvent(QResizeEvent* event) { surface_.Resize(event->size()); }

void PictureBox::changeEvent(QEvent* event) {
  if (event->type() == QEvent::FontChange) surface_.SetFont(font());
  QWidget::changeEvent(event);
}

}  // namespace kvt

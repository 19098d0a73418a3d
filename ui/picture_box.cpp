#include "ui/picture_box.h"

#include <QPainter>
#include <QResizeEvent>

#include "plot/painter_surface.h"

namespace kvt {

PictureBox::PictureBox(QWidget* parent, Colour background) : QWidget(parent), surface_(QSize(1, 1), background) {
  surface_.SetFont(font());
  record_.SetBackground(background);
  record_.SetFont(font());
  setAttribute(Qt::WA_OpaquePaintEvent);
}

void PictureBox::SetBackground(Colour colour) {
  // Clearing starts a new picture: take the widget's present size even when
  // the resize event has not arrived yet (a widget that is not shown).
  surface_.SetBackground(colour, size());
  record_.SetBackground(colour);
  Changed();
}

void PictureBox::SetTextColour(Colour colour) {
  surface_.SetTextColour(colour);
  record_.SetTextColour(colour);
}

void PictureBox::SetPenWidth(int width) {
  surface_.SetPenWidth(width);
  record_.SetPenWidth(width);
}

void PictureBox::Line(double x1, double y1, double x2, double y2, Colour colour) {
  surface_.Line(x1, y1, x2, y2, colour);
  record_.Line(x1, y1, x2, y2, colour);
  Changed();
}

void PictureBox::Point(double x, double y, Colour colour) {
  surface_.Point(x, y, colour);
  record_.Point(x, y, colour);
  Changed();
}

void PictureBox::Text(double x, double y, std::string_view text) {
  surface_.Text(x, y, text);
  record_.Text(x, y, text);
  Changed();
}

void PictureBox::FilledBox(double x1, double y1, double x2, double y2, Colour colour) {
  surface_.FilledBox(x1, y1, x2, y2, colour);
  record_.FilledBox(x1, y1, x2, y2, colour);
  Changed();
}

void PictureBox::Circle(double cx, double cy, double radius, Colour outline, std::optional<Colour> fill) {
  surface_.Circle(cx, cy, radius, outline, fill);
  record_.Circle(cx, cy, radius, outline, fill);
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

QImage PictureBox::SharpImage(qreal ratio) {
  const QImage& plain = surface_.Image();
  if (!record_.Complete() || !(ratio > 0)) return plain;
  const QSize size(qRound(plain.width() * ratio), qRound(plain.height() * ratio));
  Sharp& s = sharp_;
  const bool same = s.ratio == ratio && s.image.size() == size && s.picture == record_.Picture() &&
                    s.calls <= record_.Size();
  if (same && s.calls == record_.Size()) return s.image;
  if (!same) {
    // Never drawn at this size and ratio, or a new picture since: from the start.
    s.image = QImage(size, QImage::Format_RGB32);
    s.image.setDevicePixelRatio(ratio);
    s.calls = 0;
  }
  {
    // Calls added to the same picture since the last rendering go on top of
    // it. No smoothing: a shape drawn again in the background colour (the
    // dial erasing its needle) must cover exactly what it covered before.
    QPainter painter(&s.image);
    PainterSurface target(painter, plain.size(), font(), PainterSurface::Strokes::OnPixels);
    record_.Replay(target, [&target](const QFont& f) { target.SetFont(f); }, s.calls);
  }
  s.ratio = ratio;
  s.picture = record_.Picture();
  s.calls = record_.Size();
  return s.image;
}

void PictureBox::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  const qreal ratio = devicePixelRatioF();
  if (ratio > 1)
    painter.drawImage(0, 0, SharpImage(ratio));
  else
    painter.drawImage(0, 0, surface_.Image());
}

void PictureBox::resizeEvent(QResizeEvent* event) {
  if (event->size().expandedTo(QSize(1, 1)) != surface_.Image().size()) record_.Cropped(surface_.Image().size());
  surface_.Resize(event->size());
}

void PictureBox::changeEvent(QEvent* event) {
  if (event->type() == QEvent::FontChange) {
    surface_.SetFont(font());
    record_.SetFont(font());
  }
  QWidget::changeEvent(event);
}

}  // namespace kvt

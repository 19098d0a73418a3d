#include "plot/picture_box.h"

#include <QFontMetrics>
#include <QPainter>
#include <QResizeEvent>
#include <algorithm>
#include <cmath>

QColor ToQColor(Colour colour) { return QColor(RedOf(colour), GreenOf(colour), BlueOf(colour)); }

namespace {

// Whole-pixel drawing: no antialiasing, square pen ends so that a line whose
// ends coincide still paints one dot of the pen width.
void Prepare(QPainter& painter, Colour colour, int width) {
  painter.setRenderHint(QPainter::Antialiasing, false);
  QPen pen(ToQColor(colour));
  pen.setWidth(width);
  pen.setCapStyle(width > 1 ? Qt::SquareCap : Qt::FlatCap);
  pen.setJoinStyle(Qt::MiterJoin);
  painter.setPen(pen);
}

// Coordinates far outside the picture are clamped so the painter never sees
// numbers it cannot represent; such lines are invisible either way.
double Tame(double v) { return std::isfinite(v) ? std::clamp(v, -1.0e6, 1.0e6) : 0.0; }

}  // namespace

PictureBox::PictureBox(QWidget* parent, Colour background)
    : QWidget(parent), image_(1, 1, QImage::Format_RGB32), background_(background) {
  image_.fill(ToQColor(background_));
  setAttribute(Qt::WA_OpaquePaintEvent);
}

void PictureBox::SetBackground(Colour colour) {
  background_ = colour;
  image_.fill(ToQColor(colour));
  update();
}

void PictureBox::Line(double x1, double y1, double x2, double y2, Colour colour) {
  QPainter painter(&image_);
  Prepare(painter, colour, penWidth_);
  const QPointF a(Tame(x1), Tame(y1));
  const QPointF b(Tame(x2), Tame(y2));
  if (a == b) {
    if (penWidth_ > 1)
      painter.fillRect(QRectF(a.x() - penWidth_ / 2.0 + 0.5, a.y() - penWidth_ / 2.0 + 0.5, penWidth_, penWidth_)
                           .toAlignedRect(),
                       ToQColor(colour));
    else
      painter.drawPoint(a);
  } else {
    painter.drawLine(a, b);
  }
  update();
}

void PictureBox::Point(double x, double y, Colour colour) {
  QPainter painter(&image_);
  Prepare(painter, colour, 1);
  painter.drawPoint(QPointF(Tame(x), Tame(y)));
  update();
}

void PictureBox::Text(double x, double y, std::string_view text) {
  QPainter painter(&image_);
  painter.setFont(font());
  painter.setPen(ToQColor(textColour_));
  const QFontMetrics metrics(font());
  painter.drawText(QPointF(Tame(x), Tame(y) + metrics.ascent()),
                   QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
  update();
}

void PictureBox::FilledBox(double x1, double y1, double x2, double y2, Colour colour) {
  QPainter painter(&image_);
  painter.fillRect(QRectF(QPointF(Tame(x1), Tame(y1)), QPointF(Tame(x2), Tame(y2))).normalized(), ToQColor(colour));
  update();
}

void PictureBox::Circle(double cx, double cy, double radius, Colour outline, std::optional<Colour> fill) {
  QPainter painter(&image_);
  Prepare(painter, outline, penWidth_);
  if (fill)
    painter.setBrush(ToQColor(*fill));
  else
    painter.setBrush(Qt::NoBrush);
  painter.drawEllipse(QPointF(Tame(cx), Tame(cy)), radius, radius);
  update();
}

void PictureBox::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.drawImage(0, 0, image_);
}

void PictureBox::resizeEvent(QResizeEvent* event) {
  const QSize size = event->size().expandedTo(QSize(1, 1));
  if (size == image_.size()) return;
  QImage resized(size, QImage::Format_RGB32);
  resized.fill(ToQColor(background_));
  QPainter painter(&resized);
  painter.drawImage(0, 0, image_);
  painter.end();
  image_ = resized;
}

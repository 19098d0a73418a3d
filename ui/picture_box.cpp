#include "ui/picture_box.h"

#include <QFontMetrics>
#include <QPainter>
#include <QResizeEvent>
#include <algorithm>
#include <cmath>

namespace kvt {

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

bool Finite(double a, double b) { return std::isfinite(a) && std::isfinite(b); }

// Text in whole pixels of the one colour, like the lines.
QFont PlainFont(QFont font) {
  font.setStyleStrategy(QFont::NoAntialias);
  return font;
}

}  // namespace

PictureBox::PictureBox(QWidget* parent, Colour background)
    : QWidget(parent), image_(1, 1, QImage::Format_RGB32), background_(background) {
  image_.fill(ToQColor(background_));
  setAttribute(Qt::WA_OpaquePaintEvent);
}

void PictureBox::SetBackground(Colour colour) {
  background_ = colour;
  // Clearing starts a new picture: take the widget's present size even when
  // the resize event has not arrived yet (a widget that is not shown).
  const QSize size = this->size().expandedTo(QSize(1, 1));
  if (size != image_.size()) image_ = QImage(size, QImage::Format_RGB32);
  image_.fill(ToQColor(colour));
  update();
}

void PictureBox::Line(double x1, double y1, double x2, double y2, Colour colour) {
  // A line without a place to start or end has nothing to show.
  if (!Finite(x1, y1) || !Finite(x2, y2)) return;
  QPainter painter(&image_);
  Prepare(painter, colour, penWidth_);
  const QPointF a(Tame(x1), Tame(y1));
  const QPointF b(Tame(x2), Tame(y2));
  if (a == b) {
    // One dot of the pen width, on the pixels a wide line through the same
    // point covers (a 2-pixel line at y covers the rows y - 1 and y).
    const int x = static_cast<int>(std::floor(a.x())) - penWidth_ / 2;
    const int y = static_cast<int>(std::floor(a.y())) - penWidth_ / 2;
    painter.fillRect(QRect(x, y, penWidth_, penWidth_), ToQColor(colour));
  } else {
    painter.drawLine(a, b);
  }
  update();
}

void PictureBox::Point(double x, double y, Colour colour) {
  if (!Finite(x, y)) return;
  QPainter painter(&image_);
  Prepare(painter, colour, 1);
  painter.drawPoint(QPointF(Tame(x), Tame(y)));
  update();
}

void PictureBox::Text(double x, double y, std::string_view text) {
  if (!Finite(x, y)) return;
  QPainter painter(&image_);
  const QFont plain = PlainFont(font());
  painter.setFont(plain);
  painter.setRenderHint(QPainter::TextAntialiasing, false);
  painter.setPen(ToQColor(textColour_));
  const QFontMetrics metrics(plain);
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

}  // namespace kvt

#include "plot/image_surface.h"

#include <QFontMetrics>
#include <QPainter>
#include <algorithm>
#include <cmath>

namespace kvt {

namespace {

QColor ToQColor(Colour colour) { return QColor(RedOf(colour), GreenOf(colour), BlueOf(colour)); }

// Coordinates far outside the picture are clamped so the painter never sees
// numbers it cannot represent; such lines are invisible either way.
double Tame(double v) { return std::isfinite(v) ? std::clamp(v, -1.0e6, 1.0e6) : 0.0; }

bool Finite(double a, double b) { return std::isfinite(a) && std::isfinite(b); }

}  // namespace

ImageSurface::ImageSurface(QSize size, Colour background)
    : image_(size.expandedTo(QSize(1, 1)), QImage::Format_RGB32), background_(background) {
  image_.fill(ToQColor(background_));
  SetFont(QFont());
}

ImageSurface::~ImageSurface() = default;

void ImageSurface::Resize(QSize size) {
  size = size.expandedTo(QSize(1, 1));
  if (size == image_.size()) return;
  ClosePainter();
  QImage resized(size, QImage::Format_RGB32);
  resized.fill(ToQColor(background_));
  QPainter painter(&resized);
  painter.drawImage(0, 0, image_);
  painter.end();
  image_ = resized;
}

void ImageSurface::SetBackground(Colour colour, QSize size) {
  size = size.expandedTo(QSize(1, 1));
  if (size != image_.size()) {
    ClosePainter();
    image_ = QImage(size, QImage::Format_RGB32);
  }
  SetBackground(colour);
}

void ImageSurface::SetBackground(Colour colour) {
  background_ = colour;
  image_.fill(ToQColor(colour));
}

void ImageSurface::SetFont(const QFont& font) {
  // Text in whole pixels of the one colour, like the lines.
  font_ = font;
  font_.setStyleStrategy(QFont::NoAntialias);
  ascent_ = QFontMetrics(font_).ascent();
  texts_.clear();
  fontSet_ = false;
}

void ImageSurface::BeginBatch() { ++batchDepth_; }

void ImageSurface::EndBatch() {
  if (batchDepth_ > 0 && --batchDepth_ == 0) ClosePainter();
}

QPainter& ImageSurface::Painter() {
  if (!painter_) {
    painter_ = std::make_unique<QPainter>(&image_);
    // Whole-pixel drawing.
    painter_->setRenderHint(QPainter::Antialiasing, false);
    painter_->setRenderHint(QPainter::TextAntialiasing, false);
    pen_ = PenState{};
    brush_.reset();
    fontSet_ = false;
  }
  return *painter_;
}

void ImageSurface::Done() {
  if (batchDepth_ == 0) ClosePainter();
}

void ImageSurface::ClosePainter() { painter_.reset(); }

void ImageSurface::UsePen(Colour colour, int width) {
  if (pen_.width == width && pen_.colour == colour) return;
  // Square ends on wide pens so that a line whose ends coincide still paints
  // one dot of the pen width.
  QPen pen(ToQColor(colour));
  pen.setWidth(width);
  pen.setCapStyle(width > 1 ? Qt::SquareCap : Qt::FlatCap);
  pen.setJoinStyle(Qt::MiterJoin);
  painter_->setPen(pen);
  pen_ = PenState{colour, width};
}

void ImageSurface::UseBrush(std::optional<Colour> fill) {
  if (brush_ && *brush_ == fill) return;
  if (fill)
    painter_->setBrush(ToQColor(*fill));
  else
    painter_->setBrush(Qt::NoBrush);
  brush_ = fill;
}

void ImageSurface::Line(double x1, double y1, double x2, double y2, Colour colour) {
  // A line without a place to start or end has nothing to show.
  if (!Finite(x1, y1) || !Finite(x2, y2)) return;
  QPainter& painter = Painter();
  const QPointF a(Tame(x1), Tame(y1));
  const QPointF b(Tame(x2), Tame(y2));
  if (a == b) {
    // One dot of the pen width, on the pixels a wide line through the same
    // point covers (a 2-pixel line at y covers the rows y - 1 and y).
    const int x = static_cast<int>(std::floor(a.x())) - penWidth_ / 2;
    const int y = static_cast<int>(std::floor(a.y())) - penWidth_ / 2;
    painter.fillRect(QRect(x, y, penWidth_, penWidth_), ToQColor(colour));
  } else {
    UsePen(colour, penWidth_);
    painter.drawLine(a, b);
  }
  Done();
}

void ImageSurface::Point(double x, double y, Colour colour) {
  if (!Finite(x, y)) return;
  QPainter& painter = Painter();
  UsePen(colour, 1);
  painter.drawPoint(QPointF(Tame(x), Tame(y)));
  Done();
}

void ImageSurface::Text(double x, double y, std::string_view text) {
  if (!Finite(x, y)) return;
  QPainter& painter = Painter();
  if (!fontSet_) {
    painter.setFont(font_);
    fontSet_ = true;
  }
  UsePen(textColour_, 1);
  const QString string = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
  // Positions are the top-left corner of the text; the painter's the baseline.
  painter.drawText(QPointF(Tame(x), Tame(y) + ascent_), string);
  Done();
}

void ImageSurface::FilledBox(double x1, double y1, double x2, double y2, Colour colour) {
  QPainter& painter = Painter();
  painter.fillRect(QRectF(QPointF(Tame(x1), Tame(y1)), QPointF(Tame(x2), Tame(y2))).normalized(), ToQColor(colour));
  Done();
}

void ImageSurface::Circle(double cx, double cy, double radius, Colour outline, std::optional<Colour> fill) {
  QPainter& painter = Painter();
  UsePen(outline, penWidth_);
  UseBrush(fill);
  painter.drawEllipse(QPointF(Tame(cx), Tame(cy)), radius, radius);
  Done();
}

}  // namespace kvt

#include "plot/painter_surface.h"

#include <QFontMetrics>
#include <QPainter>
#include <algorithm>
#include <cmath>

namespace kvt {

namespace {

QColor ToColor(Colour c) { return QColor(RedOf(c), GreenOf(c), BlueOf(c)); }

// Far-off coordinates are clamped so the painter never sees numbers it cannot
// represent; such shapes are invisible either way.
double Tame(double v) { return std::clamp(v, -1.0e6, 1.0e6); }

}  // namespace

PainterSurface::PainterSurface(QPainter& painter, QSize size, const QFont& font, Strokes strokes)
    : painter_(painter), size_(size), strokes_(strokes) {
  SetFont(font);
}

void PainterSurface::SetFont(const QFont& font) {
  QFont plain = font;
  plain.setStyleStrategy(QFont::NoAntialias);
  painter_.setFont(plain);
  ascent_ = QFontMetrics(plain).ascent();
}

double PainterSurface::Shift() const {
  // An odd-width stroke on the image covers its coordinate's pixel and the
  // same number on either side, so its middle is half a pixel further on;
  // an even-width one is centred on the coordinate itself.
  return strokes_ == Strokes::OnPixels && width_ % 2 == 1 ? 0.5 : 0.0;
}

void PainterSurface::SetBackground(Colour colour) {
  background_ = colour;
  painter_.fillRect(QRect(QPoint(0, 0), size_), ToColor(colour));
}

void PainterSurface::Line(double x1, double y1, double x2, double y2, Colour colour) {
  if (!std::isfinite(x1 + y1 + x2 + y2)) return;
  if (strokes_ == Strokes::OnPixels && x1 == x2 && y1 == y2) {
    // The image's dot of the pen width, which a painter leaves out for a
    // line without length.
    const double x = std::floor(Tame(x1)) - width_ / 2, y = std::floor(Tame(y1)) - width_ / 2;
    painter_.fillRect(QRectF(x, y, width_, width_), ToColor(colour));
    return;
  }
  const double s = Shift();
  painter_.setPen(QPen(ToColor(colour), width_, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
  painter_.drawLine(QPointF(Tame(x1) + s, Tame(y1) + s), QPointF(Tame(x2) + s, Tame(y2) + s));
}

void PainterSurface::Point(double x, double y, Colour colour) {
  if (std::isfinite(x + y)) painter_.fillRect(QRectF(Tame(x), Tame(y), 1, 1), ToColor(colour));
}

void PainterSurface::Text(double x, double y, std::string_view text) {
  if (!std::isfinite(x + y)) return;
  painter_.setPen(ToColor(text_));
  painter_.drawText(QPointF(Tame(x), Tame(y) + ascent_),
                    QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
}

void PainterSurface::FilledBox(double x1, double y1, double x2, double y2, Colour colour) {
  if (!std::isfinite(x1 + y1 + x2 + y2)) return;
  painter_.fillRect(QRectF(QPointF(Tame(x1), Tame(y1)), QPointF(Tame(x2), Tame(y2))).normalized(), ToColor(colour));
}

void PainterSurface::Circle(double cx, double cy, double radius, Colour outline, std::optional<Colour> fill) {
  if (!std::isfinite(cx + cy + radius)) return;
  const double s = Shift();
  painter_.setPen(QPen(ToColor(outline), width_));
  painter_.setBrush(fill ? QBrush(ToColor(*fill)) : QBrush());
  painter_.drawEllipse(QPointF(Tame(cx) + s, Tame(cy) + s), Tame(radius), Tame(radius));
}

}  // namespace kvt

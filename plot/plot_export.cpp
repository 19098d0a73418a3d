#include "plot/plot_export.h"

#include <QBuffer>
#include <QFontMetrics>
#include <QImageWriter>
#include <QPainter>
#include <QSvgGenerator>
#include <algorithm>
#include <cmath>
#include <unordered_map>

#include "plot/image_surface.h"

namespace kvt {

namespace {

QColor ToColor(Colour c) { return QColor(RedOf(c), GreenOf(c), BlueOf(c)); }

// Draws straight onto a painter, for vector output: the same shapes and
// text positions as the image surface, without its pixel work.
class PainterSurface : public DrawSurface {
 public:
  PainterSurface(QPainter& painter, QSize size, const QFont& font) : painter_(painter), size_(size) {
    QFont plain = font;
    plain.setStyleStrategy(QFont::NoAntialias);
    painter_.setFont(plain);
    ascent_ = QFontMetrics(plain).ascent();
  }
  void SetBackground(Colour colour) override {
    background_ = colour;
    painter_.fillRect(QRect(QPoint(0, 0), size_), ToColor(colour));
  }
  Colour Background() const override { return background_; }
  void SetTextColour(Colour colour) override { text_ = colour; }
  double InnerWidth() const override { return size_.width(); }
  double InnerHeight() const override { return size_.height(); }
  void SetPenWidth(int width) override { width_ = std::max(width, 1); }
  void Line(double x1, double y1, double x2, double y2, Colour colour) override {
    if (!std::isfinite(x1 + y1 + x2 + y2)) return;
    QPen pen(ToColor(colour), width_, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin);
    painter_.setPen(pen);
    painter_.drawLine(QPointF(x1, y1), QPointF(x2, y2));
  }
  void Point(double x, double y, Colour colour) override {
    if (std::isfinite(x + y)) painter_.fillRect(QRectF(x, y, 1, 1), ToColor(colour));
  }
  void Text(double x, double y, std::string_view text) override {
    painter_.setPen(ToColor(text_));
    painter_.drawText(QPointF(x, y + ascent_), QString::fromUtf8(text.data(), static_cast<int>(text.size())));
  }
  void FilledBox(double x1, double y1, double x2, double y2, Colour colour) override {
    painter_.fillRect(QRectF(QPointF(x1, y1), QPointF(x2, y2)).normalized(), ToColor(colour));
  }
  void Circle(double cx, double cy, double radius, Colour outline, std::optional<Colour> fill) override {
    painter_.setPen(QPen(ToColor(outline), width_));
    painter_.setBrush(fill ? QBrush(ToColor(*fill)) : QBrush());
    painter_.drawEllipse(QPointF(cx, cy), radius, radius);
  }

 private:
  QPainter& painter_;
  QSize size_;
  int ascent_ = 0;
  int width_ = 1;
  Colour background_ = 0;
  Colour text_ = 0;
};

}  // namespace

QImage PlotImage(const PlotPicture& picture) {
  ImageSurface surface(picture.size);
  surface.SetFont(picture.font);
  DrawPlot(surface, picture.settings, picture.points, picture.controls, picture.decimalSeparator,
           picture.references);
  return surface.Image();
}

std::optional<QByteArray> IndexedPng(const QImage& image) {
  // An exact palette: every colour of the image gets its own entry.
  QList<QRgb> palette;
  std::unordered_map<QRgb, uchar> index;
  QImage indexed(image.size(), QImage::Format_Indexed8);
  // Most pixels repeat their left neighbour's colour: look up only changes.
  QRgb last = 0;
  uchar lastIndex = 0;
  bool haveLast = false;
  const int width = image.width(), height = image.height();
  for (int y = 0; y < height; ++y) {
    const auto* in = reinterpret_cast<const QRgb*>(image.constScanLine(y));
    uchar* out = indexed.scanLine(y);
    for (int x = 0; x < width; ++x) {
      const QRgb colour = in[x] | 0xFF000000u;
      if (!haveLast || colour != last) {
        auto [it, added] = index.try_emplace(colour, static_cast<uchar>(palette.size()));
        if (added) {
          if (palette.size() == 256) return std::nullopt;
          palette.push_back(colour);
        }
        last = colour;
        lastIndex = it->second;
        haveLast = true;
      }
      out[x] = lastIndex;
    }
  }
  indexed.setColorTable(palette);
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  QImageWriter writer(&buffer, "png");
  writer.setQuality(80);  // zlib level 1: quick, and the palette keeps the file small
  if (!writer.write(indexed)) return std::nullopt;
  return bytes;
}

QByteArray PlotSvg(const PlotPicture& picture) {
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  QSvgGenerator generator;
  generator.setOutputDevice(&buffer);
  generator.setSize(picture.size);
  generator.setViewBox(QRect(QPoint(0, 0), picture.size));
  generator.setTitle(QStringLiteral("I-V curve"));
  QPainter painter(&generator);
  PainterSurface surface(painter, picture.size, picture.font);
  DrawPlot(surface, picture.settings, picture.points, picture.controls, picture.decimalSeparator,
           picture.references);
  painter.end();
  return bytes;
}

}  // namespace kvt

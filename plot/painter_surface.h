#pragma once
// Draws straight onto any painter: the same shapes and text positions as the
// image surface, without its whole-pixel work. Vector files draw through it,
// and so do sharp renderings of a picture at more device pixels per pixel.
#include <QFont>
#include <QSize>

#include "core/draw_surface.h"

class QPainter;

namespace kvt {

class PainterSurface : public DrawSurface {
 public:
  // Where strokes lie. OnCoordinates: centred on the given coordinates, as a
  // vector drawing has them. OnPixels: on the pixels the image surface paints
  // for the same call (a 1-pixel line at y covers the row from y to y + 1), so
  // a rendering with more device pixels lines up with the image.
  enum class Strokes { OnCoordinates, OnPixels };

  PainterSurface(QPainter& painter, QSize size, const QFont& font, Strokes strokes = Strokes::OnCoordinates);

  void SetFont(const QFont& font);

  void SetBackground(Colour colour) override;
  Colour Background() const override { return background_; }
  void SetTextColour(Colour colour) override { text_ = colour; }
  double InnerWidth() const override { return size_.width(); }
  double InnerHeight() const override { return size_.height(); }
  void SetPenWidth(int width) override { width_ = width < 1 ? 1 : width; }
  void Line(double x1, double y1, double x2, double y2, Colour colour) override;
  void Point(double x, double y, Colour colour) override;
  void Text(double x, double y, std::string_view text) override;
  void FilledBox(double x1, double y1, double x2, double y2, Colour colour) override;
  void Circle(double cx, double cy, double radius, Colour outline, std::optional<Colour> fill) override;

 private:
  // How far strokes move to lie on the image surface's pixels.
  double Shift() const;

  QPainter& painter_;
  QSize size_;
  Strokes strokes_;
  int ascent_ = 0;
  int width_ = 1;
  Colour background_ = 0;
  Colour text_ = 0;
};

}  // namespace kvt

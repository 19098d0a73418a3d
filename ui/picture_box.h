#pragma once
// A widget that keeps its drawing in an image: it survives being covered, and
// the image is what gets copied to the clipboard.
#include <QImage>
#include <QWidget>

#include "core/draw_surface.h"

namespace kvt {

class PictureBox : public QWidget, public DrawSurface {
  Q_OBJECT
 public:
  explicit PictureBox(QWidget* parent = nullptr, Colour background = MakeColour(255, 255, 255));

  const QImage& Image() const { return image_; }

  void SetBackground(Colour colour) override;
  Colour Background() const override { return background_; }
  void SetTextColour(Colour colour) override { textColour_ = colour; }
  double InnerWidth() const override { return image_.width(); }
  double InnerHeight() const override { return image_.height(); }
  void SetPenWidth(int width) override { penWidth_ = width < 1 ? 1 : width; }
  void Line(double x1, double y1, double x2, double y2, Colour colour) override;
  void Point(double x, double y, Colour colour) override;
  void Text(double x, double y, std::string_view text) override;
  void FilledBox(double x1, double y1, double x2, double y2, Colour colour) override;
  void Circle(double cx, double cy, double radius, Colour outline, std::optional<Colour> fill) override;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  QImage image_;
  Colour background_;
  Colour textColour_ = 0;
  int penWidth_ = 1;
};

QColor ToQColor(Colour colour);

}  // namespace kvt

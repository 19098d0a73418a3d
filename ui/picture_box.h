#pragma once
// A widget that keeps its drawing in an image: it survives being covered, and
// the image is what gets copied to the clipboard. The pixels come from an
// ImageSurface in the widget's font.
#include <QWidget>

#include "plot/image_surface.h"

namespace kvt {

class PictureBox : public QWidget, public DrawSurface {
  Q_OBJECT
 public:
  explicit PictureBox(QWidget* parent = nullptr, Colour background = MakeColour(255, 255, 255));

  const QImage& Image() const { return surface_.Image(); }

  void SetBackground(Colour colour) override;
  Colour Background() const override { return surface_.Background(); }
  void SetTextColour(Colour colour) override { surface_.SetTextColour(colour); }
  double InnerWidth() const override { return surface_.InnerWidth(); }
  double InnerHeight() const override { return surface_.InnerHeight(); }
  void SetPenWidth(int width) override { surface_.SetPenWidth(width); }
  void Line(double x1, double y1, double x2, double y2, Colour colour) override;
  void Point(double x, double y, Colour colour) override;
  void Text(double x, double y, std::string_view text) override;
  void FilledBox(double x1, double y1, double x2, double y2, Colour colour) override;
  void Circle(double cx, double cy, double radius, Colour outline, std::optional<Colour> fill) override;
  void BeginBatch() override;
  void EndBatch() override;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  // Asks for a repaint, once per batch.
  void Changed();

  ImageSurface surface_;
  int batchDepth_ = 0;
};

}  // namespace kvt

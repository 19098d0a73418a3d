#pragma once
// A widget that keeps its drawing in an image: it survives being covered, and
// the image is what gets copied to the clipboard. The pixels come from an
// ImageSurface in the widget's font. On a screen with more device pixels per
// pixel the same drawing calls are drawn again at that density, so the
// picture is sharp there while the image stays what it is.
#include <QWidget>
#include <cstdint>

#include "plot/drawing_record.h"
#include "plot/image_surface.h"

namespace kvt {

class PictureBox : public QWidget, public DrawSurface {
  Q_OBJECT
 public:
  explicit PictureBox(QWidget* parent = nullptr, Colour background = MakeColour(255, 255, 255));

  const QImage& Image() const { return surface_.Image(); }
  // The picture drawn again at `ratio` device pixels per pixel: an image of
  // the size times `ratio` that knows its ratio. Kept until the picture, its
  // size or the ratio changes. The plain image when the drawing calls are no
  // longer all known.
  QImage SharpImage(qreal ratio);
  const DrawingRecord& Record() const { return record_; }

  void SetBackground(Colour colour) override;
  Colour Background() const override { return surface_.Background(); }
  void SetTextColour(Colour colour) override;
  double InnerWidth() const override { return surface_.InnerWidth(); }
  double InnerHeight() const override { return surface_.InnerHeight(); }
  void SetPenWidth(int width) override;
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
  DrawingRecord record_;
  int batchDepth_ = 0;

  // The last sharp rendering and what it was made from.
  struct Sharp {
    QImage image;
    qreal ratio = 0;
    std::uint64_t picture = 0;
    std::size_t calls = 0;
  } sharp_;
};

}  // namespace kvt

#pragma once
// A drawing surface on a plain image, without any widget: the window's plot
// box draws through one, and so does anything that renders the plot to a
// file, so both get the same pixels.
#include <QFont>
#include <QImage>
#include <memory>

#include "core/draw_surface.h"

class QPainter;

namespace kvt {

class ImageSurface : public DrawSurface {
 public:
  explicit ImageSurface(QSize size = QSize(1, 1), Colour background = MakeColour(255, 255, 255));
  ~ImageSurface() override;
  ImageSurface(const ImageSurface&) = delete;
  ImageSurface& operator=(const ImageSurface&) = delete;

  const QImage& Image() const { return image_; }

  // Changes the size and keeps the drawing at the top-left; new parts show
  // the background.
  void Resize(QSize size);
  // Clears to `colour` at `size`: a new picture, so nothing is kept.
  void SetBackground(Colour colour, QSize size);

  // Texts are drawn in this font, always without antialiasing.
  void SetFont(const QFont& font);
  const QFont& Font() const { return font_; }

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
  void BeginBatch() override;
  void EndBatch() override;

 private:
  // A plot repeats a few shapes many times: the same short curve segments,
  // ticks and tick values. Each shape at whole-pixel coordinates is painted
  // once on a scratch image and its pixels kept as a stamp; later copies
  // write those pixels directly, which gives exactly what the painter would
  // give there. Anything else (fractions, shapes reaching over the edge)
  // goes to the painter, which stays open through a batch; outside one every
  // call opens and closes its own.
  QPainter& Painter();
  void Done();
  void ClosePainter();
  void UsePen(Colour colour, int width);
  void UseBrush(std::optional<Colour> fill);
  void UseFont();

  QImage image_;
  Colour background_;
  Colour textColour_ = 0;
  int penWidth_ = 1;
  // Writes the pixels of a stamp in `colour`, when all of them fall inside
  // the image; false leaves the drawing to the painter.
  struct Stamp;
  struct Stamps;
  bool Put(const Stamp& stamp, int x, int y, Colour colour);
  void FillPixels(QRect area, Colour colour);

  QFont font_;
  int ascent_ = 0;
  std::unique_ptr<Stamps> stamps_;

  std::unique_ptr<QPainter> painter_;
  int batchDepth_ = 0;
  // What the open painter has been given, to change only what differs.
  struct PenState {
    Colour colour = 0;
    int width = 0;  // 0: not set since the painter opened
  } pen_;
  std::optional<std::optional<Colour>> brush_;
  bool fontSet_ = false;
};

}  // namespace kvt

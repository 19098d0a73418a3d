#pragma once
// A drawing surface that keeps its picture: the whole-pixel image, which is
// what gets shown, copied and exported, and the drawing calls that made it,
// so the same picture can be drawn again sharp at more device pixels per
// pixel. Whoever shows it is told once per batch (or per call outside one)
// that the pixels changed.
#include <QFont>
#include <QImage>
#include <cstdint>
#include <functional>

#include "plot/drawing_record.h"
#include "plot/image_surface.h"

namespace kvt {

class KeptPicture : public DrawSurface {
 public:
  explicit KeptPicture(Colour background = MakeColour(255, 255, 255), const QFont& font = QFont());

  const QImage& Image() const { return surface_.Image(); }
  // The picture drawn again at `ratio` device pixels per pixel: an image of
  // the size times `ratio` that knows its ratio. Kept until the picture, its
  // size or the ratio changes. The plain image when the drawing calls are no
  // longer all known.
  QImage SharpImage(qreal ratio);
  const DrawingRecord& Record() const { return record_; }

  // Changes the size and keeps the drawing at the top-left; what a shrink
  // cut off stays gone when it grows again.
  void Resize(QSize size);
  // Texts from here on are drawn in this font.
  void SetFont(const QFont& font);
  const QFont& Font() const { return font_; }

  // Called when the pixels changed: once at the end of a batch, or after
  // each drawing call outside one.
  void OnChanged(std::function<void()> changed) { changed_ = std::move(changed); }
  // The size a new picture takes: the holder's present size, which can run
  // ahead of the last Resize (a widget that is not shown yet).
  void FollowSize(std::function<QSize()> size) { size_ = std::move(size); }

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

 private:
  // Tells the holder, once per batch.
  void Changed();
  void Notify();

  ImageSurface surface_;
  DrawingRecord record_;
  QFont font_;
  int batchDepth_ = 0;
  std::function<void()> changed_;
  std::function<QSize()> size_;

  // The last sharp rendering and what it was made from.
  struct Sharp {
    QImage image;
    qreal ratio = 0;
    std::uint64_t picture = 0;
    std::size_t calls = 0;
  } sharp_;
};

}  // namespace kvt

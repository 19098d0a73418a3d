#include "plot/kept_picture.h"

#include <QPainter>

#include "plot/painter_surface.h"

namespace kvt {

KeptPicture::KeptPicture(Colour background, const QFont& font) : surface_(QSize(1, 1), background), font_(font) {
  surface_.SetFont(font);
  record_.SetBackground(background);
  record_.SetFont(font);
}

void KeptPicture::SetBackground(Colour colour) {
  // Clearing starts a new picture: at the holder's present size when it
  // knows one.
  if (size_)
    surface_.SetBackground(colour, size_());
  else
    surface_.SetBackground(colour);
  record_.SetBackground(colour);
  Changed();
}

void KeptPicture::SetTextColour(Colour colour) {
  surface_.SetTextColour(colour);
  record_.SetTextColour(colour);
}

void KeptPicture::SetPenWidth(int width) {
  surface_.SetPenWidth(width);
  record_.SetPenWidth(width);
}

void KeptPicture::Line(double x1, double y1, double x2, double y2, Colour colour) {
  surface_.Line(x1, y1, x2, y2, colour);
  record_.Line(x1, y1, x2, y2, colour);
  Changed();
}

void KeptPicture::Point(double x, double y, Colour colour) {
  surface_.Point(x, y, colour);
  record_.Point(x, y, colour);
  Changed();
}

void KeptPicture::Text(double x, double y, std::string_view text) {
  surface_.Text(x, y, text);
  record_.Text(x, y, text);
  Changed();
}

void KeptPicture::FilledBox(double x1, double y1, double x2, double y2, Colour colour) {
  surface_.FilledBox(x1, y1, x2, y2, colour);
  record_.FilledBox(x1, y1, x2, y2, colour);
  Changed();
}

void KeptPicture::Circle(double cx, double cy, double radius, Colour outline, std::optional<Colour> fill) {
  surface_.Circle(cx, cy, radius, outline, fill);
  record_.Circle(cx, cy, radius, outline, fill);
  Changed();
}

void KeptPicture::BeginBatch() {
  ++batchDepth_;
  surface_.BeginBatch();
}

void KeptPicture::EndBatch() {
  surface_.EndBatch();
  if (batchDepth_ > 0 && --batchDepth_ == 0) Notify();
}

void KeptPicture::Changed() {
  if (batchDepth_ == 0) Notify();
}

void KeptPicture::Notify() {
  if (changed_) changed_();
}

void KeptPicture::Resize(QSize size) {
  if (size.expandedTo(QSize(1, 1)) != surface_.Image().size()) record_.Cropped(surface_.Image().size());
  surface_.Resize(size);
}

void KeptPicture::SetFont(const QFont& font) {
  font_ = font;
  surface_.SetFont(font);
  record_.SetFont(font);
}

QImage KeptPicture::SharpImage(qreal ratio) {
  const QImage& plain = surface_.Image();
  if (!record_.Complete() || !(ratio > 0)) return plain;
  const QSize size(qRound(plain.width() * ratio), qRound(plain.height() * ratio));
  Sharp& s = sharp_;
  const bool same = s.ratio == ratio && s.image.size() == size && s.picture == record_.Picture() &&
                    s.calls <= record_.Size();
  if (same && s.calls == record_.Size()) return s.image;
  if (!same) {
    // Never drawn at this size and ratio, or a new picture since: from the start.
    s.image = QImage(size, QImage::Format_RGB32);
    s.image.setDevicePixelRatio(ratio);
    s.calls = 0;
  }
  {
    // Calls added to the same picture since the last rendering go on top of
    // it. No smoothing: a shape drawn again in the background colour (the
    // dial erasing its needle) must cover exactly what it covered before.
    QPainter painter(&s.image);
    PainterSurface target(painter, plain.size(), font_, PainterSurface::Strokes::OnPixels);
    record_.Replay(target, [&target](const QFont& f) { target.SetFont(f); }, s.calls);
  }
  s.ratio = ratio;
  s.picture = record_.Picture();
  s.calls = record_.Size();
  return s.image;
}

}  // namespace kvt

#include "plot/image_surface.h"

#include <QFontMetrics>
#ifdef __linux__
#include <sys/mman.h>
#endif
#include <QPainter>
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <unordered_map>
#include <vector>

namespace kvt {

namespace {

// A full-screen picture is asked to live on huge pages: clearing and drawing
// it then costs a few page faults instead of thousands (the plot of a
// command-line render is drawn once into fresh memory).
QImage BlankImage(QSize size) {
  const qsizetype bytesPerLine = qsizetype{size.width()} * 4;
  const auto bytes = static_cast<std::size_t>(bytesPerLine) * static_cast<std::size_t>(size.height());
#ifdef __linux__
  constexpr std::size_t HugePage = std::size_t{2} << 20;
  if (bytes >= HugePage) {
    const std::size_t rounded = (bytes + HugePage - 1) / HugePage * HugePage;
    if (void* data = std::aligned_alloc(HugePage, rounded)) {
      ::madvise(data, rounded, MADV_HUGEPAGE);
      return QImage(static_cast<uchar*>(data), size.width(), size.height(), bytesPerLine, QImage::Format_RGB32,
                    [](void* memory) { std::free(memory); }, data);
    }
  }
#endif
  return QImage(size, QImage::Format_RGB32);
}

QColor ToQColor(Colour colour) { return QColor(RedOf(colour), GreenOf(colour), BlueOf(colour)); }

QRgb ToRgb(Colour colour) { return qRgb(RedOf(colour), GreenOf(colour), BlueOf(colour)); }

// Coordinates far outside the picture are clamped so the painter never sees
// numbers it cannot represent; such lines are invisible either way.
double Tame(double v) { return std::isfinite(v) ? std::clamp(v, -1.0e6, 1.0e6) : 0.0; }

bool Finite(double a, double b) { return std::isfinite(a) && std::isfinite(b); }

// Only for tamed values, which fit a long long.
bool Whole(double v) { return v == static_cast<double>(static_cast<long long>(v)); }

// Whole-pixel drawing: no antialiasing for shapes or text.
void PrepareWholePixels(QPainter& painter) {
  painter.setRenderHint(QPainter::Antialiasing, false);
  painter.setRenderHint(QPainter::TextAntialiasing, false);
}

// Square ends on wide pens so that a line whose ends coincide still paints
// one dot of the pen width.
QPen LinePen(const QColor& colour, int width) {
  QPen pen(colour);
  pen.setWidth(width);
  pen.setCapStyle(width > 1 ? Qt::SquareCap : Qt::FlatCap);
  pen.setJoinStyle(Qt::MiterJoin);
  return pen;
}

// Qt's one-pixel lines leave out their last pixel (a 7-pixel tick came out
// 6 long, arrow tips went missing); the plot's lines cover both ends.
void PaintLine(QPainter& painter, QPointF a, QPointF b, int width, const QColor& colour) {
  painter.drawLine(a, b);
  if (width != 1) return;
  for (const QPointF& end : {a, b})
    painter.fillRect(QRect(static_cast<int>(std::floor(end.x())), static_cast<int>(std::floor(end.y())), 1, 1), colour);
}

// Scratch images larger than this are not worth keeping as stamps.
constexpr qint64 kMaxScratchPixels = 1 << 18;
constexpr std::size_t kMaxStamps = 4096;

}  // namespace

struct ImageSurface::Stamp {
  bool usable = false;
  QRect bounds;                // of the pixels, relative to the anchor
  std::vector<QPoint> pixels;  // relative to the anchor

  // Takes the pixels painted in white on a black scratch image, relative to
  // `anchor`. Unusable when anything but plain white and black shows up, or
  // ink reaches the border (it may have been cut off).
  void CollectFrom(const QImage& scratch, QPoint anchor) {
    *this = {};
    const QRgb white = qRgb(255, 255, 255), black = qRgb(0, 0, 0);
    const int w = scratch.width(), h = scratch.height();
    for (int y = 0; y < h; ++y) {
      const QRgb* row = reinterpret_cast<const QRgb*>(scratch.constScanLine(y));
      for (int x = 0; x < w; ++x) {
        if (row[x] == black) continue;
        if (row[x] != white || x == 0 || y == 0 || x == w - 1 || y == h - 1) {
          *this = {};
          return;
        }
        pixels.emplace_back(x - anchor.x(), y - anchor.y());
      }
    }
    for (const QPoint& p : pixels) bounds |= QRect(p, QSize(1, 1));
    usable = true;
  }
};

struct ImageSurface::Stamps {
  std::unordered_map<std::uint64_t, Stamp> lines;  // by pen width and extent
  std::unordered_map<std::string, Stamp> texts;    // in the current font
};

ImageSurface::ImageSurface(QSize size, Colour background)
    : image_(BlankImage(size.expandedTo(QSize(1, 1)))), background_(background),
      stamps_(std::make_unique<Stamps>()) {
  image_.fill(ToQColor(background_));
  SetFont(QFont());
}

ImageSurface::~ImageSurface() = default;

void ImageSurface::Resize(QSize size) {
  size = size.expandedTo(QSize(1, 1));
  if (size == image_.size()) return;
  ClosePainter();
  QImage resized = BlankImage(size);
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
    image_ = BlankImage(size);
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
  stamps_->texts.clear();
  fontSet_ = false;
}

void ImageSurface::BeginBatch() { ++batchDepth_; }

void ImageSurface::EndBatch() {
  if (batchDepth_ > 0 && --batchDepth_ == 0) ClosePainter();
}

QPainter& ImageSurface::Painter() {
  if (!painter_) {
    painter_ = std::make_unique<QPainter>(&image_);
    PrepareWholePixels(*painter_);
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
  painter_->setPen(LinePen(ToQColor(colour), width));
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

void ImageSurface::UseFont() {
  if (fontSet_) return;
  painter_->setFont(font_);
  fontSet_ = true;
}

bool ImageSurface::Put(const Stamp& stamp, int x, int y, Colour colour) {
  if (!stamp.usable) return false;
  const QRect& b = stamp.bounds;
  if (x + b.left() < 0 || y + b.top() < 0 || x + b.right() >= image_.width() || y + b.bottom() >= image_.height())
    return false;
  // An open painter is no obstacle: copies taken while it paints are deep.
  uchar* bits = image_.bits();
  const qsizetype stride = image_.bytesPerLine();
  const QRgb rgb = ToRgb(colour);
  for (const QPoint& p : stamp.pixels) reinterpret_cast<QRgb*>(bits + (y + p.y()) * stride)[x + p.x()] = rgb;
  return true;
}

void ImageSurface::FillPixels(QRect area, Colour colour) {
  area &= image_.rect();
  if (area.isEmpty()) return;
  uchar* bits = image_.bits();
  const qsizetype stride = image_.bytesPerLine();
  const QRgb rgb = ToRgb(colour);
  for (int y = area.top(); y <= area.bottom(); ++y) {
    QRgb* row = reinterpret_cast<QRgb*>(bits + y * stride);
    std::fill(row + area.left(), row + area.right() + 1, rgb);
  }
}

void ImageSurface::Line(double x1, double y1, double x2, double y2, Colour colour) {
  // A line without a place to start or end has nothing to show.
  if (!Finite(x1, y1) || !Finite(x2, y2)) return;
  const QPointF a(Tame(x1), Tame(y1));
  const QPointF b(Tame(x2), Tame(y2));
  if (a == b) {
    // One dot of the pen width, on the pixels a wide line through the same
    // point covers (a 2-pixel line at y covers the rows y - 1 and y).
    const int x = static_cast<int>(std::floor(a.x())) - penWidth_ / 2;
    const int y = static_cast<int>(std::floor(a.y())) - penWidth_ / 2;
    FillPixels(QRect(x, y, penWidth_, penWidth_), colour);
    return;
  }
  if (Whole(a.x()) && Whole(a.y()) && Whole(b.x()) && Whole(b.y())) {
    const int x = static_cast<int>(a.x()), y = static_cast<int>(a.y());
    const int dx = static_cast<int>(b.x()) - x, dy = static_cast<int>(b.y()) - y;
    const std::uint64_t key = (static_cast<std::uint64_t>(static_cast<std::uint16_t>(penWidth_)) << 48) |
                              (static_cast<std::uint64_t>(static_cast<std::uint32_t>(dx) & 0xFFFFFF) << 24) |
                              (static_cast<std::uint32_t>(dy) & 0xFFFFFF);
    auto found = stamps_->lines.find(key);
    if (found == stamps_->lines.end()) {
      if (stamps_->lines.size() >= kMaxStamps) stamps_->lines.clear();
      Stamp& stamp = stamps_->lines[key];
      const int margin = penWidth_ + 3;
      const QSize size(std::abs(dx) + 2 * margin + 1, std::abs(dy) + 2 * margin + 1);
      if (static_cast<qint64>(size.width()) * size.height() <= kMaxScratchPixels) {
        QImage scratch(size, QImage::Format_RGB32);
        scratch.fill(Qt::black);
        const QPoint anchor(margin + std::max(0, -dx), margin + std::max(0, -dy));
        QPainter painter(&scratch);
        PrepareWholePixels(painter);
        painter.setPen(LinePen(Qt::white, penWidth_));
        PaintLine(painter, QPointF(anchor), QPointF(anchor + QPoint(dx, dy)), penWidth_, Qt::white);
        painter.end();
        stamp.CollectFrom(scratch, anchor);
      }
      found = stamps_->lines.find(key);
    }
    if (Put(found->second, x, y, colour)) return;
  }
  QPainter& painter = Painter();
  UsePen(colour, penWidth_);
  PaintLine(painter, a, b, penWidth_, ToQColor(colour));
  Done();
}

void ImageSurface::Point(double x, double y, Colour colour) {
  if (!Finite(x, y)) return;
  x = Tame(x);
  y = Tame(y);
  if (Whole(x) && Whole(y)) {
    // A one-pixel pen paints just the pixel at whole coordinates.
    const int px = static_cast<int>(x), py = static_cast<int>(y);
    if (px >= 0 && py >= 0 && px < image_.width() && py < image_.height())
      reinterpret_cast<QRgb*>(image_.bits() + py * image_.bytesPerLine())[px] = ToRgb(colour);
    return;
  }
  QPainter& painter = Painter();
  UsePen(colour, 1);
  painter.drawPoint(QPointF(x, y));
  Done();
}

void ImageSurface::Text(double x, double y, std::string_view text) {
  if (!Finite(x, y)) return;
  x = Tame(x);
  y = Tame(y);
  const auto string = [text] { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); };
  if (Whole(x) && Whole(y)) {
    const std::string key(text);
    auto found = stamps_->texts.find(key);
    if (found == stamps_->texts.end()) {
      if (stamps_->texts.size() >= kMaxStamps) stamps_->texts.clear();
      Stamp& stamp = stamps_->texts[key];
      const QFontMetrics metrics(font_);
      const QRect ink = metrics.boundingRect(string());  // around the baseline origin
      const int margin = 2 + metrics.height() / 2;
      const QSize size(ink.width() + 2 * margin, ink.height() + 2 * margin);
      if (static_cast<qint64>(size.width()) * size.height() <= kMaxScratchPixels) {
        QImage scratch(size, QImage::Format_RGB32);
        scratch.fill(Qt::black);
        const QPoint origin(margin - ink.left(), margin - ink.top());
        QPainter painter(&scratch);
        PrepareWholePixels(painter);
        painter.setFont(font_);
        painter.setPen(Qt::white);
        painter.drawText(QPointF(origin), string());
        painter.end();
        stamp.CollectFrom(scratch, origin - QPoint(0, ascent_));
      }
      found = stamps_->texts.find(key);
    }
    if (Put(found->second, static_cast<int>(x), static_cast<int>(y), textColour_)) return;
  }
  QPainter& painter = Painter();
  UseFont();
  UsePen(textColour_, 1);
  // Positions are the top-left corner of the text; the painter's the baseline.
  painter.drawText(QPointF(x, y + ascent_), string());
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

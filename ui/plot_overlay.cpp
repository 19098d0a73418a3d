#include "ui/plot_overlay.h"

#include <QEvent>
#include <QFontMetrics>
#include <QLocale>
#include <QMouseEvent>
#include <QPainter>
#include <algorithm>
#include <cmath>
#include <limits>

#include "analysis/curve_readout.h"
#include "analysis/local_fit.h"
#include "analysis/parameter_report.h"
#include "plot/log_current_plot.h"
#include "plot/plot_geometry.h"
#include "plot/plot_scale.h"
#include "ui/picture_box.h"

namespace kvt {

namespace {

constexpr int Margin = 4;

QString Text(const std::string& text) { return QString::fromStdString(text); }

// Each line broken at spaces so it is at most `width` pixels wide where its
// words allow; a broken line goes on indented.
QStringList Wrapped(const std::vector<std::string>& lines, const QFontMetrics& metrics, int width) {
  QStringList out;
  for (const std::string& line : lines) {
    QString current;
    for (const QString& word : Text(line).split(' ', Qt::SkipEmptyParts)) {
      const QString longer = current.isEmpty() ? word : current + ' ' + word;
      if (current.isEmpty() || metrics.horizontalAdvance(longer) <= width) {
        current = longer;
      } else {
        out << current;
        current = "  " + word;
      }
    }
    out << current;
  }
  return out;
}

int WidestOf(const QStringList& lines, const QFontMetrics& metrics) {
  int width = 0;
  for (const QString& line : lines) width = std::max(width, metrics.horizontalAdvance(line));
  return width;
}

bool HitsAny(const QRect& rect, const std::vector<QRect>& others) {
  return std::any_of(others.begin(), others.end(), [&rect](const QRect& o) { return rect.intersects(o); });
}

QRgb RgbOf(Colour c) { return qRgb(RedOf(c), GreenOf(c), BlueOf(c)); }

QColor BandColour(bool pass) { return pass ? QColor(0, 160, 0, 50) : QColor(220, 0, 0, 60); }
QColor EdgeColour(bool pass) { return pass ? QColor(0, 120, 0) : QColor(190, 0, 0); }

}  // namespace

// The plot as it is drawn now, in the curve's units: the current axis counts
// milliamperes, the curve amperes.
struct PlotOverlay::Frame {
  PlotGeometry g;
  PlotScale s;
  double VoltsAt(int x) const { return s.volts.ValueAt(x); }
  double AmpsAt(int y) const { return s.milliamps.ValueAt(y) / 1000; }
  int XOf(double volts) const { return s.volts.ClampedPixelOf(volts); }
  int YOf(double amps) const { return s.milliamps.ClampedPixelOf(amps * 1000); }
  // The curve point nearest to the pointer as the eye sees it. On the log
  // axis no one scale per pixel holds across the plot: measured in pixels.
  std::optional<NearestPoint> NearestTo(const Curve& curve, QPoint p) const {
    const double volts = VoltsAt(p.x()), amps = AmpsAt(p.y());
    if (!s.milliamps.Logarithmic())
      return NearestCurvePoint(curve, volts, amps, s.volts.ValuePerPixelAt(volts),
                               s.milliamps.ValuePerPixelAt(amps * 1000) / 1000);
    std::optional<std::size_t> best;
    double bestDistance = std::numeric_limits<double>::infinity();
    for (std::size_t i = 0; i < curve.points.size(); ++i) {
      const CurvePoint& c = curve.points[i];
      const double d = std::hypot(XOf(c.volts) - p.x(), YOf(c.amps) - p.y());
      if (d < bestDistance) {
        bestDistance = d;
        best = i;
      }
    }
    if (!best) return std::nullopt;
    const CurvePoint& c = curve.points[*best];
    return NearestPoint{*best, c.volts, c.amps, DynamicOhmsNear(curve, *best)};
  }
  // On the log axis the voltage axis stands for every current under its floor.
  std::string CurrentAt(int y) const {
    if (s.milliamps.Logarithmic() && y == g.OriginY) return "|I| < " + WithUnit(s.milliamps.Floor() / 1000, "A");
    return WithUnit(AmpsAt(y), "A");
  }
  bool Inside(QPoint p) const {
    return p.x() >= g.PlotLeft && p.x() <= g.PlotRight && p.y() >= g.PlotTop && p.y() <= g.PlotBottom;
  }
};

PlotOverlay::PlotOverlay(PictureBox& plot, std::function<PlotControls()> controls)
    : QWidget(&plot), plot_(plot), controls_(std::move(controls)) {
  setObjectName("PlotOverlay");
  setAttribute(Qt::WA_NoSystemBackground);
  setMouseTracking(true);
  setGeometry(plot.rect());
  plot.installEventFilter(this);
}

PlotOverlay::Frame PlotOverlay::CurrentFrame() const {
  const PlotGeometry g = ComputePlotGeometry(plot_.Picture().InnerWidth(), plot_.Picture().InnerHeight());
  if (scaleOf_) return Frame{g, scaleOf_(g)};
  const PlotControls c = controls_();
  return Frame{g, ComputePlotScale(g, c.maxVolts, c.maxMilliamps)};
}

void PlotOverlay::SetCurve(Curve curve) {
  curve_ = std::move(curve);
  update();
}

void PlotOverlay::SetMatch(std::optional<MatchBox> match) {
  match_ = std::move(match);
  update();
}

QStringList PlotOverlay::ReadoutLines() const {
  if (!pointer_) return {};
  const Frame f = CurrentFrame();
  const double volts = f.VoltsAt(pointer_->x());
  QStringList lines{Text(WithUnit(volts, "V") + "  " + f.CurrentAt(pointer_->y()))};
  const auto nearest = f.NearestTo(curve_, *pointer_);
  if (nearest) {
    // The log view draws such a reading apart; the readout says why.
    const bool apart = f.s.milliamps.Logarithmic() &&
                       Unresolved(nearest->amps, CurrentSteps(PairsOf(curve_), RangesOf(curve_))[nearest->index]);
    lines << Text("point " + WithUnit(nearest->volts, "V") + "  " + WithUnit(nearest->amps, "A") +
                  (apart ? " (under one step)" : ""));
    const auto& r = nearest->dynamicOhms;
    lines << Text("dV/dI " + (r ? WithUncertainty(r->value, r->uncertainty, "ohm") : std::string("—")));
  }
  return lines;
}

void PlotOverlay::SetLegendColour(QColor colour) {
  if (colour == legendColour_) return;
  legendColour_ = colour;
  update();
}

std::vector<QRect> PlotOverlay::AxisTextRects() const {
  const Frame f = CurrentFrame();
  const QFontMetrics metrics(font());
  std::vector<QRect> rects;
  for (const PlotText& t : AxisTexts(f.g, f.s, QLocale().decimalPoint().toStdString()))
    rects.emplace_back(t.x, t.y, metrics.horizontalAdvance(Text(t.text)), metrics.height());
  return rects;
}

PlotOverlay::PlacedBox PlotOverlay::PlaceMatchBox() const {
  if (!match_ || match_->lines.empty()) return {};
  const QFontMetrics metrics(font());
  const PlotGeometry g = CurrentFrame().g;
  // The bottom-right quarter, where a passive part's curve never goes, clear
  // of the axis texts: narrower and taller, lines broken, until it fits.
  std::vector<QRect> texts = AxisTextRects();
  for (QRect& r : texts) r.adjust(-1, -1, 1, 1);
  const auto placed = [&](const QStringList& lines) {
    const QSize size(WidestOf(lines, metrics) + 2 * Margin,
                     metrics.height() * static_cast<int>(lines.size()) + 2 * Margin);
    return PlacedBox{QRect(QPoint(g.PlotRight - size.width() - Margin, g.PlotBottom - size.height() - Margin), size),
                     lines};
  };
  QStringList lines = Wrapped(match_->lines, metrics, std::numeric_limits<int>::max());
  const PlacedBox whole = placed(lines);
  for (int width = WidestOf(lines, metrics);;) {
    const PlacedBox box = placed(lines);
    if (box.rect.top() < g.PlotTop || box.rect.left() < g.PlotLeft) break;
    if (!HitsAny(box.rect, texts)) return box;
    lines = Wrapped(match_->lines, metrics, width - 1);
    const int narrower = WidestOf(lines, metrics);
    if (narrower >= width) break;  // a single word wider than the rest
    width = narrower;
  }
  // No room anywhere: where it always went, unbroken.
  return whole;
}

QRect PlotOverlay::BandLegendRect() const {
  if (!match_ || match_->outside.empty()) return {};
  const QFontMetrics metrics(font());
  const Frame f = CurrentFrame();
  const QSize size(metrics.height() + Margin + metrics.horizontalAdvance(BandLegendText), metrics.height());
  // Below the references' names, on the first row clear of the axis texts
  // and of every curve.
  const std::vector<QRect> texts = AxisTextRects();
  const QImage& image = plot_.Image();
  const QRgb back = RgbOf(plot_.Picture().Background());
  const QRgb ink = legendColour_.rgb();  // the dot grid
  const auto clear = [&](const QRect& r) {
    if (HitsAny(r, texts)) return false;
    for (int y = std::max(r.top(), 0); y <= std::min(r.bottom(), image.height() - 1); ++y)
      for (int x = std::max(r.left(), 0); x <= std::min(r.right(), image.width() - 1); ++x) {
        const QRgb pixel = image.pixel(x, y);
        if (pixel != back && pixel != ink) return false;
      }
    return true;
  };
  const QRect first(QPoint(f.g.PlotLeft + 2, LegendRowTop(f.g, match_->legendRow)), size);
  for (int row = match_->legendRow;; ++row) {
    const QRect r(QPoint(f.g.PlotLeft + 2, LegendRowTop(f.g, row)), size);
    if (r.bottom() >= f.g.OriginY) break;
    if (clear(r)) return r;
  }
  return first;
}

bool PlotOverlay::eventFilter(QObject* watched, QEvent* event) {
  if (watched == &plot_ && event->type() == QEvent::Resize) setGeometry(plot_.rect());
  return QWidget::eventFilter(watched, event);
}

void PlotOverlay::mouseMoveEvent(QMouseEvent* event) {
  const QPoint p = event->position().toPoint();
  if (CurrentFrame().Inside(p))
    pointer_ = p;
  else
    pointer_.reset();
  update();
}

void PlotOverlay::leaveEvent(QEvent*) {
  pointer_.reset();
  update();
}

void PlotOverlay::PaintOnBackground(QPainter& painter, const std::function<void(QPainter&)>& marks) {
  const qreal ratio = devicePixelRatioF();
  // What the plot box shows, pixel for pixel.
  const QImage plot = ratio > 1 ? plot_.Picture().SharpImage(ratio) : plot_.Image();
  QImage layer(plot.size(), QImage::Format_ARGB32_Premultiplied);
  layer.setDevicePixelRatio(plot.devicePixelRatio());
  layer.fill(Qt::transparent);
  {
    QPainter layerPainter(&layer);
    marks(layerPainter);
  }
  const QRgb back = RgbOf(plot_.Picture().Background()) & RGB_MASK;
  for (int y = 0; y < layer.height(); ++y) {
    const auto* under = reinterpret_cast<const QRgb*>(plot.constScanLine(y));
    auto* over = reinterpret_cast<QRgb*>(layer.scanLine(y));
    for (int x = 0; x < layer.width(); ++x)
      if ((under[x] & RGB_MASK) != back) over[x] = 0;
  }
  painter.drawImage(0, 0, layer);
}

void PlotOverlay::PaintBandLegend(QPainter& painter, QColor band) const {
  const QRect r = BandLegendRect();
  if (r.isEmpty()) return;
  const QFontMetrics metrics(font());
  const QRect swatch(r.left(), r.top() + 2, r.height() - 4, r.height() - 4);
  painter.fillRect(swatch, band);
  painter.setPen(EdgeColour(match_->pass));
  painter.drawRect(swatch.adjusted(0, 0, -1, -1));
  painter.setPen(legendColour_);
  painter.drawText(swatch.right() + 1 + Margin, r.top() + metrics.ascent(), BandLegendText);
}

void PlotOverlay::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  const Frame f = CurrentFrame();
  const QFontMetrics metrics(font());
  const QColor band = match_ ? BandColour(match_->pass) : QColor();
  const bool bands = match_ && !match_->outside.empty();

  if (bands || pointer_)
    PaintOnBackground(painter, [&](QPainter& marks) {
      if (bands)
        for (const VoltageInterval& v : match_->outside) {
          const int x1 = f.XOf(v.fromVolts), x2 = f.XOf(v.toVolts);
          marks.fillRect(
              QRect(QPoint(std::min(x1, x2) - 1, f.g.PlotTop), QPoint(std::max(x1, x2) + 1, f.g.PlotBottom)), band);
        }
      if (pointer_) {
        const QPoint p = *pointer_;
        marks.setPen(QPen(QColor(90, 90, 90), 1, Qt::DashLine));
        marks.drawLine(f.g.PlotLeft, p.y(), f.g.PlotRight, p.y());
        marks.drawLine(p.x(), f.g.PlotTop, p.x(), f.g.PlotBottom);
        const auto nearest = f.NearestTo(curve_, p);
        if (nearest) {
          marks.setPen(QPen(QColor(0, 0, 0), 1));
          marks.setBrush(Qt::NoBrush);
          marks.drawEllipse(QPoint(f.XOf(nearest->volts), f.YOf(nearest->amps)), 4, 4);
        }
      }
    });

  if (match_) {
    if (bands) PaintBandLegend(painter, band);
    const PlacedBox box = PlaceMatchBox();
    if (!box.rect.isEmpty()) {
      painter.fillRect(box.rect, match_->pass ? QColor(200, 255, 200) : QColor(255, 205, 205));
      painter.setPen(EdgeColour(match_->pass));
      painter.drawRect(box.rect.adjusted(0, 0, -1, -1));
      int y = box.rect.top() + Margin + metrics.ascent();
      for (const QString& line : box.lines) {
        painter.drawText(box.rect.left() + Margin, y, line);
        y += metrics.height();
      }
    }
  }
  if (pointer_) PaintReadout(painter);
}

void PlotOverlay::PaintReadout(QPainter& painter) const {
  const QPoint p = *pointer_;
  const QFontMetrics metrics(font());
  const QStringList lines = ReadoutLines();
  QRect box(0, 0, WidestOf(lines, metrics) + 2 * Margin,
            metrics.height() * static_cast<int>(lines.size()) + 2 * Margin);
  // Beside the pointer, turned over where it would leave the plot. Opaque:
  // a curve under it is hidden, never tinted.
  box.moveTopLeft(p + QPoint(12, 12));
  if (box.right() > rect().right()) box.moveRight(p.x() - 12);
  if (box.bottom() > rect().bottom()) box.moveBottom(p.y() - 12);
  painter.fillRect(box, QColor(255, 255, 225));
  painter.setPen(QColor(0, 0, 0));
  painter.drawRect(box.adjusted(0, 0, -1, -1));
  int y = box.top() + Margin + metrics.ascent();
  for (const QString& line : lines) {
    painter.drawText(box.left() + Margin, y, line);
    y += metrics.height();
  }
}

}  // namespace kvt

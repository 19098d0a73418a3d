#include "ui/plot_overlay.h"

#include <QEvent>
#include <QFontMetrics>
#include <QMouseEvent>
#include <QPainter>
#include <algorithm>
#include <cmath>

#include "analysis/curve_readout.h"
#include "analysis/parameter_report.h"
#include "plot/plot_geometry.h"
#include "ui/picture_box.h"

namespace kvt {

namespace {

constexpr int Margin = 4;

QString Text(const std::string& text) { return QString::fromStdString(text); }

}  // namespace

// Pixel <-> value for the plot as it is drawn now.
struct PlotOverlay::Frame {
  PlotGeometry g;
  PlotScales s;
  double VoltsAt(int x) const { return (x - g.OriginX) / s.PixelsPerVolt; }
  double AmpsAt(int y) const { return (g.OriginY - y) / s.PixelsPerMilliamp / 1000; }
  int XOf(double volts) const {
    return g.OriginX + PixelOffset(std::clamp(volts, -s.MaxVolts, s.MaxVolts), s.PixelsPerVolt);
  }
  int YOf(double amps) const {
    return g.OriginY - PixelOffset(std::clamp(amps * 1000, -s.MaxMilliamps, s.MaxMilliamps), s.PixelsPerMilliamp);
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
  const PlotControls c = controls_();
  Frame f;
  f.g = ComputePlotGeometry(plot_.InnerWidth(), plot_.InnerHeight());
  f.s = ComputePlotScales(f.g, c.maxVolts, c.maxMilliamps);
  return f;
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
  const double amps = f.AmpsAt(pointer_->y());
  QStringList lines{Text(WithUnit(volts, "V") + "  " + WithUnit(amps, "A"))};
  const auto nearest =
      NearestCurvePoint(curve_, volts, amps, 1 / f.s.PixelsPerVolt, 1 / f.s.PixelsPerMilliamp / 1000);
  if (nearest) {
    lines << Text("point " + WithUnit(nearest->volts, "V") + "  " + WithUnit(nearest->amps, "A"));
    lines << Text("dV/dI " + (nearest->dynamicOhms ? WithUnit(*nearest->dynamicOhms, "ohm") : std::string("-")));
  }
  return lines;
}

QRect PlotOverlay::MatchRect() const {
  if (!match_ || match_->lines.empty()) return {};
  const QFontMetrics metrics(font());
  int width = 0;
  for (const std::string& line : match_->lines) width = std::max(width, metrics.horizontalAdvance(Text(line)));
  const int height = metrics.height() * static_cast<int>(match_->lines.size());
  // The bottom-right quarter: a passive part's curve never goes there.
  const PlotGeometry g = CurrentFrame().g;
  const QSize size(width + 2 * Margin, height + 2 * Margin);
  return QRect(QPoint(g.PlotRight - size.width() - Margin, g.PlotBottom - size.height() - Margin), size);
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

void PlotOverlay::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  const Frame f = CurrentFrame();
  const QFontMetrics metrics(font());

  if (match_) {
    const QColor mark = match_->pass ? QColor(0, 160, 0, 50) : QColor(220, 0, 0, 60);
    for (const VoltageInterval& v : match_->outside) {
      const int x1 = f.XOf(v.fromVolts), x2 = f.XOf(v.toVolts);
      painter.fillRect(QRect(QPoint(std::min(x1, x2) - 1, f.g.PlotTop), QPoint(std::max(x1, x2) + 1, f.g.PlotBottom)),
                       mark);
    }
    const QRect box = MatchRect();
    if (!box.isEmpty()) {
      painter.fillRect(box, match_->pass ? QColor(200, 255, 200) : QColor(255, 205, 205));
      painter.setPen(match_->pass ? QColor(0, 120, 0) : QColor(190, 0, 0));
      painter.drawRect(box.adjusted(0, 0, -1, -1));
      int y = box.top() + Margin + metrics.ascent();
      for (const std::string& line : match_->lines) {
        painter.drawText(box.left() + Margin, y, Text(line));
        y += metrics.height();
      }
    }
  }

  if (!pointer_) return;
  const QPoint p = *pointer_;
  painter.setPen(QPen(QColor(90, 90, 90), 1, Qt::DashLine));
  painter.drawLine(f.g.PlotLeft, p.y(), f.g.PlotRight, p.y());
  painter.drawLine(p.x(), f.g.PlotTop, p.x(), f.g.PlotBottom);

  const Frame& frame = f;
  const auto nearest = NearestCurvePoint(curve_, frame.VoltsAt(p.x()), frame.AmpsAt(p.y()),
                                         1 / f.s.PixelsPerVolt, 1 / f.s.PixelsPerMilliamp / 1000);
  if (nearest) {
    painter.setPen(QPen(QColor(0, 0, 0), 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawEllipse(QPoint(f.XOf(nearest->volts), f.YOf(nearest->amps)), 4, 4);
  }

  const QStringList lines = ReadoutLines();
  int width = 0;
  for (const QString& line : lines) width = std::max(width, metrics.horizontalAdvance(line));
  QRect box(0, 0, width + 2 * Margin, metrics.height() * static_cast<int>(lines.size()) + 2 * Margin);
  // Beside the pointer, turned over where it would leave the plot.
  box.moveTopLeft(p + QPoint(12, 12));
  if (box.right() > rect().right()) box.moveRight(p.x() - 12);
  if (box.bottom() > rect().bottom()) box.moveBottom(p.y() - 12);
  painter.fillRect(box, QColor(255, 255, 225, 235));
  painter.setPen(QColor(0, 0, 0));
  painter.drawRect(box.adjusted(0, 0, -1, -1));
  int y = box.top() + Margin + metrics.ascent();
  for (const QString& line : lines) {
    painter.drawText(box.left() + Margin, y, line);
    y += metrics.height();
  }
}

}  // namespace kvt

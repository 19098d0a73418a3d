#pragma once
// A transparent layer over the plot box: the pointer's crosshair with what
// it reads, and the match against the references with the voltages where
// the curve leaves the band. It paints only itself, so the plot's image (and
// what Copy takes) never holds any of it. Its marks tint only the plot's
// background: curves, axes and their texts keep their colours under them.
#include <QColor>
#include <QWidget>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "analysis/comparison.h"
#include "core/curve.h"
#include "plot/plot_renderer.h"

namespace kvt {

class PictureBox;

struct MatchBox {
  std::vector<std::string> lines;
  bool pass = false;
  std::vector<VoltageInterval> outside;  // of the best match
  int legendRow = 0;  // the first row of the plot's legend that no reference uses
};

// The band's entry in the legend.
inline constexpr const char* BandLegendText = "mismatch";

class PlotOverlay : public QWidget {
  Q_OBJECT
 public:
  // Covers `plot` and follows its size; `controls` gives the ranges the
  // plot is drawn with at the moment.
  PlotOverlay(PictureBox& plot, std::function<PlotControls()> controls);
  // Where the plot's axes come from instead of the controls' linear ones:
  // the log-current view's axis depends on the curves.
  void SetScaleSource(std::function<PlotScale(const PlotGeometry&)> scaleOf) { scaleOf_ = std::move(scaleOf); }

  void SetCurve(Curve curve);
  void SetMatch(std::optional<MatchBox> match);
  // The plot's text colour, for the band's legend entry.
  void SetLegendColour(QColor colour);

  // What is on show, for the window's tests.
  bool ReadoutShown() const { return pointer_.has_value(); }
  QStringList ReadoutLines() const;
  const std::optional<MatchBox>& Match() const { return match_; }
  QRect MatchRect() const { return PlaceMatchBox().rect; }
  QStringList MatchBoxLines() const { return PlaceMatchBox().lines; }
  // Empty when no band is shown.
  QRect BandLegendRect() const;
  // Where the plot's axis texts lie in the overlay's font.
  std::vector<QRect> AxisTextRects() const;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void leaveEvent(QEvent* event) override;
  void paintEvent(QPaintEvent* event) override;

 private:
  struct Frame;
  struct PlacedBox {
    QRect rect;
    QStringList lines;  // wrapped to the box's width
  };
  Frame CurrentFrame() const;
  PlacedBox PlaceMatchBox() const;
  // Paints `marks` only where the plot shows its background.
  void PaintOnBackground(QPainter& painter, const std::function<void(QPainter&)>& marks);
  void PaintBandLegend(QPainter& painter, QColor band) const;
  void PaintReadout(QPainter& painter) const;

  PictureBox& plot_;
  std::function<PlotControls()> controls_;
  std::function<PlotScale(const PlotGeometry&)> scaleOf_;
  Curve curve_;
  std::optional<MatchBox> match_;
  std::optional<QPoint> pointer_;
  QColor legendColour_{0, 180, 0};
};

}  // namespace kvt

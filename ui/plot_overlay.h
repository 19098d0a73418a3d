#pragma once
// A transparent layer over the plot box: the pointer's crosshair with what
// it reads, and the match against the references with the voltages where
// the curve leaves the band. It paints only itself, so the plot's image (and
// what Copy takes) never holds any of it.
#include <QWidget>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "analysis/comparison.h"
#include "analysis/curve.h"
#include "plot/plot_renderer.h"

namespace kvt {

class PictureBox;

struct MatchBox {
  std::vector<std::string> lines;
  bool pass = false;
  std::vector<VoltageInterval> outside;  // of the best match
};

class PlotOverlay : public QWidget {
  Q_OBJECT
 public:
  // Covers `plot` and follows its size; `controls` gives the ranges the
  // plot is drawn with at the moment.
  PlotOverlay(PictureBox& plot, std::function<PlotControls()> controls);

  void SetCurve(Curve curve);
  void SetMatch(std::optional<MatchBox> match);

  // What is on show, for the window's tests.
  bool ReadoutShown() const { return pointer_.has_value(); }
  QStringList ReadoutLines() const;
  const std::optional<MatchBox>& Match() const { return match_; }
  QRect MatchRect() const;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void leaveEvent(QEvent* event) override;
  void paintEvent(QPaintEvent* event) override;

 private:
  struct Frame;
  Frame CurrentFrame() const;

  PictureBox& plot_;
  std::function<PlotControls()> controls_;
  Curve curve_;
  std::optional<MatchBox> match_;
  std::optional<QPoint> pointer_;
};

}  // namespace kvt

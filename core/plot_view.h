#pragma once
// What every command that changes the picture needs of the main window.
#include <utility>
#include <vector>

namespace kvt {

class PlotView {
 public:
  virtual ~PlotView() = default;
  // Brings the panel's controls (and the menu items that depend on the
  // points) in line with the settings table; a control that changes runs its
  // own handler, so calls may nest.
  virtual void UpdateParams() = 0;
  // Repaints the whole plot from the settings, the panel and the curve.
  virtual void DrawPlot() = 0;
  // The (volts, amperes) points a run has measured so far, shown on the plot
  // at once while the run goes on; an empty list takes them away at the next
  // DrawPlot. A view without a live plot ignores them.
  virtual void ShowPartialCurve(const std::vector<std::pair<double, double>>& points) { (void)points; }
};

// The number-of-points option buttons, as a points file load sets them.
class PointCountChoice {
 public:
  virtual ~PointCountChoice() = default;
  // Turns all six buttons off without running any handler.
  virtual void AllOptionsOff() = 0;
  // Turns button k (1..6: 32..1024 points) on, which runs its click
  // behaviour: the choice is written to the table and the panel updated.
  virtual void TurnOptionOn(int k) = 0;
};

}  // namespace kvt

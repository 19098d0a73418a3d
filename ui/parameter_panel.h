#pragma once
// The four framed groups beside the plot: smoothing, Max V, Max I and the
// number of points. Each control mirrors one option; a value set by the
// program runs the same handler as a user's change, so UpdateParams nests
// until every control agrees with the options.
#include <QObject>
#include <array>

#include "core/plot_view.h"
#include "core/twips.h"
#include "core/typed_options.h"
#include "plot/plot_renderer.h"

class QButtonGroup;
class QCheckBox;
class QGroupBox;
class QLabel;
class QRadioButton;
class QScrollBar;
class QWidget;

namespace kvt {

class ParameterPanel : public QObject, public PointCountChoice {
  Q_OBJECT
 public:
  // Every change of a control is written to `options` and shown by `view`.
  ParameterPanel(QWidget* parent, TypedOptions& options, TwipScale scale, PlotView& view);

  // The panel's share of UpdateParams: the controls take the options' values.
  void Sync();

  // What the controls show.
  PlotControls Controls() const;
  // Number (1..6) of the first option button that is on; 0 when none is.
  int CheckedOption() const;
  void AllOptionsOff() override;
  void TurnOptionOn(int k) override;

  // The four frames, for the layout.
  std::array<QGroupBox*, 4> Frames() const { return {smoothingFrame_, maxVoltsFrame_, maxMilliampsFrame_, pointCountFrame_}; }

  QCheckBox* SmoothingCheck() const { return smoothingCheck_; }
  QScrollBar* SmoothingLevelBar() const { return smoothingLevelBar_; }
  QScrollBar* MaxVoltsBar() const { return maxVoltsBar_; }
  QScrollBar* MaxMilliampsBar() const { return maxMilliampsBar_; }
  QLabel* SmoothingLevelLabel() const { return smoothingLevelLabel_; }
  QLabel* MaxVoltsLabel() const { return maxVoltsLabel_; }
  QLabel* MaxMilliampsLabel() const { return maxMilliampsLabel_; }
  // 32, 64, 128, 256, 512 and 1024 points.
  const std::array<QRadioButton*, 6>& PointCountOptions() const { return pointCountOptions_; }

 private:
  void OnSmoothingToggled();
  // A settled value (arrow, trough, keyboard, program, end of a drag) redraws;
  // a value that follows the dragged thumb only updates the options and labels.
  using Setter = void (TypedOptions::*)(int);
  void OnRangeBarChanged(QScrollBar* bar, Setter set);
  void OnRangeBarReleased(QScrollBar* bar, Setter set);
  void OnPointCountChosen(int k);
  void Place(QWidget* widget, double left, double top, double width, double height);

  TypedOptions& options_;
  TwipScale scale_;
  PlotView& view_;
  QGroupBox* smoothingFrame_;
  QGroupBox* maxVoltsFrame_;
  QGroupBox* maxMilliampsFrame_;
  QGroupBox* pointCountFrame_;
  QCheckBox* smoothingCheck_;
  QScrollBar* smoothingLevelBar_;
  QScrollBar* maxVoltsBar_;
  QScrollBar* maxMilliampsBar_;
  QLabel* smoothingLevelLabel_;
  QLabel* maxVoltsLabel_;
  QLabel* maxMilliampsLabel_;
  std::array<QRadioButton*, 6> pointCountOptions_;
  QButtonGroup* optionGroup_;
};

}  // namespace kvt

#pragma once
// The four framed groups beside the plot: smoothing, Max V, Max I and the
// number of points. Each control mirrors one settings entry; a value set by
// the program runs the same handler as a user's change, so UpdateParams
// nests until every control agrees with the table.
#include <QObject>
#include <array>

#include "core/plot_view.h"
#include "core/settings.h"
#include "core/twips.h"
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
  // Every change of a control is written to `settings` and shown by `view`.
  ParameterPanel(QWidget* parent, Settings& settings, TwipScale scale, PlotView& view);

  // The panel's share of UpdateParams: the controls take the table's values.
  void Sync();

  // What the plot reads from the panel when it draws.
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
  // a value that follows the dragged thumb only updates the table and labels.
  void OnRangeBarChanged(QScrollBar* bar, int entry);
  void OnRangeBarReleased(QScrollBar* bar, int entry);
  void OnPointCountChosen(int k);
  void Place(QWidget* widget, double left, double top, double width, double height);

  Settings& settings_;
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
  QButtonGroup* options_;
};

}  // namespace kvt

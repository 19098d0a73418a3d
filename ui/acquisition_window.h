#pragma once
// The modal window of an acquisition run: one point per 100 ms tick, a
// blinking activity indicator, a progress bar with its percentage, Cancel.
#include <QDialog>
#include <functional>
#include <memory>

#include "core/plot_view.h"
#include "core/twips.h"
#include "device/acquisition.h"

class QLabel;
class QPushButton;
class QTimer;

namespace kvt {

class PictureBox;

class AcquisitionWindow : public QDialog {
  Q_OBJECT
 public:
  // A run of `pointCount` points whose curve replaces `curve` at its end
  // (Cancel empties it). The window places itself 1000 twips right of and
  // below mainWindow's top-left corner, resets the blink line and starts its
  // timer; exec() runs it. At the end, or on Cancel, `view` shows the outcome.
  AcquisitionWindow(Curve& curve, int pointCount, AcquisitionCalls calls, PlotView& view,
                    QWidget* mainWindow = nullptr);
  ~AcquisitionWindow() override;

  PictureBox* IndicatorBox() const { return indicatorBox_; }
  PictureBox* ProgressBar() const { return progressBar_; }
  QLabel* PercentLabel() const { return percentLabel_; }
  QPushButton* CancelButton() const { return cancelButton_; }
  QTimer* TickTimer() const { return tickTimer_; }
  const Acquisition& Run() const { return run_; }

  // For the long pauses of a point: handles pending events, so the window
  // repaints and Cancel or closing is noticed; false once the run is to end,
  // which abandons the point.
  bool KeepResponsive();

 public slots:
  void OnTick();
  void OnCancel();
  void quit();

 protected:
  // Closing the window during a run abandons it like Cancel.
  void closeEvent(QCloseEvent* event) override;
  void reject() override;

 private:
  void DrawIndicator(int blinkState);
  void ShowMeasuredSoFar();

  PlotView& view_;
  std::function<double()> rangeOhms_;  // a copy of the run's, for the live curve
  Acquisition run_;
  TwipScale twips_;
  PictureBox* indicatorBox_ = nullptr;
  PictureBox* progressBar_ = nullptr;
  QLabel* percentLabel_ = nullptr;
  QPushButton* cancelButton_ = nullptr;
  QTimer* tickTimer_ = nullptr;
  bool inTick_ = false;
  bool cancelAsked_ = false;  // during a tick: cancel once it has returned
};

}  // namespace kvt

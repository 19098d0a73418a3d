#pragma once
// The modal window of a guided capture on several ranges: which range is
// waited for or swept, the request to move the switch in large letters while
// the capture waits for it, the progress over all ranges, and Cancel (Esc).
// Ticked from its 100 ms timer like the run window; at the end the sweeps
// are stitched into one curve.
#include <QDialog>
#include <optional>
#include <vector>

#include "analysis/range_stitching.h"
#include "device/switch_hand.h"
#include "device/wide_range_capture.h"

class QLabel;
class QProgressBar;
class QPushButton;
class QTimer;

namespace kvt {

class MeasuringSession;

class WideRangeWindow : public QDialog {
  Q_OBJECT
 public:
  // Sweeps of `pointCount` points on each of `rangesOhms`; `hand` (may be
  // empty) turns the switch when asked. The capture starts with the window.
  WideRangeWindow(MeasuringSession& session, std::vector<double> rangesOhms, int pointCount, SwitchHand hand,
                  QWidget* mainWindow = nullptr);
  ~WideRangeWindow() override;

  // The stitched curve once every range was swept; nothing after Cancel.
  const std::optional<StitchedCurve>& Result() const { return result_; }

  QLabel* RangeLabel() const { return rangeLabel_; }
  QLabel* RequestLabel() const { return requestLabel_; }
  QProgressBar* Progress() const { return progress_; }
  QPushButton* CancelButton() const { return cancelButton_; }
  QTimer* TickTimer() const { return tickTimer_; }
  const WideRangeCapture& Capture() const { return capture_; }

  // For the long pauses of a point: handles pending events so Cancel is
  // noticed; false once the capture is to end.
  bool KeepResponsive();

 public slots:
  void OnTick();
  void OnCancel();

 protected:
  void closeEvent(QCloseEvent* event) override;
  void reject() override;

 private:
  void Show(const WideRangeTick& tick);

  WideRangeCapture capture_;
  std::optional<StitchedCurve> result_;
  QLabel* rangeLabel_ = nullptr;
  QLabel* requestLabel_ = nullptr;
  QProgressBar* progress_ = nullptr;
  QPushButton* cancelButton_ = nullptr;
  QTimer* tickTimer_ = nullptr;
  bool inTick_ = false;
  bool cancelAsked_ = false;
};

}  // namespace kvt

#pragma once
// The modal window of an acquisition run: one point per 100 ms tick, a
// blinking activity indicator, a progress bar with its percentage, Cancel.
#include <QDialog>
#include <functional>
#include <memory>

#include "core/twips.h"
#include "device/acquisition.h"

class QLabel;
class QPushButton;
class QTimer;

namespace kvt {

class PictureBox;

struct GetPointsCalls {
  std::function<double(double volts)> measurePoint;  // MeasurePoint
  std::function<void(int state)> setBlinkLine;       // SetBlinkLine
  std::function<double()> rangeOhms;                 // RangeResistorOhms now
  std::function<void()> updateParams;                // main window's UpdateParams
  std::function<void()> drawPlot;                    // plot renderer
};

class GetPoints : public QDialog {
  Q_OBJECT
 public:
  // points.PointCount must already hold the run's size. The window places
  // itself 1000 twips right of and below mainWindow's top-left corner,
  // resets the blink line and starts its timer; exec() runs it.
  GetPoints(PointSet& points, GetPointsCalls calls, QWidget* mainWindow = nullptr);
  ~GetPoints() override;

  PictureBox* Picture1() const { return picture1_; }
  PictureBox* Picture2() const { return picture2_; }
  QLabel* Label1() const { return label1_; }
  QPushButton* Command1() const { return command1_; }
  QTimer* Timer1() const { return timer1_; }
  const Acquisition& Run() const { return run_; }

 public slots:
  void Timer1_Timer();
  void Command1_Click();
  void quit();

 protected:
  // Closing the window during a run abandons it like Cancel.
  void closeEvent(QCloseEvent* event) override;
  void reject() override;

 private:
  void DrawIndicator(int blinkState);

  PointSet& points_;
  GetPointsCalls calls_;
  Acquisition run_;
  TwipScale twips_;
  PictureBox* picture1_ = nullptr;
  PictureBox* picture2_ = nullptr;
  QLabel* label1_ = nullptr;
  QPushButton* command1_ = nullptr;
  QTimer* timer1_ = nullptr;
};

}  // namespace kvt

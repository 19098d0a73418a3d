#include "ui/acquisition_window.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>

#include "device/device_routines.h"
#include "ui/acquisition_progress.h"
#include "ui/window_geometry.h"
#include "ui/picture_box.h"

namespace kvt {

namespace {

constexpr Colour Green = MakeColour(0, 255, 0);
constexpr Colour Blue = MakeColour(0, 0, 255);
constexpr Colour Black = MakeColour(0, 0, 0);

}  // namespace

AcquisitionWindow::AcquisitionWindow(Curve& curve, int pointCount, AcquisitionCalls calls, PlotView& view,
                                     QWidget* mainWindow)
    : QDialog(mainWindow),
      view_(view),
      rangeOhms_(calls.rangeOhms),
      run_(curve, pointCount, std::move(calls)),
      twips_(ScaleOf(mainWindow)) {
  setObjectName("GetPoints");
  MakeFixedDialog(*this, "Getting points from device ...", 4485, 2145);

  const QColor face = palette().color(QPalette::Window);
  const Colour background = MakeColour(face.red(), face.green(), face.blue());
  auto* border1 = new QFrame(this);
  border1->setGeometry(TwipRect(twips_, 2122, 120, 240, 255));
  indicatorBox_ = NewBorderedPicture(border1, 1, background);
  auto* border2 = new QFrame(this);
  border2->setGeometry(TwipRect(twips_, 135, 600, 4215, 375));
  progressBar_ = NewBorderedPicture(border2, 1, background);

  indicatorBox_->setObjectName("Picture1");
  progressBar_->setObjectName("Picture2");
  percentLabel_ = new QLabel(this);
  percentLabel_->setObjectName("Label1");
  percentLabel_->setGeometry(TwipRect(twips_, 1875, 1080, 735, 255));

  cancelButton_ = new QPushButton("&Cancel", this);
  cancelButton_->setObjectName("Command1");
  cancelButton_->setGeometry(TwipRect(twips_, 1515, 1680, 1455, 375));
  connect(cancelButton_, &QPushButton::clicked, this, &AcquisitionWindow::OnCancel);

  tickTimer_ = new QTimer(this);
  tickTimer_->setObjectName("Timer1");
  tickTimer_->setInterval(100);
  connect(tickTimer_, &QTimer::timeout, this, &AcquisitionWindow::OnTick);

  PlaceBelowRightOf(*this, mainWindow);

  run_.Start();
  tickTimer_->start();
}

AcquisitionWindow::~AcquisitionWindow() = default;

void AcquisitionWindow::OnTick() {
  // Not when queued before the run ended, nor from the events handled
  // during a point's pauses.
  if (!tickTimer_->isActive() || inTick_) return;
  inTick_ = true;
  const TickOutcome out = run_.Tick();
  inTick_ = false;
  if (cancelAsked_) {
    OnCancel();
    return;
  }
  if (out.blinked) DrawIndicator(out.blinkState);
  if (out.progress) {
    KeptPicture& bar = progressBar_->Picture();
    const ProgressShown shown = ShowProgress(*out.progress, bar.InnerWidth(), out.finished);
    if (shown.barX != 0) bar.FilledBox(0, 0, shown.barX, bar.InnerHeight(), Blue);
    if (!shown.percent.empty()) percentLabel_->setText(QString::fromStdString(shown.percent));
  }
  if (!out.finished) {
    ShowMeasuredSoFar();
    return;
  }

  tickTimer_->stop();
  cancelButton_->hide();
  view_.ShowPartialCurve({});
  view_.UpdateParams();
  view_.DrawPlot();
  quit();
}

bool AcquisitionWindow::KeepResponsive() {
  QCoreApplication::processEvents();
  return !cancelAsked_;
}

void AcquisitionWindow::OnCancel() {
  if (!tickTimer_->isActive()) return;
  if (inTick_) {
    cancelAsked_ = true;
    return;
  }
  tickTimer_->stop();
  run_.Cancel();
  view_.ShowPartialCurve({});
  view_.UpdateParams();
  view_.DrawPlot();
  quit();
}

void AcquisitionWindow::quit() { QDialog::done(QDialog::Accepted); }

void AcquisitionWindow::closeEvent(QCloseEvent* event) {
  if (tickTimer_->isActive()) {
    OnCancel();
    event->accept();
    return;
  }
  QDialog::closeEvent(event);
}

void AcquisitionWindow::reject() {
  if (tickTimer_->isActive())
    OnCancel();
  else
    QDialog::reject();
}

// The points only become the curve's at the end of the run; until then the
// plot follows the raw voltages, with currents from the present range.
void AcquisitionWindow::ShowMeasuredSoFar() {
  const double ohms = rangeOhms_ ? rangeOhms_() : 0.0;
  if (!(ohms > 0)) return;
  const int step = PointStep(run_.PointCount());
  if (step <= 0) return;
  std::vector<std::pair<double, double>> measured;
  for (int i = 0; i < run_.NextCode() && i <= 1023; i += step) {
    const double raw = run_.RawVolts()[static_cast<std::size_t>(i)];
    measured.emplace_back(raw, (VoltsFromCode(i) - raw) / ohms);
  }
  if (!measured.empty()) view_.ShowPartialCurve(measured);
}

// The indicator's radius is 10 twips short of half its width.
void AcquisitionWindow::DrawIndicator(int blinkState) {
  KeptPicture& indicator = indicatorBox_->Picture();
  const double w = indicator.InnerWidth();
  const double h = indicator.InnerHeight();
  const double radius = w / 2 - 10 / twips_.twipsPerPixel;
  const Colour fill = blinkState == 1 ? Green : indicator.Background();
  indicator.Circle(w / 2, h / 2, radius, Black, fill);
}

}  // namespace kvt

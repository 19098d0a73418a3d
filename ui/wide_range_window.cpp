#include "ui/wide_range_window.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include "ui/window_geometry.h"

namespace kvt {

WideRangeWindow::WideRangeWindow(MeasuringSession& session, std::vector<double> rangesOhms, int pointCount,
                                 SwitchHand hand, QWidget* mainWindow)
    : QDialog(mainWindow), capture_(session, std::move(rangesOhms), pointCount, {{}, std::move(hand)}) {
  setObjectName("WideRange");
  setWindowTitle("Wide-range curve");
  setModal(true);

  auto* layout = new QVBoxLayout(this);
  rangeLabel_ = new QLabel(this);
  rangeLabel_->setObjectName("RangeLabel");
  layout->addWidget(rangeLabel_);

  // Read from across the bench, with a hand on the instrument.
  requestLabel_ = new QLabel(this);
  requestLabel_->setObjectName("RequestLabel");
  QFont large = requestLabel_->font();
  large.setPointSizeF(large.pointSizeF() * 1.8);
  large.setBold(true);
  requestLabel_->setFont(large);
  requestLabel_->setAlignment(Qt::AlignCenter);
  requestLabel_->setMinimumHeight(QFontMetrics(large).height() * 2);
  requestLabel_->setMinimumWidth(QFontMetrics(large).horizontalAdvance(QStringLiteral("Move the range switch to 10 kΩ")) + 24);
  layout->addWidget(requestLabel_);

  progress_ = new QProgressBar(this);
  progress_->setObjectName("Progress");
  progress_->setRange(0, 1000);
  progress_->setTextVisible(false);
  layout->addWidget(progress_);

  cancelButton_ = new QPushButton("&Cancel", this);
  cancelButton_->setObjectName("Cancel");
  connect(cancelButton_, &QPushButton::clicked, this, &WideRangeWindow::OnCancel);
  layout->addWidget(cancelButton_, 0, Qt::AlignHCenter);

  tickTimer_ = new QTimer(this);
  tickTimer_->setObjectName("Timer1");
  tickTimer_->setInterval(100);
  connect(tickTimer_, &QTimer::timeout, this, &WideRangeWindow::OnTick);

  setFixedSize(sizeHint());
  PlaceBelowRightOf(*this, mainWindow);
  capture_.Start();
  Show({WideRangeStage::Waiting, capture_.Ranges().empty() ? 0 : capture_.Ranges().front(), 0, 0});
  tickTimer_->start();
}

WideRangeWindow::~WideRangeWindow() = default;

void WideRangeWindow::OnTick() {
  if (!tickTimer_->isActive() || inTick_) return;
  inTick_ = true;
  const WideRangeTick tick = capture_.Tick();
  inTick_ = false;
  if (cancelAsked_) {
    OnCancel();
    return;
  }
  Show(tick);
  if (tick.stage != WideRangeStage::Finished && tick.stage != WideRangeStage::Cancelled) return;
  tickTimer_->stop();
  if (tick.stage == WideRangeStage::Finished) result_ = StitchRanges(capture_.Sweeps());
  QDialog::done(QDialog::Accepted);
}

void WideRangeWindow::Show(const WideRangeTick& tick) {
  const int count = static_cast<int>(capture_.Ranges().size());
  const QString range = QString::fromStdString(RangeName(tick.rangeOhms));
  const QString place = QStringLiteral(" (range %1 of %2)").arg(tick.rangeNumber + 1).arg(count);
  rangeLabel_->setText(tick.stage == WideRangeStage::Sweeping ? "Sweeping on " + range + place
                                                              : "Waiting for " + range + place);
  requestLabel_->setText(QString::fromStdString(capture_.Request()));
  progress_->setValue(static_cast<int>(tick.progress * 1000 + 0.5));
}

bool WideRangeWindow::KeepResponsive() {
  QCoreApplication::processEvents();
  return !cancelAsked_;
}

void WideRangeWindow::OnCancel() {
  if (!tickTimer_->isActive()) return;
  if (inTick_) {
    cancelAsked_ = true;
    return;
  }
  tickTimer_->stop();
  capture_.Cancel();
  result_.reset();
  QDialog::done(QDialog::Rejected);
}

void WideRangeWindow::closeEvent(QCloseEvent* event) {
  if (tickTimer_->isActive()) {
    OnCancel();
    event->accept();
    return;
  }
  QDialog::closeEvent(event);
}

void WideRangeWindow::reject() {
  if (tickTimer_->isActive())
    OnCancel();
  else
    QDialog::reject();
}

}  // namespace kvt

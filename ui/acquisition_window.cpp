#include "ui/acquisition_window.h"

#include <QCloseEvent>
#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>

#include "ui/window_geometry.h"
#include "ui/picture_box.h"

namespace kvt {

namespace {

constexpr Colour Green = MakeColour(0, 255, 0);
constexpr Colour Blue = MakeColour(0, 0, 255);
constexpr Colour Black = MakeColour(0, 0, 0);

AcquisitionCalls CoreCalls(const GetPointsCalls& c) { return {c.measurePoint, c.setBlinkLine, c.rangeOhms}; }

}  // namespace

GetPoints::GetPoints(PointSet& points, GetPointsCalls calls, QWidget* mainWindow)
    : QDialog(mainWindow),
      points_(points),
      calls_(std::move(calls)),
      run_(points, CoreCalls(calls_)),
      twips_(ScaleOf(mainWindow)) {
  MakeFixedDialog(*this, "Getting points from device ...", 4485, 2145);

  const QColor face = palette().color(QPalette::Window);
  const Colour background = MakeColour(face.red(), face.green(), face.blue());
  auto* border1 = new QFrame(this);
  border1->setGeometry(TwipRect(twips_, 2122, 120, 240, 255));
  picture1_ = NewBorderedPicture(border1, 1, background);
  auto* border2 = new QFrame(this);
  border2->setGeometry(TwipRect(twips_, 135, 600, 4215, 375));
  picture2_ = NewBorderedPicture(border2, 1, background);

  label1_ = new QLabel(this);
  label1_->setGeometry(TwipRect(twips_, 1875, 1080, 735, 255));

  command1_ = new QPushButton("&Cancel", this);
  command1_->setGeometry(TwipRect(twips_, 1515, 1680, 1455, 375));
  connect(command1_, &QPushButton::clicked, this, &GetPoints::Command1_Click);

  timer1_ = new QTimer(this);
  timer1_->setInterval(100);
  connect(timer1_, &QTimer::timeout, this, &GetPoints::Timer1_Timer);

  PlaceBelowRightOf(*this, mainWindow);

  run_.Start();
  timer1_->start();
}

GetPoints::~GetPoints() = default;

void GetPoints::Timer1_Timer() {
  if (!timer1_->isActive()) return;  // a tick queued before the run ended
  const TickOutcome out = run_.Tick(picture2_->InnerWidth());
  if (out.blinked) DrawIndicator(out.blinkState);
  if (out.barX != 0) picture2_->FilledBox(0, 0, out.barX, picture2_->InnerHeight(), Blue);
  if (!out.percent.empty()) label1_->setText(QString::fromStdString(out.percent));
  if (!out.finished) return;

  timer1_->stop();
  command1_->hide();
  calls_.updateParams();
  calls_.drawPlot();
  quit();
}

void GetPoints::Command1_Click() {
  if (!timer1_->isActive()) return;
  timer1_->stop();
  run_.Cancel();
  calls_.updateParams();
  calls_.drawPlot();
  quit();
}

void GetPoints::quit() { QDialog::done(QDialog::Accepted); }

void GetPoints::closeEvent(QCloseEvent* event) {
  if (timer1_->isActive()) {
    Command1_Click();
    event->accept();
    return;
  }
  QDialog::closeEvent(event);
}

void GetPoints::reject() {
  if (timer1_->isActive())
    Command1_Click();
  else
    QDialog::reject();
}

// The indicator's radius is 10 twips short of half its width.
void GetPoints::DrawIndicator(int blinkState) {
  const double w = picture1_->InnerWidth();
  const double h = picture1_->InnerHeight();
  const double radius = w / 2 - 10 / twips_.twipsPerPixel;
  const Colour fill = blinkState == 1 ? Green : picture1_->Background();
  picture1_->Circle(w / 2, h / 2, radius, Black, fill);
}

}  // namespace kvt

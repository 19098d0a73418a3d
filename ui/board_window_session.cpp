// The board window's live sessions: capture stores each point's known-good
// curve once the probe holds still on it, test judges it, and both move on
// when the probe has left the point.
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <algorithm>

#include "analysis/point_verdict.h"
#include "device/live_sweep.h"
#include "device/measuring_session.h"
#include "ui/board_window.h"

namespace kvt {

bool BoardWindow::Sweeping() const { return live_ && live_->Running(); }

int BoardWindow::PointCount() const { return pointsBox_->currentData().toInt(); }

void BoardWindow::SetPointCount(int count) {
  const int index = pointsBox_->findData(count);
  if (index >= 0) pointsBox_->setCurrentIndex(index);
}

void BoardWindow::SetMode(Mode mode) {
  StopLive();
  mode_ = mode;
  modeBox_->setCurrentIndex(static_cast<int>(mode));
  verdict_->clear();
  if (mode == Mode::Edit) {
    DrawLivePlot();
    SetStatus("Live sweeping stopped.");
    return;
  }
  if (board_.points.empty()) {
    mode_ = Mode::Edit;
    modeBox_->setCurrentIndex(0);
    SetStatus("The board has no test points yet: add some first.", true);
    return;
  }
  if (mode == Mode::Test && CountPoints(board_).captured == 0) {
    mode_ = Mode::Edit;
    modeBox_->setCurrentIndex(0);
    SetStatus("No point has a known-good curve yet: capture the good board first.", true);
    return;
  }
  // Where the session goes on: the first point it still needs.
  const auto needed = [&](const TestPoint& p) {
    return mode == Mode::Capture ? !p.knownGood : (p.knownGood && !p.latest);
  };
  const auto first = std::find_if(board_.points.begin(), board_.points.end(), needed);
  // Another point can be chosen by hand once it runs.
  selected_ = first != board_.points.end() ? static_cast<int>(first - board_.points.begin()) : std::max(selected_, 0);
  watch_.Reset();
  leftCurve_.reset();
  armed_ = true;
  judged_ = false;
  ShowBoard();
  StartLive();
}

void BoardWindow::StartLive() {
  StopLive();
  if (services_.claimInstrument) services_.claimInstrument();
  live_ = std::make_unique<LiveSweep>(*services_.session, PointCount(), [this](const Curve& c) { OnSweep(c); });
  live_->Start();
  if (!live_->Running()) return;
  timer_->start();
  cancel_->setEnabled(true);
  const TestPoint& point = board_.points[static_cast<std::size_t>(selected_)];
  SetStatus(mode_ == Mode::Capture ? "Probe " + point.name + " on the good board."
                                   : "Probe " + point.name + " on the board under test.");
}

// The live sweep itself stays until the next start: this may run inside its
// tick, from the curve it hands on.
void BoardWindow::StopLive() {
  if (timer_) timer_->stop();
  if (live_) live_->Stop();  // 0 V on the output
  if (cancel_) cancel_->setEnabled(false);
  // The last sweep says nothing once sweeping stops: a point chosen now
  // shows its stored test.
  liveCurve_.reset();
}

void BoardWindow::Cancel() { SetMode(Mode::Edit); }

void BoardWindow::TickLive() {
  if (live_) live_->Tick();
}

void BoardWindow::EndSession(const std::string& why) {
  StopLive();
  mode_ = Mode::Edit;
  modeBox_->setCurrentIndex(0);
  SetStatus(why);
  DrawLivePlot();
}

void BoardWindow::OnSweep(const Curve& sweep) {
  if (selected_ < 0) return;
  liveCurve_ = sweep;
  // The probe has left the point last stored once it reads open or
  // something else.
  if (!armed_) armed_ = IsOpenCircuit(sweep) || !leftCurve_ || !SweepsAgree(sweep, *leftCurve_);
  watch_.Add(sweep);
  DrawLivePlot();
  if (mode_ == Mode::Capture) OnCaptureSweep(sweep);
  if (mode_ == Mode::Test) OnTestSweep(sweep);
}

void BoardWindow::OnCaptureSweep(const Curve& sweep) {
  if (!armed_ || !watch_.Stable()) return;
  TestPoint& point = board_.points[static_cast<std::size_t>(selected_)];
  point.knownGood = sweep;
  point.knownGood->info.dateTime = LocalDateTimeNow();
  point.knownGood->info.source = services_.source;
  verdict_->setStyleSheet("color: rgb(0, 90, 220);");
  verdict_->setText(QString::fromStdString(point.name + " captured"));
  StoreResult();
  Advance();
}

void BoardWindow::OnTestSweep(const Curve& sweep) {
  TestPoint& point = board_.points[static_cast<std::size_t>(selected_)];
  if (judged_) {
    if (watch_.Lifted()) Advance();
    return;
  }
  if (!point.knownGood) {
    SetStatus(point.name + " has no known-good curve: Space goes on to the next point.", true);
    return;
  }
  if (!armed_ || !watch_.Stable()) return;
  const auto options = ToleranceOptions(ToleranceOf(board_, point));
  if (!options) {
    SetStatus(point.name + ": the tolerance \"" + ToleranceOf(board_, point) + "\" is not auto, a percentage or VOLTS,AMPS.",
              true);
    return;
  }
  PointTest result = JudgePoint(sweep, *point.knownGood, *options);
  result.curve.info.dateTime = result.dateTime = LocalDateTimeNow();
  result.curve.info.source = services_.source;
  point.latest = result;
  judged_ = true;
  ShowVerdict(point);
  StoreResult();
  services_.cue(result.verdict == PointVerdict::Pass);
  SetStatus("Lift the probe (or press Space) for the next point.");
}

void BoardWindow::Next() {
  if (mode_ == Mode::Capture && selected_ >= 0 && liveCurve_) {
    // By hand: the point as it reads now, open or not.
    TestPoint& point = board_.points[static_cast<std::size_t>(selected_)];
    point.knownGood = *liveCurve_;
    point.knownGood->info.dateTime = LocalDateTimeNow();
    point.knownGood->info.source = services_.source;
    StoreResult();
  }
  if (mode_ != Mode::Edit) Advance();
}

void BoardWindow::Advance() {
  const int count = static_cast<int>(board_.points.size());
  const auto needed = [&](int i) {
    const TestPoint& p = board_.points[static_cast<std::size_t>(i)];
    return mode_ == Mode::Capture ? !p.knownGood : static_cast<bool>(p.knownGood);
  };
  int next = -1;
  for (int i = selected_ + 1; i < count && next < 0; ++i)
    if (needed(i)) next = i;
  // Capture goes round to points skipped before; a test ends with the last.
  if (next < 0 && mode_ == Mode::Capture)
    for (int i = 0; i < selected_ && next < 0; ++i)
      if (needed(i)) next = i;
  leftCurve_ = watch_.Latest();
  armed_ = !leftCurve_;
  watch_.Reset();
  judged_ = false;
  if (next < 0) {
    const BoardCounts counts = CountPoints(board_);
    EndSession(mode_ == Mode::Capture
                   ? "Every point is captured."
                   : "Test done: " + std::to_string(counts.failed) + " of " + std::to_string(counts.tested) +
                         " points failed.");
    ShowBoard();
    return;
  }
  selected_ = next;
  ShowBoard();
  const TestPoint& point = board_.points[static_cast<std::size_t>(selected_)];
  SetStatus(mode_ == Mode::Capture ? "Probe " + point.name + " on the good board."
                                   : "Probe " + point.name + " on the board under test.");
}

}  // namespace kvt

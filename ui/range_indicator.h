#pragma once
// The range dial of the main window: asks the range monitor once a second,
// beeps when the switch moved and shows the position on the window's dial.
#include <functional>

#include "device/range_monitor.h"
#include "ui/range_dial.h"

namespace kvt {

class PictureBox;

class RangeIndicator {
 public:
  // dialBox is the main window's dial picture box; monitor reads the
  // instrument's switch (the measuring session's). Both must outlive the
  // indicator. beep sounds when the switch moved; without one, the system's
  // beep.
  RangeIndicator(PictureBox& dialBox, RangeMonitor& monitor, std::function<void()> beep = {});

  // At start-up: forgets the switch position (reads it once, draws nothing).
  void Reset();
  // The main window's 1000 ms tick: returns the range resistance in ohms and
  // redraws the dial when the switch moved.
  double Poll();

  const RangeDial& Dial() const { return dial_; }

 private:
  RangeMonitor& monitor_;
  RangeDial dial_;
  std::function<void()> beep_;
};

}  // namespace kvt

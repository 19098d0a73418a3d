#pragma once
// The range dial of the main window: binds the range monitor to the window's
// picture box and to the system beep.
#include <functional>

#include "device/range_monitor.h"

namespace kvt {

class PictureBox;

class RangeIndicator {
 public:
  // picture2 is the main window's dial picture box; readStatus returns the
  // byte InPort reads from StatusPort. Both must outlive the indicator.
  RangeIndicator(PictureBox& picture2, std::function<int()> readStatus);

  // At start-up: forgets the switch position (reads it once, draws nothing).
  void Reset();
  // The main window's 1000 ms tick: returns the range resistance in ohms and
  // redraws the dial when the switch moved.
  double Poll();

 private:
  RangeMonitor monitor_;
};

}  // namespace kvt

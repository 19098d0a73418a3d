#pragma once
// One acquisition run: the output sweeps all codes 0..1023 in PointStep
// steps, one measured point per tick; the tick after the last point turns
// the measured voltages into the points of the curve.
#include <array>
#include <cstdint>
#include <functional>
#include <optional>

#include "core/curve.h"
#include "core/sweep_steps.h"

namespace kvt {

// PointCount for the six number-of-points options (32 ... 1024): the first
// one checked wins; none checked gives 32.
int PointCountForOptions(const std::array<bool, 6>& checked);

struct AcquisitionCalls {
  // Applies the output voltage and returns the measured device voltage.
  std::function<double(double volts)> measurePoint;
  // 0 sets the instrument's blink line, anything else clears it.
  std::function<void(int state)> setBlinkLine;
  // The range resistance in ohms at the moment of asking.
  std::function<double()> rangeOhms;
};

// What a tick asks the window to show.
struct TickOutcome {
  bool blinked = false;   // the indicator is redrawn ...
  int blinkState = 0;     // ... filled (1) or empty (0)
  // The share of the output range swept so far, 0 ... 1: given with every
  // blink and at the end (1), when the progress shown is brought up to date.
  std::optional<double> progress;
  bool finished = false;  // points stored, output back at 0 V: close
};

class Acquisition {
 public:
  // `curve` must outlive the run and receives its points at the end;
  // `pointCount` (32, 64, ... 1024) fixes the step. The curve is left alone
  // until then.
  Acquisition(Curve& curve, int pointCount, AcquisitionCalls calls);

  // Begins a run: blink line in its resting state, first code 0.
  void Start();

  // One timer tick.
  TickOutcome Tick();

  // Abandons the run: the curve is emptied. The instrument keeps its last
  // output.
  void Cancel();

  int PointCount() const { return pointCount_; }
  int NextCode() const { return nextCode_; }
  int BlinkState() const { return blinkState_; }
  const std::array<double, OutputCodes>& RawVolts() const { return rawVolts_; }

 private:
  TickOutcome Finish(int step);

  Curve& curve_;
  int pointCount_;
  AcquisitionCalls calls_;
  std::int16_t nextCode_ = 0;
  std::int16_t tickCount_ = 0;
  std::int16_t blinkState_ = 0;
  std::array<double, OutputCodes> rawVolts_{};
};

}  // namespace kvt

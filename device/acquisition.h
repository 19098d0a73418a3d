#pragma once
// One acquisition run: the output sweeps all codes 0..1023 in PointStep
// steps, one measured point per tick; the tick after the last point turns
// the measured voltages into the points of the PointSet.
#include <array>
#include <cstdint>
#include <functional>
#include <optional>

#include "core/point_set.h"

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
  // `points` must outlive the run; its PointCount fixes the step.
  Acquisition(PointSet& points, AcquisitionCalls calls);

  // Begins a run: blink line in its resting state, first code 0.
  void Start();

  // One timer tick.
  TickOutcome Tick();

  // Abandons the run: the set counts as empty. The instrument keeps its
  // last output.
  void Cancel();

  int NextCode() const { return nextCode_; }
  int BlinkState() const { return blinkState_; }
  const std::array<double, PointSlots>& RawVolts() const { return rawVolts_; }

 private:
  TickOutcome Finish(int step);

  PointSet& points_;
  AcquisitionCalls calls_;
  std::int16_t nextCode_ = 0;
  std::int16_t tickCount_ = 0;
  std::int16_t blinkState_ = 0;
  std::array<double, PointSlots> rawVolts_{};
};

}  // namespace kvt

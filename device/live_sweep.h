#pragma once
// Sweeps repeated back to back for a live view: one point per Tick, so a
// window's event loop runs between any two points; after each whole sweep the
// curve is handed on and the next sweep begins with the next tick.
#include <array>
#include <functional>

#include "core/curve.h"
#include "core/sweep_steps.h"
#include "device/measuring_session.h"

namespace kvt {

class LiveSweep {
 public:
  using SweepDone = std::function<void(const Curve&)>;

  // `session` must outlive the live sweep; `pointCount` is one of 32 ... 1024.
  LiveSweep(MeasuringSession& session, int pointCount, SweepDone sweepDone);
  // Stops, leaving 0 V on the output.
  ~LiveSweep();
  LiveSweep(const LiveSweep&) = delete;
  LiveSweep& operator=(const LiveSweep&) = delete;

  // Begins the first sweep; a count that is none of the six sizes does not start.
  void Start();
  // Measures the next point; the last point of a sweep also hands its curve
  // on. Nothing while stopped.
  void Tick();
  // Ticks without pause until `stop` says so, asked before every point, then
  // stops. For use without an event loop.
  void Run(const std::function<bool()>& stop);
  // Ends the sweeping and puts 0 V on the output at once; a sweep under way
  // is dropped. Called from within a tick (the curve's receiver), it takes
  // effect when the tick returns.
  void Stop();

  bool Running() const { return running_; }
  int PointCount() const { return pointCount_; }
  // Whole sweeps handed on since Start.
  long Sweeps() const { return sweeps_; }

 private:
  void FinishSweep();

  MeasuringSession& session_;
  int pointCount_;
  int step_;
  SweepDone sweepDone_;
  bool running_ = false;
  bool inTick_ = false;
  bool stopAsked_ = false;
  int nextCode_ = 0;
  long sweeps_ = 0;
  std::array<double, OutputCodes> rawVolts_{};
};

}  // namespace kvt

#include "device/live_sweep.h"

#include "device/device_routines.h"

namespace kvt {

LiveSweep::LiveSweep(MeasuringSession& session, int pointCount, SweepDone sweepDone)
    : session_(session), pointCount_(pointCount), step_(PointStep(pointCount)), sweepDone_(std::move(sweepDone)) {}

LiveSweep::~LiveSweep() { Stop(); }

void LiveSweep::Start() {
  if (step_ < 1 || step_ > 32 || OutputCodes % step_ != 0) return;
  running_ = true;
  stopAsked_ = false;
  nextCode_ = 0;
  sweeps_ = 0;
}

void LiveSweep::Tick() {
  if (!running_) return;
  inTick_ = true;
  rawVolts_[static_cast<std::size_t>(nextCode_)] = session_.Instrument().MeasurePoint(VoltsFromCode(nextCode_));
  nextCode_ += step_;
  // Unlike a single run, no return to 0 V between sweeps: the next one
  // starts at once from its lowest code.
  if (nextCode_ >= OutputCodes && !stopAsked_) FinishSweep();
  inTick_ = false;
  if (stopAsked_) Stop();
}

void LiveSweep::FinishSweep() {
  nextCode_ = 0;
  // The dial's poll gives the range, as for a ticked run; before any poll,
  // one read of the switch, so the currents are never divided by nothing.
  if (session_.RangeOhms() <= 0) session_.Range().Poll();
  const double ohms = session_.RangeOhms();
  Curve curve;
  curve.info.pointCount = pointCount_;
  curve.points.reserve(static_cast<std::size_t>(OutputCodes / step_));
  for (int code = 0; code < OutputCodes; code += step_) {
    const double volts = rawVolts_[static_cast<std::size_t>(code)];
    curve.points.push_back({volts, (VoltsFromCode(code) - volts) / ohms, false,
                            ohms > 0 ? std::optional<double>(ohms) : std::nullopt});
  }
  FlagClipping(curve);
  ++sweeps_;
  if (sweepDone_) sweepDone_(curve);
}

void LiveSweep::Run(const std::function<bool()>& stop) {
  while (running_ && !(stop && stop())) Tick();
  Stop();
}

void LiveSweep::Stop() {
  if (inTick_) {
    stopAsked_ = true;
    return;
  }
  if (!running_ && !stopAsked_) return;
  running_ = false;
  stopAsked_ = false;
  nextCode_ = 0;
  session_.LeaveAtZeroVolts();
}

}  // namespace kvt

#include "device/acquisition.h"

#include "device/device_routines.h"

namespace kvt {

int PointCountForOptions(const std::array<bool, 6>& checked) {
  for (int k = 0; k < 6; ++k)
    if (checked[k]) return 32 << k;
  return 32;
}

Acquisition::Acquisition(Curve& curve, int pointCount, AcquisitionCalls calls)
    : curve_(curve), pointCount_(pointCount), calls_(std::move(calls)) {}

void Acquisition::Start() {
  calls_.setBlinkLine(0);
  nextCode_ = 0;
}

TickOutcome Acquisition::Tick() {
  TickOutcome out;
  const int step = PointStep(pointCount_);
  // A count that is none of the six sizes has no sweep: nothing measured.
  if (step < 1 || 1024 % step != 0 || step > 32) {
    Cancel();
    out.finished = true;
    return out;
  }
  const int blinkEvery = 32 / step;

  if (nextCode_ == 0) {
    tickCount_ = 0;
    blinkState_ = 0;
  }
  if (nextCode_ > 1023) return Finish(step);

  ++tickCount_;
  if (tickCount_ >= blinkEvery) {
    blinkState_ = static_cast<std::int16_t>(1 - blinkState_);
    calls_.setBlinkLine(blinkState_);
    out.blinked = true;
    out.blinkState = blinkState_;
    tickCount_ = 0;
    out.progress = nextCode_ / 1023.0;
  }

  const double volts = VoltsFromCode(nextCode_);
  rawVolts_[nextCode_] = calls_.measurePoint(volts);
  nextCode_ = static_cast<std::int16_t>(nextCode_ + step);
  return out;
}

TickOutcome Acquisition::Finish(int step) {
  TickOutcome out;
  out.progress = 1.0;
  nextCode_ = 0;
  tickCount_ = 0;
  blinkState_ = 0;

  // Every current of the run uses the range set now, at the end.
  const double ohms = calls_.rangeOhms();
  Curve measured;
  measured.info.pointCount = pointCount_;
  for (int i = 0; i <= 1023; i += step)
    measured.points.push_back({rawVolts_[i], (VoltsFromCode(i) - rawVolts_[i]) / ohms, false,
                               ohms > 0 ? std::optional<double>(ohms) : std::nullopt});
  FlagClipping(measured);
  curve_ = std::move(measured);
  calls_.measurePoint(0.0);
  out.finished = true;
  return out;
}

void Acquisition::Cancel() { curve_ = Curve{}; }

}  // namespace kvt

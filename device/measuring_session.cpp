#include "device/measuring_session.h"

#include <functional>

namespace kvt {

MeasuringSession::MeasuringSession(PortIo& port, Clock& clock, const DeviceOptions& options)
    : device_(port, clock, options), range_([this] { return device_.ReadStatus(); }) {}

void MeasuringSession::Connect() {
  device_.SetupPorts();
  device_.CalibrateDelay();
}

AcquisitionCalls MeasuringSession::SweepCalls() {
  // The sweep talks to the instrument itself; only the range goes through
  // the session, whose poll the dial shares.
  return {std::bind_front(&Device::MeasurePoint, &device_), std::bind_front(&Device::SetBlinkLine, &device_),
          [this] { return RangeOhms(); }};
}

bool MeasuringSession::SweepBackToBack(Curve& curve, int pointCount, const std::function<bool()>& stop,
                                       const std::function<void()>& pointDone) {
  Acquisition run(curve, pointCount, SweepCalls());
  run.Start();
  for (;;) {
    if (stop && stop()) {
      run.Cancel();
      return false;
    }
    // The tick past the last code stores the points with the range of now.
    if (run.NextCode() > 1023) range_.Poll();
    if (run.Tick().finished) return !curve.empty();
    if (pointDone) pointDone();
  }
}

void MeasuringSession::LeaveAtZeroVolts() {
  if (const auto zero = CodeFromVolts(0)) device_.WriteDac(*zero);
}

}  // namespace kvt

#include "device/measuring_session.h"

namespace kvt {

MeasuringSession::MeasuringSession(PortIo& port, Clock& clock, const DeviceOptions& options)
    : device_(port, clock, options), range_([this] { return device_.ReadStatus(); }) {}

void MeasuringSession::Connect() {
  device_.SetupPorts();
  device_.CalibrateDelay();
}

AcquisitionCalls MeasuringSession::SweepCalls() {
  return {[this](double volts) { return device_.MeasurePoint(volts); },
          [this](int state) { device_.SetBlinkLine(state); }, [this] { return RangeOhms(); }};
}

bool MeasuringSession::SweepBackToBack(PointSet& points, const std::function<bool()>& stop,
                                       const std::function<void()>& pointDone) {
  Acquisition run(points, SweepCalls());
  run.Start();
  for (;;) {
    if (stop && stop()) {
      run.Cancel();
      return false;
    }
    // The tick past the last code stores the points with the range of now.
    if (run.NextCode() > 1023) range_.Poll();
    if (run.Tick().finished) return points.PointCount != 0;
    if (pointDone) pointDone();
  }
}

void MeasuringSession::LeaveAtZeroVolts() {
  if (const auto zero = CodeFromVolts(0)) device_.WriteDac(*zero);
}

}  // namespace kvt

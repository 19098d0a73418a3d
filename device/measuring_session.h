#pragma once
// One measuring session: the instrument, its range switch and the sweeps run
// on it. The window drives a sweep one point per timer tick, kvt measure back
// to back; both through the same calls, so both measure alike.
#include <functional>
#include <memory>

#include "core/curve.h"
#include "core/port_io.h"
#include "core/typed_options.h"
#include "device/acquisition.h"
#include "device/device_routines.h"
#include "device/range_monitor.h"

namespace kvt {

class MeasuringSession {
 public:
  // All three references must outlive the session.
  MeasuringSession(PortIo& port, Clock& clock, const DeviceOptions& options);

  Device& Instrument() { return device_; }
  const Device& Instrument() const { return device_; }

  // The first port access: the port set up from the options, then the
  // delay calibrated (nothing to calibrate without a port).
  void Connect();

  // The range switch, read through the session alone so that a run and the
  // dial agree on the range.
  RangeMonitor& Range() { return range_; }
  // The range resistance the last poll found; 0 before the first poll.
  double RangeOhms() const { return range_.LastOhms(); }

  // The calls a sweep makes: points measured on the instrument, the blink
  // line, and the range of the last poll for the currents.
  AcquisitionCalls SweepCalls();

  // Sweeps `pointCount` points (32 ... 1024) without pause into `curve`, the
  // range read from the switch just before the points are stored. `stop` is
  // asked before every point: when it says so the run is abandoned (the
  // curve is emptied, the output stays where it was) and false returned.
  // `pointDone` is told of every point measured. The output ends at 0 V
  // after a whole sweep.
  bool SweepBackToBack(Curve& curve, int pointCount, const std::function<bool()>& stop = {},
                       const std::function<void()>& pointDone = {});

  // Puts 0 V on the part, as after a sweep, without measuring.
  void LeaveAtZeroVolts();

 private:
  Device device_;
  RangeMonitor range_;
};

}  // namespace kvt

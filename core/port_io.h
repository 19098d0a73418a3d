#pragma once
#include <optional>
#include <string>

namespace kvt {

// What the device routines need of the outside world: byte access to the
// parallel port's registers and a clock for the delay calibration and pauses.

class PortIo {
 public:
  virtual ~PortIo() = default;
  // The low 8 bits of value to the port given by the low 16 bits of port.
  virtual int OutPort(int port, int value) = 0;
  // One byte from the port, 0..255.
  virtual int InPort(int port) = 0;
  // The instrument's latest complaint for the user (a simulated instrument's
  // control file it could not understand); empty when there is none.
  virtual std::string InstrumentMessage() { return {}; }
  // Why the port cannot be used (a message naming the port and the reason),
  // or nothing when it can or when the port has no way of telling.
  virtual std::optional<std::string> AccessError(int /*port*/) { return std::nullopt; }
};

class Clock {
 public:
  virtual ~Clock() = default;
  // Seconds from an arbitrary start; never goes backwards.
  virtual double Seconds() = 0;
};

}  // namespace kvt

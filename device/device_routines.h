#pragma once
// Driving the instrument through the parallel port's registers: the port
// addresses, the calibrated busy-wait pause, the serial transfers into the
// output converter (DAC) and out of the measuring converter (ADC), one
// measured point and the blink line.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "core/port_io.h"
#include "core/typed_options.h"

namespace kvt {

// Converter codes 0..1023 and volts: volts = (code - 512) / 100.
double VoltsFromCode(int code);
// volts * 100 + 512, ties to even; nothing when it does not fit 16 bits.
std::optional<std::int16_t> CodeFromVolts(double volts);

// Binary digits of n >= 0, most significant first, no leading zeros ("0" for
// 0, "110" for 6). A negative n gives an empty text.
std::string BinaryDigits(int n);

class Device {
 public:
  // Register lines of the data register.
  static constexpr int DacClock = 0x01;
  static constexpr int DacData = 0x02;
  static constexpr int DacFrame = 0x04;
  static constexpr int AdcClock = 0x10;
  static constexpr int AdcFrame = 0x20;
  // Status register: the ADC's data line.
  static constexpr int AdcData = 0x20;
  // Control register: the blink line.
  static constexpr int BlinkLine = 0x02;

  // A calibration burst grows until it lasts this long: short enough that
  // most bursts run between two turns of the scheduler even on a busy
  // machine, long enough to hold hundreds of reads of a real port.
  static constexpr double CalibrationBurstSeconds = 0.001;
  // Bursts of that length timed after the growing one; the fastest counts.
  static constexpr int CalibrationBursts = 50;
  // Calibration bursts grow no further than this many reads, so a clock that
  // never advances cannot hang the start-up: no port answers a million reads
  // within a millisecond.
  static constexpr double MaxBurstReads = 1048576.0;
  // No port is read faster than this; the rate assumed when the clock stood
  // still during the calibration.
  static constexpr double MaxReadsPerMicrosecond = 1000.0;
  // A pause looks at the clock after about this much reading.
  static constexpr double ClockStrideMicros = 1.0;

  // The delay and the averaging count are read at every use, so a change of
  // the options applies from the next port operation; all three references
  // must outlive the device.
  Device(PortIo& port, Clock& clock, const DeviceOptions& options);

  // Pauses stop for the keep-responsive hook at least this often.
  static constexpr double ResponsiveSliceMicros = 50000;

  // Addresses from PortHex: base, base + 1, base + 2, the hexadecimal
  // digits read as an unsigned 16-bit address (so "D000" is port 0xD000).
  // A base above FFFD, which would put a register beyond 16 bits, or one
  // whose registers the port refuses, leaves the device without a port:
  // then nothing touches the port, pauses are empty and conversions read 0,
  // and PortProblem says why.
  void SetupPorts();
  bool HasPort() const { return hasPort_; }
  const std::optional<std::string>& PortProblem() const { return portProblem_; }
  // The base address a PortHex text gives; nothing beyond FFFD.
  static std::optional<int> BaseAddress(const std::string& portHex) { return PortBaseOf(portHex); }
  // Why the three registers from `base` on cannot be used; nothing when they can.
  std::optional<std::string> AccessError(int base);
  int DataPort() const { return dataPort_; }
  int StatusPort() const { return dataPort_ + 1; }
  int ControlPort() const { return dataPort_ + 2; }

  // Measures how many data register reads take one microsecond: the
  // fastest of many short bursts, as a burst the scheduler interrupted only
  // looks slower.
  void CalibrateDelay();
  double ReadsPerMicrosecond() const { return readsPerMicrosecond_; }

  // Busy-waits at least n microseconds by the clock, reading the data
  // register all the while. Stretches in which the clock does not move count
  // by their reads at the calibrated rate, so a clock that stands still gives
  // counted pauses instead of endless ones.
  // While a point is measured, a keep-responsive hook is called after every
  // ResponsiveSliceMicros of pausing; when it returns false the point is
  // abandoned: its remaining pauses and conversions are left out and its
  // value means nothing.
  void WaitMicroseconds(std::int32_t n);
  void SetKeepResponsive(std::function<bool()> hook) { keepResponsive_ = std::move(hook); }
  bool Measuring() const { return measuring_; }
  // Waits the options' delay; no pause for a value below 1 or beyond 32 bits.
  void PortDelay();

  // State 0 sets the blink line, any other value clears it. No pause.
  void SetBlinkLine(int state);

  // Shifts the code into the DAC; codes outside 0..1023 touch no port.
  void WriteDac(int code);
  // Shifts one conversion out of the ADC: 0..1023.
  int ReadAdc();
  // Applies volts (nothing written when the code falls outside 0..1023) and
  // returns the measured device voltage from the options' averaging count of
  // conversions.
  double MeasurePoint(double volts);

  // The status register as the range switch sees it; 0 without a port.
  int ReadStatus();

 private:
  int ReadData();
  void WriteData(int value);
  void Burst(double reads);
  double TimedBurst(double reads);
  // Adds paused microseconds towards the next call of the hook; false when
  // the hook abandons the point.
  bool Paused(double micros);

  PortIo& port_;
  Clock& clock_;
  const DeviceOptions& options_;
  bool hasPort_ = false;
  std::optional<std::string> portProblem_;
  int dataPort_ = 0;
  int lastData_ = 0;  // the byte last written to the data register
  double readsPerMicrosecond_ = 0;
  std::function<bool()> keepResponsive_;
  bool measuring_ = false;
  bool abandoned_ = false;
  double pausedSinceHook_ = 0;  // microseconds
};

// One code from the conversions of a point, with stray readings left out
// (see the definition for the rule). conversions must not be empty.
int CombineConversions(const int* conversions, int count);

}  // namespace kvt

#include "device/device_routines.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <vector>

#include "core/text_number.h"

namespace kvt {

double VoltsFromCode(int code) { return (code - 512) / 100.0; }

std::optional<std::int16_t> CodeFromVolts(double volts) { return ToInt16(volts * 100 + 512); }

std::string BinaryDigits(int n) {
  if (n < 0) return {};
  std::string digits;
  do {
    digits.push_back((n % 2) ? '1' : '0');
    n /= 2;
  } while (n != 0);
  return {digits.rbegin(), digits.rend()};
}

Device::Device(PortIo& port, Clock& clock, const DeviceOptions& options)
    : port_(port), clock_(clock), options_(options) {}

std::optional<std::string> Device::AccessError(int base) {
  for (int offset = 0; offset < 3; ++offset)
    if (auto error = port_.AccessError(base + offset)) return error;
  return std::nullopt;
}

void Device::SetupPorts() {
  const auto& base = options_.portBase;
  dataPort_ = base.value_or(0);
  portProblem_ = base ? AccessError(*base)
                      : std::optional<std::string>("The port address " + options_.portHex +
                                                   " leaves no room for the three registers below 0x10000.");
  hasPort_ = !portProblem_;
}

int Device::ReadData() { return port_.InPort(dataPort_) & 0xFF; }

void Device::WriteData(int value) {
  lastData_ = value & 0xFF;
  port_.OutPort(dataPort_, lastData_);
}

void Device::Burst(double reads) {
  for (double count = 1; count <= reads; ++count) port_.InPort(dataPort_);
}

double Device::TimedBurst(double reads) {
  const double start = clock_.Seconds();
  Burst(reads);
  return std::max(0.0, clock_.Seconds() - start);
}

void Device::CalibrateDelay() {
  if (!hasPort_) return;
  double n = 100;
  double fastest = TimedBurst(n);
  while (fastest < CalibrationBurstSeconds && n < MaxBurstReads) {
    n = std::min(2 * n, MaxBurstReads);
    fastest = TimedBurst(n);
  }
  // Preemption only ever stretches a burst, so the fastest one is the port's
  // own speed. A burst that took no time at all says nothing but that the
  // clock did not tick during it.
  if (fastest > 0) {
    for (int i = 0; i < CalibrationBursts; ++i) {
      const double seconds = TimedBurst(n);
      if (seconds > 0) fastest = std::min(fastest, seconds);
    }
  }
  readsPerMicrosecond_ =
      fastest > 0 ? std::min(std::trunc(n / fastest) / 1e6, MaxReadsPerMicrosecond) : MaxReadsPerMicrosecond;
}

void Device::WaitMicroseconds(std::int32_t n) {
  if (!hasPort_ || abandoned_ || n <= 0) return;
  const double stride = std::max(1.0, std::floor(readsPerMicrosecond_ * ClockStrideMicros));
  const double start = clock_.Seconds();
  double last = start;
  double unseenMicros = 0;  // strides in which the clock stood still, by the calibrated rate
  double waited = 0;
  while (waited < n) {
    Burst(stride);
    const double now = clock_.Seconds();
    if (now <= last) unseenMicros += stride / readsPerMicrosecond_;
    last = std::max(last, now);
    const double before = waited;
    waited = std::min<double>(n, (last - start) * 1e6 + unseenMicros);
    if (!Paused(waited - before)) return;
  }
}

bool Device::Paused(double micros) {
  if (!keepResponsive_ || !measuring_) return true;
  pausedSinceHook_ += micros;
  if (pausedSinceHook_ < ResponsiveSliceMicros) return true;
  pausedSinceHook_ = std::fmod(pausedSinceHook_, ResponsiveSliceMicros);
  if (keepResponsive_()) return true;
  abandoned_ = true;
  return false;
}

void Device::PortDelay() { WaitMicroseconds(options_.delayMicros); }

void Device::SetBlinkLine(int state) {
  if (!hasPort_) return;
  int b = port_.InPort(ControlPort()) & 0xFF;
  b = state == 0 ? (b | BlinkLine) : (b & ~BlinkLine & 0xFF);
  port_.OutPort(ControlPort(), b);
}

void Device::WriteDac(int code) {
  if (code < 0 || code > 1023 || !hasPort_) return;
  const std::string bits = std::string(10 - BinaryDigits(code).size(), '0') + BinaryDigits(code);

  WriteData(ReadData() & ~(DacClock | DacFrame));
  PortDelay();
  WriteData((ReadData() & ~(DacClock | DacFrame)) | DacClock);
  PortDelay();
  for (const char bit : bits) {
    const auto withData = [bit](int b) { return bit == '1' ? (b | DacData) : (b & ~DacData); };
    WriteData(withData((ReadData() & ~(DacClock | DacFrame)) | DacFrame));
    PortDelay();
    WriteData(withData(ReadData() | DacClock | DacFrame));
    PortDelay();
  }
}

int Device::ReadAdc() {
  if (!hasPort_) return 0;
  WriteData(ReadData() & ~(AdcClock | AdcFrame));
  PortDelay();
  WriteData((ReadData() & ~(AdcClock | AdcFrame)) | AdcClock);
  PortDelay();
  int result = 0;
  for (int i = 1; i <= 10; ++i) {
    if (port_.InPort(StatusPort()) & AdcData) result += 1 << (10 - i);
    ReadData();  // read as the transfer always has; the write uses the last byte written
    WriteData((lastData_ & ~(AdcClock | AdcFrame)) | AdcFrame);
    PortDelay();
    WriteData(ReadData() | AdcClock | AdcFrame);
    PortDelay();
  }
  return result;
}

double Device::MeasurePoint(double volts) {
  measuring_ = true;
  abandoned_ = false;
  pausedSinceHook_ = 0;
  if (const auto code = CodeFromVolts(volts)) WriteDac(*code);
  const int n = options_.averaging;
  std::vector<int> conversions(static_cast<std::size_t>(n));
  int taken = 0;
  while (taken < n && !abandoned_) conversions[static_cast<std::size_t>(taken++)] = ReadAdc();
  measuring_ = false;
  abandoned_ = false;
  return VoltsFromCode(CombineConversions(conversions.data(), std::max(taken, 1)));
}

int Device::ReadStatus() { return hasPort_ ? port_.InPort(StatusPort()) & 0xFF : 0; }

// A conversion is kept when it lies within 8 codes of its reference: the last
// kept conversion, or, while none is kept yet, the median of all conversions
// (the upper one of the middle two for an even count). Comparing the first
// ones with the median keeps a stray first reading from becoming the
// reference and pushing out every good one after it. The kept conversions
// are averaged (ties to even). While nothing is kept the median conversion
// itself always qualifies, so the last conversion standing in for an empty
// choice is only a guard.
int CombineConversions(const int* conversions, int count) {
  std::vector<int> sorted(conversions, conversions + count);
  std::nth_element(sorted.begin(), sorted.begin() + count / 2, sorted.end());
  const int median = sorted[static_cast<std::size_t>(count / 2)];

  long long sum = 0;
  int kept = 0;
  int reference = median;
  for (int i = 0; i < count; ++i) {
    if (std::abs(conversions[i] - reference) > 8) continue;
    sum += conversions[i];
    ++kept;
    reference = conversions[i];
  }
  if (kept == 0) return conversions[count - 1];
  return static_cast<int>(RoundHalfEven(static_cast<double>(sum) / kept));
}

}  // namespace kvt

#pragma once
// A port that records every access and behaves like the instrument on its
// registers: the data and control registers read back what was written, the
// DAC takes bits on rising clock edges and the ADC shifts out a code.
#include <cstdint>
#include <cstdio>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "core/port_io.h"

namespace kvt {

struct PortAccess {
  bool write;
  int port;
  int value;
};

class FakeInstrument : public PortIo {
 public:
  explicit FakeInstrument(int base = 0x378) : base_(base) {}

  int data = 0;
  int control = 0;
  int adcCode = 0;              // what a conversion shifts out...
  std::vector<int> adcSequence;  // ...unless these codes are not used up yet
  int fixedStatus = -1;       // >= 0: the status register reads this byte
  std::vector<int> dacCodes;  // every code the DAC latched, in order
  std::vector<PortAccess> trace;
  bool record = true;
  long long reads = 0;
  bool strayAccess = false;   // a port other than the three registers
  std::string message;        // the instrument's complaint, as a simulated one gives it
  std::set<int> refusedPorts;  // AccessError refuses these, as a port library would

  std::optional<std::string> AccessError(int port) override {
    if (!refusedPorts.count(port)) return std::nullopt;
    char message[80];
    std::snprintf(message, sizeof message, "The I/O port 0x%X cannot be used: no parallel port here.", port);
    return std::string(message);
  }

  int OutPort(int port, int value) override {
    if (record) trace.push_back({true, port, value});
    const int byte = value & 0xFF;
    if (port == base_) WriteData(byte);
    else if (port == base_ + 2) control = byte;
    else strayAccess = true;
    return byte;
  }

  int InPort(int port) override {
    ++reads;
    if (record) trace.push_back({false, port, 0});
    if (port == base_) return data;
    if (port == base_ + 2) return control;
    if (port != base_ + 1) strayAccess = true;
    if (fixedStatus >= 0) return fixedStatus;
    return (adcShift_ >> adcBit_) & 1 ? 0x20 : 0x00;
  }

  std::string InstrumentMessage() override { return message; }

  std::vector<int> DataWrites() const {
    std::vector<int> bytes;
    for (const auto& a : trace)
      if (a.write && a.port == base_) bytes.push_back(a.value);
    return bytes;
  }

  // Data register reads after each data write up to the next write or the end.
  std::vector<int> ReadsAfterWrites() const {
    std::vector<int> counts;
    for (const auto& a : trace) {
      if (a.write && a.port == base_) counts.push_back(0);
      else if (!a.write && a.port == base_ && !counts.empty()) ++counts.back();
    }
    return counts;
  }

 private:
  void WriteData(int byte) {
    const bool dacRise = !(data & 0x01) && (byte & 0x01);
    const bool adcRise = !(data & 0x10) && (byte & 0x10);
    data = byte;
    if (dacRise) {
      if (!(byte & 0x04)) {
        dacShift_ = 0;
        dacBits_ = 0;
      } else {
        dacShift_ = (dacShift_ << 1) | ((byte & 0x02) ? 1 : 0);
        if (++dacBits_ == 10) dacCodes.push_back(dacShift_);
      }
    }
    if (adcRise) {
      if (!(byte & 0x20)) {
        adcShift_ = adcNext_ < adcSequence.size() ? adcSequence[adcNext_++] : adcCode;
        adcBit_ = 9;
      } else if (adcBit_ > 0) {
        --adcBit_;
      } else {
        adcShift_ = 0;
      }
    }
  }

  int base_;
  int dacShift_ = 0;
  int dacBits_ = 0;
  int adcShift_ = 0;
  int adcBit_ = 0;
  std::size_t adcNext_ = 0;
};

// Hands out clock readings so that each timed burst of the calibration
// lasts the next of the given durations (the last one over and over): every
// second reading moves the time on by a duration. Time never goes back, so
// a pause after the calibration ends once the clock has moved.
class BurstClock : public Clock {
 public:
  explicit BurstClock(std::vector<double> durations) : durations_(std::move(durations)) {}
  double Seconds() override {
    const std::size_t burst = calls_ / 2;
    if (calls_++ % 2 == 1) now_ += burst < durations_.size() ? durations_[burst] : durations_.back();
    return now_;
  }

 private:
  std::vector<double> durations_;
  std::size_t calls_ = 0;
  double now_ = 0;
};

}  // namespace kvt

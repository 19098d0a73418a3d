#include "device/range_monitor.h"

#include "core/text_number.h"

namespace kvt {

int SwitchCode(int statusByte) {
  return static_cast<int>(RoundHalfEven((statusByte & 0xFF) / 128.0));
}

int RangeIndexOfCode(int code) {
  switch (code) {
    case 1: return 0;
    case 2: return 1;
    default: return 2;
  }
}

double RangeOhms(int rangeIndex) {
  switch (rangeIndex) {
    case 0: return 100;
    case 1: return 1000;
    default: return 10000;
  }
}

RangeMonitor::RangeMonitor(std::function<int()> readStatus) : readStatus_(std::move(readStatus)) {}

void RangeMonitor::Reset() {
  lastCode_ = 0;
  lastIndex_ = 0;
  switchKnown_ = false;
  Poll();
  lastOhms_ = 0;
}

RangeReading RangeMonitor::Poll() {
  RangeReading reading;
  int code = SwitchCode(readStatus_());
  if (switchKnown_ && code == lastCode_) {
    reading.rangeIndex = lastIndex_;
  } else {
    if (switchKnown_) {
      code = SwitchCode(readStatus_());
      reading.moved = true;
    }
    switchKnown_ = true;
    lastCode_ = code;
    lastIndex_ = RangeIndexOfCode(code);
    reading.rangeIndex = lastIndex_;
  }
  reading.ohms = RangeOhms(reading.rangeIndex);
  lastOhms_ = reading.ohms;
  return reading;
}

}  // namespace kvt

#pragma once
// The instrument's three-position range switch: polled once a second, it
// keeps the range resistance current and tells when the switch moved.
#include <functional>

namespace kvt {

// Switch code of a status byte: byte / 128, nearest integer, ties to even.
int SwitchCode(int statusByte);
// RangeIndex for a switch code: 1 -> 0, 2 -> 1, 0 -> 2.
int RangeIndexOfCode(int code);
// 100, 1000 or 10000 ohms for RangeIndex 0, 1, 2.
double RangeOhms(int rangeIndex);

// One poll of the switch.
struct RangeReading {
  int rangeIndex = 0;
  double ohms = 0;
  bool moved = false;  // the switch left the position of the last read
};

class RangeMonitor {
 public:
  // readStatus returns the parallel port's status byte.
  explicit RangeMonitor(std::function<int()> readStatus);

  // At start-up: forgets the switch position, then reads the switch once.
  // The range counts as unknown until the next poll.
  void Reset();

  // The once-a-second poll. A moved switch is read a second time (it may
  // still be settling); the reading is that of the second read.
  RangeReading Poll();

  // The range resistance of the last poll; 0 before the first one.
  double LastOhms() const { return lastOhms_; }

 private:
  std::function<int()> readStatus_;

  int lastCode_ = 0;
  int lastIndex_ = 0;
  bool switchKnown_ = false;
  double lastOhms_ = 0;
};

}  // namespace kvt

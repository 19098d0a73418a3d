#pragma once
// Simulated time for the pauses: a clock that only moves when the port is
// accessed, each access costing a fixed time, and the scheduler's turns as
// stretches of time in which nothing runs. Costs are powers of two of a
// second, so every reading is exact.
#include <stdexcept>
#include <vector>

#include "core/port_io.h"
#include "tests/support/fake_instrument.h"

namespace kvt {

class SimulatedTime : public Clock {
 public:
  double now = 0;
  bool stopped = false;  // readings stay where they are while time goes on
  double Seconds() override {
    if (!stopped) shown_ = now;
    return shown_;
  }

 private:
  double shown_ = 0;
};

class TimedInstrument : public FakeInstrument {
 public:
  TimedInstrument(SimulatedTime& time, double accessSeconds) : accessSeconds(accessSeconds), time_(time) {}

  double accessSeconds;
  // Preemption: after every runSeconds of accesses, lostSeconds pass in
  // which other processes run. 0 runs without interruption.
  double runSeconds = 0;
  double lostSeconds = 0;
  // Past this many reads an access throws instead of letting a test hang.
  long long readBudget = -1;
  std::vector<double> dataWriteTimes;  // when each data register write happened

  int OutPort(int port, int value) override {
    Spend();
    if (port == 0x378) dataWriteTimes.push_back(time_.now);
    return FakeInstrument::OutPort(port, value);
  }
  int InPort(int port) override {
    if (readBudget >= 0 && reads >= readBudget) throw std::runtime_error("the read budget is spent");
    Spend();
    return FakeInstrument::InPort(port);
  }

  // Microseconds from each data register write to the next.
  std::vector<double> WriteIntervalsMicros() const {
    std::vector<double> intervals;
    for (std::size_t i = 1; i < dataWriteTimes.size(); ++i)
      intervals.push_back((dataWriteTimes[i] - dataWriteTimes[i - 1]) * 1e6);
    return intervals;
  }

 private:
  void Spend() {
    time_.now += accessSeconds;
    if (runSeconds <= 0) return;
    ran_ += accessSeconds;
    if (ran_ < runSeconds) return;
    ran_ = 0;
    time_.now += lostSeconds;
  }

  SimulatedTime& time_;
  double ran_ = 0;
};

}  // namespace kvt

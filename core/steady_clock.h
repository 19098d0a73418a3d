#pragma once
// The real clock of the delay calibration and the pauses: monotonic, unlike a
// time of day, so neither can go wrong across midnight.
#include <chrono>

#include "core/port_io.h"

namespace kvt {

class SteadyClock : public Clock {
 public:
  double Seconds() override {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
  }
};

}  // namespace kvt

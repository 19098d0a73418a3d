#include "simulator/simulated_hand.h"

namespace kvtsim {

void SimulatedHand::Request(int rangeOhms, double nowSeconds, double pauseSeconds) {
  if (rangeOhms != 100 && rangeOhms != 1000 && rangeOhms != 10000) return;
  target_ = rangeOhms;
  dueSeconds_ = nowSeconds + (pauseSeconds > 0 ? pauseSeconds : 0);
}

std::optional<int> SimulatedHand::Due(double nowSeconds) {
  if (!target_ || nowSeconds < dueSeconds_) return std::nullopt;
  const int position = *target_;
  target_.reset();
  return position;
}

}  // namespace kvtsim

#pragma once
// The hand that turns the simulated range switch when the program asks for
// another range: it arrives a while after the request, as a person's would.
#include <optional>

namespace kvtsim {

class SimulatedHand {
 public:
  // Asks for the switch at `rangeOhms` (100, 1000 or 10000), reached
  // `pauseSeconds` after `nowSeconds`. A later request replaces an earlier
  // one not yet carried out; anything else is ignored.
  void Request(int rangeOhms, double nowSeconds, double pauseSeconds);

  // The position to turn the switch to once its time has come, then nothing
  // until the next request.
  std::optional<int> Due(double nowSeconds);

 private:
  std::optional<int> target_;
  double dueSeconds_ = 0;
};

}  // namespace kvtsim

#pragma once
// A bag of simulated diodes as the parts library would hand it over: a
// forward voltage and a dynamic resistance each, partly correlated as a
// junction's are, with the uncertainties a 1 kohm sweep gives them.
#include <cmath>
#include <cstdint>

#include "analysis/part_figures.h"

namespace kvt {

// splitmix64 and Box-Muller: the same bag on every platform and library.
class BagRandom {
 public:
  explicit BagRandom(std::uint64_t seed) : state_(seed) {}
  double Uniform() {
    std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return ((z ^ (z >> 31)) >> 11) * 0x1.0p-53;
  }
  double Gaussian() { return std::sqrt(-2 * std::log(1 - Uniform())) * std::cos(2 * M_PI * Uniform()); }

 private:
  std::uint64_t state_;
};

inline PartTable DiodeBag(std::size_t count, std::uint64_t seed = 1) {
  BagRandom random(seed);
  PartTable table;
  auto& vf = table["vf"];
  auto& rd = table["rd"];
  for (std::size_t i = 0; i < count; ++i) {
    const double junction = random.Gaussian(), bulk = random.Gaussian();
    vf.push_back(MeasuredFigure{0.650 + 0.012 * junction, 0.002});
    rd.push_back(MeasuredFigure{30.0 + 2.0 * junction + 3.0 * bulk, 0.5});
  }
  return table;
}

}  // namespace kvt

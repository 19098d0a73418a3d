#pragma once
// The ADC's imperfections from a seeded generator, so a run can be repeated
// reading for reading: Gaussian noise and now and then a stray reading.
#include <cstdint>

namespace kvtsim {

class NoiseSource {
 public:
  explicit NoiseSource(std::uint64_t seed = 1) { Reseed(seed); }
  void Reseed(std::uint64_t seed);

  // Offset in codes to add to an ideal reading: Gaussian with the given
  // standard deviation, plus with probability strayRate a jump of 20 to 60
  // codes either way.
  double Offset(double sigmaCodes, double strayRate);

 private:
  std::uint64_t Next();
  double Uniform();  // in [0, 1)
  double Gaussian();

  std::uint64_t state_ = 0;
  double spare_ = 0.0;
  bool haveSpare_ = false;
};

}  // namespace kvtsim

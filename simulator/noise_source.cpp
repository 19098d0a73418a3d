#include "simulator/noise_source.h"

#include <cmath>

namespace kvtsim {

void NoiseSource::Reseed(std::uint64_t seed) {
  state_ = seed;
  haveSpare_ = false;
}

// splitmix64: small, fast and the same sequence on every platform.
std::uint64_t NoiseSource::Next() {
  std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
  return z ^ (z >> 31);
}

double NoiseSource::Uniform() { return (Next() >> 11) * 0x1.0p-53; }

// Box-Muller, keeping the second value of each pair.
double NoiseSource::Gaussian() {
  if (haveSpare_) {
    haveSpare_ = false;
    return spare_;
  }
  double u = 1.0 - Uniform();  // (0, 1]: the logarithm stays finite
  double r = std::sqrt(-2.0 * std::log(u));
  double angle = 2.0 * M_PI * Uniform();
  spare_ = r * std::sin(angle);
  haveSpare_ = true;
  return r * std::cos(angle);
}

double NoiseSource::Offset(double sigmaCodes, double strayRate) {
  double offset = sigmaCodes > 0 ? sigmaCodes * Gaussian() : 0.0;
  if (strayRate > 0 && Uniform() < strayRate) {
    double jump = 20.0 + 40.0 * Uniform();
    offset += (Next() & 1) ? jump : -jump;
  }
  return offset;
}

}  // namespace kvtsim

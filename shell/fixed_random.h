#pragma once

#include <cstdint>

namespace wordmeadow {

// SplitMix64 from a fixed seed: the same numbers on every run, with every compiler and standard
// library (the standard distributions are not portable, so the float is made from the bits here).
class FixedRandom {
 public:
  static constexpr std::uint64_t kSeed = 0x5745'4C43'4F4D'4521ULL;

  // Uniform in [0, 1), with 24 random bits: every value is exact in single precision.
  float next();

 private:
  std::uint64_t state_ = kSeed;
};

}  // namespace wordmeadow

#include "shell/fixed_random.h"

namespace wordmeadow {

float FixedRandom::next() {
  std::uint64_t z = (state_ += 0x9E37'79B9'7F4A'7C15ULL);
  z = (z ^ (z >> 30)) * 0xBF58'476D'1CE4'E5B9ULL;
  z = (z ^ (z >> 27)) * 0x94D0'49BB'1331'11EBULL;
  z ^= z >> 31;
  return static_cast<float>(z >> 40) * 0x1.0p-24f;
}

}  // namespace wordmeadow

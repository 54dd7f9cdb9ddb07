#include "shell/random_pick.h"

#include <algorithm>
#include <cmath>

namespace wordmeadow {

std::size_t indexFor(float r, std::size_t n) {
  // r has 24 bits and n at most 15, so the product in double is exact.
  const double product = static_cast<double>(r) * static_cast<double>(static_cast<float>(n));
  const auto index = static_cast<std::size_t>(std::floor(std::max(product, 0.0)));
  return std::min(index, n - 1);  // only a source that broke its promise of r < 1 gets here
}

}  // namespace wordmeadow

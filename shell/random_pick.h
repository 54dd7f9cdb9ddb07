#pragma once

#include <cstddef>
#include <iterator>
#include <utility>
#include <vector>

#include "shell/platform.h"

namespace wordmeadow {

// Which entry r in [0, 1) picks out of n: the whole part of the exact product r * n. Every
// random choice of the program goes through here, from the platform's one fixed source.
std::size_t indexFor(float r, std::size_t n);

// Removes and returns a random entry of a non-empty list.
template <typename T>
T takeRandom(Platform& platform, std::vector<T>& entries) {
  const std::size_t index = indexFor(platform.nextRandom(), entries.size());
  T taken = std::move(entries[index]);
  entries.erase(entries.begin() + static_cast<std::ptrdiff_t>(index));
  return taken;
}

}  // namespace wordmeadow

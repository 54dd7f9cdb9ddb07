// Fills the letter pool from a synthetic folder listing (one name per line) and draws it empty
// with random numbers taken from the input, checking what the pool promises.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "fake_platform.h"
#include "letters/letter_pool.h"
#include "shell/wildcard.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using wordmeadow::LetterPool;
  const std::string input(reinterpret_cast<const char*>(data), size);
  std::vector<std::string> names;
  std::size_t start = 0;
  for (std::size_t end; (end = input.find('\n', start)) != std::string::npos; start = end + 1) {
    names.push_back(input.substr(start, end - start));
  }
  names.push_back(input.substr(start));

  wordmeadow::testing::FakePlatform platform;
  platform.scriptedListing = names;
  LetterPool pool;
  pool.fill(platform);

  // Every pooled name was listed, in listing order, holds ".wav" and no reserved word.
  std::vector<std::string> expected;
  for (const std::string& n : names) {
    if (!n.empty() && wordmeadow::wildcardMatch("*.wav*", n) && !LetterPool::isReserved(n)) {
      expected.push_back(n);
    }
  }
  if (expected.size() > LetterPool::kCapacity) expected.resize(LetterPool::kCapacity);
  if (pool.entries() != expected) std::abort();

  // Draws take every entry exactly once, whatever the random numbers in [0, 1) are.
  for (std::size_t i = 0; i < size; i += 4) {
    std::uint32_t bits = 0;
    std::memcpy(&bits, data + i, std::min<std::size_t>(4, size - i));
    platform.scriptedRandoms.push_back(static_cast<float>(bits >> 8) * 0x1.0p-24f);
  }
  std::vector<std::string> drawn;
  while (!pool.empty()) drawn.push_back(pool.draw(platform));
  std::sort(drawn.begin(), drawn.end());
  std::sort(expected.begin(), expected.end());
  if (drawn != expected) std::abort();
  return 0;
}

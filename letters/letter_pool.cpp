#include "letters/letter_pool.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "shell/paths.h"
#include "shell/platform.h"

namespace wordmeadow {
namespace {

constexpr std::array<std::string_view, 10> kReservedWords = {
    "Correct", "Awesome",  "Clap",     "LetterRec", "Excellent",
    "Intro",   "Terrific", "TryAgain", "Welcome",   "VeryGood"};

}  // namespace

bool LetterPool::isReserved(std::string_view fileName) {
  return std::any_of(kReservedWords.begin(), kReservedWords.end(), [&](std::string_view word) {
    return fileName.find(word) != std::string_view::npos;
  });
}

std::size_t LetterPool::indexFor(float r, std::size_t n) {
  // r has 24 bits and n at most 15, so the product in double is exact.
  const double product = static_cast<double>(r) * static_cast<double>(static_cast<float>(n));
  const auto index = static_cast<std::size_t>(std::floor(std::max(product, 0.0)));
  return std::min(index, n - 1);  // only a source that broke its promise of r < 1 gets here
}

void LetterPool::fill(Platform& platform) {
  const std::string pattern = joinPath(platform.applicationFolder(), "*.wav*");
  for (std::string name = platform.listFolder(pattern); !name.empty();
       name = platform.listFolder()) {
    if (isReserved(name)) continue;
    if (entries_.size() >= kCapacity) break;
    entries_.push_back(std::move(name));
  }
}

std::string LetterPool::draw(Platform& platform) {
  if (entries_.empty()) return {};
  const std::size_t index = indexFor(platform.nextRandom(), entries_.size());
  std::string name = std::move(entries_[index]);
  entries_.erase(entries_.begin() + static_cast<std::ptrdiff_t>(index));
  return name;
}

}  // namespace wordmeadow

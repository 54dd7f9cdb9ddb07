#include "letters/letter_pool.h"

#include <algorithm>
#include <array>

#include "shell/paths.h"
#include "shell/platform.h"
#include "shell/random_pick.h"

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
  return takeRandom(platform, entries_);
}

}  // namespace wordmeadow

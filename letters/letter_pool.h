#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace wordmeadow {

class Platform;

// The letter sound files still to be asked in this game, in the order they were found.
class LetterPool {
 public:
  // The count is a 16-bit signed number where it came from: a fill stops there.
  static constexpr std::size_t kCapacity = 32767;

  // Appends the application folder's "*.wav*" files, leaving out the program's own feedback and
  // narration sounds, in listing order, until the pool is full.
  void fill(Platform& platform);

  // Removes and returns a random entry ("" from an empty pool, which the game never asks for).
  std::string draw(Platform& platform);

  void clear() { entries_.clear(); }
  std::size_t size() const { return entries_.size(); }
  bool empty() const { return entries_.empty(); }
  const std::vector<std::string>& entries() const { return entries_; }

  // A name that holds one of the reserved sound words (case counts) is not a letter.
  static bool isReserved(std::string_view fileName);

 private:
  std::vector<std::string> entries_;
};

}  // namespace wordmeadow

#pragma once

#include <cstddef>
#include <vector>

#include "activities/word_list.h"

namespace wordmeadow {

class ActivityWindow;
class Platform;

// Beginning Sounds: shows and speaks a word, and takes the letter tile of its beginning sound as
// the answer. A round asks kRoundLength words, each once, in random order.
class BeginningSoundsGame {
 public:
  static constexpr std::size_t kRoundLength = 10;
  // The picture element that shows the word asked.
  static constexpr const char* kPicture = "Image8";

  BeginningSoundsGame(ActivityWindow& window, Platform& platform)
      : window_(window), platform_(platform) {}

  // Hides the congratulation group, puts every word back, shows the question mark and asks the
  // first word.
  void startRound();

  // The child clicked the tile bearing this capital letter.
  void answer(char letter);

  // Speaks the word asked again.
  void replay();

  // The word asked, or nullptr before the first.
  const Word* current() const { return current_; }
  std::size_t askedInRound() const { return asked_; }

 private:
  void askNextWord();

  ActivityWindow& window_;
  Platform& platform_;
  std::vector<const Word*> notAsked_;
  const Word* current_ = nullptr;
  std::size_t asked_ = 0;
};

}  // namespace wordmeadow

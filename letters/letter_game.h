#pragma once

#include <string>

#include "letters/letter_pool.h"

namespace wordmeadow {

class Platform;
class ActivityWindow;

// The Letter Recognition game: speaks a letter drawn from the pool, judges the tile the child
// clicks, and shows the congratulation group when the last letter is matched. It works on the
// elements of its window (the feedback pictures and the end-of-game group).
class LetterGame {
 public:
  LetterGame(ActivityWindow& window, Platform& platform) : window_(window), platform_(platform) {}

  // Hides the end-of-game group, refills the pool (emptied first, so that no letter of an
  // interrupted game is asked twice), shows the question mark and speaks the first letter.
  void startGame();

  // Draws the next letter and speaks it; nothing at all once the pool is empty.
  void callLetter();

  // The child clicked the tile bearing this capital letter.
  void answer(char letter);

  // Speaks the current letter again.
  void replay();

  const LetterPool& List1() const { return pool_; }
  const std::string& Text1() const { return currentLetter_; }

 private:
  ActivityWindow& window_;
  Platform& platform_;
  LetterPool pool_;
  std::string currentLetter_;
};

}  // namespace wordmeadow

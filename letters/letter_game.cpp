#include "letters/letter_game.h"

#include "shell/activity_window.h"
#include "shell/platform.h"
#include "shell/sound_cues.h"

namespace wordmeadow {

void LetterGame::startGame() {
  window_.hideCongratulation();
  pool_.clear();
  pool_.fill(platform_);
  window_.askAfresh();
  callLetter();
}

void LetterGame::callLetter() {
  if (pool_.size() == 0) return;
  currentLetter_ = pool_.draw(platform_);
  requestCue(platform_, currentLetter_);
}

void LetterGame::answer(char letter) {
  if (currentLetter_ != std::string(1, letter) + ".wav") {
    window_.answerWrong();
    return;
  }
  window_.answerRight(pool_.size() == 0);
  callLetter();
}

void LetterGame::replay() {
  requestCue(platform_, currentLetter_);
}

}  // namespace wordmeadow

#include "letters/letter_game.h"

#include "shell/platform.h"
#include "shell/sound_cues.h"
#include "shell/window.h"

namespace wordmeadow {

void LetterGame::startGame() {
  window_.hide("Image5");
  window_.hide("Image6");
  window_.hide("Image7");
  pool_.clear();
  pool_.fill(platform_);
  window_.hide("correct");
  window_.hide("tryagain");
  window_.show("blank");
  callLetter();
}

void LetterGame::callLetter() {
  if (pool_.size() == 0) return;
  currentLetter_ = pool_.draw(platform_);
  requestCue(platform_, currentLetter_);
}

void LetterGame::answer(char letter) {
  if (currentLetter_ != std::string(1, letter) + ".wav") {
    window_.hide("correct");
    window_.show("tryagain");
    window_.hide("blank");
    requestCue(platform_, cue::kTryAgain);
    return;
  }
  window_.show("correct");
  window_.hide("tryagain");
  requestCue(platform_, cue::kCorrect);
  if (pool_.size() == 0) {
    window_.show("Image5");
    window_.show("Image6");
    window_.show("Image7");
    requestCue(platform_, cue::kClap);
  }
  callLetter();
}

void LetterGame::replay() {
  requestCue(platform_, currentLetter_);
}

}  // namespace wordmeadow

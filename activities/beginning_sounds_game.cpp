#include "activities/beginning_sounds_game.h"

#include <string>

#include "shell/activity_window.h"
#include "shell/paths.h"
#include "shell/random_pick.h"
#include "shell/sound_cues.h"

namespace wordmeadow {

void BeginningSoundsGame::startRound() {
  window_.hideCongratulation();
  notAsked_.clear();
  for (const Word& word : wordList()) notAsked_.push_back(&word);
  asked_ = 0;
  window_.askAfresh();
  askNextWord();
}

void BeginningSoundsGame::askNextWord() {
  if (notAsked_.empty()) return;
  current_ = takeRandom(platform_, notAsked_);
  ++asked_;
  window_.setPicture(kPicture, current_->picture);
  replay();
}

void BeginningSoundsGame::answer(char letter) {
  if (current_ == nullptr || current_->letter() != letter) {
    window_.answerWrong();
    return;
  }
  const bool roundOver = asked_ >= kRoundLength || notAsked_.empty();
  window_.answerRight(roundOver);
  if (!roundOver) askNextWord();
}

void BeginningSoundsGame::replay() {
  if (current_ == nullptr) return;
  requestCue(platform_, current_->recordingName());
}

}  // namespace wordmeadow

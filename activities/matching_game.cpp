#include "activities/matching_game.h"

#include <string>
#include <vector>

#include "activities/match_window.h"
#include "shell/random_pick.h"
#include "shell/sound_cues.h"

namespace wordmeadow {

void MatchingGame::deal() {
  window_.hideCongratulation();
  std::vector<char> alphabet;
  for (char letter = 'A'; letter <= 'Z'; ++letter) alphabet.push_back(letter);
  std::vector<Card> pile;
  for (int pair = 0; pair < kPairs; ++pair) {
    const char letter = takeRandom(platform_, alphabet);
    pile.push_back({letter, true});
    pile.push_back({letter, false});
  }
  // Shuffled by taking the cards off the pile one by one, in random order.
  for (int k = 0; k < kCards; ++k) {
    at(k) = takeRandom(platform_, pile);
    window_.showCard(k);
  }
  firstOfTurn_.reset();
  unmatched_.reset();
  pairsFound_ = 0;
}

void MatchingGame::turn(int k) {
  if (card(k).side != Side::Down) return;
  if (unmatched_) {
    for (int other : *unmatched_) setSide(other, Side::Down);
    unmatched_.reset();
  }
  setSide(k, Side::Up);
  const std::string name = std::string(1, card(k).letter) + ".wav";
  if (!firstOfTurn_) {
    firstOfTurn_ = k;
    requestCue(platform_, name);
    return;
  }
  const int first = *firstOfTurn_;
  firstOfTurn_.reset();
  if (card(first).letter != card(k).letter) {
    unmatched_ = {first, k};
    requestCue(platform_, name);
    return;
  }
  setSide(first, Side::Found);
  setSide(k, Side::Found);
  requestCue(platform_, cue::kCorrect);
  if (++pairsFound_ == kPairs) window_.finishRound();
}

void MatchingGame::setSide(int k, Side side) {
  at(k).side = side;
  window_.showCard(k);
}

}  // namespace wordmeadow

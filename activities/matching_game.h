#pragma once

#include <array>
#include <optional>

namespace wordmeadow {

class Platform;
class MatchWindow;

// The Matching Letters game: six letters, each as a capital and a small card, dealt face down.
// The child turns two cards a turn; a capital and its small letter stay face up as a found
// pair, any other two stay face up until the next face-down card is turned. It shows the cards
// through its window.
class MatchingGame {
 public:
  static constexpr int kPairs = 6;
  static constexpr int kCards = 2 * kPairs;

  enum class Side { Down, Up, Found };
  struct Card {
    char letter = 'A';  // the capital, for both cards of a pair
    bool capital = true;
    Side side = Side::Down;
  };

  MatchingGame(MatchWindow& window, Platform& platform) : window_(window), platform_(platform) {}

  // A new round: the congratulation group hidden, six letters drawn from A to Z, their twelve
  // cards shuffled and dealt face down, all from the platform's one random source.
  void deal();

  // The child clicked card k (0 to 11, row by row).
  void turn(int k);

  const Card& card(int k) const { return cards_[static_cast<std::size_t>(k)]; }

 private:
  Card& at(int k) { return cards_[static_cast<std::size_t>(k)]; }
  void setSide(int k, Side side);

  MatchWindow& window_;
  Platform& platform_;
  std::array<Card, kCards> cards_{};
  std::optional<int> firstOfTurn_;
  // Two cards that did not match, face up until the next card is turned.
  std::optional<std::array<int, 2>> unmatched_;
  int pairsFound_ = 0;
};

}  // namespace wordmeadow

#pragma once

#include <string>

#include "activities/matching_game.h"
#include "shell/activity_window.h"
#include "shell/platform.h"
#include "shell/window_system.h"

namespace wordmeadow {

// The Matching Letters window: twelve cards in three rows of four, the side buttons and the
// congratulation overlay. It owns the game, which deals when the window loads and is discarded
// with it.
class MatchWindow : public ActivityWindow {
 public:
  static constexpr const char* kId = "match";

  // Card k stands in row k / 4, column k % 4.
  static Rect cardRect(int k);
  // The card's element, Card0 to Card11.
  static std::string cardName(int k);

  MatchWindow(WindowSystem& windows, Platform& platform);

  void load() override { game_.deal(); }

  // Draws card k as the game has it: its back, its face, or its face in the found frame.
  void showCard(int k);

  const MatchingGame& game() const { return game_; }

 private:
  MatchingGame game_;
};

}  // namespace wordmeadow

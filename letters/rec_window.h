#pragma once

#include "letters/letter_game.h"
#include "shell/platform.h"
#include "shell/window.h"
#include "shell/window_system.h"

namespace wordmeadow {

// The Letter Recognition window: 26 letter tiles, the feedback spot, the side buttons and the
// congratulation overlay. It owns the game, which starts when the window loads and is discarded
// with it.
class RecWindow : public Window {
 public:
  static constexpr const char* kId = "rec";

  RecWindow(WindowSystem& windows, Platform& platform);

  void load() override { game_.startGame(); }

  const LetterGame& game() const { return game_; }

  // Where tile A..Z stands: two rows of 13, alphabetical from left to right.
  static Rect tileRect(char letter);

 private:
  WindowSystem& windows_;
  LetterGame game_;
};

}  // namespace wordmeadow

#pragma once

#include "letters/letter_game.h"
#include "shell/activity_window.h"
#include "shell/platform.h"
#include "shell/window_system.h"

namespace wordmeadow {

// The Letter Recognition window: 26 letter tiles, the feedback spot, the side buttons and the
// congratulation overlay. It owns the game, which starts when the window loads and is discarded
// with it.
class RecWindow : public ActivityWindow {
 public:
  static constexpr const char* kId = "rec";

  RecWindow(WindowSystem& windows, Platform& platform);

  void load() override { game_.startGame(); }

  const LetterGame& game() const { return game_; }

 private:
  LetterGame game_;
};

}  // namespace wordmeadow

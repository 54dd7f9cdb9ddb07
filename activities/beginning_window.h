#pragma once

#include "activities/beginning_sounds_game.h"
#include "shell/activity_window.h"
#include "shell/platform.h"
#include "shell/window_system.h"

namespace wordmeadow {

// The Beginning Sounds window: the instruction, the picture of the word asked, the feedback spot,
// the 26 letter tiles where Letter Recognition has them, the side buttons and the congratulation
// overlay. It owns the game, which starts a round when the window loads.
class BeginningWindow : public ActivityWindow {
 public:
  static constexpr const char* kId = "beginning";

  BeginningWindow(WindowSystem& windows, Platform& platform);

  void load() override { game_.startRound(); }

  const BeginningSoundsGame& game() const { return game_; }

 private:
  BeginningSoundsGame game_;
};

}  // namespace wordmeadow

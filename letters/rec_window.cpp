#include "letters/rec_window.h"

namespace wordmeadow {

RecWindow::RecWindow(WindowSystem& windows, Platform& platform)
    : ActivityWindow(windows, platform, kId, "Letter Recognition", {478, 357}),
      game_(*this, platform) {
  // Front to back: the end-of-game group covers everything when it is shown.
  addCongratulation([this] { game_.startGame(); });
  addStartOverButton([this] { game_.startGame(); });
  addFeedback({168, 72});
  addLabel("Label2", {32, 304, 409, 41}, "Click on the letter you think you hear.", 15.75);
  addLetterTiles([this](char letter) { game_.answer(letter); });
  addExitButton();
  addReplayButton([this] { game_.replay(); });
  addTitle("What Letter Do You Hear?");
  addBackground();
}

}  // namespace wordmeadow

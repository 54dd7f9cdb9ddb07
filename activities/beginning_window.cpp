#include "activities/beginning_window.h"

namespace wordmeadow {

BeginningWindow::BeginningWindow(WindowSystem& windows, Platform& platform)
    : ActivityWindow(windows, platform, kId, "Beginning Sounds", {479, 360}),
      game_(*this, platform) {
  // Front to back. Everything but the instruction is a picture: the child cannot read yet. The
  // instruction fills the top, so the hear-again button stands below the tiles; the other two
  // side buttons keep their places.
  addCongratulation([this] { game_.startRound(); });
  addLabel("Label1", {24, 24, 431, 64},
           "Click on the letter that matches  the BEGINNING sound of the word you hear.", 15.75);
  addStartOverButton([this] { game_.startRound(); });
  addExitButton();
  addFeedback({308, 100});
  // The word's picture also says the word again when touched.
  addPicture(BeginningSoundsGame::kPicture, {180, 100, 108, 108}, "word_apple",
             [this] { game_.replay(); });
  addReplayButton([this] { game_.replay(); }, {171, 300, 136, 41}, "beginning_play_again");
  addLetterTiles([this](char letter) { game_.answer(letter); });
  addBackground();
}

}  // namespace wordmeadow

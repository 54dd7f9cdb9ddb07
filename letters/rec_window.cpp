#include "letters/rec_window.h"

#include <string>

namespace wordmeadow {

Rect RecWindow::tileRect(char letter) {
  const int k = letter - 'A';
  return {24 + 32 * (k % 13), k < 13 ? 216 : 256, 30, 27};
}

RecWindow::RecWindow(WindowSystem& windows, Platform& platform)
    : Window(kId, "Letter Recognition", {478, 357}), windows_(windows), game_(*this, platform) {
  // Front to back: the end-of-game group covers everything when it is shown.
  addPicture("Image7", {120, 232, 227, 41}, "rec_overlay_exit", [this] { windows_.unload(kId); });
  addPicture("Image6", {120, 176, 227, 41}, "rec_overlay_play_again",
             [this] { game_.startGame(); });
  addPicture("Image5", {0, 0, 480, 360}, "rec_overlay");
  addPicture("Image4", {8, 112, 136, 41}, "rec_start_over", [this] { game_.startGame(); });
  // The three feedback pictures share one spot; the one added first covers the others.
  addPicture("tryagain", {168, 72, 111, 107}, "feedback_tryagain");
  addPicture("correct", {168, 72, 111, 107}, "feedback_correct");
  addPicture("blank", {168, 72, 111, 107}, "feedback_blank");
  addLabel("Label2", {32, 304, 409, 41}, "Click on the letter you think you hear.", 15.75);
  for (char letter = 'A'; letter <= 'Z'; ++letter) {
    addPicture(std::string(1, letter), tileRect(letter), std::string("tile_") + letter,
               [this, letter] { game_.answer(letter); });
  }
  addPicture("Image3", {8, 160, 136, 41}, "rec_exit", [this] { windows_.unload(kId); });
  addPicture("Image2", {8, 64, 136, 41}, "rec_play_again", [this] { game_.replay(); });
  addLabel("Label1", {24, 8, 409, 41}, "What Letter Do You Hear?", 24);
  addPicture("Image1", {0, 0, 480, 360}, "rec_background");
}

}  // namespace wordmeadow

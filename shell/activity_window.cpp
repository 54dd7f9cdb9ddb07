#include "shell/activity_window.h"

#include <cctype>
#include <string>
#include <utility>

#include "shell/sound_cues.h"

namespace wordmeadow {
namespace {

// The congratulation picture and the two buttons in front of it.
constexpr const char* kCongratulation[] = {"Image5", "Image6", "Image7"};

}  // namespace

ActivityWindow::ActivityWindow(WindowSystem& windows, Platform& platform, std::string id,
                               std::string caption, Size clientSize)
    : Window(std::move(id), std::move(caption), clientSize),
      windows_(windows),
      platform_(platform) {}

Rect ActivityWindow::tileRect(char letter) {
  const int k = letter - 'A';
  return {24 + 32 * (k % 13), k < 13 ? 216 : 256, 30, 27};
}

void ActivityWindow::askAfresh() {
  hide("correct");
  hide("tryagain");
  show("blank");
}

void ActivityWindow::answerWrong() {
  hide("correct");
  show("tryagain");
  hide("blank");
  requestCue(platform_, cue::kTryAgain);
}

void ActivityWindow::answerRight(bool roundOver) {
  // The question mark stays hidden behind the check mark after a wrong answer.
  show("correct");
  hide("tryagain");
  requestCue(platform_, cue::kCorrect);
  if (roundOver) finishRound();
}

void ActivityWindow::finishRound() {
  showCongratulation();
  requestCue(platform_, cue::kClap);
}

void ActivityWindow::showCongratulation() {
  for (const char* name : kCongratulation) show(name);
}

void ActivityWindow::hideCongratulation() {
  for (const char* name : kCongratulation) hide(name);
}

void ActivityWindow::addCongratulation(std::function<void()> playAgain) {
  addPicture("Image7", {120, 232, 227, 41}, "rec_overlay_exit", [this] { unloadSelf(); });
  addPicture("Image6", {120, 176, 227, 41}, "rec_overlay_play_again", std::move(playAgain));
  addPicture("Image5", {0, 0, 480, 360}, "rec_overlay");
}

void ActivityWindow::addReplayButton(std::function<void()> replay, Rect place, std::string asset) {
  addPicture("Image2", place, std::move(asset), std::move(replay));
}

void ActivityWindow::addStartOverButton(std::function<void()> startOver) {
  addPicture("Image4", kStartOverPlace, "rec_start_over", std::move(startOver));
}

void ActivityWindow::addExitButton() {
  addPicture("Image3", kExitPlace, "rec_exit", [this] { unloadSelf(); });
}

void ActivityWindow::addFeedback(Point spot) {
  // The one added first covers the others.
  addPicture("tryagain", {spot.x, spot.y, 111, 107}, "feedback_tryagain");
  addPicture("correct", {spot.x, spot.y, 111, 107}, "feedback_correct");
  addPicture("blank", {spot.x, spot.y, 111, 107}, "feedback_blank");
}

void ActivityWindow::addLetterTiles(std::function<void(char)> answer) {
  hasLetterTiles_ = true;
  for (char letter = 'A'; letter <= 'Z'; ++letter) {
    addPicture(std::string(1, letter), tileRect(letter), std::string("tile_") + letter,
               [answer, letter] { answer(letter); });
  }
}

void ActivityWindow::letterKey(char letter) {
  if (!hasLetterTiles_) return;
  const char upper = static_cast<char>(std::toupper(static_cast<unsigned char>(letter)));
  const Rect r = tileRect(upper);
  const Element* under = elementAt({r.left + r.width / 2, r.top + r.height / 2});
  if (under != nullptr && under->name == std::string_view(&upper, 1) && under->onClick) {
    under->onClick();
  }
}

void ActivityWindow::addBackground() {
  addPicture("Image1", {0, 0, 480, 360}, "rec_background");
}

void ActivityWindow::addTitle(std::string text) {
  addLabel("Label1", {24, 8, 409, 41}, std::move(text), 24);
}

}  // namespace wordmeadow

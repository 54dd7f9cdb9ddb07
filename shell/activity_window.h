#pragma once

#include <functional>
#include <string>

#include "shell/platform.h"
#include "shell/window.h"
#include "shell/window_system.h"

namespace wordmeadow {

// What the activity windows share: the side buttons (hear it again, start over, leave) with their
// pictures, the 26 letter tiles, the feedback spot and how an answer is met there, the background,
// and the congratulation group that covers everything at the end of a round and offers only Play
// Again and Exit!.
class ActivityWindow : public Window {
 public:
  // The side buttons' places in the left column.
  static constexpr Rect kReplayPlace{8, 64, 136, 41};
  static constexpr Rect kStartOverPlace{8, 112, 136, 41};
  static constexpr Rect kExitPlace{8, 160, 136, 41};

  // Where tile A..Z stands: two rows of 13, alphabetical from left to right.
  static Rect tileRect(char letter);

  // The end-of-round group: the picture (Image5) and its two buttons (Image6, Image7).
  void showCongratulation();
  void hideCongratulation();

  // The feedback spot as a round starts: the question mark alone.
  void askAfresh();
  // A wrong answer: the cross and the Try again cue; the same question stays.
  void answerWrong();
  // A right answer: the check mark and the Correct cue, and after the last one of the round the
  // congratulation group and the Clap. The caller asks the next question, which cuts the Correct
  // cue off.
  void answerRight(bool roundOver);
  // The end of a round: the congratulation group and the Clap.
  void finishRound();

  // A letter key does what a click on its tile does, and like the click it does nothing while
  // something lies in front of the tile (the congratulation group).
  void letterKey(char letter) override;

 protected:
  ActivityWindow(WindowSystem& windows, Platform& platform, std::string id, std::string caption,
                 Size clientSize);

  // Each adds one part of the window, behind everything added before it. The congratulation
  // group goes first, in front of everything; the background last.
  void addCongratulation(std::function<void()> playAgain);
  // Elsewhere than its place in the column, the button takes its picture drawn for that place.
  void addReplayButton(std::function<void()> replay, Rect place = kReplayPlace,
                       std::string asset = "rec_play_again");
  void addStartOverButton(std::function<void()> startOver);
  void addExitButton();
  // tryagain, correct and blank, sharing one rectangle at this corner.
  void addFeedback(Point spot);
  void addLetterTiles(std::function<void(char)> answer);
  void addBackground();
  // The window's heading across the top (Label1).
  void addTitle(std::string text);

  void unloadSelf() { windows_.unload(id()); }

 private:
  WindowSystem& windows_;
  Platform& platform_;
  bool hasLetterTiles_ = false;
};

}  // namespace wordmeadow

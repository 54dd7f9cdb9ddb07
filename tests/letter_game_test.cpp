#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "program_fixture.h"
#include "shell/paths.h"

namespace wordmeadow {
namespace {

using testing::ProgramTest;
using LetterGameTest = ProgramTest;
using Strings = std::vector<std::string>;

TEST_F(LetterGameTest, LoadStartsAGameThatSpeaksTheFirstLetterBeforeTheWindowIsShown) {
  useLetters(alphabet());
  windows.show("rec");
  ASSERT_NE(rec(), nullptr);
  EXPECT_EQ(rec()->game().List1().size(), 25u);
  EXPECT_EQ(visibleFeedback(), "blank");
  const std::string first = rec()->game().Text1();
  EXPECT_EQ(platform.log,
            (Strings{std::string("sound /app") + kPathSeparator + first, "display rec"}));
}

TEST_F(LetterGameTest, AWholeGameAnsweredRightEndsWithTheOverlayAndTheClap) {
  useLetters(alphabet());
  windows.show("rec");
  std::set<std::string> asked;
  for (int answer = 1; answer <= 26; ++answer) {
    asked.insert(rec()->game().Text1());
    platform.clearLog();
    clickOn("rec", askedTile());
    if (answer < 26) {
      ASSERT_EQ(platform.sounds(), (Strings{"Correct.WAV", rec()->game().Text1()}));
      ASSERT_EQ(visibleFeedback(), "blank correct");
    }
  }
  EXPECT_EQ(asked.size(), 26u);                                        // every letter once
  EXPECT_EQ(platform.sounds(), (Strings{"Correct.WAV", "Clap.WAV"}));  // and no further letter
  EXPECT_EQ(visibleFeedback(), "blank correct Image5 Image6 Image7");

  // Only the two overlay buttons answer now: a tile or a side button under the overlay does not.
  platform.clearLog();
  clickOn("rec", "A");
  clickOn("rec", "Image2");
  clickOn("rec", "Image4");
  EXPECT_TRUE(platform.log.empty());
}

TEST_F(LetterGameTest, WrongThenRightAnswerShowsAndSoundsInOrder) {
  useLetters({"K.wav", "M.wav"});
  platform.scriptedRandoms = {0.0f};  // K first
  windows.show("rec");
  std::vector<std::string> seen;
  platform.onSound = [&] { seen.push_back(platform.sounds().back() + ": " + visibleFeedback()); };

  clickOn("rec", "B");
  EXPECT_EQ(rec()->game().Text1(), "K.wav");  // still asking the same letter
  clickOn("rec", "K");
  EXPECT_EQ(seen, (Strings{"TryAgain.WAV: tryagain",  // the picture changes before the sound
                           "Correct.WAV: correct",    // blank stays hidden after a wrong answer
                           "M.wav: correct"}));
  EXPECT_EQ(rec()->game().Text1(), "M.wav");

  // Letter keys answer as the tiles do, in either case; other keys mean nothing.
  seen.clear();
  for (char key : {'1', ' ', '[', '\n'}) windows.keyTyped("rec", key);
  windows.keyTyped("rec", 'b');
  windows.keyTyped("rec", 'm');
  EXPECT_EQ(seen, (Strings{"TryAgain.WAV: tryagain", "Correct.WAV: correct",
                           "Clap.WAV: correct Image5 Image6 Image7"}));
  // The last letter is answered: the congratulation group lies in front of the tiles, and a key
  // reaches them no more than a click does.
  ASSERT_TRUE(rec()->isVisible("Image5"));
  platform.clearLog();
  windows.keyTyped("rec", 'K');
  windows.keyTyped("rec", 'M');
  EXPECT_EQ(platform.log, Strings{});
}

TEST_F(LetterGameTest, OneLetterFolderEndsTheGameOnItsFirstRightAnswer) {
  useLetters({"Welcome.wav", "Q.wav"});
  windows.show("rec");
  EXPECT_EQ(platform.sounds(), (Strings{"Q.wav"}));
  platform.clearLog();
  clickOn("rec", "Q");
  EXPECT_EQ(platform.sounds(), (Strings{"Correct.WAV", "Clap.WAV"}));
  EXPECT_EQ(visibleFeedback(), "blank correct Image5 Image6 Image7");
}

TEST_F(LetterGameTest, FolderWithoutLettersAsksNothingAndReplayRequestsTheEmptyName) {
  useLetters({"Welcome.wav", "Correct.WAV"});
  windows.show("rec");
  EXPECT_EQ(platform.sounds(), Strings{});
  EXPECT_EQ(rec()->game().Text1(), "");
  for (char c = 'A'; c <= 'Z'; ++c) clickOn("rec", std::string(1, c));
  EXPECT_EQ(platform.sounds(), Strings(26, "TryAgain.WAV"));
  EXPECT_EQ(visibleFeedback(), "tryagain");

  platform.clearLog();
  clickOn("rec", "Image2");
  // A path ending in the separator: the alert.
  EXPECT_EQ(platform.log, (Strings{std::string("sound /app") + kPathSeparator}));
}

TEST_F(LetterGameTest, ALetterNoTileMatchesCanOnlyBeReplayedStartedOverOrLeft) {
  useLetters({"Apple.wav"});
  windows.show("rec");
  EXPECT_EQ(rec()->game().Text1(), "Apple.wav");
  clickOn("rec", "A");
  EXPECT_EQ(visibleFeedback(), "tryagain");
  platform.clearLog();
  clickOn("rec", "Image2");
  EXPECT_EQ(platform.sounds(), (Strings{"Apple.wav"}));
  EXPECT_EQ(rec()->game().List1().size(), 0u);  // replay draws nothing
}

TEST_F(LetterGameTest, StartOverAsksAFreshPoolWithNoLetterTwice) {
  useLetters(alphabet());
  windows.show("rec");
  clickOn("rec", askedTile());
  clickOn("rec", "Z" == askedTile() ? "Y" : "Z");  // a wrong one or a right one, either way
  ASSERT_LT(rec()->game().List1().size(), 25u);

  platform.clearLog();
  clickOn("rec", "Image4");
  EXPECT_EQ(rec()->game().List1().size(), 25u);
  Strings pooled = rec()->game().List1().entries();
  pooled.push_back(rec()->game().Text1());
  std::sort(pooled.begin(), pooled.end());
  EXPECT_EQ(pooled, alphabet());
  EXPECT_EQ(visibleFeedback(), "blank");
  EXPECT_EQ(platform.sounds(), (Strings{rec()->game().Text1()}));
}

TEST_F(LetterGameTest, PlayAgainOnTheOverlayStartsANewGame) {
  useLetters({"A.wav", "B.wav"});
  windows.show("rec");
  clickOn("rec", askedTile());
  clickOn("rec", askedTile());
  ASSERT_TRUE(rec()->isVisible("Image5"));

  platform.clearLog();
  clickOn("rec", "Image6");
  EXPECT_EQ(visibleFeedback(), "blank");
  EXPECT_EQ(rec()->game().List1().size(), 1u);
  EXPECT_EQ(platform.sounds(), (Strings{rec()->game().Text1()}));
}

TEST_F(LetterGameTest, AFolderOfFortyThousandLettersGivesAFullPoolAndAWorkingGame) {
  Strings many = alphabet();
  for (int i = 0; i < 40000; ++i) many.push_back("X" + std::to_string(i) + ".wav");
  useLetters(many);
  windows.show("rec");
  EXPECT_EQ(rec()->game().List1().size(), LetterPool::kCapacity - 1);
  for (int i = 0; i < 50; ++i) {
    const std::string asked = rec()->game().Text1();
    clickOn("rec", asked.size() == 5 ? askedTile() : "A");  // a letter tile, or a wrong answer
    if (asked.size() != 5) {
      EXPECT_EQ(rec()->game().Text1(), asked);
    }
  }
  EXPECT_FALSE(rec()->isVisible("Image5"));
}

TEST_F(LetterGameTest, TheFirstGameAsksTheSameOrderOnEveryRun) {
  auto firstGameOrder = [] {
    testing::FakePlatform fresh;
    fresh.scriptedListing = ProgramTest::alphabet();
    WindowSystem freshWindows(fresh);
    defineWindows(freshWindows, fresh);
    freshWindows.show("Main");
    freshWindows.show("rec");
    auto* game = dynamic_cast<RecWindow*>(freshWindows.find("rec"));
    Strings order;
    while (true) {
      order.push_back(game->game().Text1());
      if (game->game().List1().size() == 0) break;
      const Rect tile = RecWindow::tileRect(order.back()[0]);
      freshWindows.click("rec", {tile.left, tile.top});
    }
    return order;
  };
  const Strings first = firstGameOrder();
  EXPECT_EQ(first.size(), 26u);
  EXPECT_EQ(firstGameOrder(), first);
  EXPECT_NE(first, alphabet());  // and it is shuffled
}

TEST_F(LetterGameTest, ExitButtonsUnloadTheWindowAndAReopenStartsAfresh) {
  useLetters(alphabet());
  windows.show("Main");
  windows.show("rec");
  clickOn("rec", askedTile());
  clickOn("rec", "Image3");
  EXPECT_EQ(rec(), nullptr);
  EXPECT_NE(windows.find("Main"), nullptr);

  windows.show("rec");
  EXPECT_EQ(rec()->game().List1().size(), 25u);
  EXPECT_EQ(visibleFeedback(), "blank");

  // Exit! on the overlay, after a whole game.
  useLetters({"A.wav"});
  clickOn("rec", "Image4");
  clickOn("rec", "A");
  clickOn("rec", "Image7");
  EXPECT_EQ(rec(), nullptr);
}

}  // namespace
}  // namespace wordmeadow

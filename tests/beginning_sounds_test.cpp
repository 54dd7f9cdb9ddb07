#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "activities/beginning_window.h"
#include "program_fixture.h"
#include "shell/paths.h"

namespace wordmeadow {
namespace {

using testing::ProgramTest;
using Strings = std::vector<std::string>;

class BeginningSoundsTest : public ProgramTest {
 protected:
  const BeginningWindow* beginning() const {
    return dynamic_cast<const BeginningWindow*>(windows.find("beginning"));
  }
  const Word& asked() const { return *beginning()->game().current(); }
  static std::string recordingOf(const Word& word) {
    return std::string("words") + kPathSeparator + std::string(word.recording);
  }
  std::string shownPicture() const {
    return beginning()->element(BeginningSoundsGame::kPicture).content;
  }
  // Answers every word of the round right; returns the words asked, the current one first.
  std::vector<std::string> finishRound() {
    std::vector<std::string> words;
    for (;;) {
      words.emplace_back(asked().word);
      platform.clearLog();
      clickOn("beginning", std::string(1, asked().letter()));
      if (beginning()->isVisible("Image5")) return words;
      EXPECT_EQ(platform.sounds(), (Strings{"Correct.WAV", recordingOf(asked())}));
    }
  }
};

TEST_F(BeginningSoundsTest, ARoundAsksTenWordsByPictureAndSoundAndJudgesTheFirstLetter) {
  // The first word comes from the fixed source like every draw: 0 picks the list's first.
  platform.scriptedRandoms = {0.0f};
  windows.show("beginning");
  EXPECT_EQ(asked().word, "apple");
  EXPECT_EQ(shownPicture(), "word_apple");
  EXPECT_EQ(platform.log,
            (Strings{"sound /app" + std::string(1, kPathSeparator) + recordingOf(asked()),
                     "display beginning"}));
  EXPECT_EQ(visibleFeedback("beginning"), "blank");

  // A wrong tile, Q and X among them, is refused and the word stays; both the button and the
  // picture say it again.
  platform.clearLog();
  clickOn("beginning", "Q");
  clickOn("beginning", "X");
  clickOn("beginning", "Image2");
  clickOn("beginning", BeginningSoundsGame::kPicture);
  const std::string apple = recordingOf(asked());
  EXPECT_EQ(platform.sounds(), (Strings{"TryAgain.WAV", "TryAgain.WAV", apple, apple}));
  EXPECT_EQ(visibleFeedback("beginning"), "tryagain");

  // The right tile: the check mark, Correct, and the next word at once, shown and spoken.
  platform.clearLog();
  clickOn("beginning", "A");
  EXPECT_EQ(visibleFeedback("beginning"), "correct");
  EXPECT_EQ(platform.sounds(), (Strings{"Correct.WAV", recordingOf(asked())}));
  EXPECT_EQ(shownPicture(), asked().picture);
  EXPECT_NE(asked().word, "apple");

  // Start Over begins a new round of ten.
  clickOn("beginning", "Image4");
  EXPECT_EQ(beginning()->game().askedInRound(), 1u);
  EXPECT_EQ(visibleFeedback("beginning"), "blank");

  // A whole round: ten different words, never Q or X, then the overlay and the Clap.
  const std::vector<std::string> round = finishRound();
  EXPECT_EQ(round.size(), BeginningSoundsGame::kRoundLength);
  EXPECT_EQ(std::set<std::string>(round.begin(), round.end()).size(), round.size());
  for (const std::string& word : round) EXPECT_TRUE(word[0] != 'q' && word[0] != 'x') << word;
  EXPECT_EQ(platform.sounds(), (Strings{"Correct.WAV", "Clap.WAV"}));
  EXPECT_EQ(visibleFeedback("beginning"), "blank correct Image5 Image6 Image7");

  // Under the overlay nothing answers; its Play Again starts a round with other words, as the
  // fixed sequence goes on; its Exit! closes the window.
  platform.clearLog();
  clickOn("beginning", "A");
  clickOn("beginning", "Image2");
  EXPECT_TRUE(platform.log.empty());
  clickOn("beginning", "Image6");
  EXPECT_EQ(visibleFeedback("beginning"), "blank");
  EXPECT_NE(finishRound(), round);
  clickOn("beginning", "Image7");
  EXPECT_EQ(windows.find("beginning"), nullptr);
}

TEST_F(BeginningSoundsTest, EveryWordBeginsWithAnAskedLetterAndHasItsOwnPictureAndRecording) {
  std::set<std::string> pictures, recordings;
  for (const Word& word : wordList()) {
    EXPECT_TRUE(word.letter() >= 'A' && word.letter() <= 'Z' && word.letter() != 'Q' &&
                word.letter() != 'X')
        << word.word;
    pictures.emplace(word.picture);
    recordings.emplace(word.recording);
  }
  EXPECT_EQ(pictures.size(), wordList().size());
  EXPECT_EQ(recordings.size(), wordList().size());
  EXPECT_GE(wordList().size(), BeginningSoundsGame::kRoundLength);
}

}  // namespace
}  // namespace wordmeadow

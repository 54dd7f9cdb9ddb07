#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "activities/match_window.h"
#include "program_fixture.h"

namespace wordmeadow {
namespace {

using Strings = std::vector<std::string>;

class MatchingGameTest : public testing::ProgramTest {
 protected:
  Window& match() { return *windows.find("match"); }

  void turn(int k) {
    platform.clearLog();
    clickOn("match", MatchWindow::cardName(k));
  }

  // The cards as drawn: # for a back, the letter on a face, + after a found one's frame.
  std::string drawn() {
    std::string seen;
    for (int k = 0; k < MatchingGame::kCards; ++k) {
      const std::string& asset = match().element(MatchWindow::cardName(k)).content;
      seen += asset == "card_back" ? '#' : asset.back();
      if (match().isVisible("Frame" + std::to_string(k) + "Top")) seen += '+';
    }
    return seen;
  }
};

TEST_F(MatchingGameTest, ARoundDealtFromTheOneSourceIsPlayedToTheOverlayAndDealtAgain) {
  // Letters: the middle one (N), then the first left (A to E); the pile, each letter's capital
  // then its small letter, is dealt from its end.
  platform.scriptedRandoms = {0.5f, 0, 0, 0, 0, 0};
  platform.scriptedRandoms.insert(platform.scriptedRandoms.end(), 12, 0.99f);
  windows.show("Main");
  platform.clearLog();
  clickOn("Main", "Image6");
  EXPECT_EQ(platform.log, (Strings{"display match"}));  // dealt face down, in silence
  EXPECT_EQ(drawn(), "############");

  // A mismatch stays face up; clicks on face-up cards do nothing.
  turn(0);
  EXPECT_EQ(platform.sounds(), (Strings{"E.wav"}));
  turn(2);
  EXPECT_EQ(platform.sounds(), (Strings{"D.wav"}));
  turn(0);
  turn(2);
  EXPECT_EQ(platform.sounds(), Strings{});
  EXPECT_EQ(drawn(), "e#d#########");

  // The next face-down card turns both back, then itself; its other case makes a found pair.
  turn(1);
  EXPECT_EQ(platform.sounds(), (Strings{"E.wav"}));
  EXPECT_EQ(drawn(), "#E##########");
  turn(0);
  EXPECT_EQ(platform.sounds(), (Strings{"Correct.WAV"}));
  turn(1);
  EXPECT_EQ(platform.sounds(), Strings{});

  // The last pair brings the overlay and the Clap.
  for (int k = 2; k < MatchingGame::kCards; ++k) turn(k);
  EXPECT_EQ(platform.sounds(), (Strings{"Correct.WAV", "Clap.WAV"}));
  EXPECT_EQ(drawn(), "e+E+d+D+c+C+b+B+a+A+n+N+");
  EXPECT_TRUE(match().isVisible("Image5"));

  // Play Again deals a new round, face down, in silence.
  platform.clearLog();
  clickOn("match", "Image6");
  EXPECT_FALSE(match().isVisible("Image5"));
  EXPECT_EQ(drawn(), "############");
  EXPECT_TRUE(platform.log.empty());
}

}  // namespace
}  // namespace wordmeadow

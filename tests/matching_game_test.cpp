#include <gtest/gtest.h>

#include <cctype>
#include <set>
#include <string>
#include <vector>

#include "activities/match_window.h"
#include "program_fixture.h"

namespace wordmeadow {
namespace {

using Strings = std::vector<std::string>;

class MatchingGameTest : public testing::ProgramTest {
 protected:
  MatchWindow* match() const { return dynamic_cast<MatchWindow*>(windows.find("match")); }

  void turn(int k) {
    platform.clearLog();
    clickOn("match", MatchWindow::cardName(k));
  }

  // The cards as drawn: # for a back, the letter on a face, + after a found one's frame.
  std::string drawn() const {
    std::string seen;
    for (int k = 0; k < MatchingGame::kCards; ++k) {
      const std::string& asset = match()->element(MatchWindow::cardName(k)).content;
      seen += asset == "card_back" ? '#' : asset.back();
      if (match()->isVisible("Frame" + std::to_string(k) + "Top")) seen += '+';
    }
    return seen;
  }

  // The cards as dealt, face up: capitals and small letters.
  std::string dealt() const {
    std::string letters;
    for (int k = 0; k < MatchingGame::kCards; ++k) {
      const MatchingGame::Card& card = match()->game().card(k);
      letters += card.capital ? card.letter : static_cast<char>(std::tolower(card.letter));
    }
    return letters;
  }
};

TEST_F(MatchingGameTest, ARoundDealtFromTheOneSourceIsPlayedToTheOverlayAndDealtAgain) {
  // Letters: the middle one (N), then the first left each time (A to E); the pile, capital then
  // small for each, is taken from its end each time.
  platform.scriptedRandoms = {0.5f, 0, 0, 0, 0, 0};
  platform.scriptedRandoms.insert(platform.scriptedRandoms.end(), 12, 0.99f);
  windows.show("Main");
  platform.clearLog();
  clickOn("Main", "Image6");
  ASSERT_NE(match(), nullptr);
  EXPECT_EQ(platform.log, (Strings{"display match"}));  // dealt in silence
  EXPECT_EQ(dealt(), "eEdDcCbBaAnN");
  EXPECT_EQ(drawn(), "############");

  // A mismatch stays face up, and clicks on face-up cards do nothing.
  turn(0);
  EXPECT_EQ(platform.sounds(), (Strings{"E.wav"}));
  turn(0);
  EXPECT_EQ(platform.sounds(), Strings{});
  turn(2);
  EXPECT_EQ(platform.sounds(), (Strings{"D.wav"}));
  turn(0);
  turn(2);
  EXPECT_EQ(platform.sounds(), Strings{});
  EXPECT_EQ(drawn(), "e#d#########");

  // The next face-down card turns both back, then itself; its other case is a found pair.
  turn(1);
  EXPECT_EQ(platform.sounds(), (Strings{"E.wav"}));
  EXPECT_EQ(drawn(), "#E##########");
  turn(0);
  EXPECT_EQ(platform.sounds(), (Strings{"Correct.WAV"}));
  EXPECT_EQ(drawn(), "e+E+##########");
  turn(1);
  EXPECT_EQ(platform.sounds(), Strings{});

  // The last pair brings the overlay and the Clap; the cards lie under it.
  for (int k = 2; k < MatchingGame::kCards; k += 2) {
    turn(k);
    turn(k + 1);
  }
  EXPECT_EQ(platform.sounds(), (Strings{"Correct.WAV", "Clap.WAV"}));
  EXPECT_EQ(drawn(), "e+E+d+D+c+C+b+B+a+A+n+N+");
  EXPECT_TRUE(match()->isVisible("Image5") && match()->isVisible("Image6"));
  turn(5);
  EXPECT_TRUE(platform.log.empty());

  // Play Again deals six new pairs from where the source has come to, face down.
  clickOn("match", "Image6");
  EXPECT_FALSE(match()->isVisible("Image5"));
  EXPECT_EQ(drawn(), "############");
  const std::string again = dealt();
  const std::set<char> cards(again.begin(), again.end());
  EXPECT_EQ(cards.size(), 12u);
  int small = 0;
  for (char c : cards) {
    if (std::islower(c) == 0) continue;
    ++small;
    EXPECT_EQ(cards.count(static_cast<char>(std::toupper(c))), 1u) << again;
  }
  EXPECT_EQ(small, 6) << again;
  EXPECT_TRUE(platform.log.empty());

  // The menu's button only brings the round in progress to the front.
  turn(3);
  const std::string shown = drawn();
  clickOn("Main", "Image6");
  EXPECT_EQ(platform.log.back(), "raise match");
  EXPECT_EQ(dealt(), again);
  EXPECT_EQ(drawn(), shown);
}

}  // namespace
}  // namespace wordmeadow

#include <gtest/gtest.h>

#include <random>
#include <set>
#include <string>
#include <vector>

#include "program_fixture.h"

namespace wordmeadow {
namespace {

using testing::ProgramTest;

// A long session of random clicks spread over every window, as a child who clicks fast and for
// a long time would make, with the program's rules checked after every click.
class SoakTest : public ProgramTest {
 protected:
  std::mt19937 rng{20261208};

  int below(int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng); }

  Point anywhere(const Window& w) {
    return {below(w.clientSize().width), below(w.clientSize().height)};
  }

  void checkInvariants() {
    std::set<std::string> ids;
    for (Window* w : windows.loadedWindows()) {
      ASSERT_TRUE(ids.insert(w->id()).second) << "two windows " << w->id();
    }
    if (rec() == nullptr) return;
    const auto& pool = rec()->game().List1().entries();
    std::set<std::string> unique(pool.begin(), pool.end());
    ASSERT_EQ(unique.size(), pool.size()) << "a letter is in the pool twice";
    ASSERT_EQ(unique.count(rec()->game().Text1()), 0u) << "the asked letter is still in the pool";
    const bool overlay = rec()->isVisible("Image5");
    ASSERT_EQ(rec()->isVisible("Image6"), overlay);
    ASSERT_EQ(rec()->isVisible("Image7"), overlay);
    ASSERT_EQ(overlay, gameOver) << "the overlay must show exactly when a game has ended";
  }

  bool gameOver = false;
};

TEST_F(SoakTest, HundredThousandClicksKeepEveryRule) {
  useLetters(alphabet());
  startProgram(windows);
  int recLoads = 0, gamesWon = 0, restarts = 0;

  for (int click = 0; click < 100000; ++click) {
    const std::vector<Window*> open = windows.loadedWindows();
    if (open.empty()) {  // the child left through Exit!; start the program again
      startProgram(windows);
      ++restarts;
      continue;
    }
    // The child spends most of the time in the activity once it is open.
    Window* target = rec() != nullptr && below(10) < 8
                         ? rec()
                         : open[static_cast<std::size_t>(below(static_cast<int>(open.size())))];
    const bool recWasLoaded = rec() != nullptr;
    if (target->id() == "rec" && !gameOver && below(100) < 97) {
      // Mostly the right tile, so that many games are played to the end.
      const bool last = rec()->game().List1().size() == 0 && !rec()->game().Text1().empty();
      const Rect tile = RecWindow::tileRect(askedTile()[0]);
      windows.click("rec", {tile.left + below(tile.width), tile.top + below(tile.height)});
      if (last) {
        gameOver = true;
        ++gamesWon;
      }
    } else if (target->id() == "rec" && gameOver && below(2) == 0) {
      clickOn("rec", below(2) == 0 ? "Image6" : "Image7");  // Play Again or Exit! on the overlay
      gameOver = false;
    } else if (target->id() == "Main" && below(200) == 0) {
      clickOn("Main", "Image3");  // Exit!, now and then
    } else {
      const Point p = anywhere(*target);
      const Element* hit = target->elementAt(p);
      const std::string name = hit ? hit->name : "";
      windows.click(target->id(), p);
      if (target->id() == "rec" && (name == "Image4" || name == "Image6")) gameOver = false;
    }
    windows.releaseUnloaded();
    if (rec() == nullptr) gameOver = false;
    if (!recWasLoaded && rec() != nullptr) ++recLoads;
    ASSERT_NO_FATAL_FAILURE(checkInvariants()) << "after click " << click;
  }
  EXPECT_GE(recLoads, 900);
  EXPECT_GE(gamesWon, 1000);
  EXPECT_GT(restarts, 0);
}

}  // namespace
}  // namespace wordmeadow

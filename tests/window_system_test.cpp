#include "shell/window_system.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "fake_platform.h"
#include "program_fixture.h"
#include "shell/activity_window.h"
#include "shell/client_view.h"

namespace wordmeadow {
namespace {

using testing::FakePlatform;
using testing::ProgramTest;
using Strings = std::vector<std::string>;

// A window that counts its loads and can hide its one picture or unload itself when clicked.
class CountingWindow : public Window {
 public:
  CountingWindow(WindowSystem& windows, int& loads)
      : Window("w", "Counting", {100, 100}), loads_(loads) {
    addPicture("close", {0, 0, 10, 10}, "p", [&windows] { windows.unload("w"); });
    addPicture("hider", {10, 0, 10, 10}, "p", [this] { hide("hider"); });
  }
  void load() override { ++loads_; }

 private:
  int& loads_;
};

class WindowSystemTest : public ::testing::Test {
 protected:
  FakePlatform platform;
  WindowSystem windows{platform};
  int loads = 0;
  WindowSystemTest() {
    windows.define("w", [this] { return std::make_unique<CountingWindow>(windows, loads); });
  }
};

TEST_F(WindowSystemTest, ShowLoadsOnceThenOnlyRaises) {
  Window& first = windows.show("w");
  Window& second = windows.show("w");
  EXPECT_EQ(&first, &second);
  EXPECT_EQ(loads, 1);
  EXPECT_EQ(platform.log, (Strings{"display w", "raise w"}));
}

TEST_F(WindowSystemTest, UnloadThenShowStartsAgainFromTheDesignState) {
  windows.click("w", {0, 0});  // not loaded: nothing happens
  windows.show("w");
  windows.click("w", {15, 5});
  EXPECT_FALSE(windows.find("w")->isVisible("hider"));
  windows.unload("w");
  windows.unload("w");  // a second unload is harmless
  EXPECT_EQ(windows.find("w"), nullptr);
  windows.show("w");
  EXPECT_TRUE(windows.find("w")->isVisible("hider"));
  EXPECT_EQ(loads, 2);
}

TEST_F(WindowSystemTest, AHandlerCanUnloadItsOwnWindow) {
  windows.show("w");
  windows.click("w", {5, 5});  // the window is gone, but its object outlives the handler
  EXPECT_FALSE(windows.anyLoaded());
  windows.releaseUnloaded();
  EXPECT_EQ(platform.log, (Strings{"display w", "destroy w"}));
}

TEST_F(WindowSystemTest, HiddenElementsTakeNoClicksAndChangesAreCounted) {
  Window& w = windows.show("w");
  const unsigned before = w.revision();
  windows.click("w", {15, 5});
  EXPECT_NE(w.revision(), before);
  EXPECT_EQ(w.elementAt({15, 5}), nullptr);
  EXPECT_THROW(w.hide("nothing"), std::out_of_range);
}

using LifecycleTest = ProgramTest;

TEST_F(LifecycleTest, ClosingTheMenuByItsFrameLeavesTheActivityOpen) {
  useLetters(alphabet());
  startProgram(windows);
  windows.show("rec");
  windows.closeByFrame("Main");
  windows.releaseUnloaded();
  EXPECT_TRUE(windows.anyLoaded());  // the process runs on
  EXPECT_NE(rec(), nullptr);
  clickOn("rec", askedTile());  // and the game still works
  EXPECT_TRUE(rec()->isVisible("correct"));
  windows.closeByFrame("rec");
  EXPECT_FALSE(windows.anyLoaded());
}

TEST_F(LifecycleTest, AClickIsAPressAndAReleaseOnTheSameElementAndADoubleClickAnswersOnce) {
  useLetters(alphabet());
  startProgram(windows);
  windows.show("rec");
  const auto middleOf = [this](const std::string& tile) {
    const Rect r = rec()->element(tile).rect;
    return Point{r.left + r.width / 2, r.top + r.height / 2};
  };
  const std::string asked = askedTile();
  const std::string other = asked == "A" ? "B" : "A";
  platform.clearLog();

  // Dragged from one tile onto another, either way: nothing is answered.
  windows.press("rec", middleOf(asked));
  windows.release("rec", middleOf(other));
  windows.press("rec", middleOf(other));
  windows.release("rec", middleOf(asked));
  // A release without a press, one in another window than its press, and one whose window was
  // closed and opened again in between.
  windows.release("rec", middleOf(asked));
  windows.press("Main", {233, 90});
  windows.release("rec", middleOf(asked));
  windows.press("rec", middleOf(asked));
  windows.closeByFrame("rec");
  windows.show("rec");
  const std::string askedNow = askedTile();
  platform.clearLog();
  windows.release("rec", middleOf(askedNow));
  // A press abandoned, as a touch the system cancels: its release is no click.
  windows.press("rec", middleOf(askedNow));
  windows.abandonPress();
  windows.release("rec", middleOf(askedNow));
  EXPECT_EQ(platform.log, Strings{});

  // A double-click on the asked tile answers it once: its second press is no click.
  windows.press("rec", middleOf(askedNow));
  windows.release("rec", middleOf(askedNow));
  const Strings answered = platform.sounds();
  windows.press("rec", middleOf(askedNow), Press::SecondOfDoubleClick);
  windows.release("rec", middleOf(askedNow));
  EXPECT_EQ(answered.size(), 2u);
  EXPECT_EQ(answered.front(), "Correct.WAV");
  EXPECT_EQ(platform.sounds(), answered);
  EXPECT_EQ(visibleFeedback(), "blank correct");
  // A third press is a click again: that letter has been asked, so now it is wrong.
  windows.press("rec", middleOf(askedNow));
  windows.release("rec", middleOf(askedNow));
  EXPECT_EQ(platform.sounds().back(), "TryAgain.WAV");
}

TEST_F(LifecycleTest, AtAnyScaleAClickLandsOnTheTileDrawnUnderIt) {
  useLetters(alphabet());
  startProgram(windows);
  windows.show("rec");
  const Size client = rec()->clientSize();
  for (double scale : {1.0, 1.25, 1.5, 1.75, 2.0, 3.0}) {
    // At the display's scale, and maximised into a drawable of another shape, with margins.
    for (const ClientView& view : {ClientView(scale), ClientView::fit(client, {1366, 768})}) {
      SCOPED_TRACE(::testing::Message() << "scale " << view.scale());
      // Every device pixel along the first row of tiles, edges between tiles included.
      const Rect a = ActivityWindow::tileRect('A');
      const Rect m = ActivityWindow::tileRect('M');
      const int y = view.deviceY(a.top + a.height / 2);
      for (int x = view.deviceX(a.left) - 2; x < view.deviceX(m.left + m.width) + 2; ++x) {
        const std::optional<Point> p = view.toClient({x, y}, client);
        ASSERT_TRUE(p);
        const Element* clicked = rec()->elementAt(*p);
        const Element* drawn = nullptr;  // the front-most element whose drawing covers the pixel
        for (const Element& e : rec()->elements()) {
          if (e.visible && view.toDevice(e.rect).contains({x, y})) {
            drawn = &e;
            break;
          }
        }
        ASSERT_EQ(clicked, drawn) << "device x " << x;
      }
    }
  }
  // The menu maximised on a 1080p screen: three times its size, centred; the margins take no
  // clicks, the client area's corners do.
  const Size menu = windows.find("Main")->clientSize();
  const ClientView wide = ClientView::fit(menu, {1920, 1080});
  EXPECT_DOUBLE_EQ(wide.scale(), 3.0);
  EXPECT_EQ(wide.offset().x, (1920 - 3 * menu.width) / 2);
  EXPECT_FALSE(wide.toClient({wide.offset().x - 1, 500}, menu));
  EXPECT_FALSE(wide.toClient({wide.offset().x + 3 * menu.width, 500}, menu));
  const std::optional<Point> corner = wide.toClient(wide.offset(), menu);
  ASSERT_TRUE(corner);
  EXPECT_EQ(corner->x, 0);
  EXPECT_EQ(corner->y, 0);
  // At 150 %, the menu's client area is 718.5 units wide: 719 pixels, and 540 high.
  EXPECT_EQ(ClientView(1.5).deviceSize(menu).width, 719);
  EXPECT_EQ(ClientView(1.5).deviceSize(menu).height, 540);
}

TEST(DisplayScaleTest, ComesFromTheDisplaysDotsPerInchInQuarters) {
  EXPECT_EQ(scaleForDpi(96), 1.0);
  EXPECT_EQ(scaleForDpi(120), 1.25);
  EXPECT_EQ(scaleForDpi(144), 1.5);
  EXPECT_EQ(scaleForDpi(192), 2.0);
  EXPECT_EQ(scaleForDpi(200), 2.0);  // rounded down to a quarter
  EXPECT_EQ(scaleForDpi(72), 1.0);   // never below 1
  EXPECT_EQ(scaleForDpi(0), 1.0);
  EXPECT_EQ(scaleForDpi(-5), 1.0);
}

}  // namespace
}  // namespace wordmeadow

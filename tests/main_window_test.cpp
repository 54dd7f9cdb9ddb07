#include "shell/main_window.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "program_fixture.h"
#include "shell/paths.h"
#include "shell/publisher.h"

namespace wordmeadow {
namespace {

using testing::ProgramTest;
using Strings = std::vector<std::string>;

class MainWindowTest : public ProgramTest {
 protected:
  MainWindowTest() {
    useLetters(alphabet());
    startProgram(windows);
  }
  Window& main() const { return *windows.find("Main"); }
  std::string elementAt(int x, int y) const {
    const Element* e = main().elementAt({x, y});
    return e ? e->name : "";
  }
};

TEST_F(MainWindowTest, StartsWithTheWelcomeAndTheMenuOnScreen) {
  EXPECT_EQ(platform.log,
            (Strings{std::string("sound /app") + kPathSeparator + "Welcome.wav", "display Main"}));
  EXPECT_EQ(main().caption(), "Wordmeadow");
  EXPECT_EQ(main().clientSize().width, 479);
  EXPECT_EQ(main().clientSize().height, 360);
}

TEST_F(MainWindowTest, ClicksGoToTheFrontMostElementWhereElementsOverlap) {
  // The label lies over the top rows of Letter Recognition and takes their clicks.
  EXPECT_EQ(elementAt(176, 64), "Label1");
  EXPECT_EQ(elementAt(296, 72), "Label1");
  EXPECT_EQ(elementAt(175, 64), "Image2");
  EXPECT_EQ(elementAt(297, 72), "Image2");
  EXPECT_EQ(elementAt(200, 73), "Image2");
  // The stacked buttons share one row with their neighbours; the one listed first is in front.
  EXPECT_EQ(elementAt(200, 104), "Image5");
  EXPECT_EQ(elementAt(200, 144), "Image5");
  EXPECT_EQ(elementAt(200, 145), "Image4");
  EXPECT_EQ(elementAt(200, 184), "Image6");
  EXPECT_EQ(elementAt(200, 264), "Image3");
  EXPECT_EQ(elementAt(119, 264), "Image1");
  EXPECT_EQ(elementAt(478, 359), "Image1");
  EXPECT_EQ(elementAt(479, 0), "Image1");  // the background's clipped column still exists
  EXPECT_EQ(elementAt(480, 0), "");

  platform.clearLog();
  windows.click("Main", {200, 66});  // on the label: nothing happens
  windows.click("Main", {20, 330});  // on the version label
  windows.click("Main", {60, 200});  // on the background
  EXPECT_TRUE(platform.log.empty());
  EXPECT_EQ(windows.loadedWindows().size(), 1u);
}

TEST_F(MainWindowTest, LetterRecognitionOpensTheActivityOnceAndThenOnlyBringsItToTheFront) {
  clickOn("Main", "Image2");
  ASSERT_NE(rec(), nullptr);
  const std::string asked = rec()->game().Text1();
  const Strings pool = rec()->game().List1().entries();

  platform.clearLog();
  clickOn("Main", "Image2");
  EXPECT_EQ(platform.log, (Strings{"raise rec"}));  // no second window, no new game
  EXPECT_EQ(rec()->game().Text1(), asked);
  EXPECT_EQ(rec()->game().List1().entries(), pool);
  EXPECT_EQ(windows.loadedWindows().size(), 2u);
}

TEST_F(MainWindowTest, FurtherActivitiesOpenTheirOwnWindows) {
  clickOn("Main", "Image4");
  clickOn("Main", "Image5");
  clickOn("Main", "Image6");
  ASSERT_NE(windows.find("beginning"), nullptr);
  ASSERT_NE(windows.find("build"), nullptr);
  EXPECT_EQ(windows.find("beginning")->caption(), "Beginning Sounds");
  EXPECT_EQ(windows.find("beginning")->element("Label1").content,
            "Click on the letter that matches  the BEGINNING sound of the word you hear.");
  EXPECT_EQ(windows.find("build")->caption(), "Build A Sentence");
  EXPECT_TRUE(windows.find("build")->elements().empty());
  EXPECT_EQ(windows.find("match")->caption(), "Matching Letters");
}

TEST_F(MainWindowTest, ExitUnloadsTheOthersThenOpensThePublisherThenUnloadsTheMenu) {
  clickOn("Main", "Image2");
  clickOn("Main", "Image5");
  platform.clearLog();
  clickOn("Main", "Image3");
  EXPECT_EQ(
      platform.log,
      (Strings{"destroy rec", "destroy build",
               "shell Main " + publisherPage(kPublisherAddress, platform.folder), "destroy Main"}));
  EXPECT_FALSE(windows.anyLoaded());  // the process ends
}

TEST(PublisherPage, IsTheConfiguredAddressElseTheAboutPageBesideTheProgram) {
  EXPECT_EQ(publisherPage("https://school.example/", "/usr/lib/games/wordmeadow"),
            "https://school.example/");
#ifdef _WIN32
  EXPECT_EQ(publisherPage("", "C:\\Program Files\\Wordmeadow"),
            "C:\\Program Files\\Wordmeadow\\about.html");
#else
  EXPECT_EQ(publisherPage("", "/usr/lib/games/wordmeadow"),
            "file:///usr/lib/games/wordmeadow/about.html");
  EXPECT_EQ(publisherPage("", "/home/anna/My Games/W\u00f6rter#1"),
            "file:///home/anna/My%20Games/W%C3%B6rter%231/about.html");
  EXPECT_EQ(publisherPage("", "/"), "file:///about.html");
  EXPECT_EQ(publisherPage("", "."), "./about.html");  // the browser's site folder
#endif
}

TEST_F(MainWindowTest, UnloadAllFormsKeepsOnlyTheWindowWithTheSameIdentifier) {
  clickOn("Main", "Image2");
  clickOn("Main", "Image4");
  auto& menu = dynamic_cast<MainWindow&>(main());
  menu.UnloadAllForms(*rec());
  windows.releaseUnloaded();
  ASSERT_EQ(windows.loadedWindows().size(), 1u);
  EXPECT_EQ(windows.loadedWindows()[0]->id(), "rec");
}

}  // namespace
}  // namespace wordmeadow

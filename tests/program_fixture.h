#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fake_platform.h"
#include "letters/rec_window.h"
#include "shell/program.h"
#include "shell/window_system.h"

namespace wordmeadow::testing {

// The whole program over the fake platform, started as the real one is.
class ProgramTest : public ::testing::Test {
 protected:
  FakePlatform platform;
  WindowSystem windows{platform};

  ProgramTest() { defineWindows(windows, platform); }

  void useLetters(std::vector<std::string> names) { platform.scriptedListing = std::move(names); }

  static std::vector<std::string> alphabet() {
    std::vector<std::string> names;
    for (char c = 'A'; c <= 'Z'; ++c) names.push_back(std::string(1, c) + ".wav");
    return names;
  }

  RecWindow* rec() const { return dynamic_cast<RecWindow*>(windows.find("rec")); }

  // Clicks the middle of an element, as a child would, through the click rule.
  void clickOn(const std::string& windowId, const std::string& element) {
    Window* window = windows.find(windowId);
    ASSERT_NE(window, nullptr) << windowId << " is not loaded";
    const Rect r = window->element(element).rect;
    windows.click(windowId, {r.left + r.width / 2, r.top + r.height / 2});
    windows.releaseUnloaded();
  }

  // The tile whose letter is being asked.
  std::string askedTile() const {
    const std::string& current = rec()->game().Text1();
    return current.substr(0, current.size() - 4);
  }

  // Which of the feedback pictures and the end-of-game group are visible, e.g. "correct Image5".
  std::string visibleFeedback(const std::string& windowId = "rec") const {
    const Window* window = windows.find(windowId);
    std::string shown;
    for (const char* name : {"blank", "correct", "tryagain", "Image5", "Image6", "Image7"}) {
      if (window->isVisible(name)) shown += std::string(shown.empty() ? "" : " ") + name;
    }
    return shown;
  }
};

}  // namespace wordmeadow::testing

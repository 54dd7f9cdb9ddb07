#pragma once

#include "shell/window.h"

namespace wordmeadow {

// Build A Sentence: a window that opens and closes like any other but holds nothing yet.
class BuildWindow : public Window {
 public:
  static constexpr const char* kId = "build";
  BuildWindow();
};

}  // namespace wordmeadow

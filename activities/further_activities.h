#pragma once

#include "shell/window.h"

namespace wordmeadow {

// The windows of the activities that are still to come: they open and close like any other
// window but do nothing yet.
class BuildWindow : public Window {
 public:
  static constexpr const char* kId = "build";
  BuildWindow();
};

class BeginningWindow : public Window {
 public:
  static constexpr const char* kId = "beginning";
  BeginningWindow();
};

}  // namespace wordmeadow

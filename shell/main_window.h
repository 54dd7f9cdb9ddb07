#pragma once

#include "shell/platform.h"
#include "shell/window.h"
#include "shell/window_system.h"

namespace wordmeadow {

// The menu: greets the child, opens the activities, and its Exit! closes everything.
class MainWindow : public Window {
 public:
  static constexpr const char* kId = "Main";

  MainWindow(WindowSystem& windows, Platform& platform);

  void load() override;

  // Unloads every loaded window whose identifier differs from keep's.
  void UnloadAllForms(const Window& keep);

 private:
  void exitSequence();

  WindowSystem& windows_;
  Platform& platform_;
};

}  // namespace wordmeadow

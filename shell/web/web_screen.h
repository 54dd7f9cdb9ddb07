#pragma once

#include <vector>

#include "shell/screen.h"
#include "shell/window.h"

namespace wordmeadow {

// The windows on a browser page: each a box with an HTML title bar and a canvas of the exact
// client size, drawn from its pictures and labels by the page (shell/web/page/windows.js).
class WebScreen : public Screen {
 public:
  void open(Window& window) override;
  void raise(Window& window) override;
  void close(Window& window) override;

  // Draws again every window whose drawing has changed since it was last drawn.
  void redrawChanged();

 private:
  struct Shown {
    Window* window;
    unsigned drawnRevision;
  };

  static void draw(Shown& shown);

  std::vector<Shown> shown_;
};

}  // namespace wordmeadow

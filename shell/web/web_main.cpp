// The program in a browser page. The page (shell/web/page.js) calls in here: start() when the
// child taps the start screen, and the left button's presses and releases and the frames' close
// buttons. Each call answers whether a window is still loaded; when none is, the program has
// ended and the page shows its start screen again.

#include <emscripten.h>

#include <memory>
#include <string_view>

#include "shell/program.h"
#include "shell/web/web_platform.h"
#include "shell/web/web_screen.h"
#include "shell/window_system.h"

namespace wordmeadow {
namespace {

// What a process of the desktop program holds; a new start is a new process.
struct Program {
  explicit Program(std::string_view listingText) : platform(listingText) {
    defineWindows(windows, platform);
  }
  WebScreen screen;
  WebPlatform platform;
  WindowSystem windows{screen};
};

std::unique_ptr<Program> program;

int settle() {
  if (!program) return 0;
  program->windows.releaseUnloaded();
  program->screen.redrawChanged();
  return program->windows.anyLoaded() ? 1 : 0;
}

}  // namespace
}  // namespace wordmeadow

using wordmeadow::program;

extern "C" {

EMSCRIPTEN_KEEPALIVE int wm_start(const char* listingText) {
  program.reset();
  program = std::make_unique<wordmeadow::Program>(listingText);
  wordmeadow::startProgram(program->windows);
  return wordmeadow::settle();
}

EMSCRIPTEN_KEEPALIVE int wm_press(const char* id, int x, int y, int secondOfDoubleClick) {
  if (program) {
    program->windows.press(id, {x, y},
                           secondOfDoubleClick != 0 ? wordmeadow::Press::SecondOfDoubleClick
                                                    : wordmeadow::Press::Single);
  }
  return wordmeadow::settle();
}

EMSCRIPTEN_KEEPALIVE int wm_release(const char* id, int x, int y) {
  if (program) program->windows.release(id, {x, y});
  return wordmeadow::settle();
}

EMSCRIPTEN_KEEPALIVE int wm_close(const char* id) {
  if (program) program->windows.closeByFrame(id);
  return wordmeadow::settle();
}
}

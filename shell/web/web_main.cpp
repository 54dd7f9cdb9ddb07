// The program in a browser page. The page (shell/web/page/) calls in here: start() when the
// child taps the start screen, the left button's presses and releases, a press abandoned, and
// the frames' close buttons. Each call answers whether a window is still loaded; when none is,
// the program has ended and the page shows its start screen again. Before the tap, the page
// may ask which pictures the start will show, to fetch them while the start screen is up.

#include <emscripten.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "shell/program.h"
#include "shell/recording_check.h"
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

// A recording's bytes, put here by the page to be judged before the browser decodes them.
std::vector<std::uint8_t> recording;

// A rehearsal of the start on a silent machine: it plays nothing, opens nothing, and only notes
// the pictures of the windows put on screen.
class SilentPlatform : public PlatformBase<ListingFile> {
 public:
  SilentPlatform() : PlatformBase(".") {}
  void playSoundFile(const std::string& /*path*/) override {}
  void openWithShell(const Window& /*owner*/, const std::string& /*address*/) override {}
};

class PictureNotes : public Screen {
 public:
  void open(Window& window) override {
    for (const Element& e : window.elements()) {
      if (e.kind == ElementKind::Picture && e.visible) names += e.content + '\n';
    }
  }
  void raise(Window& /*window*/) override {}
  void close(Window& /*window*/) override {}
  std::string names;
};

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

// The pictures the start's windows show, one name a line.
EMSCRIPTEN_KEEPALIVE const char* wm_start_pictures() {
  static std::string names;
  wordmeadow::SilentPlatform platform;
  wordmeadow::PictureNotes notes;
  wordmeadow::WindowSystem windows(notes);
  wordmeadow::defineWindows(windows, platform);
  wordmeadow::startProgram(windows);
  names = notes.names;
  return names.c_str();
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

EMSCRIPTEN_KEEPALIVE int wm_key(const char* id, int key) {
  if (program) program->windows.keyTyped(id, static_cast<char>(key));
  return wordmeadow::settle();
}

// Room for a recording of this many bytes, or none for one too large to read.
EMSCRIPTEN_KEEPALIVE std::uint8_t* wm_recording_bytes(std::size_t size) {
  if (size > wordmeadow::kMaxRecordingBytes) return nullptr;
  wordmeadow::recording.resize(size);
  return wordmeadow::recording.data();
}

// Whether the recording put in that room may be decoded, as the desktop program judges it.
EMSCRIPTEN_KEEPALIVE int wm_recording_is_whole() {
  std::vector<std::uint8_t> bytes = std::move(wordmeadow::recording);
  wordmeadow::recording = {};
  return wordmeadow::recordingIsWhole(bytes.data(), bytes.size()) ? 1 : 0;
}

EMSCRIPTEN_KEEPALIVE int wm_abandon_press() {
  if (program) program->windows.abandonPress();
  return wordmeadow::settle();
}

EMSCRIPTEN_KEEPALIVE int wm_close(const char* id) {
  if (program) program->windows.closeByFrame(id);
  return wordmeadow::settle();
}
}

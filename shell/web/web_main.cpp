// The program in a browser page. The page (shell/web/page/) calls in here: start() when the
// child taps the start screen (or the recorder's start when a grown-up taps its link there), the
// left button's presses and releases, a press abandoned, the frames' close buttons, what the
// microphone heard and the files chosen or dropped. Each call answers whether a window is still
// loaded; when none is, the program has ended and the page shows its start screen again. Before
// the tap, the page may ask which pictures the start will show, to fetch them while the start
// screen is up.

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
  Program() { defineWindows(windows, platform); }
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
  void playSoundFile(const std::vector<std::string>& /*paths*/) override {}
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

// The page hands the site's listing over as Module.listing. The menu, or for grown-ups the
// recorder, as a new process would show them.
EMSCRIPTEN_KEEPALIVE int wm_start(int recorder) {
  program.reset();
  program = std::make_unique<wordmeadow::Program>();
  if (recorder != 0) {
    wordmeadow::startRecorder(program->windows);
  } else {
    wordmeadow::startProgram(program->windows);
  }
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

// What the microphone heard: room for that many samples, then how many were put there.
EMSCRIPTEN_KEEPALIVE std::int16_t* wm_capture_room(std::size_t count) {
  return program ? program->platform.microphone().room(count) : nullptr;
}

EMSCRIPTEN_KEEPALIVE int wm_captured(std::size_t count) {
  if (program) program->platform.microphone().captured(count);
  return wordmeadow::settle();
}

// Why the take could not start (WebCapture::Refusal).
EMSCRIPTEN_KEEPALIVE int wm_capture_refused(int why) {
  if (program) {
    program->platform.microphone().refused(static_cast<wordmeadow::WebCapture::Refusal>(why));
  }
  return wordmeadow::settle();
}

// The file chosen to open: room for its bytes (none when it is too large), then its name.
EMSCRIPTEN_KEEPALIVE std::uint8_t* wm_file_room(std::size_t size) {
  return program ? program->platform.fileDialogs().room(size) : nullptr;
}

EMSCRIPTEN_KEEPALIVE int wm_file_chosen(const char* name) {
  if (program) program->platform.fileDialogs().chosen(name);
  return wordmeadow::settle();
}

// A file dropped onto a window, its bytes put in wm_file_room's room (or none, too large).
EMSCRIPTEN_KEEPALIVE int wm_file_dropped(const char* id, const char* name) {
  if (program) {
    const std::string path = program->platform.fileDialogs().keep(name);
    if (!path.empty()) program->windows.fileDropped(id, path);
  }
  return wordmeadow::settle();
}

EMSCRIPTEN_KEEPALIVE int wm_file_too_large() {
  if (program) program->platform.fileDialogs().tooLarge();
  return wordmeadow::settle();
}

EMSCRIPTEN_KEEPALIVE int wm_file_cancelled() {
  if (program) program->platform.fileDialogs().cancelled();
  return wordmeadow::settle();
}
}

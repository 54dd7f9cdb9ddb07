// The letter pool's fill over real folders of 26 and of 40,000 letter files, a click on the
// right tile up to the moment the next letter's samples are handed to the audio device, and an
// activity window's load, from the click that shows it to the window drawn on screen.
#include <SDL.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "letters/letter_pool.h"
#include "letters/rec_window.h"
#include "shell/folder_listing.h"
#include "shell/platform_base.h"
#include "shell/program.h"
#include "shell/sdl/sdl_screen.h"
#include "shell/sdl/sdl_setup.h"
#include "shell/sdl/sound_player.h"
#include "shell/window_system.h"
#include "voice/voices_window.h"

namespace wordmeadow {
namespace {

namespace fs = std::filesystem;

// A microphone that hears what the benchmark hands it.
class BenchCapture : public Capture {
 public:
  std::uint32_t rate() const override { return 22050; }
  void prepare() override {}
  void start(Listener& listener) override { listener_ = &listener; }
  void stop() override { listener_ = nullptr; }
  void release() override {}
  void hear(const std::vector<std::int16_t>& samples) {
    if (listener_ != nullptr) listener_->captured(samples);
  }

 private:
  Listener* listener_ = nullptr;
};

// The real folder listing and random source, the real sound player, and no screen.
class BenchPlatform : public PlatformBase<FolderListing>, public Screen {
 public:
  BenchPlatform(std::string folder, SoundPlayer* sound, std::string voice = {})
      : PlatformBase(std::move(folder), std::move(voice)), sound_(sound) {}
  Capture& microphone() override { return mic; }
  BenchCapture mic;
  void playSoundFile(const std::vector<std::string>& paths) override {
    if (sound_ != nullptr) sound_->play(paths);
  }
  void openWithShell(const Window&, const std::string&) override {}
  void open(Window&) override {}
  void raise(Window&) override {}
  void close(Window&) override {}

 private:
  SoundPlayer* sound_;
};

fs::path makeFolder(const std::string& name) {
  const fs::path folder =
      fs::temp_directory_path() / ("wordmeadow-bench-" + std::to_string(getpid()) + "-" + name);
  fs::remove_all(folder);
  fs::create_directories(folder);
  return folder;
}

void BM_FillLetterPool(benchmark::State& state) {
  const auto files = static_cast<int>(state.range(0));
  const fs::path folder = makeFolder(std::to_string(files));
  for (const char* cue : {"Welcome.wav", "Correct.WAV", "TryAgain.WAV", "Clap.WAV"}) {
    std::ofstream(folder / cue) << 'x';
  }
  for (int i = 0; i < files; ++i) {
    const std::string name =
        files == 26 ? std::string(1, static_cast<char>('A' + i)) : "L" + std::to_string(i);
    std::ofstream(folder / (name + ".wav")) << 'x';
  }
  BenchPlatform platform(folder.string(), nullptr);
  for (auto _ : state) {
    LetterPool pool;
    pool.fill(platform);
    benchmark::DoNotOptimize(pool.size());
  }
  fs::remove_all(folder);
}
BENCHMARK(BM_FillLetterPool)->Arg(26)->Arg(40000)->Unit(benchmark::kMillisecond);

// Right tile clicks in the activity, on the real sound player over the shipped recordings, each
// timed up to the moment the next letter's samples are handed to the audio device. With reopen,
// every click finds the device let go, as after an idle spell, and opens it again first.
fs::path copyOfRecordings() {
  const fs::path folder = makeFolder("recordings");
  fs::copy(WORDMEADOW_RECORDINGS_DIR, folder, fs::copy_options::recursive);
  return folder;
}

void rightTileClicks(benchmark::State& state, bool reopen) {
  const fs::path folder = copyOfRecordings();
  SoundPlayer sound;
  BenchPlatform platform(folder.string(), &sound);
  WindowSystem windows(platform);
  windows.define(RecWindow::kId, [&] { return std::make_unique<RecWindow>(windows, platform); });
  auto& rec = dynamic_cast<RecWindow&>(windows.show(RecWindow::kId));
  sound.device().settle();  // opened for the first letter
  for (auto _ : state) {
    if (reopen || rec.isVisible("Image5")) {
      state.PauseTiming();
      // The game is over: start a new one.
      if (rec.isVisible("Image5")) windows.click(RecWindow::kId, {130, 190});
      if (reopen) {
        sound.device().release();
        sound.device().settle();
      }
      state.ResumeTiming();
    }
    const Rect tile = RecWindow::tileRect(rec.game().Text1()[0]);
    // Requests Correct, then queues the next letter.
    windows.click(RecWindow::kId, {tile.left + 1, tile.top + 1});
    if (reopen) sound.device().settle();  // opened, and the letter queued
  }
  if (reopen && !sound.device().isOpen()) state.SkipWithError("no audio device could be opened");
  fs::remove_all(folder);
}

void BM_RightTileToNextLetterQueued(benchmark::State& state) {
  rightTileClicks(state, false);
}
BENCHMARK(BM_RightTileToNextLetterQueued)->Unit(benchmark::kMicrosecond);

// Closing the device, untimed, takes SDL two periods (46 ms) each round, and a PulseAudio
// stream closed within two seconds of its opening up to 1.5 s: a fixed count of rounds.
void BM_ReopenedDeviceToNextLetterQueued(benchmark::State& state) {
  rightTileClicks(state, true);
}
BENCHMARK(BM_ReopenedDeviceToNextLetterQueued)->Iterations(10)->Unit(benchmark::kMillisecond);

// Whether the topmost window on the X server shows something other than black at its centre,
// as a second client of the server sees it: what a person would see.
bool topWindowDrawn(Display* display) {
  ::Window root = 0;
  ::Window parent = 0;
  ::Window* children = nullptr;
  unsigned count = 0;
  if (XQueryTree(display, DefaultRootWindow(display), &root, &parent, &children, &count) == 0) {
    return false;
  }
  bool drawn = false;
  for (unsigned i = count; i-- > 0;) {  // top first
    XWindowAttributes attributes;
    if (XGetWindowAttributes(display, children[i], &attributes) == 0 ||
        attributes.map_state != IsViewable) {
      continue;
    }
    if (XImage* pixel = XGetImage(display, children[i], attributes.width / 2, attributes.height / 2,
                                  1, 1, AllPlanes, ZPixmap)) {
      drawn = XGetPixel(pixel, 0, 0) != 0;
      XDestroyImage(pixel);
    }
    break;
  }
  if (children != nullptr) XFree(children);
  return drawn;
}

// Showing an activity window that is not loaded: its design state built, its load procedure run
// (the first question chosen and its recording handed to the sound device) and the window
// created, shown and drawn on the X server; each time, the benchmark checks from a connection
// of its own that the window shows its drawing once that is done, so that what is timed is all
// a child waits for. Unloading it again is not timed.
// At the display's scale the program would take from GDK_SCALE ("1" or "2"), the Xvfb of the
// benchmarks holding no Xft.dpi.
void BM_ShowActivityWindow(benchmark::State& state, const char* id, const char* scale) {
  SDL_setenv("GDK_SCALE", scale, 1);
  Display* watcher = XOpenDisplay(nullptr);
  if (watcher == nullptr || SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
    if (watcher != nullptr) XCloseDisplay(watcher);
    state.SkipWithError("no display");
    return;
  }
  const fs::path folder = copyOfRecordings();
  {
    SoundPlayer sound;
    SdlScreen screen;
    BenchPlatform platform(folder.string(), &sound);
    WindowSystem windows(screen);
    defineWindows(windows, platform);
    for (auto _ : state) {
      windows.show(id);
      state.PauseTiming();
      if (!topWindowDrawn(watcher)) {
        state.SkipWithError("the window was shown before its drawing was on the X server");
        break;
      }
      windows.unload(id);
      windows.releaseUnloaded();
      state.ResumeTiming();
    }
  }
  SDL_QuitSubSystem(SDL_INIT_VIDEO);
  XCloseDisplay(watcher);
  fs::remove_all(folder);
}
BENCHMARK_CAPTURE(BM_ShowActivityWindow, rec, "rec", "1")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_ShowActivityWindow, beginning, "beginning", "1")
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_ShowActivityWindow, match, "match", "1")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_ShowActivityWindow, rec_at_2, "rec", "2")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_ShowActivityWindow, beginning_at_2, "beginning", "2")
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_ShowActivityWindow, match_at_2, "match", "2")->Unit(benchmark::kMillisecond);

// The recorder: from Stop to the take's samples handed to the audio device (trimmed, levelled,
// written and read back), and from Keep to the recording saved under its name. The take is
// 1.2 s: 0.3 s of quiet, 0.5 s of a tone, 0.4 s of quiet.
void recorderStep(benchmark::State& state, bool timeKeep) {
  const fs::path folder = copyOfRecordings();
  const fs::path voice = makeFolder("voice");
  SoundPlayer sound;
  BenchPlatform platform(folder.string(), &sound, voice.string());
  WindowSystem windows(platform);
  defineWindows(windows, platform);
  startRecorder(windows);
  std::vector<std::int16_t> take(22050 * 12 / 10, 0);
  for (std::size_t i = 22050 * 3 / 10; i < 22050 * 8 / 10; ++i) {
    take[i] = static_cast<std::int16_t>(i % 50 < 25 ? 3000 : -3000);
  }
  auto press = [&](const char* element) {
    const Rect r = windows.find(VoicesWindow::kId)->element(element).rect;
    windows.click(VoicesWindow::kId, {r.left + r.width / 2, r.top + r.height / 2});
  };
  const std::string letterA = VoicesWindow::cellName(4);
  for (auto _ : state) {
    state.PauseTiming();
    press(letterA.c_str());
    press("Record");
    platform.mic.hear(take);
    if (!timeKeep) state.ResumeTiming();
    press("Stop");
    sound.device().settle();
    if (!timeKeep) state.PauseTiming();
    if (timeKeep) state.ResumeTiming();
    press("Keep");
    if (timeKeep) state.PauseTiming();
    state.ResumeTiming();
  }
  if (!fs::exists(voice / "A.wav")) state.SkipWithError("nothing was kept");
  fs::remove_all(folder);
  fs::remove_all(voice);
}

void BM_RecorderStopToHeardBack(benchmark::State& state) {
  recorderStep(state, false);
}
BENCHMARK(BM_RecorderStopToHeardBack)->Unit(benchmark::kMillisecond);

void BM_RecorderKeepToSaved(benchmark::State& state) {
  recorderStep(state, true);
}
BENCHMARK(BM_RecorderKeepToSaved)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace wordmeadow

int main(int argc, char** argv) {
  SDL_setenv("SDL_AUDIODRIVER", "dummy", 0);
  wordmeadow::setUpSdl();
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  SDL_Quit();
  return 0;
}

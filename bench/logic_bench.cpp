// The letter pool's fill over real folders of 26 and of 40,000 letter files, a click on the
// right tile up to the moment the next letter's samples are handed to the audio device, and an
// activity window's load, from the click that shows it to the window drawn on screen.
#include <SDL.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "letters/letter_pool.h"
#include "letters/rec_window.h"
#include "shell/files.h"
#include "shell/folder_listing.h"
#include "shell/platform_base.h"
#include "shell/program.h"
#include "shell/sdl/audio_driver.h"
#include "shell/sdl/sdl_screen.h"
#include "shell/sdl/sdl_setup.h"
#include "shell/sdl/sound_player.h"
#include "shell/wav_file.h"
#include "shell/window_system.h"
#include "voice/take.h"
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

// The device let go with nothing left to play, and closed. A PulseAudio stream plays out what
// is queued before it closes, and one closed soon after its opening takes up to 1.5 s: longer
// than the player waits for a closing before it goes on without it, and than the program waits
// for one on leaving, which would end the benchmark with the program's quick exit.
void letGoQuietly(SoundPlayer& sound) {
  if (sound.device().id() != 0) SDL_ClearQueuedAudio(sound.device().id());
  sound.device().release();
  sound.device().settle();
  abandonedClosesEnded(std::chrono::steady_clock::now() + std::chrono::seconds(5));
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
      if (reopen) letGoQuietly(sound);
      state.ResumeTiming();
    }
    const Rect tile = RecWindow::tileRect(rec.game().Text1()[0]);
    // Requests Correct, then queues the next letter.
    windows.click(RecWindow::kId, {tile.left + 1, tile.top + 1});
    if (reopen) sound.device().settle();  // opened, and the letter queued
  }
  if (reopen && !sound.device().isOpen()) state.SkipWithError("no audio device could be opened");
  letGoQuietly(sound);
  fs::remove_all(folder);
}

void BM_RightTileToNextLetterQueued(benchmark::State& state) {
  rightTileClicks(state, false);
}
BENCHMARK(BM_RightTileToNextLetterQueued)->Unit(benchmark::kMicrosecond);

// Closing the device, untimed, takes SDL two periods (186 ms) each round, and a PulseAudio
// stream about 200 ms more: a fixed count of rounds.
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

// From Stop to the take heard back, piece by piece as the recorder goes: the take finished
// (trimmed and levelled), encoded as WAV, written whole (a temporary file renamed), then played
// by the sound player (read back, decoded and queued, the device opened first when it has been
// let go) up to the moment SDL's audio thread takes its first samples: at most a period (93 ms)
// after they were queued. The sound is heard after the device's own buffering, on PulseAudio about
// one more period.
void BM_TakeHeardBack(benchmark::State& state, bool deviceLetGo) {
  using Clock = std::chrono::steady_clock;
  const fs::path folder = makeFolder("take");
  const std::string path = (folder / "take.wav").string();
  SoundPlayer sound;
  Take take(22050);
  std::vector<std::int16_t> said(22050 * 12 / 10, 0);
  for (std::size_t i = 22050 * 3 / 10; i < 22050 * 8 / 10; ++i) {
    said[i] = static_cast<std::int16_t>(i % 50 < 25 ? 3000 : -3000);
  }
  take.add(said);
  double finished = 0, encoded = 0, written = 0, queued = 0;
  auto ms = [](Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); };
  // Stop comes at any moment of the device's period, not just after it has taken the last take.
  std::minstd_rand moment(1);
  for (auto _ : state) {
    if (deviceLetGo) {
      letGoQuietly(sound);
    } else {
      std::this_thread::sleep_for(std::chrono::microseconds(moment() % 100'000));
    }
    const Clock::time_point start = Clock::now();
    const FinishedTake done = finishTake(take);
    const Clock::time_point t1 = Clock::now();
    if (done.heardNothing) {
      state.SkipWithError("the take was judged silent");
      break;
    }
    const std::vector<std::uint8_t> wav = encodeWav(done.samples, take.rate());
    const Clock::time_point t2 = Clock::now();
    if (!replaceFileWhole(path, wav)) state.SkipWithError("the take could not be written");
    const Clock::time_point t3 = Clock::now();
    sound.play({path});
    sound.device().settle();
    const Clock::time_point t4 = Clock::now();
    const SDL_AudioDeviceID device = sound.device().id();
    if (device == 0) {
      state.SkipWithError("no sound device");
      break;
    }
    // Its first period taken from the queue (the take needs no conversion: its bytes are queued
    // as they are).
    const auto whole = static_cast<Uint32>(done.samples.size() * sizeof(std::int16_t));
    const Clock::time_point givenUp = t4 + std::chrono::seconds(2);
    while (SDL_GetQueuedAudioSize(device) >= whole && Clock::now() < givenUp) {
      std::this_thread::sleep_for(std::chrono::microseconds(100));
    }
    if (Clock::now() >= givenUp) {
      state.SkipWithError("the device took nothing from the queue in 2 s");
      break;
    }
    const Clock::time_point playing = Clock::now();
    state.SetIterationTime(std::chrono::duration<double>(playing - start).count());
    finished += ms(t1 - start);
    encoded += ms(t2 - t1);
    written += ms(t3 - t2);
    queued += ms(t4 - t3);
  }
  using benchmark::Counter;
  state.counters["finish_ms"] = Counter(finished, Counter::kAvgIterations);
  state.counters["encode_ms"] = Counter(encoded, Counter::kAvgIterations);
  state.counters["write_ms"] = Counter(written, Counter::kAvgIterations);
  state.counters["play_ms"] = Counter(queued, Counter::kAvgIterations);
  letGoQuietly(sound);
  fs::remove_all(folder);
}
BENCHMARK_CAPTURE(BM_TakeHeardBack, device_open, false)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
// Closing the device, untimed, takes two periods each round.
BENCHMARK_CAPTURE(BM_TakeHeardBack, device_let_go, true)
    ->UseManualTime()
    ->Iterations(10)
    ->Unit(benchmark::kMillisecond);

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

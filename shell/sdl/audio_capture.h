#pragma once

#include <SDL.h>

#include <chrono>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "shell/capture.h"
#include "shell/sdl/audio_driver.h"
#include "shell/sdl/sdl_screen.h"

namespace wordmeadow {

// The default microphone through SDL's capture, 16-bit mono at 22050 Hz, the shipped
// recordings' format, converted by SDL from what the device gives. SDL asks the sound server for
// no processing of its own (no echo cancellation, noise suppression or gain).
//
// One device stays open and running from prepare() to release(), so that a take starts at once;
// what it queues between takes is dropped, four times a second. Opening and closing run on a thread
// of their own, as for playback (see AudioDevice): a hung sound server keeps a connecting client
// waiting for 30 s, and closing waits for SDL's audio thread. The event loop serves it: the
// samples of a take are taken from SDL's queue every 20 ms and handed to the listener there. A
// microphone that is unplugged, or whose stream the sound server ends, is closed: a take under way
// fails with the reason, and the next take opens the default microphone again.
class AudioCapture : public Capture, public LoopService {
 public:
  static constexpr std::uint32_t kRate = 22050;

  AudioCapture();
  ~AudioCapture() override;
  AudioCapture(const AudioCapture&) = delete;
  AudioCapture& operator=(const AudioCapture&) = delete;

  std::uint32_t rate() const override { return kRate; }
  void prepare() override;
  void start(Listener& listener) override;
  void stop() override;
  void release() override;

  // Lets the device go and waits at most this long for it, and for any device given up on
  // before, to close. False when one has not closed by then: its thread may still use this
  // object, which must then never be destroyed, and SDL would wait for it in quitting.
  bool releaseBeforeLeaving(std::chrono::milliseconds wait);
  bool isOpen() const;
  SDL_AudioDeviceID id() const;
  // Waits until an opening or closing under way has finished.
  void settle();

  void handleEvent(const SDL_Event& event) override;
  int msUntilDue() const override;
  void due() override;

 private:
  enum class State { Closed, Opening, Open, Closing };

  void startWorkLocked();
  void beginTakeLocked();
  // The device was removed, or stopped giving sound: it is closed, and a take under way ends
  // with the reason.
  void loseLocked();
  void work(std::unique_lock<std::mutex>& lock);

  mutable std::mutex mutex_;
  State state_ = State::Closed;
  bool wanted_ = false;  // the device should be open
  bool taking_ = false;  // a take runs: its samples go to listener_
  bool lost_ = false;    // the open device was removed: close it
  std::string failure_;  // why it could not be opened, not yet told to the listener
  Listener* listener_ = nullptr;
  SDL_AudioDeviceID device_ = 0;
  std::vector<std::int16_t> buffer_;
  std::chrono::steady_clock::time_point nextPoll_{};
  AudioWorker worker_;  // last: its thread uses all the rest
};

}  // namespace wordmeadow

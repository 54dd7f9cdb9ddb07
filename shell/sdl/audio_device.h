#pragma once

#include <SDL.h>

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

namespace wordmeadow {

// The default audio device, open only while sound is wanted: opened by the first sound after a
// quiet spell, closed after idleSpell with nothing playing, and counted as closed once SDL
// reports it removed (a sound server restarting, a headset unplugged). The next sound opens it
// again.
//
// Opening and closing run on a short-lived thread of their own: a sound server that has hung
// keeps a connecting client waiting for 30 s, and closing waits for SDL's audio thread, so the
// thread that asks for a sound never waits for either. The samples of a sound asked for while
// the device opens follow as soon as it is open. Only the owner's thread calls the public
// functions. Destroying it lets the device go as releaseBeforeLeaving() does, and ends the
// program when the device does not close in time.
class AudioDevice {
 public:
  using Clock = std::chrono::steady_clock;
  struct Timing {
    // With nothing playing for this long the device is let go, and with it SDL's audio
    // threads and the connection to the sound server. Long enough to span a child's pause
    // between a letter and the click that answers it (so a game does not reopen the device on
    // every click), short enough that an idle program soon stops waking up. PulseAudio's own
    // suspend-on-idle waits as long.
    std::chrono::milliseconds idleSpell{5000};
    // While no device can be opened, sounds asked for sooner than this after a failed try are
    // dropped without trying again.
    std::chrono::milliseconds retrySpacing{1000};
    // A sound whose device took longer than this to open is no longer an answer to its click
    // and is dropped.
    std::chrono::milliseconds staleAfter{1000};
    // How long leaving waits for the device to close. A sound server that hangs keeps SDL's
    // audio thread, and so the closing, waiting for ever.
    std::chrono::milliseconds leaveWait{1000};
  };

  // The format of the samples play() takes; SDL converts them to what the device plays.
  static SDL_AudioSpec sampleFormat();

  explicit AudioDevice(Timing timing);
  ~AudioDevice();
  AudioDevice(const AudioDevice&) = delete;
  AudioDevice& operator=(const AudioDevice&) = delete;

  // Cuts off what is playing and plays these samples, opening the device first if needed.
  // Returns at once.
  void play(std::vector<std::uint8_t> samples);
  // Cuts off what is playing and lets the device go.
  void release();
  bool isOpen() const;
  SDL_AudioDeviceID id() const;
  // Waits until an opening or closing under way has finished.
  void settle();
  // Lets the device go and waits at most leaveWait for it to close. False when it has not
  // closed by then (or no thread could be started to close it): its thread still uses this
  // object, which must then never be destroyed.
  bool releaseBeforeLeaving();

  // For the event loop: a removed device, the opener's wake-up, and the idle spell's end.
  void handleEvent(const SDL_Event& event);
  int msUntilDue() const;
  void due();

 private:
  enum class State { Closed, Opening, Open, Closing };

  void work();
  void startWorkLocked();
  void startLocked(const std::vector<std::uint8_t>& samples);
  Clock::duration playingTime(std::size_t bytes) const;

  const Timing timing_;
  const Uint32 wakeEvent_;
  mutable std::mutex mutex_;
  std::condition_variable workDone_;  // working_ has become false
  State state_ = State::Closed;
  bool wanted_ = false;    // the device should be open
  bool lost_ = false;      // the open device was removed: close it
  bool keepOpen_ = false;  // a driver that writes to a file restarts it when reopened
  bool reported_ = false;  // the "no sound" line of this outage has been written
  bool working_ = false;   // the worker thread runs
  SDL_AudioDeviceID device_ = 0;
  std::vector<std::uint8_t> pending_;
  Clock::time_point pendingSince_{};
  Clock::time_point closeAt_{};
  Clock::time_point lastFailure_{};
  bool failedBefore_ = false;
  std::thread worker_;
};

}  // namespace wordmeadow

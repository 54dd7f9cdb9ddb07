#pragma once

#include <SDL.h>

#include <chrono>
#include <cstdint>
#include <mutex>
#include <vector>

#include "shell/sdl/audio_driver.h"

namespace wordmeadow {

// The default audio device, open only while sound is wanted: opened by the first sound after a
// quiet spell, closed after idleSpell with nothing playing, and counted as closed once SDL
// reports it removed (a sound server restarting, a headset unplugged). The next sound opens it
// again.
//
// Opening and closing run on a short-lived thread of their own: a sound server that has hung
// keeps a connecting client waiting for 30 s, and closing waits for SDL's audio thread, so the
// thread that asks for a sound never waits for either; a device whose closing hangs is left to
// it, and the next sound opens another. The samples of a sound asked for while
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
    // How long the device is waited for to close before it is given up on: it goes on closing
    // by itself (see closeAudioDevice()) and the next sound opens another. SDL closes a device
    // in two of its periods (186 ms).
    std::chrono::milliseconds closeWait{500};
    // An open device seen to take nothing from its queue for this long plays no more: its
    // sound server has stopped answering. It is let go, and the next sound opens another. A
    // healthy device takes a period every 93 ms, PulseAudio its first 250 ms late.
    std::chrono::milliseconds stuckAfter{1000};
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
  // Lets the device go and waits at most leaveWait for it, and for any device given up on
  // before, to close. False when one has not closed by then (or no thread could be started to
  // close it): its thread may still use this object, which must then never be destroyed, and
  // SDL would wait for it in quitting.
  bool releaseBeforeLeaving();

  // For the event loop: a removed device, the opener's wake-up, and the idle spell's end.
  void handleEvent(const SDL_Event& event);
  int msUntilDue() const;
  void due();

 private:
  enum class State { Closed, Opening, Open, Closing };

  void work(std::unique_lock<std::mutex>& lock);
  void startWorkLocked();
  void startLocked(const std::vector<std::uint8_t>& samples);
  // Looks at the open device's queue: whether it has taken nothing from it for stuckAfter.
  bool stuckLocked(Clock::time_point now);
  Clock::duration playingTime(std::size_t bytes) const;

  const Timing timing_;
  mutable std::mutex mutex_;
  State state_ = State::Closed;
  bool wanted_ = false;    // the device should be open
  bool lost_ = false;      // the open device was removed: close it
  bool keepOpen_ = false;  // a driver that writes to a file restarts it when reopened
  bool reported_ = false;  // the "no sound" line of this outage has been written
  SDL_AudioDeviceID device_ = 0;
  std::vector<std::uint8_t> pending_;
  Clock::time_point pendingSince_{};
  Clock::time_point closeAt_{};
  Uint32 lastQueued_ = 0;          // what the open device's queue held when last looked at
  Clock::time_point lastTaken_{};  // when it was last seen to have taken from it
  Clock::time_point lastFailure_{};
  bool failedBefore_ = false;
  AudioWorker worker_;  // last: its thread uses all the rest
};

}  // namespace wordmeadow

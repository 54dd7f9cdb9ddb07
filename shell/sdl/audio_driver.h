#pragma once

#include <SDL.h>

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

namespace wordmeadow {

// SDL's audio driver, shared by the program's playback device and its microphone: started by
// the first of them to open and stopped when the last has closed. Starting it again while it
// runs (SDL_AudioInit) would first stop it, and with it every device still open. Any thread may
// call these.
bool acquireAudioDriver(std::string& error);
void releaseAudioDriver();

// Closes a device opened after acquireAudioDriver(), and releases the driver, waiting at most
// `wait`. A sound server that hangs keeps the device's audio thread, and so SDL's closing, waiting
// for ever; the closing then goes on by itself on a thread of its own and the device counts as
// closed: true when it closed in time. SDL 2 holds no lock of its own while it waits there (the
// device keeps its number until it has closed, and each PulseAudio device has a connection of its
// own), so another device may be opened meanwhile, reaching a server that has come up in the hung
// one's place; a server that stays hung keeps that opening waiting as well.
bool closeAudioDevice(SDL_AudioDeviceID device, std::chrono::milliseconds wait);
// Waits until every closing given up on has ended, or until the deadline: false if one has not.
// SDL would wait for it in quitting, for ever if the server stays hung.
bool abandonedClosesEnded(std::chrono::steady_clock::time_point deadline);

// The thread on which one of the program's devices is opened and closed, so that the thread
// that asks for a device never waits on the sound server. The owner's mutex guards it: `work` is
// called with it held (in `lock`), lets it go around SDL's calls, and returns when nothing more
// is wanted; the event loop is woken then, and joins the thread.
class AudioWorker {
 public:
  using Work = std::function<void(std::unique_lock<std::mutex>& lock)>;

  AudioWorker(std::mutex& mutex, Work work);
  AudioWorker(const AudioWorker&) = delete;
  AudioWorker& operator=(const AudioWorker&) = delete;

  // With the mutex held: starts the work unless it runs already, in which case it looks at what
  // is wanted again before it ends. Throws std::system_error when no thread can be started.
  void startLocked();
  // With the mutex held: waits until the work has ended, or the deadline; false if it has not.
  bool waitLocked(std::unique_lock<std::mutex>& lock,
                  std::chrono::steady_clock::time_point deadline);
  // Without the mutex: waits until the work under way has ended.
  void settle();
  // With the mutex held, for every event: the work's wake-up joins its ended thread.
  void handleEventLocked(const SDL_Event& event);

 private:
  void run();

  std::mutex& mutex_;
  const Work work_;
  const Uint32 wakeEvent_;
  std::condition_variable done_;  // working_ has become false
  bool working_ = false;
  std::thread thread_;
};

}  // namespace wordmeadow

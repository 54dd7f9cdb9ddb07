#include "shell/sdl/audio_driver.h"

#include <algorithm>
#include <list>
#include <system_error>
#include <utility>

namespace wordmeadow {
namespace {

std::mutex driverMutex;
int users = 0;

// A device being closed on a thread of its own.
struct Closing {
  std::thread thread;
  bool ended = false;
  bool abandoned = false;  // nobody waits for it any more: the next to look joins it
};

std::mutex closingMutex;
std::condition_variable closingEnded;
// Never destroyed: a closing that never ends keeps its thread, which must not be destroyed
// unjoined when the program's statics are.
std::list<Closing>& closings = *new std::list<Closing>;

void joinEndedLocked() {
  for (auto it = closings.begin(); it != closings.end();) {
    if (it->abandoned && it->ended) {
      it->thread.join();
      it = closings.erase(it);
    } else {
      ++it;
    }
  }
}

bool anyAbandonedLocked() {
  return std::any_of(closings.begin(), closings.end(),
                     [](const Closing& closing) { return closing.abandoned; });
}

void closeAndRelease(SDL_AudioDeviceID device) {
  SDL_CloseAudioDevice(device);
  releaseAudioDriver();
  // A removal reported for this device must not be taken for the next one, which may get the
  // same number.
  SDL_FlushEvent(SDL_AUDIODEVICEREMOVED);
}

}  // namespace

bool acquireAudioDriver(std::string& error) {
  std::lock_guard lock(driverMutex);
  // SDL's own list of drivers is tried each time it starts (PulseAudio, then ALSA...), so a
  // sound server that has come up since the last try is found.
  if (users == 0 && SDL_AudioInit(nullptr) != 0) {
    error = SDL_GetError();
    return false;
  }
  ++users;
  return true;
}

void releaseAudioDriver() {
  std::lock_guard lock(driverMutex);
  if (users > 0 && --users == 0) SDL_AudioQuit();
}

bool closeAudioDevice(SDL_AudioDeviceID device, std::chrono::milliseconds wait) {
  std::unique_lock lock(closingMutex);
  joinEndedLocked();
  const auto closing = closings.emplace(closings.end());
  try {
    closing->thread = std::thread([closing, device] {
      closeAndRelease(device);
      SDL_TLSCleanup();
      std::lock_guard ended(closingMutex);
      closing->ended = true;
      closingEnded.notify_all();
    });
  } catch (const std::system_error&) {
    closings.erase(closing);
    lock.unlock();
    closeAndRelease(device);  // no thread to spare (out of memory): here, however long it takes
    return true;
  }
  if (closingEnded.wait_for(lock, wait, [closing] { return closing->ended; })) {
    closing->thread.join();
    closings.erase(closing);
    return true;
  }
  closing->abandoned = true;
  return false;
}

bool abandonedClosesEnded(std::chrono::steady_clock::time_point deadline) {
  std::unique_lock lock(closingMutex);
  const bool ended = closingEnded.wait_until(lock, deadline, [] {
    return std::all_of(closings.begin(), closings.end(),
                       [](const Closing& closing) { return !closing.abandoned || closing.ended; });
  });
  joinEndedLocked();
  return ended && !anyAbandonedLocked();
}

AudioWorker::AudioWorker(std::mutex& mutex, Work work)
    : mutex_(mutex), work_(std::move(work)), wakeEvent_(SDL_RegisterEvents(1)) {}

void AudioWorker::startLocked() {
  if (working_) return;
  if (thread_.joinable()) thread_.join();  // it has ended its work: nothing is left to wait for
  // The thread waits for the mutex held here; if it cannot be started, nothing is working.
  thread_ = std::thread(&AudioWorker::run, this);
  working_ = true;
}

bool AudioWorker::waitLocked(std::unique_lock<std::mutex>& lock,
                             std::chrono::steady_clock::time_point deadline) {
  return done_.wait_until(lock, deadline, [this] { return !working_; });
}

void AudioWorker::settle() {
  std::unique_lock lock(mutex_);
  std::thread thread = std::move(thread_);
  lock.unlock();
  if (thread.joinable()) thread.join();
}

void AudioWorker::handleEventLocked(const SDL_Event& event) {
  if (event.type == wakeEvent_ && !working_ && thread_.joinable()) thread_.join();
}

void AudioWorker::run() {
  std::unique_lock lock(mutex_);
  work_(lock);
  working_ = false;
  lock.unlock();
  done_.notify_all();
  if (wakeEvent_ != static_cast<Uint32>(-1)) {
    // The event loop looks at the device's msUntilDue() again and joins this thread.
    SDL_Event wake{};
    wake.type = wakeEvent_;
    SDL_PushEvent(&wake);
  }
  // SDL keeps its error text in storage of this thread, which SDL frees only for threads it
  // started itself: without this, every failed opening would leak it.
  SDL_TLSCleanup();
}

}  // namespace wordmeadow

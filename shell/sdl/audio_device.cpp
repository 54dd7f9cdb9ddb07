#include "shell/sdl/audio_device.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>
#include <string_view>
#include <system_error>
#include <utility>

namespace wordmeadow {
namespace {

constexpr int kBytesPerFrame = 2;  // 16-bit mono

// Starts SDL's audio driver and opens its default device, playing. SDL's own list of drivers is
// tried again each time (PulseAudio, then ALSA...), so a sound server that has come up since
// the last try is found.
SDL_AudioDeviceID openDefault(std::string& error) {
  if (SDL_AudioInit(nullptr) != 0) {
    error = SDL_GetError();
    return 0;
  }
  SDL_AudioSpec want = AudioDevice::sampleFormat();
  // Nothing asked back: SDL converts to whatever the device plays.
  const SDL_AudioDeviceID device = SDL_OpenAudioDevice(nullptr, 0, &want, nullptr, 0);
  if (device == 0) {
    error = SDL_GetError();
    SDL_AudioQuit();
    return 0;
  }
  SDL_PauseAudioDevice(device, 0);
  return device;
}

}  // namespace

SDL_AudioSpec AudioDevice::sampleFormat() {
  SDL_AudioSpec format{};
  // The shipped recordings are 22050 Hz mono: handing them over as they are spares converting.
  format.freq = 22050;
  format.format = AUDIO_S16SYS;
  format.channels = 1;
  format.samples = 512;  // 23 ms: a cut-off is heard at once
  return format;
}

AudioDevice::AudioDevice(Timing timing) : timing_(timing), wakeEvent_(SDL_RegisterEvents(1)) {
  // The removal of a device and the opener's wake-up come as events.
  SDL_InitSubSystem(SDL_INIT_EVENTS);
}

AudioDevice::~AudioDevice() {
  // Every way out comes here, an exception's too, and none may wait on the sound server.
  if (!releaseBeforeLeaving()) {
    // Its thread still uses this object, and SDL would wait for the hung server in quitting as
    // well: the program ends here, as it was about to.
    std::fflush(nullptr);
    std::_Exit(std::uncaught_exceptions() > 0 ? EXIT_FAILURE : EXIT_SUCCESS);
  }
  SDL_QuitSubSystem(SDL_INIT_EVENTS);
}

void AudioDevice::play(std::vector<std::uint8_t> samples) {
  std::lock_guard lock(mutex_);
  const Clock::time_point now = Clock::now();
  if (state_ == State::Open && !lost_) {
    if (SDL_GetAudioDeviceStatus(device_) != SDL_AUDIO_STOPPED) {
      wanted_ = true;
      startLocked(samples);
      return;
    }
    lost_ = true;  // removed, and its event not handled yet
  }
  if (state_ == State::Closed && failedBefore_ && now - lastFailure_ < timing_.retrySpacing) {
    return;
  }
  pending_ = std::move(samples);
  pendingSince_ = now;
  wanted_ = true;
  startWorkLocked();
}

void AudioDevice::release() {
  std::lock_guard lock(mutex_);
  pending_.clear();
  wanted_ = false;
  if (state_ == State::Open) {
    SDL_ClearQueuedAudio(device_);
    startWorkLocked();
  }
}

bool AudioDevice::isOpen() const {
  std::lock_guard lock(mutex_);
  return state_ == State::Open && !lost_;
}

SDL_AudioDeviceID AudioDevice::id() const {
  std::lock_guard lock(mutex_);
  return device_;
}

void AudioDevice::settle() {
  std::unique_lock lock(mutex_);
  std::thread worker = std::move(worker_);
  lock.unlock();
  if (worker.joinable()) worker.join();
}

bool AudioDevice::releaseBeforeLeaving() {
  try {
    release();
  } catch (const std::system_error&) {
    return false;  // no thread left to close it with (out of memory): it stays open
  }
  std::unique_lock lock(mutex_);
  if (!workDone_.wait_for(lock, timing_.leaveWait, [this] { return !working_; })) return false;
  lock.unlock();
  settle();  // the thread is ending: only its wake-up is left to do
  return true;
}

void AudioDevice::handleEvent(const SDL_Event& event) {
  std::lock_guard lock(mutex_);
  if (event.type == wakeEvent_) {
    if (!working_ && worker_.joinable()) worker_.join();  // it has finished
  } else if (event.type == SDL_AUDIODEVICEREMOVED && event.adevice.iscapture == 0 &&
             state_ == State::Open && event.adevice.which == device_) {
    lost_ = true;
    wanted_ = false;  // until the next sound
    startWorkLocked();
  }
}

int AudioDevice::msUntilDue() const {
  std::lock_guard lock(mutex_);
  if (state_ != State::Open || !wanted_ || lost_ || keepOpen_) return -1;
  const auto left = std::chrono::ceil<std::chrono::milliseconds>(closeAt_ - Clock::now());
  return static_cast<int>(std::clamp<std::chrono::milliseconds::rep>(left.count(), 0, INT_MAX));
}

void AudioDevice::due() {
  std::lock_guard lock(mutex_);
  const Clock::time_point now = Clock::now();
  if (state_ != State::Open || !wanted_ || lost_ || keepOpen_ || now < closeAt_) return;
  const Uint32 queued = SDL_GetQueuedAudioSize(device_);
  if (queued > 0) {  // the device plays slower than it should: wait for it
    closeAt_ = now + playingTime(queued) + timing_.idleSpell;
    return;
  }
  wanted_ = false;
  startWorkLocked();
}

void AudioDevice::startWorkLocked() {
  if (working_) return;  // the worker looks at what is wanted again before it ends
  if (worker_.joinable()) worker_.join();
  // The thread waits for the lock held here; if it cannot be started, nothing is working.
  worker_ = std::thread(&AudioDevice::work, this);
  working_ = true;
}

void AudioDevice::startLocked(const std::vector<std::uint8_t>& samples) {
  SDL_ClearQueuedAudio(device_);
  if (!samples.empty()) {
    SDL_QueueAudio(device_, samples.data(), static_cast<Uint32>(samples.size()));
  }
  closeAt_ = Clock::now() + playingTime(samples.size()) + timing_.idleSpell;
}

AudioDevice::Clock::duration AudioDevice::playingTime(std::size_t bytes) const {
  const auto frames = static_cast<std::int64_t>(bytes / kBytesPerFrame);
  return std::chrono::duration_cast<Clock::duration>(std::chrono::microseconds(
      frames * 1'000'000 / static_cast<std::int64_t>(sampleFormat().freq)));
}

void AudioDevice::work() {
  std::unique_lock lock(mutex_);
  for (;;) {
    if (state_ == State::Open && (lost_ || !wanted_)) {
      state_ = State::Closing;
      lock.unlock();
      SDL_CloseAudioDevice(device_);
      SDL_AudioQuit();
      // A removal reported for this device must not be taken for the next one, which may get
      // the same number.
      SDL_FlushEvent(SDL_AUDIODEVICEREMOVED);
      lock.lock();
      device_ = 0;
      lost_ = false;
      state_ = State::Closed;
    } else if (state_ == State::Closed && wanted_) {
      state_ = State::Opening;
      lock.unlock();
      std::string error;
      const SDL_AudioDeviceID device = openDefault(error);
      const char* driver = device != 0 ? SDL_GetCurrentAudioDriver() : nullptr;
      const bool keepOpen = driver != nullptr && std::string_view(driver) == "disk";
      lock.lock();
      const Clock::time_point now = Clock::now();
      if (device == 0) {
        state_ = State::Closed;
        wanted_ = false;
        pending_.clear();
        failedBefore_ = true;
        lastFailure_ = now;
        if (!reported_) {  // once for each spell without sound
          std::fprintf(stderr, "wordmeadow: no sound (%s); running silently\n", error.c_str());
          reported_ = true;
        }
        continue;
      }
      state_ = State::Open;
      device_ = device;
      keepOpen_ = keepOpen;
      reported_ = false;
      failedBefore_ = false;
      closeAt_ = now + timing_.idleSpell;
      if (!pending_.empty() && now - pendingSince_ <= timing_.staleAfter) startLocked(pending_);
      pending_.clear();
    } else {
      break;
    }
  }
  working_ = false;
  lock.unlock();
  workDone_.notify_all();
  if (wakeEvent_ != static_cast<Uint32>(-1)) {
    // The loop looks at msUntilDue() again, and joins this thread.
    SDL_Event wake{};
    wake.type = wakeEvent_;
    SDL_PushEvent(&wake);
  }
  // SDL keeps its error text in storage of this thread, which SDL frees only for threads it
  // started itself: without this, every failed opening would leak it.
  SDL_TLSCleanup();
}

}  // namespace wordmeadow

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

#include "shell/sdl/audio_driver.h"

namespace wordmeadow {
namespace {

constexpr int kBytesPerFrame = 2;  // 16-bit mono

// Starts SDL's audio driver unless the microphone has, and opens its default device, playing.
SDL_AudioDeviceID openDefault(std::string& error) {
  if (!acquireAudioDriver(error)) return 0;
  SDL_AudioSpec want = AudioDevice::sampleFormat();
  // Nothing asked back: SDL converts to whatever the device plays.
  const SDL_AudioDeviceID device = SDL_OpenAudioDevice(nullptr, 0, &want, nullptr, 0);
  if (device == 0) {
    error = SDL_GetError();
    releaseAudioDriver();
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
  // 93 ms: long enough that SDL's audio thread and the sound server, woken late on a busy
  // machine, still come in time, short enough that a sound starts within a click's moment. At
  // 23 ms, and still at 46, PulseAudio ran dry while builds shared the machine, and letters came
  // out broken up.
  format.samples = 2048;
  return format;
}

AudioDevice::AudioDevice(Timing timing)
    : timing_(timing), worker_(mutex_, [this](std::unique_lock<std::mutex>& lock) { work(lock); }) {
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
    if (SDL_GetAudioDeviceStatus(device_) != SDL_AUDIO_STOPPED && !stuckLocked(now)) {
      wanted_ = true;
      startLocked(samples);
      return;
    }
    lost_ = true;  // removed, and its event not handled yet; or its server hangs
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
  worker_.settle();
}

bool AudioDevice::releaseBeforeLeaving() {
  const Clock::time_point deadline = Clock::now() + timing_.leaveWait;
  try {
    release();
  } catch (const std::system_error&) {
    return false;  // no thread left to close it with (out of memory): it stays open
  }
  std::unique_lock lock(mutex_);
  if (!worker_.waitLocked(lock, deadline)) return false;
  lock.unlock();
  settle();  // the thread is ending: only its wake-up is left to do
  return abandonedClosesEnded(deadline);
}

void AudioDevice::handleEvent(const SDL_Event& event) {
  std::lock_guard lock(mutex_);
  worker_.handleEventLocked(event);
  if (event.type == SDL_AUDIODEVICEREMOVED && event.adevice.iscapture == 0 &&
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
  if (stuckLocked(now)) {
    lost_ = true;
  } else if (queued > 0) {  // the device plays slower than it should: look again soon
    closeAt_ = now + std::min<Clock::duration>(playingTime(queued) + timing_.idleSpell,
                                               timing_.stuckAfter);
    return;
  }
  wanted_ = false;
  startWorkLocked();
}

void AudioDevice::startWorkLocked() {
  worker_.startLocked();
}

void AudioDevice::startLocked(const std::vector<std::uint8_t>& samples) {
  const Clock::time_point now = Clock::now();
  // A device that has played all it was given is taking from its queue. One that still holds
  // samples keeps the time it was last seen taking: they may be stuck.
  if (SDL_GetQueuedAudioSize(device_) == 0) lastTaken_ = now;
  SDL_ClearQueuedAudio(device_);
  if (!samples.empty()) {
    SDL_QueueAudio(device_, samples.data(), static_cast<Uint32>(samples.size()));
  }
  lastQueued_ = SDL_GetQueuedAudioSize(device_);
  closeAt_ = now + playingTime(samples.size()) + timing_.idleSpell;
}

bool AudioDevice::stuckLocked(Clock::time_point now) {
  const Uint32 queued = SDL_GetQueuedAudioSize(device_);
  if (queued == 0 || queued != lastQueued_) {
    lastQueued_ = queued;
    lastTaken_ = now;
    return false;
  }
  return now - lastTaken_ >= timing_.stuckAfter;
}

AudioDevice::Clock::duration AudioDevice::playingTime(std::size_t bytes) const {
  const auto frames = static_cast<std::int64_t>(bytes / kBytesPerFrame);
  return std::chrono::duration_cast<Clock::duration>(std::chrono::microseconds(
      frames * 1'000'000 / static_cast<std::int64_t>(sampleFormat().freq)));
}

void AudioDevice::work(std::unique_lock<std::mutex>& lock) {
  for (;;) {
    if (state_ == State::Open && (lost_ || !wanted_)) {
      state_ = State::Closing;
      const SDL_AudioDeviceID device = device_;
      lock.unlock();
      // Closed, or given up on: either way the next sound opens another.
      closeAudioDevice(device, timing_.closeWait);
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
}

}  // namespace wordmeadow

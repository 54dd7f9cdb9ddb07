#include "shell/sdl/audio_capture.h"

#include <algorithm>

#include "shell/sdl/audio_driver.h"

namespace wordmeadow {
namespace {

using Clock = std::chrono::steady_clock;
constexpr int kPollMs = 20;
constexpr int kIdlePollMs = 250;
constexpr const char* kLost =
    "The microphone stopped (unplugged or switched off). Plug it in and record again.";
// How long the device is waited for to close before it is given up on (see closeAudioDevice()).
constexpr std::chrono::milliseconds kCloseWait{500};

// Starts SDL's audio driver unless playback has, and opens the default input device, paused.
SDL_AudioDeviceID openDefaultInput(std::string& error) {
  if (!acquireAudioDriver(error)) return 0;
  SDL_AudioSpec want{};
  want.freq = static_cast<int>(AudioCapture::kRate);
  want.format = AUDIO_S16SYS;
  want.channels = 1;
  want.samples = 512;
  // Nothing asked back: SDL converts from whatever the device gives.
  const SDL_AudioDeviceID device = SDL_OpenAudioDevice(nullptr, 1, &want, nullptr, 0);
  if (device == 0) {
    error = SDL_GetError();
    releaseAudioDriver();
  }
  return device;
}

}  // namespace

AudioCapture::AudioCapture()
    : worker_(mutex_, [this](std::unique_lock<std::mutex>& lock) { work(lock); }) {
  SDL_InitSubSystem(SDL_INIT_EVENTS);
}

AudioCapture::~AudioCapture() {
  release();
  settle();
  SDL_QuitSubSystem(SDL_INIT_EVENTS);
}

void AudioCapture::prepare() {
  std::lock_guard lock(mutex_);
  wanted_ = true;
  failure_.clear();
  if (state_ == State::Closed) startWorkLocked();
}

void AudioCapture::start(Listener& listener) {
  std::lock_guard lock(mutex_);
  listener_ = &listener;
  taking_ = true;
  wanted_ = true;
  if (state_ == State::Open && !lost_) {
    beginTakeLocked();
  } else {
    // Opened now, or again after a failure; the take begins once it is open.
    failure_.clear();
    startWorkLocked();
  }
}

void AudioCapture::stop() {
  std::lock_guard lock(mutex_);
  taking_ = false;
  listener_ = nullptr;
  if (state_ == State::Open) SDL_ClearQueuedAudio(device_);
}

void AudioCapture::release() {
  std::lock_guard lock(mutex_);
  taking_ = false;
  listener_ = nullptr;
  wanted_ = false;
  failure_.clear();
  if (state_ == State::Open) startWorkLocked();
}

bool AudioCapture::releaseBeforeLeaving(std::chrono::milliseconds wait) {
  const Clock::time_point deadline = Clock::now() + wait;
  release();
  std::unique_lock lock(mutex_);
  if (!worker_.waitLocked(lock, deadline)) return false;
  lock.unlock();
  settle();
  return abandonedClosesEnded(deadline);
}

bool AudioCapture::isOpen() const {
  std::lock_guard lock(mutex_);
  return state_ == State::Open && !lost_;
}

SDL_AudioDeviceID AudioCapture::id() const {
  std::lock_guard lock(mutex_);
  return device_;
}

void AudioCapture::settle() {
  worker_.settle();
}

void AudioCapture::handleEvent(const SDL_Event& event) {
  std::lock_guard lock(mutex_);
  worker_.handleEventLocked(event);
  if (event.type == SDL_AUDIODEVICEREMOVED && event.adevice.iscapture != 0 &&
      state_ == State::Open && event.adevice.which == device_) {
    loseLocked();
  }
}

int AudioCapture::msUntilDue() const {
  std::lock_guard lock(mutex_);
  if (taking_ && !failure_.empty()) return 0;
  if (state_ != State::Open || lost_) return -1;  // while it opens, its wake-up comes
  const int spacing = taking_ ? kPollMs : kIdlePollMs;
  const auto left = std::chrono::ceil<std::chrono::milliseconds>(nextPoll_ - Clock::now());
  return static_cast<int>(std::clamp<std::chrono::milliseconds::rep>(left.count(), 0, spacing));
}

void AudioCapture::due() {
  std::unique_lock lock(mutex_);
  // Removed, and its event not handled yet, or its stream ended by the sound server.
  if (state_ == State::Open && !lost_ && SDL_GetAudioDeviceStatus(device_) == SDL_AUDIO_STOPPED) {
    loseLocked();
  }
  if (state_ == State::Open && !lost_ && !taking_) {
    // Between takes what it hears is dropped.
    nextPoll_ = Clock::now() + std::chrono::milliseconds(kIdlePollMs);
    SDL_ClearQueuedAudio(device_);
    return;
  }
  Listener* listener = listener_;
  if (!taking_ || listener == nullptr) return;
  if (!failure_.empty()) {
    const std::string why = failure_;
    failure_.clear();
    taking_ = false;
    listener_ = nullptr;
    lock.unlock();
    listener->failed(why);
    return;
  }
  if (state_ != State::Open || lost_) return;
  nextPoll_ = Clock::now() + std::chrono::milliseconds(kPollMs);
  const Uint32 bytes = SDL_GetQueuedAudioSize(device_);
  buffer_.resize(bytes / sizeof(std::int16_t));
  const Uint32 got =
      buffer_.empty()
          ? 0
          : SDL_DequeueAudio(device_, buffer_.data(),
                             static_cast<Uint32>(buffer_.size() * sizeof(std::int16_t)));
  buffer_.resize(got / sizeof(std::int16_t));
  const std::vector<std::int16_t> samples = buffer_;
  lock.unlock();
  // The listener may stop the take.
  listener->captured(samples);
}

void AudioCapture::startWorkLocked() {
  worker_.startLocked();
}

void AudioCapture::loseLocked() {
  if (lost_) return;
  lost_ = true;
  wanted_ = false;  // until the next take, which opens it again
  if (taking_) failure_ = kLost;
  startWorkLocked();
}

void AudioCapture::beginTakeLocked() {
  // What the microphone heard before the take is not part of it.
  SDL_ClearQueuedAudio(device_);
}

void AudioCapture::work(std::unique_lock<std::mutex>& lock) {
  for (;;) {
    if (state_ == State::Open && (!wanted_ || lost_)) {
      state_ = State::Closing;
      const SDL_AudioDeviceID device = device_;
      lock.unlock();
      // Closed, or given up on: either way the next take opens another.
      closeAudioDevice(device, kCloseWait);
      lock.lock();
      device_ = 0;
      lost_ = false;
      state_ = State::Closed;
    } else if (state_ == State::Closed && wanted_ && failure_.empty()) {
      state_ = State::Opening;
      lock.unlock();
      std::string error;
      const SDL_AudioDeviceID device = openDefaultInput(error);
      lock.lock();
      if (device == 0) {
        state_ = State::Closed;
        wanted_ = false;
        failure_ = "No microphone could be opened (" + error +
                   "). Plug one in or switch it on in the system's sound settings, allow "
                   "Wordmeadow to use it, and try again.";
        continue;
      }
      device_ = device;
      state_ = State::Open;
      // Running from the start, unlike paused, it gives the sound of the moment a take begins:
      // a capture stream of PulseAudio's takes a while to start delivering.
      SDL_PauseAudioDevice(device_, 0);
      if (taking_) beginTakeLocked();
    } else {
      break;
    }
  }
}

}  // namespace wordmeadow

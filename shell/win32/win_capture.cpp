#include "shell/win32/win_capture.h"

#include <algorithm>
#include <thread>
#include <utility>

namespace wordmeadow {
namespace {

using Clock = std::chrono::steady_clock;

// A device that hands back no buffer for this long while a take runs has gone: each buffer is
// 46 ms, so only a lost microphone (or a system stalled for seconds) stays silent this long.
constexpr auto kGoneAfter = std::chrono::milliseconds(2000);
// Only so long after a take begins can the device hand back what it held from before.
constexpr auto kBacklogWithin = std::chrono::milliseconds(1000);
// How long closing waits for the device to hand its buffers back.
constexpr DWORD kReturnWaitMs = 500;
// How long the program's end waits for devices still closing: a driver that has not closed one
// by then never will (a sound server that stopped answering).
constexpr auto kEndWait = std::chrono::milliseconds(2000);
constexpr char kLost[] =
    "The microphone stopped; it may have been unplugged. Plug it in again and record once more.";

}  // namespace

std::string microphoneProblem(MMRESULT result) {
  if (result == MMSYSERR_ALLOCATED) {
    return "The microphone is in use by another program. Close that program and try again.";
  }
  // Short enough for the recorder's two lines, with what it adds.
  return "No microphone could be opened. Plug one in, and let apps use it in Windows' privacy "
         "settings.";
}

std::span<const std::int16_t> recordedSamples(const WAVEHDR& header) {
  const std::size_t bytes = std::min(header.dwBytesRecorded, header.dwBufferLength);
  return {reinterpret_cast<const std::int16_t*>(header.lpData), bytes / sizeof(std::int16_t)};
}

std::size_t samplesBeforeTake(std::size_t taken, std::size_t arriving, std::size_t possible) {
  if (taken + arriving <= possible) return 0;
  return std::min(arriving, taken + arriving - possible);
}

WinCapture::WinCapture() : event_(CreateEventA(nullptr, FALSE, FALSE, nullptr), CloseHandle) {}

WinCapture::~WinCapture() {
  release();
  // A process that ends while a thread still closes a device, or is still ending, may crash
  // (under Wine it does): they are waited for, unless the driver will never let them end.
  std::unique_lock lock(closing_->mutex);
  const bool closed =
      closing_->done.wait_for(lock, kEndWait, [this] { return closing_->devices == 0; });
  lock.unlock();
  for (std::thread& closer : closers_) {
    if (closed) {
      closer.join();
    } else {
      closer.detach();
    }
  }
}

void WinCapture::prepare() {
  // A failure is told when a take starts, which tries again.
  if (device_ == nullptr) open();
}

void WinCapture::start(Listener& listener) {
  listener_ = nullptr;
  if (device_ == nullptr) {
    const std::string why = open();
    if (!why.empty()) {
      listener.failed(why);
      return;
    }
  }
  // What the device has handed back so far was heard before the take.
  serve();
  if (device_ == nullptr) {
    listener.failed(kLost);
    return;
  }
  listener_ = &listener;
  began_ = lastHeard_ = Clock::now();
  taken_ = 0;
}

void WinCapture::stop() {
  // The buffers go round as before; what they bring is dropped again.
  listener_ = nullptr;
}

void WinCapture::release() {
  listener_ = nullptr;
  close();
}

int WinCapture::msUntilDue() const {
  if (listener_ == nullptr) return -1;
  const auto left =
      std::chrono::ceil<std::chrono::milliseconds>(lastHeard_ + kGoneAfter - Clock::now());
  return static_cast<int>(std::max<std::chrono::milliseconds::rep>(left.count(), 0));
}

void WinCapture::serve() {
  if (device_ == nullptr) return;
  // In the order the device fills them, each queued again at once: the device never runs out.
  // Taken together, so that what it held from before the take is known as one.
  heard_.clear();
  while (((*buffers_)[next_].header.dwFlags & WHDR_DONE) != 0) {
    Buffer& buffer = (*buffers_)[next_];
    next_ = (next_ + 1) % kBuffers;
    if (listener_ != nullptr) {
      const auto samples = recordedSamples(buffer.header);
      heard_.insert(heard_.end(), samples.begin(), samples.end());
    }
    if (!queue(buffer)) return;
  }
  if (listener_ == nullptr) return;
  const auto now = Clock::now();
  if (heard_.empty()) {
    if (now - lastHeard_ >= kGoneAfter) fail(kLost);
    return;
  }
  lastHeard_ = now;
  std::size_t before = 0;
  if (now - began_ < kBacklogWithin) {
    const auto since = std::chrono::duration_cast<std::chrono::microseconds>(now - began_);
    const auto possible = static_cast<std::size_t>(since.count()) * kRate / 1000000;
    before = samplesBeforeTake(taken_, heard_.size(), possible);
  }
  taken_ += heard_.size() - before;
  // The listener may end the take.
  if (before < heard_.size()) listener_->captured(std::span(heard_).subspan(before));
}

std::string WinCapture::open() {
  WAVEFORMATEX format{};
  format.wFormatTag = WAVE_FORMAT_PCM;
  format.nChannels = 1;
  format.nSamplesPerSec = kRate;
  format.wBitsPerSample = 16;
  format.nBlockAlign = sizeof(std::int16_t);
  format.nAvgBytesPerSec = kRate * format.nBlockAlign;
  HWAVEIN device = nullptr;
  const MMRESULT opened = waveInOpen(&device, WAVE_MAPPER, &format,
                                     reinterpret_cast<DWORD_PTR>(event_.get()), 0, CALLBACK_EVENT);
  if (opened != MMSYSERR_NOERROR) return microphoneProblem(opened);
  device_ = device;
  buffers_ = std::make_unique<Buffers>();
  for (Buffer& buffer : *buffers_) {
    buffer.header.lpData = reinterpret_cast<LPSTR>(buffer.samples.data());
    buffer.header.dwBufferLength = sizeof buffer.samples;
    const MMRESULT prepared = waveInPrepareHeader(device_, &buffer.header, sizeof(WAVEHDR));
    if (prepared != MMSYSERR_NOERROR) {
      close();
      return microphoneProblem(prepared);
    }
  }
  next_ = 0;
  for (Buffer& buffer : *buffers_) {
    const MMRESULT queued = waveInAddBuffer(device_, &buffer.header, sizeof(WAVEHDR));
    if (queued != MMSYSERR_NOERROR) {
      close();
      return microphoneProblem(queued);
    }
  }
  const MMRESULT started = waveInStart(device_);
  if (started != MMSYSERR_NOERROR) {
    close();
    return microphoneProblem(started);
  }
  return {};
}

void WinCapture::close(bool apart) {
  if (device_ == nullptr) return;
  // The buffers, and the event the device signals, stay with it until it is closed.
  {
    std::lock_guard lock(closing_->mutex);
    ++closing_->devices;
  }
  if (!apart) {
    closeDevice(std::exchange(device_, nullptr), std::move(buffers_), event_, closing_);
    return;
  }
  closers_.emplace_back(closeDevice, std::exchange(device_, nullptr), std::move(buffers_), event_,
                        closing_);
}

void WinCapture::closeDevice(HWAVEIN device, std::unique_ptr<Buffers> buffers,
                             std::shared_ptr<void> event, std::shared_ptr<Closing> closing) {
  // waveInReset hands every buffer back; only then may they be unprepared and the device closed.
  waveInReset(device);
  const DWORD begun = GetTickCount();
  const auto queued = [&] {
    return std::any_of(buffers->begin(), buffers->end(),
                       [](const Buffer& b) { return (b.header.dwFlags & WHDR_INQUEUE) != 0; });
  };
  while (queued() && GetTickCount() - begun < kReturnWaitMs) Sleep(10);
  const bool returned = !queued();
  for (Buffer& buffer : *buffers) {
    if ((buffer.header.dwFlags & WHDR_PREPARED) != 0) {
      waveInUnprepareHeader(device, &buffer.header, sizeof(WAVEHDR));
    }
  }
  if (!returned || waveInClose(device) != MMSYSERR_NOERROR) {
    // The device may still write into them, and signal the event: both stay, for good.
    static_cast<void>(buffers.release());
    static_cast<void>(new std::shared_ptr<void>(std::move(event)));
  }
  std::lock_guard lock(closing->mutex);
  --closing->devices;
  closing->done.notify_all();
}

bool WinCapture::queue(Buffer& buffer) {
  buffer.header.dwFlags &= ~static_cast<DWORD>(WHDR_DONE);
  buffer.header.dwBytesRecorded = 0;
  if (waveInAddBuffer(device_, &buffer.header, sizeof(WAVEHDR)) == MMSYSERR_NOERROR) return true;
  fail(kLost);
  return false;
}

void WinCapture::fail(const std::string& why) {
  Listener* listener = listener_;
  listener_ = nullptr;
  // Opened again, perhaps another one, when the next take starts. A device that has stopped
  // may never close (Wine's, when the sound server has stopped answering): the program goes
  // on meanwhile, and only its end waits for it a while.
  close(true);
  if (listener != nullptr) listener->failed(why);
}

}  // namespace wordmeadow

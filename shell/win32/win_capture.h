#pragma once

#include <array>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <thread>
#include <vector>

#include "shell/capture.h"
#include "shell/win32/win_api.h"
#include "shell/win32/win_wait_service.h"

namespace wordmeadow {

// Why no microphone could be opened, for the person in front of it: what to do about it.
std::string microphoneProblem(MMRESULT result);

// The samples a buffer the device has handed back holds: whole 16-bit samples only.
std::span<const std::int16_t> recordedSamples(const WAVEHDR& header);

// How many at the front of the samples arriving for a take were heard before it began: the
// device cannot have heard more of the take than the time since it began allows (possible
// samples), and a take given taken samples already gets only the newest of the rest. The buffer
// the device was filling when the take began comes back soon after, mostly from before it.
std::size_t samplesBeforeTake(std::size_t taken, std::size_t arriving, std::size_t possible);

// The default microphone through waveIn (the wave mapper, which converts from whatever the
// device gives), 16-bit mono at 22050 Hz, the shipped recordings' format. waveIn applies no
// processing of its own (no echo cancellation, noise suppression or gain).
//
// The device runs from prepare() to release(), so that a take starts at once, with its buffers
// going round: it signals an event for each one it fills, and the message loop, which waits for
// that event (WaitService), queues it again and hands its samples to the listener while a take
// runs. Between takes they are dropped, and so is what the device hands back at a take's start
// from before it. A take from which no buffer comes back for a while has lost its microphone
// (unplugged): it ends with a message, and the next take opens the default device again.
class WinCapture : public Capture, public WaitService {
 public:
  static constexpr std::uint32_t kRate = 22050;

  WinCapture();
  ~WinCapture() override;
  WinCapture(const WinCapture&) = delete;
  WinCapture& operator=(const WinCapture&) = delete;

  std::uint32_t rate() const override { return kRate; }
  void prepare() override;
  void start(Listener& listener) override;
  void stop() override;
  void release() override;

  HANDLE event() const override { return event_.get(); }
  int msUntilDue() const override;
  void serve() override;

 private:
  static constexpr std::size_t kBuffers = 32;
  // 46 ms each, 1.5 s in all: the program may be held up that long on a loaded machine before
  // it hands a buffer back, and until then the device has nowhere to put what it hears.
  static constexpr std::size_t kBufferSamples = 1024;
  struct Buffer {
    WAVEHDR header{};
    std::array<std::int16_t, kBufferSamples> samples{};
  };
  using Buffers = std::array<Buffer, kBuffers>;

  // Opens and starts the device; "" or why it could not.
  std::string open();
  // Lets the device go; apart, on a thread of its own, so that a driver that never answers
  // holds up nothing.
  void close(bool apart = false);
  // The devices still closing, which the program's end waits for a while.
  struct Closing {
    std::mutex mutex;
    std::condition_variable done;
    int devices = 0;
  };
  static void closeDevice(HWAVEIN device, std::unique_ptr<Buffers> buffers,
                          std::shared_ptr<void> event, std::shared_ptr<Closing> closing);
  // Hands a buffer to the device to fill; ends the take when the device is gone.
  bool queue(Buffer& buffer);
  void fail(const std::string& why);

  std::shared_ptr<void> event_;  // closed once no device can signal it
  std::shared_ptr<Closing> closing_ = std::make_shared<Closing>();
  std::vector<std::thread> closers_;
  HWAVEIN device_ = nullptr;
  // Where the device writes; kept at one place while it is open, and left to it for good if
  // it never hands them back.
  std::unique_ptr<Buffers> buffers_;
  std::size_t next_ = 0;  // the buffer the device hands back next
  Listener* listener_ = nullptr;
  std::chrono::steady_clock::time_point began_{};
  std::chrono::steady_clock::time_point lastHeard_{};
  std::size_t taken_ = 0;  // samples given to the take
  std::vector<std::int16_t> heard_;
};

}  // namespace wordmeadow

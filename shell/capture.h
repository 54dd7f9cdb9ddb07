#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <utility>

namespace wordmeadow {

// The microphone, as the recorder uses it: the system's default input, 16-bit mono at rate(),
// taken as it is (no echo cancellation, noise suppression or automatic gain, which cut the
// first consonant of a letter's name). What it hears comes to the listener on the program's own
// thread, between events, while a take runs.
class Capture {
 public:
  class Listener {
   public:
    virtual ~Listener() = default;
    virtual void captured(std::span<const std::int16_t> samples) = 0;
    // No microphone could be opened, or it was refused; why, for the person in front of it.
    virtual void failed(const std::string& why) = 0;
  };

  virtual ~Capture() = default;

  virtual std::uint32_t rate() const = 0;
  // Gets the microphone ready without taking anything from it, so that a take starts at once.
  virtual void prepare() = 0;
  // A take begins: what the microphone heard before is dropped. Returns at once.
  virtual void start(Listener& listener) = 0;
  // The take ends: nothing more comes to the listener.
  virtual void stop() = 0;
  // The microphone is let go until the next prepare().
  virtual void release() = 0;
};

// Where no microphone can be used: every take fails at once with the reason given.
class NoCapture : public Capture {
 public:
  explicit NoCapture(std::string why) : why_(std::move(why)) {}
  std::uint32_t rate() const override { return 22050; }
  void prepare() override {}
  void start(Listener& listener) override { listener.failed(why_); }
  void stop() override {}
  void release() override {}

 private:
  std::string why_;
};

}  // namespace wordmeadow

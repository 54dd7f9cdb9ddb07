#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "shell/capture.h"

namespace wordmeadow {

// The microphone in a browser page (shell/web/page/capture.js): getUserMedia, as it is (no echo
// cancellation, noise suppression or automatic gain), through an AudioWorklet at the page's
// sound's own rate. Each take opens the microphone and its end lets it go again, since an open
// microphone moves a tablet's playback to its earpiece. What it hears comes in from the page
// between events.
class WebCapture : public Capture {
 public:
  // Why a take could not start, as the page tells it.
  enum class Refusal { Insecure, Unsupported, Denied, NoMicrophone, Unavailable };

  std::uint32_t rate() const override;
  void prepare() override;
  void start(Listener& listener) override;
  void stop() override;
  void release() override;

  // The page's side: room for that many samples, then how many of them it filled; or why the
  // take could not start.
  std::int16_t* room(std::size_t count);
  void captured(std::size_t count);
  void refused(Refusal why);

  // The sentence for the grown-up.
  static std::string explain(Refusal why);

 private:
  Listener* listener_ = nullptr;
  std::vector<std::int16_t> samples_;
};

}  // namespace wordmeadow

#include "shell/web/web_capture.h"

#include <emscripten.h>

#include <span>

// clang-format off
EM_JS(std::uint32_t, wm_capture_rate, (), {
  return Module.page.captureRate();
});
EM_JS(void, wm_capture_prepare, (), {
  Module.page.prepareCapture();
});
EM_JS(void, wm_capture_start, (), {
  Module.page.startCapture();
});
EM_JS(void, wm_capture_stop, (), {
  Module.page.stopCapture();
});
// clang-format on

namespace wordmeadow {

std::uint32_t WebCapture::rate() const {
  return wm_capture_rate();
}

void WebCapture::prepare() {
  wm_capture_prepare();
}

void WebCapture::start(Listener& listener) {
  listener_ = &listener;
  wm_capture_start();
}

void WebCapture::stop() {
  listener_ = nullptr;
  wm_capture_stop();
}

void WebCapture::release() {
  stop();
}

std::int16_t* WebCapture::room(std::size_t count) {
  samples_.resize(count);
  return samples_.data();
}

void WebCapture::captured(std::size_t count) {
  if (listener_ == nullptr || count > samples_.size()) return;
  listener_->captured(std::span<const std::int16_t>(samples_.data(), count));
}

void WebCapture::refused(Refusal why) {
  Listener* listener = listener_;
  if (listener == nullptr) return;
  stop();
  listener->failed(explain(why));
}

std::string WebCapture::explain(Refusal why) {
  // Short enough that the recorder's line after it still fits.
  switch (why) {
    case Refusal::Insecure:
      return "Recording needs a secure address: open this site over https:// (or localhost).";
    case Refusal::Unsupported:
      return "This browser cannot record: use a recent Chrome, Edge, Firefox or Safari.";
    case Refusal::Denied:
      return "Allow the microphone for this site in the browser's settings, then press Record "
             "again.";
    case Refusal::NoMicrophone:
      return "No microphone was found. Connect one, then press Record again.";
    case Refusal::Unavailable:
      break;
  }
  return "The microphone could not be opened. Close what else uses it, then press Record again.";
}

}  // namespace wordmeadow

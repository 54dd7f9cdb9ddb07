#include "shell/web/web_platform.h"

#include <emscripten.h>

// clang-format off
EM_JS(void, wm_play_sound, (const char* path), {
  Module.page.playSound(UTF8ToString(path));
});
EM_JS(void, wm_open_address, (const char* address), {
  Module.page.openAddress(UTF8ToString(address));
});
// clang-format on

namespace wordmeadow {

WebPlatform::WebPlatform(std::string_view listingText) : PlatformBase(".") {
  listing().read(listingText);
}

void WebPlatform::playSoundFile(const std::vector<std::string>& paths) {
  if (paths.empty()) return;
  // Web servers may tell case apart where the desktop program would find the file anyway.
  wm_play_sound(listing().findIgnoringCase(paths.back()).c_str());
}

void WebPlatform::openWithShell(const Window& /*owner*/, const std::string& address) {
  wm_open_address(address.c_str());
}

}  // namespace wordmeadow

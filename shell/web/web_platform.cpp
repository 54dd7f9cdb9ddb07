#include "shell/web/web_platform.h"

#include <emscripten.h>

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "shell/files.h"
#include "shell/recording_check.h"
#include "shell/web/built_in_listing.h"

// clang-format off
// The user's own recording's bytes, if any (copied: the heap may move), else the site's file.
EM_JS(void, wm_play_sound, (const char* path, const std::uint8_t* own, std::size_t ownSize), {
  Module.page.playSound(UTF8ToString(path), ownSize ? HEAPU8.slice(own, own + ownSize) : null);
});
EM_JS(void, wm_open_address, (const char* address), {
  Module.page.openAddress(UTF8ToString(address));
});
EM_JS(void, wm_warn, (const char* text), {
  console.warn(UTF8ToString(text));
});
// The listing is handed over through the heap: it may be far larger than the stack.
EM_JS(std::size_t, wm_listing_size, (), {
  return lengthBytesUTF8(Module.listing || "");
});
EM_JS(void, wm_listing_copy, (char* to, std::size_t size), {
  stringToUTF8(Module.listing || "", to, size + 1);
});
// clang-format on

namespace wordmeadow {

namespace {

bool inVoiceFolder(std::string_view path) {
  const std::string_view folder = WebPlatform::kVoiceFolder;
  return path.size() > folder.size() && path.starts_with(folder) && path[folder.size()] == '/';
}

}  // namespace

WebPlatform::WebPlatform() : PlatformBase(".", kVoiceFolder) {
  const std::size_t size = wm_listing_size();
  if (size > ListingFile::kMaxBytes) {
    wm_warn(
        "wordmeadow: listing.txt is over 4 MiB, too large to be read; the recordings the "
        "program was built with are listed instead");
  } else {
    std::string text(size, '\0');
    wm_listing_copy(text.data(), size);
    if (listing().read(text)) return;
    wm_warn(
        "wordmeadow: listing.txt is missing or is not a listing of recordings; the "
        "recordings the program was built with are listed instead");
  }
  listing().read(builtInListing());
}

void WebPlatform::playSoundFile(const std::vector<std::string>& paths) {
  // The first of the voice folder's files that may be decoded, and the first of the site's.
  std::vector<std::uint8_t> own;
  std::string site;
  for (const std::string& path : paths) {
    if (inVoiceFolder(path)) {
      if (!own.empty()) continue;
      own = readWholeFile(path, kMaxRecordingBytes);
      if (!recordingIsWhole(own.data(), own.size())) own.clear();
      continue;
    }
    // A path that names no file (Play Again before any letter was asked) is a folder, which
    // beeps as on the desktop; the page is handed no name, so the server is never asked for the
    // folder. Web servers may tell case apart where the desktop program would find the file
    // anyway.
    const std::string name = path.substr(path.find_last_of('/') + 1);
    if (!name.empty() && name != "." && name != "..") site = listing().findIgnoringCase(path);
    break;
  }
  wm_play_sound(site.c_str(), own.data(), own.size());
}

void WebPlatform::openWithShell(const Window& /*owner*/, const std::string& address) {
  wm_open_address(address.c_str());
}

}  // namespace wordmeadow

#pragma once

#include <string>
#include <vector>

#include "shell/platform_base.h"
#include "shell/web/listing_file.h"
#include "shell/web/web_capture.h"
#include "shell/web/web_file_dialogs.h"

namespace wordmeadow {

// The program's platform in a browser page: the site's folder is the program's folder ("."),
// listed through the site's listing file; sound, the microphone, files chosen and new browsing
// contexts are the page's. The voice folder lies in the program's memory and is kept in the
// site's storage by the page (shell/web/page/voice_storage.js).
class WebPlatform : public PlatformBase<ListingFile> {
 public:
  static constexpr const char* kVoiceFolder = "/voice";

  // Lists the folder from the text of the site's listing file the page was handed
  // (Module.listing), or, when that is no listing, from the program's own.
  WebPlatform();

  // A file of the voice folder is played from its bytes in memory, the others fetched from the
  // site; a file of the voice folder that cannot be played gives way to the next.
  void playSoundFile(const std::vector<std::string>& paths) override;
  void openWithShell(const Window& owner, const std::string& address) override;
  WebCapture& microphone() override { return microphone_; }
  WebFileDialogs& fileDialogs() override { return dialogs_; }

 private:
  WebCapture microphone_;
  WebFileDialogs dialogs_;
};

}  // namespace wordmeadow

#pragma once

#include <string>
#include <vector>

#include "shell/platform_base.h"
#include "shell/web/listing_file.h"

namespace wordmeadow {

// The program's platform in a browser page: the site's folder is the program's folder ("."),
// listed through the site's listing file; sound and new browsing contexts are the page's. It
// keeps no voice folder yet, so each sound is offered from the site's folder alone.
class WebPlatform : public PlatformBase<ListingFile> {
 public:
  // Lists the folder from the text of the site's listing file the page was handed
  // (Module.listing), or, when that is no listing, from the program's own.
  WebPlatform();

  void playSoundFile(const std::vector<std::string>& paths) override;
  void openWithShell(const Window& owner, const std::string& address) override;
};

}  // namespace wordmeadow

#pragma once

#include <string>

#include "shell/platform_base.h"
#include "shell/web/listing_file.h"

namespace wordmeadow {

// The program's platform in a browser page: the site's folder is the program's folder ("."),
// listed through the site's listing file; sound and new browsing contexts are the page's.
class WebPlatform : public PlatformBase<ListingFile> {
 public:
  // Lists the folder from the text of the site's listing file the page was handed
  // (Module.listing), or, when that is no listing, from the program's own.
  WebPlatform();

  void playSoundFile(const std::string& path) override;
  void openWithShell(const Window& owner, const std::string& address) override;
};

}  // namespace wordmeadow

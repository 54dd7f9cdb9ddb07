#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "shell/platform_base.h"
#include "shell/web/listing_file.h"

namespace wordmeadow {

// The program's platform in a browser page: the site's folder is the program's folder ("."),
// listed through the site's listing file; sound and new browsing contexts are the page's. It
// keeps no voice folder yet, so each sound is offered from the site's folder alone.
class WebPlatform : public PlatformBase<ListingFile> {
 public:
  // The text of the site's listing file.
  explicit WebPlatform(std::string_view listingText);

  void playSoundFile(const std::vector<std::string>& paths) override;
  void openWithShell(const Window& owner, const std::string& address) override;
};

}  // namespace wordmeadow

#pragma once

#include <string>
#include <string_view>

#include "shell/platform_base.h"
#include "shell/web/listing_file.h"

namespace wordmeadow {

// The program's platform in a browser page: the site's folder is the program's folder ("."),
// listed through the site's listing file; sound and new browsing contexts are the page's.
class WebPlatform : public PlatformBase<ListingFile> {
 public:
  // The text of the site's listing file.
  explicit WebPlatform(std::string_view listingText);

  void playSoundFile(const std::string& path) override;
  void openWithShell(const Window& owner, const std::string& address) override;
};

}  // namespace wordmeadow

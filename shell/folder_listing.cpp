#include "shell/folder_listing.h"

#include <system_error>

#include "shell/paths.h"
#include "shell/wildcard.h"

namespace wordmeadow {

std::string FolderListing::first(const std::string& pattern) {
  const auto cut = pattern.find_last_of(kPathSeparator);
  const std::string folder = cut == std::string::npos ? "." : parentFolder(pattern);
  wildcard_ = cut == std::string::npos ? pattern : pattern.substr(cut + 1);
  std::error_code ec;
  it_ = std::filesystem::directory_iterator(folder, ec);
  if (ec) it_ = {};
  return next();
}

std::string FolderListing::next() {
  const std::filesystem::directory_iterator end;
  std::error_code ec;
  while (it_ != end) {
    const std::filesystem::directory_entry entry = *it_;
    it_.increment(ec);
    if (ec) it_ = end;

    std::string name = entry.path().filename().string();
    if (name.empty() || name.front() == '.') continue;
    std::error_code statError;
    if (!entry.is_regular_file(statError)) continue;
    if (wildcardMatch(wildcard_, name)) return name;
  }
  return {};
}

}  // namespace wordmeadow

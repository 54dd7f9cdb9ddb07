#pragma once

#include <filesystem>
#include <string>

namespace wordmeadow {

// Lists the files of one folder whose names match a wildcard, one name per call, in the order
// the file system keeps them. Only regular files count (a link counts as what it points to):
// folders, dangling links, link loops and hidden files (names starting with a dot) are skipped.
class FolderListing {
 public:
  // Starts a new listing for "folder/wildcard" and returns its first name ("" for none).
  std::string first(const std::string& pattern);
  // The next name, or "" once the listing is done.
  std::string next();

 private:
  std::filesystem::directory_iterator it_;
  std::string wildcard_;
};

}  // namespace wordmeadow

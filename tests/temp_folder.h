#pragma once

#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace wordmeadow::testing {

// A fresh folder under the system's temporary folder, removed again with its files.
class TempFolder {
 public:
  TempFolder() {
    static int counter = 0;
    path_ = std::filesystem::temp_directory_path() /
            ("wordmeadow-test-" + std::to_string(::getpid()) + "-" + std::to_string(++counter));
    std::filesystem::remove_all(path_);
    std::filesystem::create_directories(path_);
  }
  ~TempFolder() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  std::string path() const { return path_.string(); }

  void touch(const std::string& name, const std::string& content = "x") const {
    std::ofstream(path_ / name, std::ios::binary) << content;
  }

 private:
  std::filesystem::path path_;
};

// Every name a folder listing (FolderListing, or FindListing on Windows) gives for a pattern.
template <typename Listing>
std::vector<std::string> listAll(Listing& listing, const std::string& pattern) {
  std::vector<std::string> names;
  for (std::string name = listing.first(pattern); !name.empty(); name = listing.next()) {
    names.push_back(name);
  }
  return names;
}

inline std::vector<std::string> sorted(std::vector<std::string> v) {
  std::sort(v.begin(), v.end());
  return v;
}

}  // namespace wordmeadow::testing

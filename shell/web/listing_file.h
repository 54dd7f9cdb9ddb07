#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace wordmeadow {

// A folder listing for a place that cannot be listed, such as a web site: it reads the names
// from a listing file instead, one path a line relative to the program's folder with '/' between
// folders (as the site's listing command writes it). Like a folder listing it gives the names
// directly in the listed folder that match the wildcard, never those in its subfolders, in the
// order of the file.
class ListingFile {
 public:
  // The most a listing file may hold: some 200,000 recordings, far beyond any site's.
  static constexpr std::size_t kMaxBytes = std::size_t{4} << 20;

  // Replaces the listed files with those of the listing file's text, spaces around each line
  // trimmed. A text that is no listing lists nothing and answers false: one over kMaxBytes, one
  // without a recording, or one with a line that names no recording (a server's error or login
  // page). Every line of a listing names a file whose name contains ".wav" in any case, as the
  // site's listing command writes it.
  bool read(std::string_view text);

  // Starts a new listing for "folder/wildcard" and returns its first name ("" for none).
  std::string first(const std::string& pattern);
  // The next name, or "" once the listing is done.
  std::string next();

  // The listed path that names the same file as this one, letters compared regardless of case
  // (as the desktop finds a file whose name differs only in case); the path itself when none.
  std::string findIgnoringCase(const std::string& path) const;

 private:
  std::vector<std::string> files_;
  std::string folder_;
  std::string wildcard_;
  std::size_t at_ = 0;
};

}  // namespace wordmeadow

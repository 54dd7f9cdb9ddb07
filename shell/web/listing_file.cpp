#include "shell/web/listing_file.h"

#include <utility>

#include "shell/wildcard.h"

namespace wordmeadow {
namespace {

// A path without "." and empty segments: "./words/a.wav" and "words//a.wav" are "words/a.wav",
// and the program's folder "." is "".
std::string normalise(std::string_view path) {
  std::string out;
  while (!path.empty()) {
    const auto cut = path.find('/');
    const std::string_view segment = path.substr(0, cut);
    if (!segment.empty() && segment != ".") {
      if (!out.empty()) out += '/';
      out += segment;
    }
    if (cut == std::string_view::npos) break;
    path.remove_prefix(cut + 1);
  }
  return out;
}

// Splits "folder/name" into its folder ("" for the program's folder) and name.
std::pair<std::string, std::string> split(std::string_view path) {
  const std::string normal = normalise(path);
  const auto cut = normal.find_last_of('/');
  if (cut == std::string::npos) return {"", normal};
  return {normal.substr(0, cut), normal.substr(cut + 1)};
}

std::string_view trimmed(std::string_view line) {
  constexpr std::string_view kSpaces = " \t\r\v\f";
  const auto first = line.find_first_not_of(kSpaces);
  if (first == std::string_view::npos) return {};
  return line.substr(first, line.find_last_not_of(kSpaces) - first + 1);
}

}  // namespace

bool ListingFile::read(std::string_view text) {
  files_.clear();
  at_ = 0;
  if (text.size() > kMaxBytes) return false;
  bool named = false;
  while (!text.empty()) {
    const auto end = text.find('\n');
    const std::string_view line = trimmed(text.substr(0, end));
    if (!line.empty()) {
      // Each line ends in a recording's name; a folder ("words/") is no listing line.
      const std::string_view name = line.substr(line.find_last_of('/') + 1);
      if (name == "." || name == ".." || !wildcardMatch("*.wav*", name)) {
        files_.clear();
        return false;
      }
      named = true;
      // Hidden files are never listed, as in a folder.
      if (name.front() != '.') files_.push_back(normalise(line));
    }
    if (end == std::string_view::npos) break;
    text.remove_prefix(end + 1);
  }
  at_ = files_.size();
  return named;
}

std::string ListingFile::first(const std::string& pattern) {
  auto [folder, wildcard] = split(pattern);
  folder_ = std::move(folder);
  wildcard_ = std::move(wildcard);
  at_ = 0;
  return next();
}

std::string ListingFile::next() {
  while (at_ < files_.size()) {
    auto [folder, name] = split(files_[at_++]);
    if (folder == folder_ && wildcardMatch(wildcard_, name)) return name;
  }
  return {};
}

std::string ListingFile::findIgnoringCase(const std::string& path) const {
  const std::string normal = normalise(path);
  for (const std::string& file : files_) {
    if (file == normal) return path;
  }
  for (const std::string& file : files_) {
    if (equalIgnoringCase(file, normal)) return file;
  }
  return path;
}

}  // namespace wordmeadow

// Reads any bytes as the browser build's listing file and checks what the listing promises:
// a text is a listing only if every line names a recording, and what it lists in the program's
// folder are plain names of recordings, trimmed, that read back as the same listing.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "shell/web/listing_file.h"
#include "shell/wildcard.h"

namespace {

bool blank(std::string_view line) {
  return line.find_first_not_of(" \t\r\v\f") == std::string_view::npos;
}

std::vector<std::string> listed(wordmeadow::ListingFile& listing, const std::string& pattern) {
  std::vector<std::string> names;
  for (std::string name = listing.first(pattern); !name.empty(); name = listing.next()) {
    names.push_back(name);
  }
  return names;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  wordmeadow::ListingFile listing;
  const bool read = listing.read(text);
  const std::vector<std::string> names = listed(listing, "./*");
  if (!read && !names.empty()) std::abort();

  // A line with something besides spaces that names no ".wav" makes the whole text no listing.
  bool anyNamed = false;
  for (std::size_t start = 0; start <= text.size();) {
    const std::size_t end = std::min(text.find('\n', start), text.size());
    const std::string_view line = text.substr(start, end - start);
    if (!blank(line)) {
      anyNamed = true;
      if (read && !wordmeadow::wildcardMatch("*.wav*", line)) std::abort();
    }
    start = end + 1;
  }
  if (read && !anyNamed) std::abort();

  std::string again;
  for (const std::string& name : names) {
    // A name ends where its trimmed line does; only a folder before it keeps spaces in front.
    if (name.front() == '.' || name.find_first_of("/\n") != std::string::npos ||
        !wordmeadow::wildcardMatch("*.wav*", name) ||
        std::string_view(" \t\r\v\f").find(name.back()) != std::string_view::npos ||
        listing.findIgnoringCase("./" + name) != "./" + name) {
      std::abort();
    }
    again += "./" + name + '\n';
  }
  if (!names.empty() && (!listing.read(again) || listed(listing, "*") != names)) std::abort();
  return 0;
}

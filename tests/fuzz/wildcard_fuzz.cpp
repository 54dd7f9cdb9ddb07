// Feeds the wildcard matcher a pattern and a name (split at the first NUL byte) and checks it
// against a plain dynamic-programming matcher.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>
#include <vector>

#include "shell/wildcard.h"

namespace {

char lower(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool reference(std::string_view pattern, std::string_view name) {
  // matches[j]: the pattern so far matches the first j characters of the name.
  std::vector<bool> matches(name.size() + 1, false);
  matches[0] = true;
  for (char p : pattern) {
    std::vector<bool> next(name.size() + 1, false);
    for (std::size_t j = 0; j <= name.size(); ++j) {
      if (p == '*') {
        next[j] = matches[j] || (j > 0 && next[j - 1]);
      } else if (j > 0 && matches[j - 1] && (p == '?' || lower(p) == lower(name[j - 1]))) {
        next[j] = true;
      }
    }
    matches = std::move(next);
  }
  return matches[name.size()];
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > 512) return -1;
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const auto cut = input.find('\0');
  if (cut == std::string_view::npos) return -1;
  const std::string_view pattern = input.substr(0, cut), name = input.substr(cut + 1);
  if (wordmeadow::wildcardMatch(pattern, name) != reference(pattern, name)) std::abort();
  return 0;
}

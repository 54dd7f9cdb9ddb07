#include "shell/publisher.h"

#include "shell/paths.h"

namespace wordmeadow {
namespace {

[[maybe_unused]] std::string percentEncoded(std::string_view path) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (const char c : path) {
    const auto byte = static_cast<unsigned char>(c);
    const bool plain = (byte >= 'a' && byte <= 'z') || (byte >= 'A' && byte <= 'Z') ||
                       (byte >= '0' && byte <= '9') || c == '-' || c == '.' || c == '_' ||
                       c == '~' || c == '/';
    if (plain) {
      out += c;
    } else {
      out += '%';
      out += kHex[byte >> 4];
      out += kHex[byte & 0xF];
    }
  }
  return out;
}

}  // namespace

std::string publisherPage(std::string_view configured, std::string_view programFolder) {
  if (!configured.empty()) return std::string(configured);
  const std::string page = joinPath(programFolder, kAboutPageName);
#ifdef _WIN32
  return page;
#else
  return (page.front() == '/' ? "file://" : "") + percentEncoded(page);
#endif
}

}  // namespace wordmeadow

#include "shell/paths.h"

namespace wordmeadow {

std::string joinPath(std::string_view folder, std::string_view name) {
  std::string path(folder);
  if (path.empty() || path.back() != kPathSeparator) path += kPathSeparator;
  path += name;
  return path;
}

std::string parentFolder(std::string_view filePath) {
  const auto cut = filePath.find_last_of(kPathSeparator);
  if (cut == std::string_view::npos) return ".";
  if (cut == 0) return std::string(1, kPathSeparator);
  return std::string(filePath.substr(0, cut));
}

}  // namespace wordmeadow

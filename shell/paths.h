#pragma once

#include <string>
#include <string_view>

namespace wordmeadow {

#ifdef _WIN32
inline constexpr char kPathSeparator = '\\';
#else
inline constexpr char kPathSeparator = '/';
#endif

// Folder, separator, name. A folder that already ends in the separator (the root) gets no second
// one, so a program installed at the root still builds valid paths.
std::string joinPath(std::string_view folder, std::string_view name);

// The folder that holds a file, without a trailing separator except at the root.
std::string parentFolder(std::string_view filePath);

}  // namespace wordmeadow

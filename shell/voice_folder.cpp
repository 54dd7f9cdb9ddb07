#include "shell/voice_folder.h"

#include <cstdlib>
#include <string_view>

namespace wordmeadow {
namespace {

bool isSet(const char* value) {
  return value != nullptr && *value != '\0';
}

std::string withoutTrailing(std::string folder, char separator) {
  while (folder.size() > 1 && folder.back() == separator) folder.pop_back();
  return folder;
}

}  // namespace

std::string xdgVoiceFolder(const char* xdgDataHome, const char* home) {
  if (isSet(xdgDataHome) && *xdgDataHome == '/') {
    return withoutTrailing(xdgDataHome, '/') + "/wordmeadow/voice";
  }
  if (!isSet(home)) return {};
  const std::string base = withoutTrailing(home, '/');
  return (base == "/" ? "" : base) + "/.local/share/wordmeadow/voice";
}

std::string windowsVoiceFolder(const char* appData) {
  if (!isSet(appData)) return {};
  return withoutTrailing(appData, '\\') + "\\Wordmeadow\\voice";
}

std::string userVoiceFolder() {
#ifdef _WIN32
  return windowsVoiceFolder(std::getenv("APPDATA"));
#else
  return xdgVoiceFolder(std::getenv("XDG_DATA_HOME"), std::getenv("HOME"));
#endif
}

}  // namespace wordmeadow

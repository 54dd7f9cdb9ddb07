#include "shell/sdl/sdl_platform.h"

#include <SDL.h>

#include "shell/paths.h"
#include "shell/voice_folder.h"

namespace wordmeadow {
namespace {

// SDL resolves the running program through /proc/self/exe, links included, so a program started
// through a link in a bin folder still finds its recordings beside the real file.
std::string programFolder() {
  char* base = SDL_GetBasePath();
  if (base == nullptr) return ".";
  std::string folder = base;
  SDL_free(base);
  if (folder.size() > 1 && folder.back() == kPathSeparator) folder.pop_back();
  return folder;
}

}  // namespace

SdlPlatform::SdlPlatform(SoundPlayer& sound, Capture& microphone, FileDialogs& dialogs)
    : PlatformBase(programFolder(), userVoiceFolder()),
      sound_(sound),
      microphone_(microphone),
      dialogs_(dialogs) {}

void SdlPlatform::openWithShell(const Window& /*owner*/, const std::string& address) {
  // SDL hands the address to xdg-open without waiting for it; its result tells nothing useful.
  SDL_OpenURL(address.c_str());
}

}  // namespace wordmeadow

#include "shell/sdl/audio_driver.h"

#include <mutex>

namespace wordmeadow {
namespace {

std::mutex driverMutex;
int users = 0;

}  // namespace

bool acquireAudioDriver(std::string& error) {
  std::lock_guard lock(driverMutex);
  // SDL's own list of drivers is tried each time it starts (PulseAudio, then ALSA...), so a
  // sound server that has come up since the last try is found.
  if (users == 0 && SDL_AudioInit(nullptr) != 0) {
    error = SDL_GetError();
    return false;
  }
  ++users;
  return true;
}

void releaseAudioDriver() {
  std::lock_guard lock(driverMutex);
  if (users > 0 && --users == 0) SDL_AudioQuit();
}

void endDeviceThread(Uint32 wakeEvent) {
  if (wakeEvent != static_cast<Uint32>(-1)) {
    SDL_Event wake{};
    wake.type = wakeEvent;
    SDL_PushEvent(&wake);
  }
  // SDL keeps its error text in storage of this thread, which SDL frees only for threads it
  // started itself: without this, every failed opening would leak it.
  SDL_TLSCleanup();
}

}  // namespace wordmeadow

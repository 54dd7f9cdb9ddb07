// Start-up: open the screen and the sound, load the menu, and handle events until the last
// window is unloaded.

#include <SDL.h>

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>
#include <string_view>

#include "shell/program.h"
#include "shell/sdl/sdl_platform.h"
#include "shell/sdl/sdl_screen.h"
#include "shell/sdl/sdl_setup.h"
#include "shell/sdl/sound_player.h"
#include "shell/window_system.h"

namespace {

// With no display, SDL quietly falls back to an invisible window driver and the program would
// run unseen for ever; only a driver somebody asked for by name is accepted.
bool hasRealDisplay() {
  const char* driver = SDL_GetCurrentVideoDriver();
  if (driver == nullptr) return false;
  const std::string_view name = driver;
  if (name != "offscreen" && name != "dummy") return true;
  const char* asked = SDL_getenv("SDL_VIDEODRIVER");
  return asked != nullptr && name == asked;
}

// What to tell the user when no window can be opened: the display tried and SDL's reason.
std::string whyNoWindow() {
  const char* display = SDL_getenv("DISPLAY");
  const bool hasDisplay = display != nullptr && *display != '\0';
  const char* asked = SDL_getenv("SDL_VIDEODRIVER");
  const bool askedDriver = asked != nullptr && *asked != '\0';
  if (!hasDisplay && !askedDriver) return "no display found (DISPLAY is not set)";
  // SDL keeps no reason for a driver it passed over or gave up: trying that driver again gives
  // it. Unless one was asked for, that is X11.
  SDL_VideoQuit();
  if (SDL_VideoInit(askedDriver ? nullptr : "x11") == 0) {
    return std::string("the display \"") + (hasDisplay ? display : "") +
           "\" answered too late; start again";
  }
  if (!hasDisplay) return SDL_GetError();
  return std::string("no connection to the display \"") + display + "\" (SDL: " + SDL_GetError() +
         ")";
}

int reportFailure(const std::exception& error) {
  std::fprintf(stderr, "wordmeadow: %s\n", error.what());
  return EXIT_FAILURE;
}

// The windows, until the last is unloaded; the exit status. Whatever ends them, the sound is
// let go afterwards.
int showWindows(wordmeadow::SoundPlayer& sound) {
  try {
    wordmeadow::SdlScreen screen;
    wordmeadow::SdlPlatform platform(sound);
    wordmeadow::WindowSystem windows(screen);
    wordmeadow::defineWindows(windows, platform);
    wordmeadow::startProgram(windows);
    screen.run(windows, &sound);
  } catch (const std::exception& error) {
    // Said before the sound is let go, which may end the program at once.
    return reportFailure(error);
  }
  return EXIT_SUCCESS;
}

int run() {
  wordmeadow::setUpSdl();
  if (SDL_Init(SDL_INIT_VIDEO) != 0 || !hasRealDisplay()) {
    std::fprintf(stderr, "wordmeadow: cannot open a window: %s\n", whyNoWindow().c_str());
    SDL_Quit();
    return EXIT_FAILURE;
  }
  int status = EXIT_SUCCESS;
  try {
    // The sound device is opened by the first sound (the welcome) and let go when idle; a
    // machine without a sound card still gets its windows.
    wordmeadow::SoundPlayer sound;
    status = showWindows(sound);
    if (!sound.device().releaseBeforeLeaving()) {
      // The sound server hangs, and SDL would wait for it for ever, in closing the device as in
      // quitting. The windows are gone and nothing is left to keep: end without it.
      std::fflush(nullptr);
      std::_Exit(status);
    }
  } catch (const std::exception& error) {
    status = reportFailure(error);
  }
  SDL_Quit();
  return status;
}

}  // namespace

int main(int /*argc*/, char* /*argv*/[]) {
  return run();
}

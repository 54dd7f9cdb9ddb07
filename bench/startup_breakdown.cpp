// startup_breakdown APPLICATION_FOLDER
// Where the program's start-up time goes, step by step, in the order the program takes them:
// SDL's video, the sound (device and the welcome handed to it), the label font, the menu's
// pictures, and the window up to its first present. Each step is done with the program's own
// code or the same SDL calls it makes, in a fresh process. Prints one line of key=value pairs,
// in milliseconds.
#include <SDL.h>
#include <SDL_ttf.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "shell/paths.h"
#include "shell/sdl/embedded_assets.h"
#include "shell/sdl/sdl_setup.h"
#include "shell/sdl/sound_player.h"
#include "shell/sound_cues.h"

namespace {

using Clock = std::chrono::steady_clock;

SDL_RWops* openAsset(const char* name) {
  const wordmeadow::EmbeddedAsset asset = wordmeadow::embeddedAsset(name);
  return SDL_RWFromConstMem(asset.data, static_cast<int>(asset.size));
}

}  // namespace

int main(int argc, char* argv[]) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: startup_breakdown APPLICATION_FOLDER\n");
    return 2;
  }
  std::vector<std::pair<const char*, double>> steps;
  auto last = Clock::now();
  const auto step = [&](const char* name) {
    const auto now = Clock::now();
    steps.emplace_back(name, std::chrono::duration<double, std::milli>(now - last).count());
    last = now;
  };

  wordmeadow::setUpSdl();
  if (SDL_Init(SDL_INIT_VIDEO) != 0) return 1;
  step("sdl_init");
  {
    wordmeadow::SoundPlayer sound;
    sound.play(wordmeadow::joinPath(argv[1], wordmeadow::cue::kWelcome));
    step("sound");

    if (TTF_Init() != 0) return 1;
    TTF_Font* font = TTF_OpenFontRW(openAsset("LiberationSans-Bold"), 1, 16);
    std::vector<SDL_Surface*> surfaces;
    for (const char* text : {"Start A Activity", "1.0"}) {
      surfaces.push_back(TTF_RenderUTF8_Blended_Wrapped(font, text, {255, 255, 255, 255}, 121));
    }
    step("font");

    for (const char* name :
         {"icon", "main_background", "main_letter_recognition", "main_exit",
          "main_beginning_sounds", "main_build_sentence", "main_matching_letters"}) {
      surfaces.push_back(SDL_LoadBMP_RW(openAsset(name), 1));
    }
    step("pictures");

    SDL_Window* window = SDL_CreateWindow("Wordmeadow", SDL_WINDOWPOS_CENTERED,
                                          SDL_WINDOWPOS_CENTERED, 479, 360, SDL_WINDOW_HIDDEN);
    SDL_SetWindowIcon(window, surfaces[2]);
    SDL_Surface* target = SDL_GetWindowSurface(window);
    for (std::size_t i = 3; i < surfaces.size(); ++i) {
      SDL_BlitSurface(surfaces[i], nullptr, target, nullptr);
    }
    SDL_BlitSurface(surfaces[0], nullptr, target, nullptr);
    SDL_BlitSurface(surfaces[1], nullptr, target, nullptr);
    SDL_UpdateWindowSurface(window);
    SDL_ShowWindow(window);
    step("first_present");

    for (SDL_Surface* surface : surfaces) SDL_FreeSurface(surface);
    SDL_DestroyWindow(window);
    TTF_CloseFont(font);
    TTF_Quit();
  }
  SDL_Quit();
  double total = 0;
  for (const auto& [name, ms] : steps) {
    std::printf("%s=%.2f ", name, ms);
    total += ms;
  }
  std::printf("total=%.2f\n", total);
  return 0;
}

// One window of the menu's size presenting one picture, drawn the way the program draws, and
// nothing else: what start-up costs before any program logic.
#include <SDL.h>

int main(int argc, char* argv[]) {
  if (argc < 2) return 2;
  SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
  if (SDL_Init(SDL_INIT_VIDEO) != 0) return 1;
  SDL_Window* window = SDL_CreateWindow("bare", SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, 479,
                                        360, SDL_WINDOW_HIDDEN);
  SDL_Surface* picture = SDL_LoadBMP(argv[1]);
  if (window == nullptr || picture == nullptr) return 1;
  SDL_BlitSurface(picture, nullptr, SDL_GetWindowSurface(window), nullptr);
  SDL_UpdateWindowSurface(window);
  SDL_ShowWindow(window);
  SDL_Event event;
  while (SDL_WaitEvent(&event) != 0 && event.type != SDL_QUIT) {
    if (event.type == SDL_WINDOWEVENT && event.window.event == SDL_WINDOWEVENT_EXPOSED) {
      SDL_BlitSurface(picture, nullptr, SDL_GetWindowSurface(window), nullptr);
      SDL_UpdateWindowSurface(window);
    }
  }
  SDL_FreeSurface(picture);
  SDL_DestroyWindow(window);
  SDL_Quit();
  return 0;
}

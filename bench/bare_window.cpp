// bare_window [--double] PICTURE [WAV]
// One window of the menu's size presenting one picture, drawn the way the program draws, and
// nothing else: what start-up costs before any program logic. With --double, the window is
// twice the size and the picture a PNG of twice the pixels, as the program's at scale 2. Given a
// WAV, it also opens the sound device as the program does and hands it that recording, as the
// program does with its welcome before its first frame: the part of start-up every talking
// program pays.
#include <SDL.h>
#include <SDL_image.h>

#include <string_view>

int main(int argc, char* argv[]) {
  const bool twice = argc > 1 && std::string_view(argv[1]) == "--double";
  if (twice) {
    ++argv;
    --argc;
  }
  if (argc < 2) return 2;
  SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
  if (SDL_Init(SDL_INIT_VIDEO) != 0) return 1;
  SDL_AudioDeviceID device = 0;
  Uint8* samples = nullptr;
  Uint32 length = 0;
  if (argc > 2 && SDL_InitSubSystem(SDL_INIT_AUDIO) == 0) {
    SDL_AudioSpec want{};
    SDL_AudioSpec wav{};
    want.freq = 22050;
    want.format = AUDIO_S16SYS;
    want.channels = 1;
    want.samples = 512;
    device = SDL_OpenAudioDevice(nullptr, 0, &want, nullptr, 0);
    if (device != 0 && SDL_LoadWAV(argv[2], &wav, &samples, &length) != nullptr) {
      SDL_QueueAudio(device, samples, length);
      SDL_PauseAudioDevice(device, 0);
    }
  }
  const int scale = twice ? 2 : 1;
  SDL_Window* window = SDL_CreateWindow("bare", SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED,
                                        479 * scale, 360 * scale, SDL_WINDOW_HIDDEN);
  SDL_Surface* picture = twice ? IMG_Load(argv[1]) : SDL_LoadBMP(argv[1]);
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
  if (device != 0) SDL_CloseAudioDevice(device);
  SDL_FreeWAV(samples);
  SDL_Quit();
  return 0;
}

#pragma once

#include <SDL.h>
#include <SDL_ttf.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "shell/window.h"
#include "shell/window_system.h"

namespace wordmeadow {

// Something besides the windows that the event loop serves on the same thread: it sees every
// event, and it can ask to be called back once a while has passed, so that no thread of its
// own has to wake up.
class LoopService {
 public:
  virtual ~LoopService() = default;
  virtual void handleEvent(const SDL_Event& event) = 0;
  // Milliseconds until due() wants to run; negative while nothing is due.
  virtual int msUntilDue() const = 0;
  virtual void due() = 0;
};

// The windows on a real screen: each drawn from its pictures and labels into an SDL window of
// the exact client size, centred when it is loaded, and the loop that turns SDL's events into
// clicks and closes.
class SdlScreen {
 public:
  SdlScreen();
  ~SdlScreen();
  SdlScreen(const SdlScreen&) = delete;
  SdlScreen& operator=(const SdlScreen&) = delete;

  void open(Window& window);
  void raise(Window& window);
  void close(Window& window);

  // Waits for events and handles them until no window is loaded; the service, if any, is
  // served between them.
  void run(WindowSystem& windows, LoopService* service = nullptr);

 private:
  struct NativeWindow {
    Window* window;
    SDL_Window* sdl;
    unsigned drawnRevision;
  };
  struct SurfaceDeleter {
    void operator()(SDL_Surface* s) const { SDL_FreeSurface(s); }
  };
  using Surface = std::unique_ptr<SDL_Surface, SurfaceDeleter>;

  void draw(NativeWindow& native);
  void drawLabel(SDL_Surface* target, const Element& label);
  void redrawChanged();
  NativeWindow* findNative(Uint32 sdlWindowId);
  SDL_Surface* picture(const std::string& name);
  TTF_Font* font(int pixelSize);

  std::vector<NativeWindow> natives_;
  Uint32 pressedIn_ = 0;  // the window the left button last went down in
  std::map<std::string, Surface> pictures_;
  std::map<int, TTF_Font*> fonts_;
  std::map<std::string, Surface> labelTexts_;
};

}  // namespace wordmeadow

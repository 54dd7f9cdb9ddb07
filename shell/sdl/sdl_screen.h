#pragma once

#include <SDL.h>
#include <SDL_ttf.h>

#include <initializer_list>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "shell/screen.h"
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
class SdlScreen : public Screen {
 public:
  SdlScreen();
  ~SdlScreen() override;
  SdlScreen(const SdlScreen&) = delete;
  SdlScreen& operator=(const SdlScreen&) = delete;

  void open(Window& window) override;
  void raise(Window& window) override;
  void close(Window& window) override;

  // Waits for events and handles them until no window is loaded; the services are served
  // between them.
  void run(WindowSystem& windows, std::initializer_list<LoopService*> services = {});

 private:
  template <auto Free>
  struct Deleter {
    template <typename T>
    void operator()(T* resource) const {
      Free(resource);
    }
  };
  using Surface = std::unique_ptr<SDL_Surface, Deleter<SDL_FreeSurface>>;
  using Font = std::unique_ptr<TTF_Font, Deleter<TTF_CloseFont>>;
  using NativeHandle = std::unique_ptr<SDL_Window, Deleter<SDL_DestroyWindow>>;

  // TTF_Init and TTF_Quit around everything that draws text.
  struct FontRenderer {
    FontRenderer();
    ~FontRenderer();
    FontRenderer(const FontRenderer&) = delete;
    FontRenderer& operator=(const FontRenderer&) = delete;
  };

  struct NativeWindow {
    Window* window;
    NativeHandle sdl;
    unsigned drawnRevision;
  };

  void draw(NativeWindow& native);
  void drawLabel(SDL_Surface* target, const Element& label);
  void redrawChanged();
  NativeWindow* findNative(Uint32 sdlWindowId);
  SDL_Surface* picture(const std::string& name);
  TTF_Font* font(int pixelSize);

  // Declared first, so that it ends last: the fonts and texts below need it.
  FontRenderer fontRenderer_;
  std::map<int, Font> fonts_;
  std::map<std::string, Surface> labelTexts_;
  std::map<std::string, Surface> pictures_;
  std::vector<NativeWindow> natives_;
};

}  // namespace wordmeadow

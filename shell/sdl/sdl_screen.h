#pragma once

#include <SDL.h>
#include <SDL_ttf.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "shell/client_view.h"
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
// the client size times the display's scale, centred when it is loaded, and the loop that turns
// SDL's events into clicks, letter keys and closes. Maximised or full screen (F11), a window
// shows its client area as large as fits, centred between dark margins.
class SdlScreen : public Screen {
 public:
  SdlScreen();
  ~SdlScreen() override;
  SdlScreen(const SdlScreen&) = delete;
  SdlScreen& operator=(const SdlScreen&) = delete;

  void open(Window& window) override;
  void raise(Window& window) override;
  void close(Window& window) override;

  // Waits for events and handles them until no window is loaded; the service, if any, is
  // served between them.
  void run(WindowSystem& windows, LoopService* service = nullptr);

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
    unsigned drawnRevision = 0;
    ClientView view;
    // The pictures at this window's scale, by name and device size, when that is not their own.
    std::map<std::string, Surface> scaledPictures;
  };

  // The presses of a multiple click, counted in client units: SDL counts them in device pixels.
  struct LastPress {
    Uint32 time = 0;
    std::string windowId;
    Point at;
    int count = 0;
  };

  void handleButton(WindowSystem& windows, const SDL_MouseButtonEvent& button);
  void handleKey(WindowSystem& windows, const SDL_KeyboardEvent& key);
  void fitToDrawable(NativeWindow& native);
  void draw(NativeWindow& native);
  void drawPicture(NativeWindow& native, SDL_Surface* target, const Element& element);
  void drawLabel(const NativeWindow& native, SDL_Surface* target, const Element& label);
  SDL_Surface* labelText(const Element& label, double scale);
  void redrawChanged();
  NativeWindow* findNative(Uint32 sdlWindowId);
  // The picture as drawn at scale 1, and from twice as many pixels for every other scale.
  SDL_Surface* picture(const std::string& name);
  SDL_Surface* doublePicture(const std::string& name);
  TTF_Font* font(int pixelSize);

  // Declared first, so that it ends last: the fonts and texts below need it.
  FontRenderer fontRenderer_;
  // The display's scale, known once the first window is on the display; 0 until then.
  double scale_ = 0;
  LastPress lastPress_;
  std::map<int, Font> fonts_;
  std::map<std::string, Surface> labelTexts_;
  std::map<std::string, Surface> pictures_;
  std::map<std::string, Surface> doublePictures_;
  std::vector<NativeWindow> natives_;
};

}  // namespace wordmeadow

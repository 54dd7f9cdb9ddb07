#pragma once

#include <SDL.h>

#include <memory>

namespace wordmeadow {

// Where a window is drawn, and how the drawing reaches the screen.
//
// On an X server that shares memory with the program (MIT-SHM, a local server), every window
// is drawn into one block of memory shared with the server and kept from window to window.
// SDL would give each new window a fresh block of its own, and the first touch of every page
// of a fresh block costs more than the whole drawing (about 4 ms of a window shown at scale 2);
// a kept block is touched already. The block holds one drawing at a time, handed to the server
// as soon as it is made: a window that needs its drawing again (exposed) is drawn again.
// Anywhere else, each window draws into its own SDL window surface.
class WindowCanvas {
 public:
  WindowCanvas();
  ~WindowCanvas();
  WindowCanvas(const WindowCanvas&) = delete;
  WindowCanvas& operator=(const WindowCanvas&) = delete;

  // A surface of the window's size to draw into; null when the window has none.
  SDL_Surface* begin(SDL_Window* window);
  // Puts what was drawn since begin() on the window, and returns once the display has it.
  void present(SDL_Window* window);

 private:
  struct Shared;
  // The shared block as a surface of the window's size; null when the window cannot use it.
  SDL_Surface* sharedSurface(SDL_Window* window);

  // The block shared with the X server; none until a window on such a server is drawn.
  std::unique_ptr<Shared> shared_;
  // Set once it is known that this display cannot share memory with the program.
  bool sharingFailed_ = false;
  // The window the shared block's drawing is for, until it is presented.
  SDL_Window* drawing_ = nullptr;
};

}  // namespace wordmeadow

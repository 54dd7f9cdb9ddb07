#pragma once

namespace wordmeadow {

class Window;

// The machine's window system, as the program's windows need it: each backend's screen puts a
// loaded window on screen, brings it back to the front, and takes it away when it is unloaded.
class Screen {
 public:
  virtual ~Screen() = default;

  // A window has just been loaded: put it on screen, centred, already drawn.
  virtual void open(Window& window) = 0;
  // An already loaded window is shown again: restore it and bring it to the front.
  virtual void raise(Window& window) = 0;
  // A window has been unloaded: take it off the screen.
  virtual void close(Window& window) = 0;
};

}  // namespace wordmeadow

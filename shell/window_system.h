#pragma once

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "shell/geometry.h"
#include "shell/screen.h"
#include "shell/window.h"

namespace wordmeadow {

using WindowFactory = std::function<std::unique_ptr<Window>()>;

// How the left button went down: alone, or as the second press of a double-click (within the
// system's double-click time and distance of the press before).
enum class Press { Single, SecondOfDoubleClick };

// The lifecycle every window shares: each exists at most once, is loaded on its first show, and
// is destroyed with all its state when unloaded. The process ends when none is loaded.
class WindowSystem {
 public:
  explicit WindowSystem(Screen& screen) : screen_(screen) {}

  // Tells the system how to build the design state of the window with this identifier.
  void define(const std::string& id, WindowFactory factory);

  // Not loaded: build the design state, run the load procedure, then display it. Loaded:
  // only bring it to the front.
  Window& show(const std::string& id);

  // Closes and discards the window; nothing when it is not loaded. The object itself lives on
  // until releaseUnloaded(), so a handler may unload its own window.
  void unload(const std::string& id);

  Window* find(const std::string& id) const;
  std::vector<Window*> loadedWindows() const;
  bool anyLoaded() const { return !loaded_.empty(); }

  // Input from the screen. A click is a press and a release of the left button on the same
  // element, the front-most visible one under the pointer each time; it acts on the release,
  // as a push button does, so a press dragged onto another element does nothing. The second
  // press of a double-click is no click: nothing here answers double-clicks.
  void press(const std::string& id, Point p, Press kind = Press::Single);
  void release(const std::string& id, Point p);
  // The press in progress comes to nothing, as when the system takes the pointer away.
  void abandonPress() { pressed_.reset(); }
  // A press and a release at one point.
  void click(const std::string& id, Point p);
  void closeByFrame(const std::string& id) { unload(id); }
  // A key typed in the window; only the letters A to Z, in either case, mean anything.
  void keyTyped(const std::string& id, char key);

  // Frees the windows unloaded since the last call; the event loop calls it between events.
  void releaseUnloaded() { unloaded_.clear(); }

 private:
  // Where the left button went down, while a click may still come of it.
  struct Pressed {
    std::string windowId;
    const Element* element;
  };

  Screen& screen_;
  std::optional<Pressed> pressed_;
  std::map<std::string, WindowFactory, std::less<>> factories_;
  std::vector<std::unique_ptr<Window>> loaded_;  // in the order they were loaded
  std::vector<std::unique_ptr<Window>> unloaded_;
};

}  // namespace wordmeadow

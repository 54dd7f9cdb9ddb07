#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "shell/geometry.h"
#include "shell/platform.h"
#include "shell/window.h"

namespace wordmeadow {

using WindowFactory = std::function<std::unique_ptr<Window>()>;

// The lifecycle every window shares: each exists at most once, is loaded on its first show, and
// is destroyed with all its state when unloaded. The process ends when none is loaded.
class WindowSystem {
 public:
  explicit WindowSystem(Platform& platform) : platform_(platform) {}

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

  // Input from the screen.
  void click(const std::string& id, Point p);
  void closeByFrame(const std::string& id) { unload(id); }

  // Frees the windows unloaded since the last call; the event loop calls it between events.
  void releaseUnloaded() { unloaded_.clear(); }

 private:
  Platform& platform_;
  std::map<std::string, WindowFactory, std::less<>> factories_;
  std::vector<std::unique_ptr<Window>> loaded_;  // in the order they were loaded
  std::vector<std::unique_ptr<Window>> unloaded_;
};

}  // namespace wordmeadow

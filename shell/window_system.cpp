#include "shell/window_system.h"

#include <algorithm>
#include <stdexcept>
#include <utility>

namespace wordmeadow {

void WindowSystem::define(const std::string& id, WindowFactory factory) {
  factories_[id] = std::move(factory);
}

Window& WindowSystem::show(const std::string& id) {
  if (Window* window = find(id)) {
    platform_.raiseWindow(*window);
    return *window;
  }
  auto factory = factories_.find(id);
  if (factory == factories_.end()) throw std::logic_error("no window is defined as " + id);
  loaded_.push_back(factory->second());
  Window& window = *loaded_.back();
  window.load();
  platform_.displayWindow(window);
  return window;
}

void WindowSystem::unload(const std::string& id) {
  auto it = std::find_if(loaded_.begin(), loaded_.end(),
                         [&](const std::unique_ptr<Window>& w) { return w->id() == id; });
  if (it == loaded_.end()) return;
  std::unique_ptr<Window> window = std::move(*it);
  loaded_.erase(it);
  platform_.destroyWindow(*window);
  unloaded_.push_back(std::move(window));
}

Window* WindowSystem::find(const std::string& id) const {
  for (const auto& window : loaded_) {
    if (window->id() == id) return window.get();
  }
  return nullptr;
}

std::vector<Window*> WindowSystem::loadedWindows() const {
  std::vector<Window*> windows;
  for (const auto& window : loaded_) windows.push_back(window.get());
  return windows;
}

void WindowSystem::click(const std::string& id, Point p) {
  if (Window* window = find(id)) window->click(p);
}

}  // namespace wordmeadow

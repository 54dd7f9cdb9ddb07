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
    screen_.raise(*window);
    return *window;
  }
  auto factory = factories_.find(id);
  if (factory == factories_.end()) throw std::logic_error("no window is defined as " + id);
  loaded_.push_back(factory->second());
  Window& window = *loaded_.back();
  window.load();
  screen_.open(window);
  return window;
}

void WindowSystem::unload(const std::string& id) {
  auto it = std::find_if(loaded_.begin(), loaded_.end(),
                         [&](const std::unique_ptr<Window>& w) { return w->id() == id; });
  if (it == loaded_.end()) return;
  std::unique_ptr<Window> window = std::move(*it);
  loaded_.erase(it);
  if (pressed_ && pressed_->windowId == id) pressed_.reset();
  screen_.close(*window);
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

void WindowSystem::press(const std::string& id, Point p, Press kind) {
  pressed_.reset();
  Window* window = find(id);
  if (window == nullptr || kind == Press::SecondOfDoubleClick) return;
  if (const Element* element = window->elementAt(p)) pressed_ = Pressed{id, element};
}

void WindowSystem::release(const std::string& id, Point p) {
  const std::optional<Pressed> pressed = std::exchange(pressed_, std::nullopt);
  if (!pressed || pressed->windowId != id) return;
  Window* window = find(id);
  if (window == nullptr || window->elementAt(p) != pressed->element) return;
  // A window unloaded by its own element lives on until releaseUnloaded().
  if (pressed->element->onClick) pressed->element->onClick();
}

void WindowSystem::keyTyped(const std::string& id, char key) {
  Window* window = find(id);
  const bool letter = (key >= 'A' && key <= 'Z') || (key >= 'a' && key <= 'z');
  if (window != nullptr && letter) window->letterKey(key);
}

void WindowSystem::fileDropped(const std::string& id, const std::string& path) {
  if (Window* window = find(id)) window->fileDropped(path);
}

void WindowSystem::click(const std::string& id, Point p) {
  press(id, p);
  release(id, p);
}

}  // namespace wordmeadow

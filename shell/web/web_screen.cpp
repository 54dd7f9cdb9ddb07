#include "shell/web/web_screen.h"

#include <emscripten.h>

#include <algorithm>
#include <cmath>

// clang-format off
EM_JS(void, wm_window_open, (const char* id, const char* caption, int width, int height), {
  Module.page.openWindow(UTF8ToString(id), UTF8ToString(caption), width, height);
});
EM_JS(void, wm_window_show, (const char* id), {
  Module.page.showWindow(UTF8ToString(id));
});
EM_JS(void, wm_window_raise, (const char* id), {
  Module.page.raiseWindow(UTF8ToString(id));
});
EM_JS(void, wm_window_close, (const char* id), {
  Module.page.closeWindow(UTF8ToString(id));
});
EM_JS(void, wm_fill, (const char* id, int red, int green, int blue), {
  Module.page.fill(UTF8ToString(id), red, green, blue);
});
EM_JS(void, wm_picture, (const char* id, const char* name, int left, int top, int width,
                         int height), {
  Module.page.picture(UTF8ToString(id), UTF8ToString(name), left, top, width, height);
});
EM_JS(void, wm_label, (const char* id, const char* text, int pixels, int left, int top, int width,
                       int height), {
  Module.page.label(UTF8ToString(id), UTF8ToString(text), pixels, left, top, width, height);
});
EM_JS(void, wm_drawn, (const char* id), {
  Module.page.drawn(UTF8ToString(id));
});
// clang-format on

namespace wordmeadow {

void WebScreen::open(Window& window) {
  const Size size = window.clientSize();
  // The page puts it on screen once drawn whole, so no half-drawn window is ever seen.
  wm_window_open(window.id().c_str(), window.caption().c_str(), size.width, size.height);
  shown_.push_back({&window, 0});
  draw(shown_.back());
  wm_window_show(window.id().c_str());
}

void WebScreen::raise(Window& window) {
  wm_window_raise(window.id().c_str());
}

void WebScreen::close(Window& window) {
  auto it = std::find_if(shown_.begin(), shown_.end(),
                         [&](const Shown& s) { return s.window == &window; });
  if (it == shown_.end()) return;
  shown_.erase(it);
  wm_window_close(window.id().c_str());
}

void WebScreen::redrawChanged() {
  for (Shown& shown : shown_) {
    if (shown.drawnRevision != shown.window->revision()) draw(shown);
  }
}

void WebScreen::draw(Shown& shown) {
  const Window& window = *shown.window;
  const char* id = window.id().c_str();
  wm_fill(id, kWindowColour.red, kWindowColour.green, kWindowColour.blue);
  const auto& elements = window.elements();
  for (auto it = elements.rbegin(); it != elements.rend(); ++it) {  // back to front
    if (!it->visible) continue;
    const Rect& r = it->rect;
    if (it->kind == ElementKind::Label) {
      // Point sizes are taken at 96 dots per inch, as on the desktop.
      const int pixels = static_cast<int>(std::lround(it->pointSize * 96.0 / 72.0));
      wm_label(id, it->content.c_str(), pixels, r.left, r.top, r.width, r.height);
    } else {
      wm_picture(id, it->content.c_str(), r.left, r.top, r.width, r.height);
    }
  }
  wm_drawn(id);
  shown.drawnRevision = window.revision();
}

}  // namespace wordmeadow

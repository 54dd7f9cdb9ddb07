#include "shell/sdl/sdl_screen.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

#include "shell/sdl/embedded_assets.h"

namespace wordmeadow {
namespace {

SDL_Rect toSdl(const Rect& r) {
  return {r.left, r.top, r.width, r.height};
}

[[noreturn]] void fail(const char* what) {
  throw std::runtime_error(std::string(what) + ": " + SDL_GetError());
}

}  // namespace

SdlScreen::FontRenderer::FontRenderer() {
  if (TTF_Init() != 0) fail("cannot start the font renderer");
}

SdlScreen::FontRenderer::~FontRenderer() {
  TTF_Quit();
}

SdlScreen::SdlScreen() {
  // A double-click is two presses within 500 ms (SDL's default time) and within the few
  // pixels Windows allows: SDL's own default distance, 32 pixels, would take two quick clicks on
  // neighbouring letter tiles for a double-click and lose the second.
  SDL_SetHint(SDL_HINT_MOUSE_DOUBLE_CLICK_RADIUS, "2");
  // Under a window manager the click on a window without the focus gives it the focus, and SDL
  // would drop its press; that click must act, as it does on Windows. The press and its release
  // still come once each, so it is one click.
  SDL_SetHint(SDL_HINT_MOUSE_FOCUS_CLICKTHROUGH, "1");
}

SdlScreen::~SdlScreen() = default;

void SdlScreen::open(Window& window) {
  const Size size = window.clientSize();
  // Created hidden and shown after the first draw, so no half-drawn window is ever seen.
  NativeHandle sdl(SDL_CreateWindow(window.caption().c_str(), SDL_WINDOWPOS_CENTERED,
                                    SDL_WINDOWPOS_CENTERED, size.width, size.height,
                                    SDL_WINDOW_HIDDEN));
  if (sdl == nullptr) fail("cannot open a window");
  if (SDL_Surface* icon = picture("icon")) SDL_SetWindowIcon(sdl.get(), icon);
  natives_.push_back({&window, std::move(sdl), 0});
  draw(natives_.back());
  SDL_ShowWindow(natives_.back().sdl.get());
}

void SdlScreen::raise(Window& window) {
  for (NativeWindow& native : natives_) {
    if (native.window != &window) continue;
    SDL_ShowWindow(native.sdl.get());
    SDL_RestoreWindow(native.sdl.get());
    SDL_RaiseWindow(native.sdl.get());
  }
}

void SdlScreen::close(Window& window) {
  auto it = std::find_if(natives_.begin(), natives_.end(),
                         [&](const NativeWindow& n) { return n.window == &window; });
  if (it != natives_.end()) natives_.erase(it);
}

void SdlScreen::run(WindowSystem& windows, std::initializer_list<LoopService*> services) {
  while (windows.anyLoaded()) {
    SDL_Event event;
    int wait = -1;
    for (LoopService* service : services) {
      const int due = service->msUntilDue();
      if (due >= 0 && (wait < 0 || due < wait)) wait = due;
    }
    if (wait >= 0 && SDL_WaitEventTimeout(&event, wait) == 0) {
      // SDL cannot tell a timeout from an error here; an error shows again on the next wait.
      for (LoopService* service : services) {
        if (service->msUntilDue() == 0) service->due();
      }
      // What a service did may have changed or closed a window.
      windows.releaseUnloaded();
      redrawChanged();
      continue;
    }
    if (wait < 0 && SDL_WaitEvent(&event) == 0) fail("lost the window system");
    for (LoopService* service : services) service->handleEvent(event);
    switch (event.type) {
      case SDL_QUIT:  // asked to stop from outside (a signal): close everything
        for (Window* window : windows.loadedWindows()) windows.unload(window->id());
        break;
      case SDL_MOUSEBUTTONDOWN:
      case SDL_MOUSEBUTTONUP:
        if (NativeWindow* native = findNative(event.button.windowID);
            native != nullptr && event.button.button == SDL_BUTTON_LEFT) {
          const std::string& id = native->window->id();
          const Point at{event.button.x, event.button.y};
          if (event.type == SDL_MOUSEBUTTONUP) {
            windows.release(id, at);
          } else {
            // SDL counts the presses of a multiple click: every second one is a double-click.
            windows.press(
                id, at, event.button.clicks % 2 == 0 ? Press::SecondOfDoubleClick : Press::Single);
          }
        }
        break;
      case SDL_WINDOWEVENT:
        if (NativeWindow* native = findNative(event.window.windowID)) {
          if (event.window.event == SDL_WINDOWEVENT_CLOSE) {
            windows.closeByFrame(native->window->id());
          } else if (event.window.event == SDL_WINDOWEVENT_EXPOSED) {
            // The drawing is still there: present it again.
            SDL_UpdateWindowSurface(native->sdl.get());
          }
        }
        break;
      default:
        break;
    }
    windows.releaseUnloaded();
    redrawChanged();
  }
}

SdlScreen::NativeWindow* SdlScreen::findNative(Uint32 sdlWindowId) {
  for (NativeWindow& native : natives_) {
    if (SDL_GetWindowID(native.sdl.get()) == sdlWindowId) return &native;
  }
  return nullptr;
}

void SdlScreen::redrawChanged() {
  for (NativeWindow& native : natives_) {
    if (native.drawnRevision != native.window->revision()) draw(native);
  }
}

void SdlScreen::draw(NativeWindow& native) {
  SDL_Surface* target = SDL_GetWindowSurface(native.sdl.get());
  if (target == nullptr) fail("cannot draw a window");
  SDL_FillRect(
      target, nullptr,
      SDL_MapRGB(target->format, kWindowColour.red, kWindowColour.green, kWindowColour.blue));
  const auto& elements = native.window->elements();
  for (auto it = elements.rbegin(); it != elements.rend(); ++it) {  // back to front
    if (!it->visible) continue;
    if (it->kind == ElementKind::Label) {
      drawLabel(target, *it);
    } else if (SDL_Surface* source = picture(it->content)) {
      // Pictures keep their own size; whatever lies outside the element or the window is cut.
      SDL_Rect from{0, 0, std::min(source->w, it->rect.width),
                    std::min(source->h, it->rect.height)};
      SDL_Rect to = toSdl(it->rect);
      SDL_BlitSurface(source, &from, target, &to);
    }
  }
  SDL_UpdateWindowSurface(native.sdl.get());
  native.drawnRevision = native.window->revision();
}

void SdlScreen::drawLabel(SDL_Surface* target, const Element& label) {
  // Point sizes are taken at 96 dots per inch, as the desktop the program was drawn for.
  const int pixels = static_cast<int>(std::lround(label.pointSize * 96.0 / 72.0));
  const std::string key =
      std::to_string(pixels) + ':' + std::to_string(label.rect.width) + ':' + label.content;
  auto cached = labelTexts_.find(key);
  if (cached == labelTexts_.end()) {
    TTF_Font* f = font(pixels);
    if (f == nullptr) return;
    SDL_Surface* text = TTF_RenderUTF8_Blended_Wrapped(
        f, label.content.c_str(), {255, 255, 255, 255}, static_cast<Uint32>(label.rect.width));
    if (text == nullptr) return;
    cached = labelTexts_.emplace(key, Surface(text)).first;
  }
  const SDL_Rect area = toSdl(label.rect);
  SDL_Rect to = area;
  SDL_SetClipRect(target, &area);
  SDL_BlitSurface(cached->second.get(), nullptr, target, &to);
  SDL_SetClipRect(target, nullptr);
}

SDL_Surface* SdlScreen::picture(const std::string& name) {
  auto cached = pictures_.find(name);
  if (cached != pictures_.end()) return cached->second.get();
  const EmbeddedAsset asset = embeddedAsset(name);
  SDL_Surface* surface = nullptr;
  if (asset.data != nullptr) {
    surface = SDL_LoadBMP_RW(SDL_RWFromConstMem(asset.data, static_cast<int>(asset.size)), 1);
  }
  return pictures_.emplace(name, Surface(surface)).first->second.get();
}

TTF_Font* SdlScreen::font(int pixelSize) {
  auto cached = fonts_.find(pixelSize);
  if (cached != fonts_.end()) return cached->second.get();
  const EmbeddedAsset asset = embeddedAsset("LiberationSans-Bold");
  Font f;
  if (asset.data != nullptr) {
    f.reset(
        TTF_OpenFontRW(SDL_RWFromConstMem(asset.data, static_cast<int>(asset.size)), 1, pixelSize));
  }
  return fonts_.emplace(pixelSize, std::move(f)).first->second.get();
}

}  // namespace wordmeadow

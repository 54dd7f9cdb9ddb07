#include "shell/sdl/sdl_screen.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

#include "shell/sdl/embedded_assets.h"

namespace wordmeadow {
namespace {

// Drawn where a window has no background picture.
constexpr SDL_Color kWindowColour{43, 108, 176, 255};

SDL_Rect toSdl(const Rect& r) {
  return {r.left, r.top, r.width, r.height};
}

[[noreturn]] void fail(const char* what) {
  throw std::runtime_error(std::string(what) + ": " + SDL_GetError());
}

}  // namespace

SdlScreen::SdlScreen() {
  if (TTF_Init() != 0) fail("cannot start the font renderer");
}

SdlScreen::~SdlScreen() {
  for (NativeWindow& native : natives_) SDL_DestroyWindow(native.sdl);
  for (auto& [size, f] : fonts_) TTF_CloseFont(f);
  labelTexts_.clear();
  pictures_.clear();
  TTF_Quit();
}

void SdlScreen::open(Window& window) {
  const Size size = window.clientSize();
  // Created hidden and shown after the first draw, so no half-drawn window is ever seen.
  SDL_Window* sdl =
      SDL_CreateWindow(window.caption().c_str(), SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED,
                       size.width, size.height, SDL_WINDOW_HIDDEN);
  if (sdl == nullptr) fail("cannot open a window");
  if (SDL_Surface* icon = picture("icon")) SDL_SetWindowIcon(sdl, icon);
  natives_.push_back({&window, sdl, 0});
  draw(natives_.back());
  SDL_ShowWindow(sdl);
}

void SdlScreen::raise(Window& window) {
  for (NativeWindow& native : natives_) {
    if (native.window != &window) continue;
    SDL_ShowWindow(native.sdl);
    SDL_RestoreWindow(native.sdl);
    SDL_RaiseWindow(native.sdl);
  }
}

void SdlScreen::close(Window& window) {
  auto it = std::find_if(natives_.begin(), natives_.end(),
                         [&](const NativeWindow& n) { return n.window == &window; });
  if (it == natives_.end()) return;
  SDL_DestroyWindow(it->sdl);
  natives_.erase(it);
}

void SdlScreen::run(WindowSystem& windows, LoopService* service) {
  while (windows.anyLoaded()) {
    SDL_Event event;
    const int wait = service != nullptr ? service->msUntilDue() : -1;
    if (wait >= 0 && SDL_WaitEventTimeout(&event, wait) == 0) {
      // SDL cannot tell a timeout from an error here; an error shows again on the next wait.
      service->due();
      continue;
    }
    if (wait < 0 && SDL_WaitEvent(&event) == 0) fail("lost the window system");
    if (service != nullptr) service->handleEvent(event);
    switch (event.type) {
      case SDL_QUIT:  // asked to stop from outside (a signal): close everything
        for (Window* window : windows.loadedWindows()) windows.unload(window->id());
        break;
      // A click counts when the button comes up over the window it went down in. Acting on
      // the release also means a window closed by a click never swallows that click's release,
      // which would leave SDL thinking the button is still held and lose the next click.
      case SDL_MOUSEBUTTONDOWN:
        if (event.button.button == SDL_BUTTON_LEFT) pressedIn_ = event.button.windowID;
        break;
      case SDL_MOUSEBUTTONUP:
        if (event.button.button != SDL_BUTTON_LEFT || event.button.windowID != pressedIn_) break;
        pressedIn_ = 0;
        if (NativeWindow* native = findNative(event.button.windowID)) {
          windows.click(native->window->id(), {event.button.x, event.button.y});
        }
        break;
      case SDL_WINDOWEVENT:
        if (NativeWindow* native = findNative(event.window.windowID)) {
          if (event.window.event == SDL_WINDOWEVENT_CLOSE) {
            windows.closeByFrame(native->window->id());
          } else if (event.window.event == SDL_WINDOWEVENT_EXPOSED) {
            SDL_UpdateWindowSurface(native->sdl);  // the drawing is still there: present it again
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
    if (SDL_GetWindowID(native.sdl) == sdlWindowId) return &native;
  }
  return nullptr;
}

void SdlScreen::redrawChanged() {
  for (NativeWindow& native : natives_) {
    if (native.drawnRevision != native.window->revision()) draw(native);
  }
}

void SdlScreen::draw(NativeWindow& native) {
  SDL_Surface* target = SDL_GetWindowSurface(native.sdl);
  if (target == nullptr) fail("cannot draw a window");
  SDL_FillRect(target, nullptr,
               SDL_MapRGB(target->format, kWindowColour.r, kWindowColour.g, kWindowColour.b));
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
  SDL_UpdateWindowSurface(native.sdl);
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
  if (cached != fonts_.end()) return cached->second;
  const EmbeddedAsset asset = embeddedAsset("LiberationSans-Bold");
  TTF_Font* f = nullptr;
  if (asset.data != nullptr) {
    f = TTF_OpenFontRW(SDL_RWFromConstMem(asset.data, static_cast<int>(asset.size)), 1, pixelSize);
  }
  fonts_.emplace(pixelSize, f);
  return f;
}

}  // namespace wordmeadow

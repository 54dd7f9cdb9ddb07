#include "shell/sdl/sdl_screen.h"

#include <SDL_image.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <stdexcept>

#include "shell/sdl/embedded_assets.h"
#include "shell/sdl/x11_display.h"

namespace wordmeadow {
namespace {

// Every surface the program draws from or into holds its pixels as 32 bits, as X11's window
// surfaces do, so that blits copy straight and pictures can be scaled with a filter.
constexpr Uint32 kPixelFormat = SDL_PIXELFORMAT_RGB888;

// The system's double-click: 500 ms (SDL's default, as Windows') and 2 client units either way
// (Windows' default), so two quick clicks on neighbouring letter tiles stay two clicks at any
// scale.
constexpr Uint32 kDoubleClickMs = 500;
constexpr int kDoubleClickUnits = 2;

SDL_Rect toSdl(const Rect& r) {
  return {r.left, r.top, r.width, r.height};
}

[[noreturn]] void fail(const char* what) {
  throw std::runtime_error(std::string(what) + ": " + SDL_GetError());
}

Uint32 mapColour(const SDL_Surface* target, Colour c) {
  return SDL_MapRGB(target->format, c.red, c.green, c.blue);
}

// Point sizes are taken at 96 dots per inch, as the desktop the program was drawn for.
int fontPixels(const Element& label, double scale) {
  return static_cast<int>(std::lround(label.pointSize * 96.0 / 72.0 * scale));
}

// The largest scale, in steps of a quarter and from 1 up to the display's, at which the client
// area still fits on the display.
double fittingScale(double displayScale, Size client, SDL_Window* window) {
  SDL_Rect usable{};
  if (SDL_GetDisplayUsableBounds(std::max(0, SDL_GetWindowDisplayIndex(window)), &usable) != 0) {
    return displayScale;
  }
  double scale = displayScale;
  while (scale > 1) {
    const Size shown = ClientView(scale).deviceSize(client);
    if (shown.width <= usable.w && shown.height <= usable.h) break;
    scale -= 0.25;
  }
  return std::max(1.0, scale);
}

}  // namespace

SdlScreen::FontRenderer::FontRenderer() {
  if (TTF_Init() != 0) fail("cannot start the font renderer");
}

SdlScreen::FontRenderer::~FontRenderer() {
  TTF_Quit();
}

SdlScreen::SdlScreen() = default;

SdlScreen::~SdlScreen() = default;

void SdlScreen::open(Window& window) {
  const Size size = window.clientSize();
  // Created hidden and shown after the first draw, so no half-drawn window is ever seen. It is
  // resizable only so that it can be maximised; its frame offers no resizing.
  NativeHandle sdl(SDL_CreateWindow(window.caption().c_str(), SDL_WINDOWPOS_CENTERED,
                                    SDL_WINDOWPOS_CENTERED, size.width, size.height,
                                    SDL_WINDOW_HIDDEN | SDL_WINDOW_RESIZABLE));
  if (sdl == nullptr) fail("cannot open a window");
  if (scale_ == 0) scale_ = displayScale(sdl.get());
  const ClientView view(fittingScale(scale_, size, sdl.get()));
  if (view.scale() != 1) {
    const Size shown = view.deviceSize(size);
    SDL_SetWindowSize(sdl.get(), shown.width, shown.height);
    SDL_SetWindowPosition(sdl.get(), SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED);
  }
  hideResizeHandles(sdl.get());
  if (SDL_Surface* icon = picture("icon")) SDL_SetWindowIcon(sdl.get(), icon);
  natives_.push_back({&window, std::move(sdl), 0, view, {}});
  draw(natives_.back());
  SDL_ShowWindow(natives_.back().sdl.get());
}

void SdlScreen::raise(Window& window) {
  for (NativeWindow& native : natives_) {
    if (native.window != &window) continue;
    SDL_ShowWindow(native.sdl.get());
    // A minimised window comes back; a maximised or full-screen one stays so.
    if ((SDL_GetWindowFlags(native.sdl.get()) & SDL_WINDOW_MINIMIZED) != 0) {
      SDL_RestoreWindow(native.sdl.get());
    }
    SDL_RaiseWindow(native.sdl.get());
  }
}

void SdlScreen::close(Window& window) {
  auto it = std::find_if(natives_.begin(), natives_.end(),
                         [&](const NativeWindow& n) { return n.window == &window; });
  if (it != natives_.end()) natives_.erase(it);
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
      case SDL_MOUSEBUTTONDOWN:
      case SDL_MOUSEBUTTONUP:
        handleButton(windows, event.button);
        break;
      case SDL_KEYDOWN:
        handleKey(windows, event.key);
        break;
      case SDL_WINDOWEVENT:
        if (NativeWindow* native = findNative(event.window.windowID)) {
          if (event.window.event == SDL_WINDOWEVENT_CLOSE) {
            windows.closeByFrame(native->window->id());
          } else if (event.window.event == SDL_WINDOWEVENT_SIZE_CHANGED) {
            fitToDrawable(*native);
            draw(*native);
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

void SdlScreen::handleButton(WindowSystem& windows, const SDL_MouseButtonEvent& button) {
  NativeWindow* native = findNative(button.windowID);
  if (native == nullptr || button.button != SDL_BUTTON_LEFT) return;
  const std::string& id = native->window->id();
  const Size client = native->window->clientSize();
  // A point in a margin lies outside the client area, on no element.
  const Point at = native->view.toClient({button.x, button.y}, client).value_or(Point{-1, -1});
  if (button.type == SDL_MOUSEBUTTONUP) {
    windows.release(id, at);
    return;
  }
  LastPress& last = lastPress_;
  const bool again = last.windowId == id && button.timestamp - last.time <= kDoubleClickMs &&
                     std::abs(at.x - last.at.x) <= kDoubleClickUnits &&
                     std::abs(at.y - last.at.y) <= kDoubleClickUnits;
  last = {button.timestamp, id, at, again ? last.count + 1 : 1};
  // Every second press of a multiple click is a double-click.
  windows.press(id, at, last.count % 2 == 0 ? Press::SecondOfDoubleClick : Press::Single);
}

void SdlScreen::handleKey(WindowSystem& windows, const SDL_KeyboardEvent& key) {
  NativeWindow* native = findNative(key.windowID);
  if (native == nullptr || key.repeat != 0) return;
  if (key.keysym.sym == SDLK_F11) {
    const bool full = (SDL_GetWindowFlags(native->sdl.get()) & SDL_WINDOW_FULLSCREEN) != 0;
    SDL_SetWindowFullscreen(native->sdl.get(), full ? 0 : SDL_WINDOW_FULLSCREEN_DESKTOP);
    return;
  }
  // A letter as the keyboard's layout names it, alone or with Shift.
  const SDL_Keycode sym = key.keysym.sym;
  if (sym < SDLK_a || sym > SDLK_z || (key.keysym.mod & (KMOD_CTRL | KMOD_ALT | KMOD_GUI)) != 0) {
    return;
  }
  windows.keyTyped(native->window->id(), static_cast<char>('a' + (sym - SDLK_a)));
}

void SdlScreen::fitToDrawable(NativeWindow& native) {
  const Size client = native.window->clientSize();
  const ClientView own(fittingScale(scale_, client, native.sdl.get()));
  Size drawable;
  SDL_GetWindowSize(native.sdl.get(), &drawable.width, &drawable.height);
  const Size ownSize = own.deviceSize(client);
  const bool asOpened = drawable.width == ownSize.width && drawable.height == ownSize.height;
  const bool filling =
      (SDL_GetWindowFlags(native.sdl.get()) & (SDL_WINDOW_MAXIMIZED | SDL_WINDOW_FULLSCREEN)) != 0;
  if (!asOpened && !filling) {
    // Resizable only to be maximised: a border dragged springs back.
    SDL_SetWindowSize(native.sdl.get(), ownSize.width, ownSize.height);
  }
  const ClientView view = asOpened || !filling ? own : ClientView::fit(client, drawable);
  if (view.scale() != native.view.scale()) native.scaledPictures.clear();
  native.view = view;
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
  const Size size = native.window->clientSize();
  const SDL_Rect client = toSdl(native.view.toDevice({0, 0, size.width, size.height}));
  if (client.x > 0 || client.y > 0) SDL_FillRect(target, nullptr, mapColour(target, kMarginColour));
  SDL_FillRect(target, &client, mapColour(target, kWindowColour));
  // Nothing is drawn into the margins.
  SDL_SetClipRect(target, &client);
  const auto& elements = native.window->elements();
  for (auto it = elements.rbegin(); it != elements.rend(); ++it) {  // back to front
    if (!it->visible) continue;
    if (it->kind == ElementKind::Label) {
      drawLabel(native, target, *it);
    } else {
      drawPicture(native, target, *it);
    }
  }
  SDL_SetClipRect(target, nullptr);
  SDL_UpdateWindowSurface(native.sdl.get());
  native.drawnRevision = native.window->revision();
}

void SdlScreen::drawPicture(NativeWindow& native, SDL_Surface* target, const Element& element) {
  const ClientView& view = native.view;
  // At scale 1 the picture as drawn for it; at any other, the one with twice the pixels, scaled
  // to its place with a filter unless it is exactly twice.
  SDL_Surface* source = view.scale() == 1 ? picture(element.content) : nullptr;
  int units = 1;
  if (source == nullptr) {
    source = doublePicture(element.content);
    units = 2;
  }
  if (source == nullptr) {
    source = picture(element.content);
    units = 1;
  }
  if (source == nullptr) return;
  // Pictures keep their own size; whatever lies outside the element or the window is cut.
  const Rect place = element.rect;
  const Rect shown = view.toDevice({place.left, place.top, source->w / units, source->h / units});
  const Rect cut = view.toDevice(place);
  SDL_Surface* drawn = source;
  if (shown.width != source->w || shown.height != source->h) {
    const std::string key =
        element.content + ':' + std::to_string(shown.width) + 'x' + std::to_string(shown.height);
    auto cached = native.scaledPictures.find(key);
    if (cached == native.scaledPictures.end()) {
      Surface scaled(
          SDL_CreateRGBSurfaceWithFormat(0, shown.width, shown.height, 32, kPixelFormat));
      if (scaled == nullptr || SDL_SoftStretchLinear(source, nullptr, scaled.get(), nullptr) != 0) {
        return;
      }
      cached = native.scaledPictures.emplace(key, std::move(scaled)).first;
    }
    drawn = cached->second.get();
  }
  SDL_Rect from{0, 0, std::min(shown.width, cut.width), std::min(shown.height, cut.height)};
  SDL_Rect to{shown.left, shown.top, from.w, from.h};
  SDL_BlitSurface(drawn, &from, target, &to);
}

void SdlScreen::drawLabel(const NativeWindow& native, SDL_Surface* target, const Element& label) {
  SDL_Surface* text = labelText(label, native.view.scale());
  if (text == nullptr) return;
  const SDL_Rect area = toSdl(native.view.toDevice(label.rect));
  SDL_Rect clip{};
  SDL_GetClipRect(target, &clip);
  SDL_Rect inside{};
  SDL_IntersectRect(&area, &clip, &inside);
  SDL_SetClipRect(target, &inside);
  SDL_Rect to = area;
  SDL_BlitSurface(text, nullptr, target, &to);
  SDL_SetClipRect(target, &clip);
}

SDL_Surface* SdlScreen::labelText(const Element& label, double scale) {
  const int pixels = fontPixels(label, scale);
  const std::string key = std::to_string(pixels) + ':' + std::to_string(label.rect.width) + ':' +
                          std::to_string(scale) + ':' + label.content;
  auto cached = labelTexts_.find(key);
  if (cached != labelTexts_.end()) return cached->second.get();
  // The lines are broken as at scale 1, by the font's width at scale 1, so that the layout stays
  // the same at every scale; then each is drawn from the font at the scaled size.
  TTF_Font* measuring = font(fontPixels(label, 1));
  TTF_Font* drawing = font(pixels);
  if (measuring == nullptr || drawing == nullptr) return nullptr;
  std::vector<std::string> lines;
  std::string line;
  std::size_t start = 0;
  const std::string& text = label.content;
  while (start <= text.size()) {
    const std::size_t end = std::min(text.find_first_of(" \n", start), text.size());
    const std::string word = text.substr(start, end - start);
    const std::string candidate = line.empty() ? word : line + ' ' + word;
    int width = 0;
    TTF_SizeUTF8(measuring, candidate.c_str(), &width, nullptr);
    if (!line.empty() && width > label.rect.width) {
      lines.push_back(line);
      line = word;
    } else {
      line = candidate;
    }
    if (end < text.size() && text[end] == '\n') {
      lines.push_back(line);
      line.clear();
    }
    start = end + 1;
  }
  if (!line.empty()) lines.push_back(line);
  const int lineSkip = TTF_FontLineSkip(measuring);
  const double lastLine = lines.empty() ? 0 : static_cast<double>(lines.size() - 1);
  const int height =
      static_cast<int>(std::lround(lineSkip * scale * lastLine)) + TTF_FontHeight(drawing);
  Surface block(
      SDL_CreateRGBSurfaceWithFormat(0, std::max(1, ClientView(scale).deviceX(label.rect.width)),
                                     std::max(1, height), 32, SDL_PIXELFORMAT_ARGB8888));
  if (block == nullptr) return nullptr;
  SDL_FillRect(block.get(), nullptr, SDL_MapRGBA(block->format, 0, 0, 0, 0));
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (lines[i].empty()) continue;
    Surface rendered(TTF_RenderUTF8_Blended(drawing, lines[i].c_str(), {255, 255, 255, 255}));
    if (rendered == nullptr) continue;
    // Copied as they are, alpha and all, to be blended once onto the window.
    SDL_SetSurfaceBlendMode(rendered.get(), SDL_BLENDMODE_NONE);
    SDL_Rect to{0, static_cast<int>(std::lround(lineSkip * scale * static_cast<double>(i))), 0, 0};
    SDL_BlitSurface(rendered.get(), nullptr, block.get(), &to);
  }
  return labelTexts_.emplace(key, std::move(block)).first->second.get();
}

SDL_Surface* SdlScreen::picture(const std::string& name) {
  auto cached = pictures_.find(name);
  if (cached != pictures_.end()) return cached->second.get();
  const EmbeddedAsset asset = embeddedAsset(name);
  Surface surface;
  if (asset.data != nullptr) {
    surface.reset(SDL_LoadBMP_RW(SDL_RWFromConstMem(asset.data, static_cast<int>(asset.size)), 1));
  }
  if (surface != nullptr) surface.reset(SDL_ConvertSurfaceFormat(surface.get(), kPixelFormat, 0));
  return pictures_.emplace(name, std::move(surface)).first->second.get();
}

SDL_Surface* SdlScreen::doublePicture(const std::string& name) {
  auto cached = doublePictures_.find(name);
  if (cached != doublePictures_.end()) return cached->second.get();
  const EmbeddedAsset asset = embeddedAsset("2x/" + name);
  Surface surface;
  if (asset.data != nullptr) {
    surface.reset(
        IMG_LoadTyped_RW(SDL_RWFromConstMem(asset.data, static_cast<int>(asset.size)), 1, "PNG"));
  }
  if (surface != nullptr) surface.reset(SDL_ConvertSurfaceFormat(surface.get(), kPixelFormat, 0));
  return doublePictures_.emplace(name, std::move(surface)).first->second.get();
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

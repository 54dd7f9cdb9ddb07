#include "shell/sdl/x11_display.h"

#include <SDL_syswm.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xresource.h>

#include <cstdlib>

#include "shell/client_view.h"

namespace wordmeadow {
namespace {

// The Xft.dpi resource of the window's display, as its server holds it; 0 when it has none.
double resourceDpi(Display* display) {
  const char* resources = XResourceManagerString(display);
  if (resources == nullptr) return 0;
  XrmInitialize();
  XrmDatabase database = XrmGetStringDatabase(resources);
  if (database == nullptr) return 0;
  char* type = nullptr;
  XrmValue value{};
  double dpi = 0;
  if (XrmGetResource(database, "Xft.dpi", "Xft.Dpi", &type, &value) && value.addr != nullptr) {
    dpi = std::strtod(value.addr, nullptr);
  }
  XrmDestroyDatabase(database);
  return dpi;
}

Display* x11Display(SDL_Window* window, ::Window* x11Window = nullptr) {
  SDL_SysWMinfo info;
  SDL_VERSION(&info.version);
  if (SDL_GetWindowWMInfo(window, &info) != SDL_TRUE || info.subsystem != SDL_SYSWM_X11) {
    return nullptr;
  }
  if (x11Window != nullptr) *x11Window = info.info.x11.window;
  return info.info.x11.display;
}

}  // namespace

double displayScale(SDL_Window* window) {
  if (Display* display = x11Display(window)) {
    if (const double dpi = resourceDpi(display); dpi > 0) return scaleForDpi(dpi);
  }
  if (const char* gdkScale = SDL_getenv("GDK_SCALE")) {
    return scaleForDpi(std::strtod(gdkScale, nullptr) * 96);
  }
  return 1;
}

void hideResizeHandles(SDL_Window* window) {
  ::Window x11Window = 0;
  Display* display = x11Display(window, &x11Window);
  if (display == nullptr) return;
  // The Motif hints every X window manager reads: a frame with its title, menu and buttons but
  // no resize handles. Window managers offer maximising only to windows they may resize, so
  // the window stays resizable, and springs back when its border is dragged all the same.
  enum : unsigned long { kDecorations = 2 };
  enum : unsigned long { kBorder = 2, kTitle = 8, kMenu = 16, kMinimiseButton = 32 };
  enum : unsigned long { kMaximiseButton = 64 };
  const unsigned long hints[5] = {
      kDecorations, 0, kBorder | kTitle | kMenu | kMinimiseButton | kMaximiseButton, 0, 0};
  const Atom motif = XInternAtom(display, "_MOTIF_WM_HINTS", False);
  XChangeProperty(display, x11Window, motif, motif, 32, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(hints), 5);
  XFlush(display);
}

}  // namespace wordmeadow

#pragma once

#include <SDL.h>

// Xlib's display, named without Xlib's header, whose macros would reach every includer.
struct _XDisplay;

namespace wordmeadow {

// The X display an SDL window is on, and its X window; null when it is not on an X server.
_XDisplay* x11Display(SDL_Window* window, unsigned long* x11Window = nullptr);

// The display's scale for a window on it: from the Xft.dpi resource that GNOME, KDE and Xfce set
// on the X server, else from GDK_SCALE, else 1; through scaleForDpi.
double displayScale(SDL_Window* window);

// Asks for a frame with the title and its buttons, maximise among them, but no resize handles:
// the window is resizable only to be maximised.
void hideResizeHandles(SDL_Window* window);

}  // namespace wordmeadow

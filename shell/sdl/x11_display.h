#pragma once

#include <SDL.h>

namespace wordmeadow {

// The display's scale for a window on it: from the Xft.dpi resource that GNOME, KDE and Xfce set
// on the X server, else from GDK_SCALE, else 1; through scaleForDpi.
double displayScale(SDL_Window* window);

// Asks for a frame with the title and its buttons, maximise among them, but no resize handles:
// the window is resizable only to be maximised.
void hideResizeHandles(SDL_Window* window);

}  // namespace wordmeadow

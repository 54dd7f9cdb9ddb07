#pragma once

#include <SDL.h>

namespace wordmeadow {

// The display's scale for a window on it: from the Xft.dpi resource that GNOME, KDE and Xfce set
// on the X server, else from GDK_SCALE, else 1; through scaleForDpi.
double displayScale(SDL_Window* window);

// Gives the window's frame a maximise button but no resizing by its border: the window keeps its
// size unless it is maximised or full screen.
void allowMaximiseOnly(SDL_Window* window);

}  // namespace wordmeadow

#include "shell/sdl/sdl_setup.h"

#include <SDL.h>

#include "shell/sdl/x11_error_guard.h"

namespace wordmeadow {

void setUpSdl() {
  // Drawing straight into the window's surface: no GL context, which under X would cost time
  // and memory and make SDL recreate the window.
  SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
  // Before SDL starts its X11 video: SDL chains its own handler to this one and puts this one
  // back at quit, while its last requests are still being answered.
  ignoreWakeUpsToClosedWindows();
  SDL_SetHint(SDL_HINT_QUIT_ON_LAST_WINDOW_CLOSE, "0");
  SDL_SetHint(SDL_HINT_VIDEO_X11_NET_WM_BYPASS_COMPOSITOR, "0");
  // Under a window manager the click on a window without the focus gives it the focus, and SDL
  // would drop its press; that click must act, as it does on Windows. The press and its release
  // still come once each, so it is one click.
  SDL_SetHint(SDL_HINT_MOUSE_FOCUS_CLICKTHROUGH, "1");
}

}  // namespace wordmeadow

#include "shell/sdl/x11_error_guard.h"

#include <X11/Xlib.h>
#include <X11/Xproto.h>

namespace wordmeadow {
namespace {

XErrorHandler previousHandler = nullptr;

int letWakeUpsToClosedWindowsPass(Display* display, XErrorEvent* error) {
  if (error->error_code == BadWindow && error->request_code == X_SendEvent) return 0;
  return previousHandler != nullptr ? previousHandler(display, error) : 0;
}

}  // namespace

void ignoreWakeUpsToClosedWindows() {
  if (previousHandler != nullptr) return;
  previousHandler = XSetErrorHandler(letWakeUpsToClosedWindowsPass);
}

}  // namespace wordmeadow

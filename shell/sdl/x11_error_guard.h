#pragma once

namespace wordmeadow {

// SDL 2.26 can send its event-loop wake-up to a window that was closed a moment before; the X
// server answers with BadWindow, which Xlib's default handler turns into exit(1). Installed before
// SDL starts its X11 video, this lets exactly that error pass and hands all others on.
void ignoreWakeUpsToClosedWindows();

}  // namespace wordmeadow

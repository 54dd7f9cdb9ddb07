#pragma once

#include "shell/platform.h"
#include "shell/window_system.h"

namespace wordmeadow {

// Tells the window system about every window of the program.
void defineWindows(WindowSystem& windows, Platform& platform);

// Start-up: the menu window is loaded and shown; everything after that happens in handlers.
void startProgram(WindowSystem& windows);
// Start-up for grown-ups (--voices): the recorder instead of the menu.
void startRecorder(WindowSystem& windows);

}  // namespace wordmeadow

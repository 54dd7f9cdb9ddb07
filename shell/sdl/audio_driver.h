#pragma once

#include <SDL.h>

#include <string>

namespace wordmeadow {

// SDL's audio driver, shared by the program's playback device and its microphone: started by
// the first of them to open and stopped when the last has closed. Starting it again while it
// runs (SDL_AudioInit) would first stop it, and with it every device still open. Any thread may
// call these.
bool acquireAudioDriver(std::string& error);
void releaseAudioDriver();

// The last thing a thread that opened or closed a device does: it wakes the event loop, which
// looks at the device's msUntilDue() again and joins the thread, and frees what SDL kept for
// the thread.
void endDeviceThread(Uint32 wakeEvent);

}  // namespace wordmeadow

// Start-up on Windows: load the menu and handle messages until the last window is unloaded.

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>
#include <string_view>

#include "shell/program.h"
#include "shell/win32/win_api.h"
// After windows.h: COM start-up for the shell.
#include <objbase.h>

#include "shell/win32/win_platform.h"
#include "shell/win32/win_screen.h"
#include "shell/window_system.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE /*previous*/, LPSTR /*commandLine*/,
                   int /*show*/) {
  // The shell may hand an address to a handler that needs COM on the calling thread.
  const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
  int status = EXIT_SUCCESS;
  try {
    wordmeadow::WinScreen screen(instance);
    wordmeadow::WinPlatform platform(screen);
    wordmeadow::WindowSystem windows(screen);
    wordmeadow::defineWindows(windows, platform);
    // --voices opens the recorder, for grown-ups, instead of the menu.
    if (__argc > 1 && std::string_view(__argv[1]) == "--voices") {
      wordmeadow::startRecorder(windows);
    } else {
      wordmeadow::startProgram(windows);
    }
    screen.run(windows, {&platform.loopService()});
  } catch (const std::exception& error) {
    // A program without a console: the reason goes to stderr for whoever started it from one,
    // and into a message box for the person in front of the screen.
    std::fprintf(stderr, "wordmeadow: %s\n", error.what());
    MessageBoxA(nullptr, error.what(), "Wordmeadow", MB_OK | MB_ICONERROR);
    status = EXIT_FAILURE;
  }
  if (SUCCEEDED(com)) CoUninitialize();
  return status;
}

#pragma once

#include <map>
#include <string>
#include <vector>

#include "shell/win32/win_api.h"
#include "shell/window.h"
#include "shell/window_system.h"

namespace wordmeadow {

// The windows on the Windows desktop: one fixed-size top-level window per loaded program
// window, drawn with GDI from its pictures (bitmap resources) and labels, and the message loop
// that turns clicks and closes into calls on the window system.
class WinScreen {
 public:
  explicit WinScreen(HINSTANCE instance);
  ~WinScreen();
  WinScreen(const WinScreen&) = delete;
  WinScreen& operator=(const WinScreen&) = delete;

  void open(Window& window);
  void raise(Window& window);
  void close(Window& window);

  // The frame of a window on screen, or nullptr when it has none.
  HWND handleOf(const Window& window) const;

  // Handles messages until no window is loaded.
  void run(WindowSystem& windows);

 private:
  struct NativeWindow {
    Window* window;
    HWND hwnd;
    unsigned seenRevision;
  };

  static LRESULT CALLBACK windowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT handle(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
  void paint(NativeWindow& native);
  void drawPicture(HDC target, const Element& picture);
  void drawLabel(HDC target, const Element& label);
  void invalidateChanged();
  NativeWindow* findNative(HWND hwnd);
  HBITMAP picture(const std::string& name);
  HFONT font(int height);

  HINSTANCE instance_;
  WindowSystem* windows_ = nullptr;
  std::vector<NativeWindow> natives_;
  std::map<std::string, HBITMAP> pictures_;
  std::map<int, HFONT> fonts_;
};

}  // namespace wordmeadow

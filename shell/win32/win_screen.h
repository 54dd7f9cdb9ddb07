#pragma once

#include <exception>
#include <initializer_list>
#include <map>
#include <memory>
#include <string>
#include <type_traits>
#include <vector>

#include "shell/client_view.h"
#include "shell/screen.h"
#include "shell/win32/win_api.h"
#include "shell/win32/win_wait_service.h"
#include "shell/window.h"
#include "shell/window_system.h"

namespace wordmeadow {

// The windows on the Windows desktop: one top-level window per loaded program window, with a
// fixed border, at its client size times its monitor's scale (or maximised, or full screen, the
// client area as large as fits), drawn with GDI from its pictures (bitmap resources) and labels,
// and the message loop that turns clicks, letter keys and closes into calls on the window system.
class WinScreen : public Screen {
 public:
  explicit WinScreen(HINSTANCE instance);
  ~WinScreen() override;
  WinScreen(const WinScreen&) = delete;
  WinScreen& operator=(const WinScreen&) = delete;

  void open(Window& window) override;
  void raise(Window& window) override;
  void close(Window& window) override;

  // The frame of a window on screen, or nullptr when it has none.
  HWND handleOf(const Window& window) const;

  // Handles messages, and serves the services between them, until no window is loaded. What
  // fails while a message is handled ends the loop and is thrown from here: no exception
  // crosses Windows' message dispatch.
  void run(WindowSystem& windows, std::initializer_list<WaitService*> services = {});

 private:
  // A GDI object or window, deleted with its owner.
  struct GdiDeleter {
    void operator()(HGDIOBJ object) const { DeleteObject(object); }
  };
  struct WindowDeleter {
    void operator()(HWND hwnd) const { DestroyWindow(hwnd); }
  };
  using Bitmap = std::unique_ptr<std::remove_pointer_t<HBITMAP>, GdiDeleter>;
  using Font = std::unique_ptr<std::remove_pointer_t<HFONT>, GdiDeleter>;
  using NativeHandle = std::unique_ptr<std::remove_pointer_t<HWND>, WindowDeleter>;

  struct NativeWindow {
    Window* window;
    NativeHandle hwnd;
    unsigned seenRevision;
    double scale = 1;  // the monitor's, while the window is neither maximised nor full screen
    bool fullScreen = false;
    WINDOWPLACEMENT restored{};  // where it was before it went full screen
  };

  static LRESULT CALLBACK windowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT handle(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
  void paint(NativeWindow& native);
  void drawPicture(HDC target, const Element& picture, const ClientView& view);
  void drawLabel(HDC target, const Element& label, const ClientView& view);
  // How the window's client units lie on its client area's pixels now.
  ClientView viewOf(const NativeWindow& native) const;
  void takeScale(NativeWindow& native, unsigned dpi, const RECT* suggested);
  void toggleFullScreen(NativeWindow& native);
  void invalidateChanged();
  // Between messages and services no handler runs: what the last one changed takes effect.
  void settle();
  NativeWindow* findNative(HWND hwnd);
  HBITMAP picture(const std::string& name);
  HBITMAP largePicture(const std::string& name);  // at twice the size, or nullptr
  HFONT font(int height);

  HINSTANCE instance_;
  WindowSystem* windows_ = nullptr;
  std::exception_ptr failure_;  // what went wrong inside the window procedure
  std::map<std::string, Bitmap> pictures_;
  std::map<std::string, Bitmap> largePictures_;
  std::map<int, Font> fonts_;
  std::vector<NativeWindow> natives_;
};

}  // namespace wordmeadow

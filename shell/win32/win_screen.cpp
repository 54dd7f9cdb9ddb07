#include "shell/win32/win_screen.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <utility>

namespace wordmeadow {
namespace {

constexpr char kClassName[] = "WordmeadowWindow";
constexpr char kIconName[] = "wordmeadow";  // the icon resource made from assets/icon.bmp

// A fixed single border with a minimise box: the child can neither resize nor maximise.
constexpr DWORD kStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;

[[noreturn]] void fail(const std::string& what) {
  const DWORD error = GetLastError();  // before anything else can change it
  throw std::runtime_error(what + " (error " + std::to_string(error) + ")");
}

// Selects a GDI object into a device context for the length of a scope.
class Selection {
 public:
  Selection(HDC dc, HGDIOBJ object) : dc_(dc), previous_(SelectObject(dc, object)) {}
  ~Selection() { SelectObject(dc_, previous_); }
  Selection(const Selection&) = delete;
  Selection& operator=(const Selection&) = delete;

 private:
  HDC dc_;
  HGDIOBJ previous_;
};

// A device context in memory, compatible with another, for the length of a scope.
class MemoryDc {
 public:
  explicit MemoryDc(HDC compatibleWith) : dc_(CreateCompatibleDC(compatibleWith)) {}
  ~MemoryDc() {
    if (dc_ != nullptr) DeleteDC(dc_);
  }
  MemoryDc(const MemoryDc&) = delete;
  MemoryDc& operator=(const MemoryDc&) = delete;
  HDC get() const { return dc_; }

 private:
  HDC dc_;
};

// BeginPaint and EndPaint around the painting of a window.
class Painting {
 public:
  explicit Painting(HWND hwnd) : hwnd_(hwnd), dc_(BeginPaint(hwnd, &ps_)) {}
  ~Painting() { EndPaint(hwnd_, &ps_); }
  Painting(const Painting&) = delete;
  Painting& operator=(const Painting&) = delete;
  HDC dc() const { return dc_; }

 private:
  HWND hwnd_;
  PAINTSTRUCT ps_{};
  HDC dc_;
};

}  // namespace

WinScreen::WinScreen(HINSTANCE instance) : instance_(instance) {
  WNDCLASSEXA wc{};
  wc.cbSize = sizeof wc;
  // Double-clicks come as their own message, which no element answers.
  wc.style = CS_DBLCLKS;
  wc.lpfnWndProc = &WinScreen::windowProc;
  wc.hInstance = instance_;
  // Shared: the system frees the icons with the program's module.
  wc.hIcon = static_cast<HICON>(
      LoadImageA(instance_, kIconName, IMAGE_ICON, 0, 0, LR_DEFAULTSIZE | LR_SHARED));
  wc.hIconSm =
      static_cast<HICON>(LoadImageA(instance_, kIconName, IMAGE_ICON, GetSystemMetrics(SM_CXSMICON),
                                    GetSystemMetrics(SM_CYSMICON), LR_SHARED));
  wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
  wc.hbrBackground = nullptr;  // every pixel is painted, so nothing needs erasing first
  wc.lpszClassName = kClassName;
  if (RegisterClassExA(&wc) == 0) fail("cannot register the window class");
}

WinScreen::~WinScreen() {
  // Taken out of the list before they are destroyed: the messages that destroying a window
  // sends must not find it any more.
  std::vector<NativeWindow>().swap(natives_);
  UnregisterClassA(kClassName, instance_);
}

void WinScreen::open(Window& window) {
  const Size size = window.clientSize();
  RECT frame{0, 0, size.width, size.height};
  AdjustWindowRectEx(&frame, kStyle, FALSE, 0);
  const int width = frame.right - frame.left;
  const int height = frame.bottom - frame.top;
  // Centred on the screen, but never with the caption above its top edge.
  const int left = (GetSystemMetrics(SM_CXSCREEN) - width) / 2;
  const int top = std::max(0, (GetSystemMetrics(SM_CYSCREEN) - height) / 2);
  NativeHandle created(CreateWindowExA(0, kClassName, window.caption().c_str(), kStyle, left, top,
                                       width, height, nullptr, nullptr, instance_, this));
  if (created == nullptr) fail("cannot open a window");
  HWND hwnd = created.get();
  natives_.push_back({&window, std::move(created), window.revision()});
  ShowWindow(hwnd, SW_SHOWNORMAL);
  UpdateWindow(hwnd);  // drawn at once, before any click can reach it
}

void WinScreen::raise(Window& window) {
  if (HWND hwnd = handleOf(window)) {
    ShowWindow(hwnd, SW_RESTORE);
    SetForegroundWindow(hwnd);
    BringWindowToTop(hwnd);
  }
}

void WinScreen::close(Window& window) {
  auto it = std::find_if(natives_.begin(), natives_.end(),
                         [&](const NativeWindow& n) { return n.window == &window; });
  if (it == natives_.end()) return;
  // Out of the list first: the messages DestroyWindow sends must not find it any more.
  NativeHandle hwnd = std::move(it->hwnd);
  natives_.erase(it);
}

HWND WinScreen::handleOf(const Window& window) const {
  for (const NativeWindow& native : natives_) {
    if (native.window == &window) return native.hwnd.get();
  }
  return nullptr;
}

void WinScreen::run(WindowSystem& windows) {
  windows_ = &windows;
  // A failure while the first window was put on screen (its first paint) has left the quit
  // message already: the loop ends at once and it is thrown below.
  if (!windows.anyLoaded()) PostQuitMessage(0);
  MSG message;
  BOOL got;
  while ((got = GetMessageA(&message, nullptr, 0, 0)) != 0) {
    if (got == -1) fail("lost the message queue");
    TranslateMessage(&message);
    DispatchMessageA(&message);
    if (failure_) break;
    // Between messages no handler runs, so the windows unloaded by the last one can go now.
    windows.releaseUnloaded();
    invalidateChanged();
    if (!windows.anyLoaded()) PostQuitMessage(0);
  }
  windows_ = nullptr;
  if (failure_) std::rethrow_exception(std::exchange(failure_, nullptr));
}

LRESULT CALLBACK WinScreen::windowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    const auto* create = reinterpret_cast<const CREATESTRUCTA*>(lParam);
    SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* screen = reinterpret_cast<WinScreen*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
  if (screen == nullptr || screen->failure_) return DefWindowProcA(hwnd, message, wParam, lParam);
  // An exception must not unwind through DispatchMessage, which is not C++: it is kept, the
  // message loop ends, and run() throws it.
  try {
    return screen->handle(hwnd, message, wParam, lParam);
  } catch (...) {
    screen->failure_ = std::current_exception();
    PostQuitMessage(1);
    return 0;
  }
}

LRESULT WinScreen::handle(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  NativeWindow* native = findNative(hwnd);
  // Client coordinates, signed: a captured mouse can report points left of the window.
  const Point at{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
  switch (message) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
      if (native != nullptr && windows_ != nullptr) {
        // Captured, so that the release comes here wherever the pointer is by then.
        SetCapture(hwnd);
        windows_->press(native->window->id(), at,
                        message == WM_LBUTTONDBLCLK ? Press::SecondOfDoubleClick : Press::Single);
      }
      return 0;
    case WM_LBUTTONUP:
      if (GetCapture() == hwnd) ReleaseCapture();
      if (native != nullptr && windows_ != nullptr) windows_->release(native->window->id(), at);
      return 0;
    case WM_CLOSE:
      // The frame's close box unloads the window like any other way out; Windows must not
      // destroy it behind the window system's back.
      if (native != nullptr && windows_ != nullptr) windows_->closeByFrame(native->window->id());
      return 0;
    case WM_ERASEBKGND:
      return 1;  // painting covers everything; erasing first would flicker
    case WM_PAINT:
      if (native != nullptr) {
        paint(*native);
        return 0;
      }
      break;
    default:
      break;
  }
  return DefWindowProcA(hwnd, message, wParam, lParam);
}

WinScreen::NativeWindow* WinScreen::findNative(HWND hwnd) {
  for (NativeWindow& native : natives_) {
    if (native.hwnd.get() == hwnd) return &native;
  }
  return nullptr;
}

void WinScreen::invalidateChanged() {
  for (NativeWindow& native : natives_) {
    if (native.seenRevision == native.window->revision()) continue;
    native.seenRevision = native.window->revision();
    InvalidateRect(native.hwnd.get(), nullptr, FALSE);
  }
}

void WinScreen::paint(NativeWindow& native) {
  Painting painting(native.hwnd.get());
  const Size size = native.window->clientSize();
  // Drawn whole into a bitmap off screen and copied in one go: no half-drawn frame is seen.
  MemoryDc buffer(painting.dc());
  Bitmap canvas(CreateCompatibleBitmap(painting.dc(), size.width, size.height));
  if (buffer.get() != nullptr && canvas != nullptr) {
    Selection selected(buffer.get(), canvas.get());
    const std::unique_ptr<std::remove_pointer_t<HBRUSH>, GdiDeleter> background(
        CreateSolidBrush(RGB(kWindowColour.red, kWindowColour.green, kWindowColour.blue)));
    const RECT all{0, 0, size.width, size.height};
    FillRect(buffer.get(), &all, background.get());
    const auto& elements = native.window->elements();
    for (auto it = elements.rbegin(); it != elements.rend(); ++it) {  // back to front
      if (!it->visible) continue;
      if (it->kind == ElementKind::Label) {
        drawLabel(buffer.get(), *it);
      } else {
        drawPicture(buffer.get(), *it);
      }
    }
    BitBlt(painting.dc(), 0, 0, size.width, size.height, buffer.get(), 0, 0, SRCCOPY);
  }
  native.seenRevision = native.window->revision();
}

void WinScreen::drawPicture(HDC target, const Element& element) {
  HBITMAP source = picture(element.content);
  if (source == nullptr) return;
  BITMAP info{};
  GetObjectA(source, sizeof info, &info);
  // Pictures keep their own size; whatever lies outside the element or the window is cut (the
  // buffer is exactly the client area).
  const int width = std::min(static_cast<int>(info.bmWidth), element.rect.width);
  const int height = std::min(static_cast<int>(info.bmHeight), element.rect.height);
  MemoryDc sourceDc(target);
  if (sourceDc.get() == nullptr) return;
  Selection selected(sourceDc.get(), source);
  BitBlt(target, element.rect.left, element.rect.top, width, height, sourceDc.get(), 0, 0, SRCCOPY);
}

void WinScreen::drawLabel(HDC target, const Element& label) {
  // The point size at the screen's resolution, as Windows sizes every font.
  const int dpi = GetDeviceCaps(target, LOGPIXELSY);
  const int height = -static_cast<int>(std::lround(label.pointSize * dpi / 72.0));
  HFONT f = font(height);
  if (f == nullptr) return;
  Selection selected(target, f);
  SetBkMode(target, TRANSPARENT);
  SetTextColor(target, RGB(255, 255, 255));
  RECT area{label.rect.left, label.rect.top, label.rect.left + label.rect.width,
            label.rect.top + label.rect.height};
  // Word-wrapped and cut at the label's edges; an ampersand is shown as it is.
  DrawTextA(target, label.content.c_str(), static_cast<int>(label.content.size()), &area,
            DT_LEFT | DT_TOP | DT_WORDBREAK | DT_NOPREFIX);
}

HBITMAP WinScreen::picture(const std::string& name) {
  auto cached = pictures_.find(name);
  if (cached != pictures_.end()) return cached->second.get();
  // A section keeps the picture's own colours whatever the screen's colour depth.
  Bitmap bitmap(static_cast<HBITMAP>(
      LoadImageA(instance_, name.c_str(), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
  return pictures_.emplace(name, std::move(bitmap)).first->second.get();
}

HFONT WinScreen::font(int height) {
  auto cached = fonts_.find(height);
  if (cached != fonts_.end()) return cached->second.get();
  Font f(CreateFontA(height, 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                     OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                     DEFAULT_PITCH | FF_SWISS, "Arial"));
  return fonts_.emplace(height, std::move(f)).first->second.get();
}

}  // namespace wordmeadow

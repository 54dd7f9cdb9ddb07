#include "shell/win32/win_screen.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <optional>
#include <stdexcept>
#include <string_view>
#include <utility>

#include "shell/win32/png_resource.h"

namespace wordmeadow {
namespace {

constexpr char kClassName[] = "WordmeadowWindow";
constexpr char kIconName[] = "wordmeadow";  // the icon resource made from assets/icon.bmp

// A fixed single border that a drag cannot resize, with minimise and maximise boxes.
constexpr DWORD kStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX;
constexpr double kUnitDpi = 96;  // a client unit is a pixel at 96 dpi

COLORREF colorOf(Colour colour) {
  return RGB(colour.red, colour.green, colour.blue);
}

// The per-monitor DPI functions of Windows 10 (1607) and later, looked up at run time so that
// older Windows still start the program, at the system's DPI.
template <typename Function>
Function user32Function(const char* name) {
  return reinterpret_cast<Function>(
      reinterpret_cast<void (*)()>(GetProcAddress(GetModuleHandleA("user32.dll"), name)));
}

unsigned dpiOf(HWND hwnd) {
  static const auto getDpiForWindow = user32Function<UINT(WINAPI*)(HWND)>("GetDpiForWindow");
  if (getDpiForWindow != nullptr) return getDpiForWindow(hwnd);
  HDC screen = GetDC(nullptr);
  const int dpi = GetDeviceCaps(screen, LOGPIXELSX);
  ReleaseDC(nullptr, screen);
  return static_cast<unsigned>(dpi);
}

// The size of the frame around a client area of that many device pixels, at a DPI.
SIZE frameFor(Size device, unsigned dpi) {
  static const auto adjustForDpi =
      user32Function<BOOL(WINAPI*)(RECT*, DWORD, BOOL, DWORD, UINT)>("AdjustWindowRectExForDpi");
  RECT frame{0, 0, device.width, device.height};
  if (adjustForDpi != nullptr) {
    adjustForDpi(&frame, kStyle, FALSE, 0, dpi);
  } else {
    AdjustWindowRectEx(&frame, kStyle, FALSE, 0);
  }
  return {frame.right - frame.left, frame.bottom - frame.top};
}

// The height to ask of CreateFont for a point size at a scale, as Windows sizes every font: at
// scale 1 a unit is a pixel at 96 dpi.
int fontHeight(double pointSize, double scale) {
  return -static_cast<int>(std::lround(pointSize * kUnitDpi * scale / 72.0));
}

// The lines of a label broken at its spaces as DrawText's word break does, each line as many
// words as fit in the width with the font selected into the device context (a single word that
// does not fit stands alone on its line, and is cut).
std::vector<std::string_view> breakLines(HDC dc, std::string_view text, int width) {
  const auto widthOf = [dc](std::string_view part) {
    SIZE extent{};
    GetTextExtentPoint32A(dc, part.data(), static_cast<int>(part.size()), &extent);
    return extent.cx;
  };
  std::vector<std::string_view> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = std::min(text.find_first_of(" \n", start), text.size());
    while (end < text.size() && text[end] == ' ') {
      const std::size_t next = std::min(text.find_first_of(" \n", end + 1), text.size());
      if (widthOf(text.substr(start, next - start)) > width) break;
      end = next;
    }
    lines.push_back(text.substr(start, end - start));
    start = end;
    if (start < text.size() && text[start] == '\n') {
      ++start;
    } else {
      while (start < text.size() && text[start] == ' ') ++start;
    }
  }
  return lines;
}

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
  // Double-clicks come as their own message, which no element answers. A window whose size
  // changes (maximised, restored, full screen) is drawn again whole, at its new scale.
  wc.style = CS_DBLCLKS | CS_HREDRAW | CS_VREDRAW;
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
  // Made hidden on the primary monitor, then given the size that the scale of the monitor it is
  // on asks for.
  NativeHandle created(CreateWindowExA(0, kClassName, window.caption().c_str(), kStyle, 0, 0,
                                       window.clientSize().width, window.clientSize().height,
                                       nullptr, nullptr, instance_, this));
  if (created == nullptr) fail("cannot open a window");
  HWND hwnd = created.get();
  natives_.push_back({&window, std::move(created), window.revision()});
  takeScale(natives_.back(), dpiOf(hwnd), nullptr);
  ShowWindow(hwnd, SW_SHOWNORMAL);
  UpdateWindow(hwnd);  // drawn at once, before any click can reach it
}

void WinScreen::raise(Window& window) {
  if (HWND hwnd = handleOf(window)) {
    // Restored from the taskbar, but a maximised window stays maximised.
    if (IsIconic(hwnd)) ShowWindow(hwnd, SW_RESTORE);
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

void WinScreen::run(WindowSystem& windows, std::initializer_list<WaitService*> services) {
  windows_ = &windows;
  // A failure while the first window was put on screen (its first paint) has left the quit
  // message already: the loop ends at once and it is thrown below.
  if (!windows.anyLoaded()) PostQuitMessage(0);
  std::vector<HANDLE> events;
  for (WaitService* service : services) events.push_back(service->event());
  bool quit = false;
  while (!quit && !failure_) {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
      if (message.message == WM_QUIT) {
        quit = true;
        break;
      }
      TranslateMessage(&message);
      DispatchMessageA(&message);
      if (failure_) break;
      settle();
    }
    if (quit || failure_) break;
    DWORD timeout = INFINITE;
    for (WaitService* service : services) {
      const int due = service->msUntilDue();
      if (due >= 0) timeout = std::min(timeout, static_cast<DWORD>(due));
    }
    // Woken by a message, a service's event or a service's time.
    const DWORD woke = MsgWaitForMultipleObjectsEx(static_cast<DWORD>(events.size()), events.data(),
                                                   timeout, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    if (woke == WAIT_FAILED) fail("lost the message queue");
    bool served = false;
    for (std::size_t i = 0; i < services.size(); ++i) {
      WaitService* service = services.begin()[i];
      if (woke == WAIT_OBJECT_0 + i || service->msUntilDue() == 0) {
        service->serve();
        served = true;
      }
    }
    if (served) settle();
  }
  windows_ = nullptr;
  if (failure_) std::rethrow_exception(std::exchange(failure_, nullptr));
}

void WinScreen::settle() {
  // The windows unloaded by the last handler can go now.
  windows_->releaseUnloaded();
  invalidateChanged();
  if (!windows_->anyLoaded()) PostQuitMessage(0);
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
  // The client unit under the pointer, none in a margin. Device coordinates are signed: a
  // captured mouse can report points left of the window.
  const auto at = [&]() -> std::optional<Point> {
    const Point device{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
    return viewOf(*native).toClient(device, native->window->clientSize());
  };
  switch (message) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
      if (native != nullptr && windows_ != nullptr) {
        const std::optional<Point> point = at();
        if (!point) return 0;  // a press in a margin is no press
        // Captured, so that the release comes here wherever the pointer is by then.
        SetCapture(hwnd);
        windows_->press(native->window->id(), *point,
                        message == WM_LBUTTONDBLCLK ? Press::SecondOfDoubleClick : Press::Single);
      }
      return 0;
    case WM_LBUTTONUP:
      if (GetCapture() == hwnd) ReleaseCapture();
      if (native != nullptr && windows_ != nullptr) {
        // Released in a margin, over nothing: no click comes of it.
        windows_->release(native->window->id(), at().value_or(Point{-1, -1}));
      }
      return 0;
    case WM_CHAR:
      // A key held down answers once.
      if (native != nullptr && windows_ != nullptr && (lParam & (1 << 30)) == 0 && wParam < 128 &&
          std::isalpha(static_cast<int>(wParam))) {
        windows_->keyTyped(native->window->id(), static_cast<char>(wParam));
      }
      return 0;
    case WM_KEYDOWN:
      if (native != nullptr && wParam == VK_F11) {
        toggleFullScreen(*native);
        return 0;
      }
      break;
    case WM_DPICHANGED:
      if (native != nullptr) {
        takeScale(*native, LOWORD(wParam), reinterpret_cast<const RECT*>(lParam));
        return 0;
      }
      break;
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

ClientView WinScreen::viewOf(const NativeWindow& native) const {
  HWND hwnd = native.hwnd.get();
  if (!native.fullScreen && !IsZoomed(hwnd)) return ClientView(native.scale);
  RECT area{};
  GetClientRect(hwnd, &area);
  return ClientView::fit(native.window->clientSize(), {area.right, area.bottom});
}

void WinScreen::takeScale(NativeWindow& native, unsigned dpi, const RECT* suggested) {
  native.scale = scaleForDpi(dpi);
  HWND hwnd = native.hwnd.get();
  if (native.fullScreen || IsZoomed(hwnd)) {
    InvalidateRect(hwnd, nullptr, FALSE);
    return;
  }
  const SIZE frame =
      frameFor(ClientView(native.scale).deviceSize(native.window->clientSize()), dpi);
  LONG left = 0;
  LONG top = 0;
  if (suggested != nullptr) {
    // Moved onto another monitor: where Windows suggests.
    left = suggested->left;
    top = suggested->top;
  } else {
    // Opened: centred on the screen, but never with the caption above its top edge.
    left = (GetSystemMetrics(SM_CXSCREEN) - frame.cx) / 2;
    top = std::max(0L, (GetSystemMetrics(SM_CYSCREEN) - frame.cy) / 2);
  }
  SetWindowPos(hwnd, nullptr, left, top, frame.cx, frame.cy, SWP_NOZORDER | SWP_NOACTIVATE);
  InvalidateRect(hwnd, nullptr, FALSE);
}

void WinScreen::toggleFullScreen(NativeWindow& native) {
  HWND hwnd = native.hwnd.get();
  if (!native.fullScreen) {
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    native.restored.length = sizeof native.restored;
    if (!GetWindowPlacement(hwnd, &native.restored) ||
        !GetMonitorInfoA(MonitorFromWindow(hwnd, MONITOR_DEFAULTTONEAREST), &monitor)) {
      return;
    }
    native.fullScreen = true;
    // No frame, over the whole monitor; the system menu keeps Alt+F4.
    SetWindowLongPtrA(hwnd, GWL_STYLE, WS_POPUP | WS_SYSMENU | WS_VISIBLE);
    const RECT& all = monitor.rcMonitor;
    SetWindowPos(hwnd, HWND_TOP, all.left, all.top, all.right - all.left, all.bottom - all.top,
                 SWP_NOOWNERZORDER | SWP_FRAMECHANGED);
  } else {
    native.fullScreen = false;
    SetWindowLongPtrA(hwnd, GWL_STYLE, kStyle | WS_VISIBLE);
    SetWindowPlacement(hwnd, &native.restored);
    SetWindowPos(hwnd, nullptr, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOOWNERZORDER | SWP_FRAMECHANGED);
  }
  InvalidateRect(hwnd, nullptr, FALSE);
}

void WinScreen::paint(NativeWindow& native) {
  Painting painting(native.hwnd.get());
  RECT area{};
  GetClientRect(native.hwnd.get(), &area);
  const ClientView view = viewOf(native);
  const Size size = native.window->clientSize();
  const Rect shown = view.toDevice({0, 0, size.width, size.height});
  // Drawn whole into a bitmap off screen and copied in one go: no half-drawn frame is seen.
  MemoryDc buffer(painting.dc());
  Bitmap canvas(CreateCompatibleBitmap(painting.dc(), area.right, area.bottom));
  if (buffer.get() != nullptr && canvas != nullptr) {
    Selection selected(buffer.get(), canvas.get());
    using Brush = std::unique_ptr<std::remove_pointer_t<HBRUSH>, GdiDeleter>;
    const Brush margin(CreateSolidBrush(colorOf(kMarginColour)));
    FillRect(buffer.get(), &area, margin.get());
    const Brush background(CreateSolidBrush(colorOf(kWindowColour)));
    const RECT client{shown.left, shown.top, shown.left + shown.width, shown.top + shown.height};
    FillRect(buffer.get(), &client, background.get());
    // Whatever lies outside the client area is cut, as it is at scale 1.
    IntersectClipRect(buffer.get(), client.left, client.top, client.right, client.bottom);
    const auto& elements = native.window->elements();
    for (auto it = elements.rbegin(); it != elements.rend(); ++it) {  // back to front
      if (!it->visible) continue;
      if (it->kind == ElementKind::Label) {
        drawLabel(buffer.get(), *it, view);
      } else {
        drawPicture(buffer.get(), *it, view);
      }
    }
    BitBlt(painting.dc(), 0, 0, area.right, area.bottom, buffer.get(), 0, 0, SRCCOPY);
  }
  native.seenRevision = native.window->revision();
}

void WinScreen::drawPicture(HDC target, const Element& element, const ClientView& view) {
  // Above scale 1 from the picture at twice the size, when there is one.
  HBITMAP large = view.scale() > 1 ? largePicture(element.content) : nullptr;
  const int density = large != nullptr ? 2 : 1;
  HBITMAP source = large != nullptr ? large : picture(element.content);
  if (source == nullptr) return;
  BITMAP info{};
  GetObjectA(source, sizeof info, &info);
  // Pictures keep their own size in client units; whatever lies outside the element is cut.
  const int width = std::min(static_cast<int>(info.bmWidth) / density, element.rect.width);
  const int height = std::min(static_cast<int>(info.bmHeight) / density, element.rect.height);
  const Rect to = view.toDevice({element.rect.left, element.rect.top, width, height});
  MemoryDc sourceDc(target);
  if (sourceDc.get() == nullptr) return;
  Selection selected(sourceDc.get(), source);
  if (to.width == width * density && to.height == height * density) {
    BitBlt(target, to.left, to.top, to.width, to.height, sourceDc.get(), 0, 0, SRCCOPY);
    return;
  }
  // Averaged, never picked pixel by pixel: at any scale the edges stay smooth.
  SetStretchBltMode(target, HALFTONE);
  SetBrushOrgEx(target, 0, 0, nullptr);
  StretchBlt(target, to.left, to.top, to.width, to.height, sourceDc.get(), 0, 0, width * density,
             height * density, SRCCOPY);
}

void WinScreen::drawLabel(HDC target, const Element& label, const ClientView& view) {
  HFONT unscaled = font(fontHeight(label.pointSize, 1));
  HFONT scaled = font(fontHeight(label.pointSize, view.scale()));
  if (unscaled == nullptr || scaled == nullptr) return;
  // Broken into lines with the font at scale 1, so that at any scale the words wrap where they
  // do at scale 1, and each line starts where it does there.
  std::vector<std::string_view> lines;
  TEXTMETRICA metrics{};
  {
    Selection measuring(target, unscaled);
    lines = breakLines(target, label.content, label.rect.width);
    GetTextMetricsA(target, &metrics);
  }
  Selection selected(target, scaled);
  SetBkMode(target, TRANSPARENT);
  SetTextColor(target, RGB(255, 255, 255));
  const Rect cut = view.toDevice(label.rect);
  const RECT area{cut.left, cut.top, cut.left + cut.width, cut.top + cut.height};
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const int top = view.deviceY(label.rect.top + static_cast<int>(i) * metrics.tmHeight);
    if (top >= area.bottom) break;
    ExtTextOutA(target, area.left, top, ETO_CLIPPED, &area, lines[i].data(),
                static_cast<UINT>(lines[i].size()), nullptr);
  }
}

HBITMAP WinScreen::picture(const std::string& name) {
  auto cached = pictures_.find(name);
  if (cached != pictures_.end()) return cached->second.get();
  // A section keeps the picture's own colours whatever the screen's colour depth.
  Bitmap bitmap(static_cast<HBITMAP>(
      LoadImageA(instance_, name.c_str(), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
  return pictures_.emplace(name, std::move(bitmap)).first->second.get();
}

HBITMAP WinScreen::largePicture(const std::string& name) {
  auto cached = largePictures_.find(name);
  if (cached != largePictures_.end()) return cached->second.get();
  return largePictures_.emplace(name, Bitmap(loadPngResource(instance_, name))).first->second.get();
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

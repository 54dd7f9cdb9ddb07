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

// Drawn where a window has no background picture.
constexpr COLORREF kWindowColour = RGB(43, 108, 176);

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

}  // namespace

WinScreen::WinScreen(HINSTANCE instance) : instance_(instance) {
  WNDCLASSEXA wc{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = &WinScreen::windowProc;
  wc.hInstance = instance_;
  wc.hIcon = static_cast<HICON>(LoadImageA(instance_, kIconName, IMAGE_ICON, 0, 0, LR_DEFAULTSIZE));
  wc.hIconSm =
      static_cast<HICON>(LoadImageA(instance_, kIconName, IMAGE_ICON, GetSystemMetrics(SM_CXSMICON),
                                    GetSystemMetrics(SM_CYSMICON), 0));
  wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
  wc.hbrBackground = nullptr;  // every pixel is painted, so nothing needs erasing first
  wc.lpszClassName = kClassName;
  if (RegisterClassExA(&wc) == 0) fail("cannot register the window class");
}

WinScreen::~WinScreen() {
  // Taken out of the list first: the windows they show may be gone already.
  const std::vector<NativeWindow> left = std::move(natives_);
  natives_.clear();
  for (const NativeWindow& native : left) DestroyWindow(native.hwnd);
  for (auto& [name, bitmap] : pictures_) {
    if (bitmap != nullptr) DeleteObject(bitmap);
  }
  for (auto& [height, f] : fonts_) {
    if (f != nullptr) DeleteObject(f);
  }
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
  HWND hwnd = CreateWindowExA(0, kClassName, window.caption().c_str(), kStyle, left, top, width,
                              height, nullptr, nullptr, instance_, this);
  if (hwnd == nullptr) fail("cannot open a window");
  natives_.push_back({&window, hwnd, window.revision()});
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
  HWND hwnd = it->hwnd;
  natives_.erase(it);  // first: the messages DestroyWindow sends must not find it any more
  DestroyWindow(hwnd);
}

HWND WinScreen::handleOf(const Window& window) const {
  for (const NativeWindow& native : natives_) {
    if (native.window == &window) return native.hwnd;
  }
  return nullptr;
}

void WinScreen::run(WindowSystem& windows) {
  windows_ = &windows;
  if (!windows.anyLoaded()) PostQuitMessage(0);
  MSG message;
  BOOL got;
  while ((got = GetMessageA(&message, nullptr, 0, 0)) != 0) {
    if (got == -1) fail("lost the message queue");
    TranslateMessage(&message);
    DispatchMessageA(&message);
    // Between messages no handler runs, so the windows unloaded by the last one can go now.
    windows.releaseUnloaded();
    invalidateChanged();
    if (!windows.anyLoaded()) PostQuitMessage(0);
  }
  windows_ = nullptr;
}

LRESULT CALLBACK WinScreen::windowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    const auto* create = reinterpret_cast<const CREATESTRUCTA*>(lParam);
    SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* screen = reinterpret_cast<WinScreen*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
  if (screen == nullptr) return DefWindowProcA(hwnd, message, wParam, lParam);
  return screen->handle(hwnd, message, wParam, lParam);
}

LRESULT WinScreen::handle(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  NativeWindow* native = findNative(hwnd);
  switch (message) {
    case WM_LBUTTONDOWN:
      if (native != nullptr && windows_ != nullptr) {
        // Client coordinates, signed: a captured mouse can report points left of the window.
        const int x = static_cast<short>(LOWORD(lParam));
        const int y = static_cast<short>(HIWORD(lParam));
        windows_->click(native->window->id(), {x, y});
      }
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
    if (native.hwnd == hwnd) return &native;
  }
  return nullptr;
}

void WinScreen::invalidateChanged() {
  for (NativeWindow& native : natives_) {
    if (native.seenRevision == native.window->revision()) continue;
    native.seenRevision = native.window->revision();
    InvalidateRect(native.hwnd, nullptr, FALSE);
  }
}

void WinScreen::paint(NativeWindow& native) {
  PAINTSTRUCT ps;
  HDC screen = BeginPaint(native.hwnd, &ps);
  const Size size = native.window->clientSize();
  // Drawn whole into a bitmap off screen and copied in one go: no half-drawn frame is seen.
  HDC buffer = CreateCompatibleDC(screen);
  HBITMAP canvas = CreateCompatibleBitmap(screen, size.width, size.height);
  if (buffer != nullptr && canvas != nullptr) {
    {
      Selection selected(buffer, canvas);
      HBRUSH background = CreateSolidBrush(kWindowColour);
      const RECT all{0, 0, size.width, size.height};
      FillRect(buffer, &all, background);
      DeleteObject(background);
      const auto& elements = native.window->elements();
      for (auto it = elements.rbegin(); it != elements.rend(); ++it) {  // back to front
        if (!it->visible) continue;
        if (it->kind == ElementKind::Label) {
          drawLabel(buffer, *it);
        } else {
          drawPicture(buffer, *it);
        }
      }
      BitBlt(screen, 0, 0, size.width, size.height, buffer, 0, 0, SRCCOPY);
    }
  }
  if (canvas != nullptr) DeleteObject(canvas);
  if (buffer != nullptr) DeleteDC(buffer);
  EndPaint(native.hwnd, &ps);
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
  HDC sourceDc = CreateCompatibleDC(target);
  if (sourceDc == nullptr) return;
  {
    Selection selected(sourceDc, source);
    BitBlt(target, element.rect.left, element.rect.top, width, height, sourceDc, 0, 0, SRCCOPY);
  }
  DeleteDC(sourceDc);
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
  if (cached != pictures_.end()) return cached->second;
  // A section keeps the picture's own colours whatever the screen's colour depth.
  auto* bitmap = static_cast<HBITMAP>(
      LoadImageA(instance_, name.c_str(), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
  return pictures_.emplace(name, bitmap).first->second;
}

HFONT WinScreen::font(int height) {
  auto cached = fonts_.find(height);
  if (cached != fonts_.end()) return cached->second;
  HFONT f = CreateFontA(height, 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                        OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                        DEFAULT_PITCH | FF_SWISS, "Arial");
  return fonts_.emplace(height, f).first->second;
}

}  // namespace wordmeadow

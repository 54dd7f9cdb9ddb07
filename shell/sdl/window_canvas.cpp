#include "shell/sdl/window_canvas.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XShm.h>
#include <sys/ipc.h>
#include <sys/shm.h>

#include <cstddef>
#include <string_view>

#include "shell/sdl/x11_display.h"

namespace wordmeadow {
namespace {

// The format the shared block's pixels are drawn in: 32 bits, as the X server's 24-bit
// TrueColor windows take them.
constexpr Uint32 kSharedFormat = SDL_PIXELFORMAT_RGB888;

// Whether the X server refused to attach the block (a remote server cannot reach it).
bool attachRefused = false;

int noteRefusal(Display*, XErrorEvent*) {
  attachRefused = true;
  return 0;
}

// Whether the server shares memory with the program, and takes 24-bit pixels as 32 bits in
// this machine's byte order, as the block holds them.
bool takesSharedPixels(Display* display) {
  // Only a server on this machine: across a network, or forwarded by ssh, the block's number
  // would name memory on another machine.
  const std::string_view name = XDisplayString(display);
  if (!name.starts_with(':') && !name.starts_with("unix:")) return false;
  if (!XShmQueryExtension(display)) return false;
  XShmSegmentInfo none{};
  XImage* probe = XShmCreateImage(display, DefaultVisual(display, DefaultScreen(display)), 24,
                                  ZPixmap, nullptr, &none, 1, 1);
  if (probe == nullptr) return false;
  const int nativeOrder = SDL_BYTEORDER == SDL_LIL_ENDIAN ? LSBFirst : MSBFirst;
  const bool fits = probe->bits_per_pixel == 32 && probe->byte_order == nativeOrder;
  XDestroyImage(probe);
  return fits;
}

}  // namespace

struct WindowCanvas::Shared {
  explicit Shared(Display* server) : display(server) {}
  ~Shared() { release(); }
  Shared(const Shared&) = delete;
  Shared& operator=(const Shared&) = delete;

  // Room for at least that many bytes, attached on both sides; false when it cannot be had.
  bool reserve(std::size_t bytes);
  void release();

  Display* display;
  XShmSegmentInfo segment{};
  std::size_t capacity = 0;
  // The drawing surface over the block, kept while windows of one size follow each other.
  SDL_Surface* surface = nullptr;
};

bool WindowCanvas::Shared::reserve(std::size_t bytes) {
  if (bytes <= capacity) return true;
  release();
  const int id = shmget(IPC_PRIVATE, bytes, IPC_CREAT | 0600);
  if (id < 0) return false;
  void* address = shmat(id, nullptr, 0);
  if (address == reinterpret_cast<void*>(-1)) {
    shmctl(id, IPC_RMID, nullptr);
    return false;
  }
  XShmSegmentInfo attached{};
  attached.shmid = id;
  attached.shmaddr = static_cast<char*>(address);
  attached.readOnly = False;
  // Earlier requests' errors go to the usual handler; only the attach's to this one.
  XSync(display, False);
  attachRefused = false;
  const XErrorHandler previous = XSetErrorHandler(noteRefusal);
  XShmAttach(display, &attached);
  XSync(display, False);
  XSetErrorHandler(previous);
  // Both sides hold it now (or the server never will): it goes when the last lets it go.
  shmctl(id, IPC_RMID, nullptr);
  if (attachRefused) {
    shmdt(address);
    return false;
  }
  segment = attached;
  capacity = bytes;
  return true;
}

void WindowCanvas::Shared::release() {
  SDL_FreeSurface(surface);
  surface = nullptr;
  if (capacity == 0) return;
  XShmDetach(display, &segment);
  XSync(display, False);
  shmdt(segment.shmaddr);
  segment = {};
  capacity = 0;
}

WindowCanvas::WindowCanvas() = default;

WindowCanvas::~WindowCanvas() = default;

SDL_Surface* WindowCanvas::begin(SDL_Window* window) {
  drawing_ = nullptr;
  if (SDL_Surface* surface = sharedSurface(window)) {
    drawing_ = window;
    return surface;
  }
  return SDL_GetWindowSurface(window);
}

SDL_Surface* WindowCanvas::sharedSurface(SDL_Window* window) {
  if (sharingFailed_) return nullptr;
  if (shared_ == nullptr) {
    Display* display = x11Display(window);
    if (display == nullptr || !takesSharedPixels(display)) {
      sharingFailed_ = true;
      return nullptr;
    }
    shared_ = std::make_unique<Shared>(display);
  }
  // Only a window whose pixels are laid out as the block's.
  if (SDL_GetWindowPixelFormat(window) != kSharedFormat) return nullptr;
  int width = 0;
  int height = 0;
  SDL_GetWindowSize(window, &width, &height);
  if (width <= 0 || height <= 0) return nullptr;
  const int pitch = width * 4;
  if (!shared_->reserve(static_cast<std::size_t>(pitch) * static_cast<std::size_t>(height))) {
    // The server takes no block (a remote one), or no larger one: each window draws into its
    // own from now on.
    shared_.reset();
    sharingFailed_ = true;
    return nullptr;
  }
  SDL_Surface*& surface = shared_->surface;
  if (surface == nullptr || surface->w != width || surface->h != height) {
    SDL_FreeSurface(surface);
    surface = SDL_CreateRGBSurfaceWithFormatFrom(shared_->segment.shmaddr, width, height, 32, pitch,
                                                 kSharedFormat);
  }
  return surface;
}

void WindowCanvas::present(SDL_Window* window) {
  if (drawing_ != window) {
    SDL_UpdateWindowSurface(window);
    return;
  }
  drawing_ = nullptr;
  ::Window x11Window = 0;
  Display* display = x11Display(window, &x11Window);
  SDL_Surface* surface = shared_->surface;
  const auto width = static_cast<unsigned>(surface->w);
  const auto height = static_cast<unsigned>(surface->h);
  XImage* image =
      XShmCreateImage(display, DefaultVisual(display, DefaultScreen(display)), 24, ZPixmap,
                      shared_->segment.shmaddr, &shared_->segment, width, height);
  if (image == nullptr) return;
  GC gc = XCreateGC(display, x11Window, 0, nullptr);
  XShmPutImage(display, x11Window, gc, image, 0, 0, 0, 0, width, height, False);
  XFreeGC(display, gc);
  image->data = nullptr;  // the block's, not the image's
  XDestroyImage(image);
  // The block is drawn into again next: the server must have copied this drawing out of it.
  XSync(display, False);
}

}  // namespace wordmeadow

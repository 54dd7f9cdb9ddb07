#pragma once

#include <optional>

#include "shell/geometry.h"
#include "shell/window.h"

namespace wordmeadow {

// What a maximised or full-screen window shows around its client area: a deep navy that the
// pictures' blues sit in without a seam standing out.
inline constexpr Colour kMarginColour{11, 29, 69};

// How a window's client area, laid out in client units, lies on the device pixels that show it:
// scaled uniformly and shifted by the margins of a maximised or full-screen window. Every edge is
// rounded once, here, so that two elements sharing an edge share it on screen too, and a click on
// a device pixel lands on the element drawn under it.
class ClientView {
 public:
  ClientView() = default;
  // A window at the display's scale, its client area filling its drawable.
  explicit ClientView(double scale) : scale_(scale) {}
  // The client area as large as fits in a drawable of that size, centred.
  static ClientView fit(Size client, Size drawable);

  double scale() const { return scale_; }
  Point offset() const { return offset_; }

  // The device pixel at which a client coordinate begins.
  int deviceX(int x) const { return offset_.x + edge(x); }
  int deviceY(int y) const { return offset_.y + edge(y); }
  Rect toDevice(Rect r) const;
  // The size of drawable that shows the whole client area, margins aside.
  Size deviceSize(Size client) const;

  // The client point drawn at a device pixel; none in a margin.
  std::optional<Point> toClient(Point device, Size client) const;

 private:
  int edge(int units) const;
  int unitAt(int devicePixels) const;

  double scale_ = 1;
  Point offset_;
};

// The display's scale from its dots per inch (96 at 100 %): rounded down to a multiple of 0.25,
// and never below 1, so that windows never shrink.
double scaleForDpi(double dpi);

}  // namespace wordmeadow

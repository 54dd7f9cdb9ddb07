#include "shell/client_view.h"

#include <algorithm>
#include <cmath>

namespace wordmeadow {

ClientView ClientView::fit(Size client, Size drawable) {
  ClientView view;
  if (client.width <= 0 || client.height <= 0) return view;
  view.scale_ = std::min(static_cast<double>(drawable.width) / client.width,
                         static_cast<double>(drawable.height) / client.height);
  if (view.scale_ <= 0) view.scale_ = 1;
  const Size shown = view.deviceSize(client);
  view.offset_ = {(drawable.width - shown.width) / 2, (drawable.height - shown.height) / 2};
  return view;
}

int ClientView::edge(int units) const {
  return static_cast<int>(std::floor(units * scale_ + 0.5));
}

int ClientView::unitAt(int devicePixels) const {
  // The unit whose first pixel is at or before this one and whose next unit begins after it.
  int unit = static_cast<int>(std::floor((devicePixels + 0.5) / scale_));
  while (unit > 0 && edge(unit) > devicePixels) --unit;
  while (edge(unit + 1) <= devicePixels) ++unit;
  return unit;
}

Rect ClientView::toDevice(Rect r) const {
  const int left = deviceX(r.left);
  const int top = deviceY(r.top);
  return {left, top, deviceX(r.left + r.width) - left, deviceY(r.top + r.height) - top};
}

Size ClientView::deviceSize(Size client) const {
  return {edge(client.width), edge(client.height)};
}

std::optional<Point> ClientView::toClient(Point device, Size client) const {
  const int x = device.x - offset_.x;
  const int y = device.y - offset_.y;
  const Size shown = deviceSize(client);
  if (x < 0 || y < 0 || x >= shown.width || y >= shown.height) return std::nullopt;
  return Point{unitAt(x), unitAt(y)};
}

double scaleForDpi(double dpi) {
  if (!(dpi > 0)) return 1;
  return std::max(1.0, std::floor(dpi / 96 * 4 + 1e-9) / 4);
}

}  // namespace wordmeadow

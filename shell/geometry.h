#pragma once

namespace wordmeadow {

// Pixels, measured from the top-left corner of a window's client area.
struct Point {
  int x = 0;
  int y = 0;
};

struct Size {
  int width = 0;
  int height = 0;
};

struct Rect {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;

  bool contains(Point p) const {
    return p.x >= left && p.x < left + width && p.y >= top && p.y < top + height;
  }
};

}  // namespace wordmeadow

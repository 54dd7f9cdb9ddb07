#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "shell/geometry.h"

namespace wordmeadow {

enum class ElementKind { Picture, Label };

struct Colour {
  std::uint8_t red, green, blue;
};

// What every window shows where none of its pictures lies: a medium blue on which the white
// labels read.
inline constexpr Colour kWindowColour{43, 108, 176};

// One picture or text label of a window. Pictures are named by their asset; labels carry their
// text and point size and are drawn white, bold, left-aligned on a transparent background.
struct Element {
  std::string name;
  ElementKind kind = ElementKind::Picture;
  Rect rect;
  std::string content;
  double pointSize = 0;
  std::function<void()> onClick;
  bool visible = true;
};

// A fixed-size top-level window: an identifier, a caption, a client area and its elements front
// to back. Constructing one builds its design state; load() is what runs when it is loaded.
class Window {
 public:
  Window(std::string id, std::string caption, Size clientSize);
  virtual ~Window() = default;
  Window(const Window&) = delete;
  Window& operator=(const Window&) = delete;

  const std::string& id() const { return id_; }
  const std::string& caption() const { return caption_; }
  Size clientSize() const { return clientSize_; }
  const std::vector<Element>& elements() const { return elements_; }

  // Changes whenever something drawn changes, so a screen knows when to draw again.
  unsigned revision() const { return revision_; }

  virtual void load() {}

  // A letter key (either case) pressed while the window has the keyboard. Windows that do not
  // answer keys leave it alone.
  virtual void letterKey(char /*letter*/) {}

  // The front-most visible element under the point takes the click, whether or not it has an
  // operation; nullptr when the point lies on no visible element.
  const Element* elementAt(Point p) const;

  void show(std::string_view elementName);
  // Puts another asset in a picture element, at its place.
  void setPicture(std::string_view elementName, std::string_view asset);
  void hide(std::string_view elementName);
  bool isVisible(std::string_view elementName) const;
  const Element& element(std::string_view elementName) const;

 protected:
  // Each element added lies behind those added before it.
  void addPicture(std::string name, Rect rect, std::string asset,
                  std::function<void()> onClick = {});
  void addLabel(std::string name, Rect rect, std::string text, double pointSize);

 private:
  Element& find(std::string_view elementName);
  void setVisible(std::string_view elementName, bool visible);

  std::string id_;
  std::string caption_;
  Size clientSize_;
  std::vector<Element> elements_;
  unsigned revision_ = 0;
};

}  // namespace wordmeadow

#include "shell/window.h"

#include <stdexcept>
#include <utility>

namespace wordmeadow {

Window::Window(std::string id, std::string caption, Size clientSize)
    : id_(std::move(id)), caption_(std::move(caption)), clientSize_(clientSize) {}

const Element* Window::elementAt(Point p) const {
  for (const Element& e : elements_) {
    if (e.visible && e.rect.contains(p)) return &e;
  }
  return nullptr;
}

void Window::show(std::string_view elementName) {
  setVisible(elementName, true);
}

void Window::setPicture(std::string_view elementName, std::string_view asset) {
  setContent(elementName, asset);
}

void Window::setText(std::string_view elementName, std::string_view text) {
  setContent(elementName, text);
}

void Window::setContent(std::string_view elementName, std::string_view content) {
  Element& e = find(elementName);
  if (e.content == content) return;
  e.content = content;
  ++revision_;
}

void Window::hide(std::string_view elementName) {
  setVisible(elementName, false);
}

bool Window::isVisible(std::string_view elementName) const {
  return element(elementName).visible;
}

const Element& Window::element(std::string_view elementName) const {
  for (const Element& e : elements_) {
    if (e.name == elementName) return e;
  }
  throw std::out_of_range("window " + id_ + " has no element " + std::string(elementName));
}

Element& Window::find(std::string_view elementName) {
  return const_cast<Element&>(std::as_const(*this).element(elementName));
}

void Window::setVisible(std::string_view elementName, bool visible) {
  Element& e = find(elementName);
  if (e.visible == visible) return;
  e.visible = visible;
  ++revision_;
}

void Window::addPicture(std::string name, Rect rect, std::string asset,
                        std::function<void()> onClick) {
  elements_.push_back(Element{std::move(name), ElementKind::Picture, rect, std::move(asset), 0,
                              std::move(onClick), true});
  ++revision_;
}

void Window::addLabel(std::string name, Rect rect, std::string text, double pointSize,
                      std::function<void()> onClick) {
  elements_.push_back(Element{std::move(name), ElementKind::Label, rect, std::move(text), pointSize,
                              std::move(onClick), true});
  ++revision_;
}

}  // namespace wordmeadow

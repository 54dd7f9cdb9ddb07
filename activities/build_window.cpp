#include "activities/build_window.h"

namespace wordmeadow {

BuildWindow::BuildWindow() : Window(kId, "Build A Sentence", {479, 360}) {}

}  // namespace wordmeadow

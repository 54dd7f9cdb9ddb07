#include "activities/further_activities.h"

namespace wordmeadow {

BuildWindow::BuildWindow() : Window(kId, "Build A Sentence", {479, 360}) {}

BeginningWindow::BeginningWindow() : Window(kId, "Beginning Sounds", {479, 360}) {
  addLabel("Label1", {24, 24, 431, 64},
           "Click on the letter that matches  the BEGINNING sound of the word you hear.", 15.75);
}

}  // namespace wordmeadow

#include "shell/main_window.h"

#include <string>

#include "shell/publisher.h"
#include "shell/sound_cues.h"

namespace wordmeadow {

MainWindow::MainWindow(WindowSystem& windows, Platform& platform)
    : Window(kId, "Wordmeadow", {479, 360}), windows_(windows), platform_(platform) {
  // Front to back; the stacked buttons overlap their neighbours by one row, and the one listed
  // first lies in front.
  addPicture("Image6", {120, 184, 227, 41}, "main_matching_letters",
             [this] { windows_.show("match"); });
  addPicture("Image5", {120, 104, 227, 41}, "main_build_sentence",
             [this] { windows_.show("build"); });
  addPicture("Image4", {120, 144, 227, 41}, "main_beginning_sounds",
             [this] { windows_.show("beginning"); });
  addLabel("Label3", {16, 328, 121, 25}, "1.0", 12);
  addPicture("Image3", {120, 264, 227, 41}, "main_exit", [this] { exitSequence(); });
  addLabel("Label1", {176, 48, 121, 25}, "Start A Activity", 12);
  addPicture("Image2", {120, 64, 227, 41}, "main_letter_recognition",
             [this] { windows_.show("rec"); });
  addPicture("Image1", {0, 0, 480, 360}, "main_background");
}

void MainWindow::load() {
  requestCue(platform_, cue::kWelcome);
}

void MainWindow::UnloadAllForms(const Window& keep) {
  const std::string keepId = keep.id();
  for (Window* window : windows_.loadedWindows()) {
    if (window->id() != keepId) windows_.unload(window->id());
  }
}

void MainWindow::exitSequence() {
  UnloadAllForms(*this);
  platform_.openWithShell(*this, publisherPage(kPublisherAddress, platform_.applicationFolder()));
  windows_.unload(id());
}

}  // namespace wordmeadow

#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "shell/file_dialogs.h"

namespace wordmeadow {

// Files chosen in a browser page (shell/web/page/file_dialogs.js). A file to save to is one of
// the program's own memory, answered at once; once written, the page offers it as a download.
// A file to open is chosen with the page's file input, and its bytes put into the program's
// memory, where the answer names it.
class WebFileDialogs : public FileDialogs {
 public:
  // A chosen file larger than this is no voice file, and is not read.
  static constexpr std::size_t kMaxOpenedBytes = 80u << 20;

  void chooseFileToSave(const std::string& suggestedName, Done done) override;
  void chooseFileToOpen(Done done) override;
  void saved(const std::string& path) override;

  // The page's side: room for the chosen file's bytes (null when it is too large), then its
  // name once they are in; or none chosen.
  std::uint8_t* room(std::size_t size);
  void chosen(const std::string& name);
  void tooLarge();
  void cancelled();

 private:
  void answer(const Choice& choice);

  Done opening_;
  std::vector<std::uint8_t> bytes_;
};

}  // namespace wordmeadow

#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "shell/file_dialogs.h"

namespace wordmeadow {

// Files chosen in a browser page (shell/web/page/file_dialogs.js). A file to save to is one of
// the program's own memory, answered at once; once written, the page offers it as a download.
// A file to open is chosen with the page's file input (or dropped onto a window), and its bytes
// put into the program's memory, where the answer names it.
class WebFileDialogs : public FileDialogs {
 public:
  // A chosen file larger than this is no voice file, and is not read.
  static constexpr std::size_t kMaxOpenedBytes = 80u << 20;

  void chooseFileToSave(const std::string& suggestedName, Done done) override;
  void chooseFileToOpen(Done done) override;
  void saved(const std::string& path) override;

  // The page's side: room for a file's bytes (null when it is too large), then, once they are
  // in, the chosen file's name; or that none was chosen.
  std::uint8_t* room(std::size_t size);
  void chosen(const std::string& name);
  void tooLarge();
  void cancelled();
  // The bytes put in the room, kept as a file of that name in the program's memory (an empty
  // one when they were too large); its path, or "" when it could not be written.
  std::string keep(const std::string& name);

 private:
  void answer(const Choice& choice);

  Done opening_;
  std::vector<std::uint8_t> bytes_;
};

}  // namespace wordmeadow

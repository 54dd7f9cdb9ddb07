#pragma once

#include <functional>
#include <string>
#include <utility>

namespace wordmeadow {

// The system's dialogs for choosing a file to save to or to open, as the recorder uses them for
// voice files. The answer comes later, on the program's thread between events (or before the
// call returns, where the dialog is modal), and may come after the window that asked has gone:
// whoever asks guards its callback.
class FileDialogs {
 public:
  // The path chosen; "" with no problem when the person cancelled; or why no dialog could be
  // shown, for the person in front of it.
  struct Choice {
    std::string path;
    std::string problem;
  };
  using Done = std::function<void(const Choice&)>;

  virtual ~FileDialogs() = default;

  // suggestedName is a file name without a folder.
  virtual void chooseFileToSave(const std::string& suggestedName, Done done) = 0;
  virtual void chooseFileToOpen(Done done) = 0;
  // The program has written the file at a path chooseFileToSave gave. Where that path was only
  // the program's own (the browser's memory), this hands the file to the person, as a download.
  virtual void saved(const std::string& path) { (void)path; }
};

// Where there are no dialogs: every choice fails at once with the reason given.
class NoFileDialogs : public FileDialogs {
 public:
  explicit NoFileDialogs(std::string why) : why_(std::move(why)) {}
  void chooseFileToSave(const std::string&, Done done) override { done({{}, why_}); }
  void chooseFileToOpen(Done done) override { done({{}, why_}); }

 private:
  std::string why_;
};

}  // namespace wordmeadow

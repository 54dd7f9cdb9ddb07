#pragma once

#include <SDL.h>
#include <sys/types.h>

#include <list>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "shell/file_dialogs.h"
#include "shell/sdl/sdl_screen.h"

namespace wordmeadow {

// The file dialogs of a Linux desktop, shown by zenity (GTK's file chooser) as a process of its
// own, so that the program keeps drawing while the dialog is open. A thread waits for each one;
// its answer goes back to the event loop as an event of its own, and done runs there. Without
// zenity, every choice says to install it.
class ZenityDialogs : public FileDialogs, public LoopService {
 public:
  ZenityDialogs();
  // Closes the dialogs still open, and waits for their threads.
  ~ZenityDialogs() override;
  ZenityDialogs(const ZenityDialogs&) = delete;
  ZenityDialogs& operator=(const ZenityDialogs&) = delete;

  void chooseFileToSave(const std::string& suggestedName, Done done) override;
  void chooseFileToOpen(Done done) override;

  void handleEvent(const SDL_Event& event) override;
  int msUntilDue() const override { return -1; }
  void due() override {}

 private:
  struct Dialog {
    Done done;
    std::thread waiter;
    pid_t pid = 0;       // while the process runs and is not yet reaped
    bool ended = false;  // the answer below is in
    Choice answer;
  };

  void ask(std::vector<std::string> arguments, Done done);
  void wait(Dialog& dialog, int output);

  const Uint32 answerEvent_;
  std::mutex mutex_;
  std::list<Dialog> dialogs_;  // a list: each thread holds on to its own
};

}  // namespace wordmeadow

#include "shell/sdl/zenity_dialogs.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <utility>

#include "shell/paths.h"

namespace wordmeadow {
namespace {

constexpr const char* kInstallZenity =
    "To save or load a voice file, install zenity. A voice file dropped onto this window loads "
    "without it.";
constexpr int kCommandNotFound = 127;

// Where the dialogs open: the home folder, when it is known, with the name to save under.
std::string startingPath(const std::string& name) {
  const char* home = std::getenv("HOME");
  return home != nullptr && home[0] == '/' ? joinPath(home, name) : name;
}

FileDialogs::Choice fromExit(const siginfo_t& info, std::string output) {
  if (info.si_code != CLD_EXITED) {
    return {{}, "The file dialog closed before an answer (zenity ended by a signal)."};
  }
  switch (info.si_status) {
    case 0:
      // One path and a newline; a file name may hold anything else.
      if (!output.empty() && output.back() == '\n') output.pop_back();
      return {output, {}};
    case 1:  // cancelled or closed
      return {};
    case kCommandNotFound:
      return {{}, kInstallZenity};
    default:
      return {{},
              "The file dialog could not be shown (zenity ended with status " +
                  std::to_string(info.si_status) + ")."};
  }
}

}  // namespace

ZenityDialogs::ZenityDialogs() : answerEvent_(SDL_RegisterEvents(1)) {}

ZenityDialogs::~ZenityDialogs() {
  {
    std::lock_guard lock(mutex_);
    for (Dialog& dialog : dialogs_) {
      if (dialog.pid > 0) kill(dialog.pid, SIGTERM);
    }
  }
  for (Dialog& dialog : dialogs_) dialog.waiter.join();
}

void ZenityDialogs::chooseFileToSave(const std::string& suggestedName, Done done) {
  ask({"--save", "--confirm-overwrite", "--title=Wordmeadow: save to a file",
       "--filename=" + startingPath(suggestedName)},
      std::move(done));
}

void ZenityDialogs::chooseFileToOpen(Done done) {
  ask({"--title=Wordmeadow: open a file", "--filename=" + startingPath("")}, std::move(done));
}

void ZenityDialogs::ask(std::vector<std::string> arguments, Done done) {
  arguments.insert(arguments.begin(), {"zenity", "--file-selection"});
  arguments.insert(arguments.end(), {"--file-filter=Voice files (zip) | *.zip *.ZIP",
                                     "--file-filter=All files | *"});
  // Each argument as it is: no shell reads them, so no name needs quoting.
  std::vector<char*> argv;
  for (std::string& argument : arguments) argv.push_back(argument.data());
  argv.push_back(nullptr);

  int ends[2];
  if (pipe2(ends, O_CLOEXEC) != 0) {
    done({{}, std::string("The file dialog could not be shown: ") + std::strerror(errno) + "."});
    return;
  }
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, ends[1], STDOUT_FILENO);  // dup2 keeps it open
  pid_t pid = 0;
  const int error = posix_spawnp(&pid, "zenity", &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  close(ends[1]);
  if (error != 0) {
    close(ends[0]);
    done({{},
          error == ENOENT
              ? std::string(kInstallZenity)
              : std::string("The file dialog could not be shown: ") + std::strerror(error) + "."});
    return;
  }
  std::lock_guard lock(mutex_);
  Dialog& dialog = dialogs_.emplace_back();
  dialog.done = std::move(done);
  dialog.pid = pid;
  dialog.waiter = std::thread([this, &dialog, output = ends[0]] { wait(dialog, output); });
}

void ZenityDialogs::wait(Dialog& dialog, int output) {
  std::string text;
  char buffer[4096];
  for (;;) {
    const ssize_t got = read(output, buffer, sizeof buffer);
    if (got > 0) {
      text.append(buffer, static_cast<std::size_t>(got));
    } else if (got == 0 || errno != EINTR) {
      break;
    }
  }
  close(output);
  pid_t pid = 0;
  {
    std::lock_guard lock(mutex_);
    pid = dialog.pid;
  }
  // Waited for without reaping it first, so that its number is not given to another process
  // while the destructor may still signal it.
  siginfo_t info{};
  while (waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOWAIT) != 0 && errno == EINTR) {
  }
  {
    std::lock_guard lock(mutex_);
    dialog.pid = 0;
  }
  waitpid(pid, nullptr, 0);
  Choice answer = fromExit(info, std::move(text));
  {
    std::lock_guard lock(mutex_);
    dialog.answer = std::move(answer);
    dialog.ended = true;
  }
  SDL_Event wake{};
  wake.type = answerEvent_;
  SDL_PushEvent(&wake);
  // SDL frees the error text it keeps for this thread only for threads it started itself.
  SDL_TLSCleanup();
}

void ZenityDialogs::handleEvent(const SDL_Event& event) {
  if (event.type != answerEvent_) return;
  std::vector<std::pair<Done, Choice>> answered;
  {
    std::lock_guard lock(mutex_);
    for (auto it = dialogs_.begin(); it != dialogs_.end();) {
      if (!it->ended) {
        ++it;
        continue;
      }
      it->waiter.join();  // it has nothing left to do
      answered.emplace_back(std::move(it->done), std::move(it->answer));
      it = dialogs_.erase(it);
    }
  }
  // Outside the lock: an answer may ask again.
  for (auto& [done, choice] : answered) done(choice);
}

}  // namespace wordmeadow

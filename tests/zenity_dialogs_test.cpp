#include "shell/sdl/zenity_dialogs.h"

#include <SDL.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>

#include "shell/paths.h"
#include "temp_folder.h"

namespace wordmeadow {
namespace {

// A zenity of the test's own, first on the PATH: it writes its arguments into args, one a line,
// and answers as ZENITY_EXIT says: 0 with the path in ZENITY_ANSWER, another status, or a
// dialog that stays open.
constexpr const char* kFakeZenity = R"(#!/bin/sh
printf '%s\n' "$@" > "$ZENITY_ARGS"
case "$ZENITY_EXIT" in
  0) printf '%s\n' "$ZENITY_ANSWER" ;;
  open) exec sleep 30 ;;
esac
exit "$ZENITY_EXIT"
)";

class ZenityDialogsTest : public ::testing::Test {
 protected:
  testing::TempFolder bin;
  testing::TempFolder home;
  std::string args = joinPath(bin.path(), "args");
  const std::string path = std::getenv("PATH") != nullptr ? std::getenv("PATH") : "";
  const std::string homeWas = std::getenv("HOME") != nullptr ? std::getenv("HOME") : "";

  ZenityDialogsTest() {
    SDL_Init(SDL_INIT_EVENTS);
    const std::string zenity = joinPath(bin.path(), "zenity");
    std::ofstream(zenity) << kFakeZenity;
    chmod(zenity.c_str(), 0755);
    setenv("PATH", bin.path().c_str(), 1);
    setenv("HOME", home.path().c_str(), 1);
    setenv("ZENITY_ARGS", args.c_str(), 1);
  }
  ~ZenityDialogsTest() override {
    setenv("PATH", path.c_str(), 1);
    setenv("HOME", homeWas.c_str(), 1);
    SDL_Quit();
  }

  // The answer, handed over by the event loop as the program's would.
  static FileDialogs::Choice answer(ZenityDialogs& dialogs, bool save) {
    std::optional<FileDialogs::Choice> got;
    auto done = [&](const FileDialogs::Choice& choice) { got = choice; };
    if (save) {
      dialogs.chooseFileToSave("wordmeadow-voice.zip", done);
    } else {
      dialogs.chooseFileToOpen(done);
    }
    SDL_Event event;
    while (!got && SDL_WaitEventTimeout(&event, 20000) != 0) dialogs.handleEvent(event);
    return got.value_or(FileDialogs::Choice{{}, "no answer"});
  }
  std::string arguments() const {
    std::stringstream text;
    text << std::ifstream(args).rdbuf();
    return text.str();
  }
};

TEST_F(ZenityDialogsTest, PassesNamesAsTheyAreAndTellsAChoiceACancelAndNoZenityApart) {
  ZenityDialogs dialogs;
  // A name with spaces, quotes and a shell's specials comes back whole.
  const std::string chosen = joinPath(home.path(), "Grandma's \"A\" $(voice) `x`.zip");
  setenv("ZENITY_EXIT", "0", 1);
  setenv("ZENITY_ANSWER", chosen.c_str(), 1);
  FileDialogs::Choice choice = answer(dialogs, true);
  EXPECT_EQ(choice.path, chosen);
  EXPECT_EQ(choice.problem, "");
  EXPECT_EQ(arguments(),
            "--file-selection\n--save\n--confirm-overwrite\n"
            "--title=Wordmeadow: save to a file\n--filename=" +
                joinPath(home.path(), "wordmeadow-voice.zip") +
                "\n--file-filter=Voice files (zip) | *.zip *.ZIP\n"
                "--file-filter=All files | *\n");

  setenv("ZENITY_EXIT", "1", 1);
  choice = answer(dialogs, false);
  EXPECT_EQ(choice.path, "");
  EXPECT_EQ(choice.problem, "");
  EXPECT_NE(arguments().find("--filename=" + joinPath(home.path(), "") + "\n"), std::string::npos);

  setenv("ZENITY_EXIT", "5", 1);
  EXPECT_EQ(answer(dialogs, false).problem,
            "The file dialog could not be shown (zenity ended with status 5).");

  setenv("PATH", home.path().c_str(), 1);  // no zenity there
  choice = answer(dialogs, true);
  EXPECT_EQ(choice.path, "");
  EXPECT_NE(choice.problem.find("install zenity"), std::string::npos) << choice.problem;
}

TEST_F(ZenityDialogsTest, ADialogStillOpenWhenTheProgramEndsIsClosed) {
  setenv("ZENITY_EXIT", "open", 1);
  bool answered = false;
  {
    ZenityDialogs dialogs;
    dialogs.chooseFileToOpen([&](const FileDialogs::Choice&) { answered = true; });
  }  // would wait for the sleeping dialog if it were not ended
  EXPECT_FALSE(answered);
}

}  // namespace
}  // namespace wordmeadow

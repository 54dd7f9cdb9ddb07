#pragma once

#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "shell/capture.h"
#include "shell/file_dialogs.h"
#include "shell/fixed_random.h"
#include "shell/folder_listing.h"
#include "shell/platform.h"
#include "shell/screen.h"

namespace wordmeadow::testing {

// A microphone that hears what the test feeds it, while a take runs. It writes what it is asked
// into the log: "microphone prepare", "microphone start", "microphone stop",
// "microphone release".
class FakeCapture : public Capture {
 public:
  explicit FakeCapture(std::vector<std::string>& log) : log_(log) {}
  std::optional<std::string> refusal;  // every take fails with this, when set

  std::uint32_t rate() const override { return 22050; }
  void prepare() override { log_.push_back("microphone prepare"); }
  void start(Listener& listener) override;
  void stop() override;
  void release() override { log_.push_back("microphone release"); }

  bool taking() const { return listener_ != nullptr; }
  // Hands the samples to the take as the backend would, in pieces of 30 ms.
  void hear(const std::vector<std::int16_t>& samples);

 private:
  std::vector<std::string>& log_;
  Listener* listener_ = nullptr;
};

// File dialogs whose answers wait until the test gives them, so that the window may be gone by
// then. Each question goes into the log: "dialog save wordmeadow-voice.zip", "dialog open", and
// each file handed on: "saved PATH".
class FakeFileDialogs : public FileDialogs {
 public:
  explicit FakeFileDialogs(std::vector<std::string>& log) : log_(log) {}

  void chooseFileToSave(const std::string& suggestedName, Done done) override;
  void chooseFileToOpen(Done done) override;
  void saved(const std::string& path) override { log_.push_back("saved " + path); }

  std::size_t waiting() const { return waiting_.size(); }
  // Answers the oldest question waiting: a path, "" for cancelled, or a problem.
  void choose(const std::string& path) { answer({path, {}}); }
  void cancel() { answer({}); }
  void fail(const std::string& problem) { answer({{}, problem}); }

 private:
  void answer(const Choice& choice);

  std::vector<std::string>& log_;
  std::deque<Done> waiting_;
};

// Records what the program asks of the platform and the screen, in order, as short lines:
//   "sound /app/A.wav", "shell Main https://…", "display rec", "raise rec", "destroy rec";
// with a voice folder, a sound offers the voice's file first: "sound /voice/A.wav or /app/A.wav".
// The folder listing is either a real folder (the default) or a scripted list of names.
class FakePlatform : public Platform, public Screen {
 public:
  std::string folder = "/app";
  std::string voice;  // no voice folder unless a test gives one
  std::vector<std::string> log;
  std::optional<std::vector<std::string>> scriptedListing;
  std::deque<float> scriptedRandoms;  // used first; then the real fixed generator
  std::function<void()> onSound;      // called as each sound is requested
  FakeCapture mic{log};
  FakeFileDialogs dialogs{log};
  int listingCalls = 0;

  std::string applicationFolder() override { return folder; }
  std::string voiceFolder() override { return voice; }
  void playSoundFile(const std::vector<std::string>& paths) override;
  std::string listFolder(const std::string& pattern) override;
  std::string listFolder() override;
  void openWithShell(const Window& owner, const std::string& address) override;
  float nextRandom() override;
  Capture& microphone() override { return mic; }
  FileDialogs& fileDialogs() override { return dialogs; }
  void open(Window& window) override;
  void raise(Window& window) override;
  void close(Window& window) override;

  // The sound requests alone, as file names without the application folder.
  std::vector<std::string> sounds() const;
  void clearLog() { log.clear(); }

 private:
  FolderListing realListing_;
  std::vector<std::string> pending_;
  std::size_t next_ = 0;
  FixedRandom random_;
};

}  // namespace wordmeadow::testing

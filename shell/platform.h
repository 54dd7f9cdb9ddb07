#pragma once

#include <string>
#include <vector>

namespace wordmeadow {

class Capture;
class FileDialogs;
class Window;

// Everything the program asks of the machine it runs on, its windows aside (shell/screen.h).
// The program's logic talks only to this; each backend implements it for real and the tests
// with a recording fake.
class Platform {
 public:
  virtual ~Platform() = default;

  // The folder of the running program file, without a trailing separator (but "/" at the root).
  virtual std::string applicationFolder() = 0;

  // The folder of the user's own recordings (see shell/voice_folder.h), without a trailing
  // separator; "" where the program keeps none.
  virtual std::string voiceFolder() = 0;

  // Plays the first of these files that can be played. Returns at once; cuts off any sound
  // still playing. When none can be played, a short alert tone instead, which cuts off what was
  // playing just the same.
  virtual void playSoundFile(const std::vector<std::string>& paths) = 0;

  // The first call takes a pattern (folder, separator, wildcard name) and returns the first
  // matching file name; each call without a pattern returns the next; "" ends the listing.
  virtual std::string listFolder(const std::string& pattern) = 0;
  virtual std::string listFolder() = 0;

  // The microphone, for the recorder.
  virtual Capture& microphone() = 0;

  // The dialogs that choose a file to save to or to open.
  virtual FileDialogs& fileDialogs() = 0;

  // Hands the address to the system's default handler; never blocks, reports nothing.
  virtual void openWithShell(const Window& owner, const std::string& address) = 0;

  // Uniform in [0, 1), from a fixed starting state: the same sequence on every run.
  virtual float nextRandom() = 0;
};

}  // namespace wordmeadow

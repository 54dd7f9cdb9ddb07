#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "shell/platform_base.h"
#include "shell/win32/win_api.h"
#include "shell/win32/win_capture.h"
#include "shell/win32/win_file_dialogs.h"
#include "shell/win32/win_screen.h"

namespace wordmeadow {

// The folder of a program file given by its full path: no trailing backslash, except at a
// drive root ("C:\"), where the folder would otherwise read as the drive's current folder.
std::string programFolderOf(const std::string& programPath);

// One listing at a time through FindFirstFileA, as the program asks for them: folders, hidden
// and system files are left out, as Explorer leaves them out.
class FindListing {
 public:
  FindListing() = default;
  ~FindListing() { close(); }
  FindListing(const FindListing&) = delete;
  FindListing& operator=(const FindListing&) = delete;

  std::string first(const std::string& pattern);
  std::string next();

 private:
  std::string nextFrom(bool found, const WIN32_FIND_DATAA& data);
  void close();

  HANDLE handle_ = INVALID_HANDLE_VALUE;
};

// Of the files offered for one sound, the one to hand to PlaySound: the first that is a WAV file
// PlaySound can take, with its bytes, or else the last, with none, whose failure then gives the
// alert.
struct PlayableSound {
  std::string path;
  std::vector<std::uint8_t> bytes;
};
PlayableSound firstPlayable(const std::vector<std::string>& paths);

// The program's platform on Windows: PlaySound, the shell's URL handler (owned by a window of
// the screen), the folder listing, the user's voice folder, the microphone through waveIn (which
// the message loop serves), the common file dialogs and the random source. The windows are
// WinScreen's.
class WinPlatform : public PlatformBase<FindListing> {
 public:
  explicit WinPlatform(WinScreen& screen);
  ~WinPlatform() override;
  WinPlatform(const WinPlatform&) = delete;
  WinPlatform& operator=(const WinPlatform&) = delete;

  void playSoundFile(const std::vector<std::string>& paths) override;
  void openWithShell(const Window& owner, const std::string& address) override;
  Capture& microphone() override { return microphone_; }
  FileDialogs& fileDialogs() override { return dialogs_; }
  // What the message loop must serve.
  WaitService& loopService() { return microphone_; }

 private:
  WinScreen& screen_;
  std::vector<std::uint8_t> playing_;  // the sound PlaySound plays, while it may
  WinCapture microphone_;
  WinFileDialogs dialogs_;
};

}  // namespace wordmeadow

#pragma once

#include <string>

#include "shell/fixed_random.h"
#include "shell/platform.h"
#include "shell/win32/win_api.h"
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

// The program's platform on Windows: PlaySound, the shell's URL handler (owned by a window of
// the screen), the folder listing and the random source. The windows are WinScreen's.
class WinPlatform : public Platform {
 public:
  explicit WinPlatform(WinScreen& screen);

  std::string applicationFolder() override { return folder_; }
  void playSoundFile(const std::string& path) override;
  std::string listFolder(const std::string& pattern) override { return listing_.first(pattern); }
  std::string listFolder() override { return listing_.next(); }
  void openWithShell(const Window& owner, const std::string& address) override;
  float nextRandom() override { return random_.next(); }

 private:
  WinScreen& screen_;
  std::string folder_;
  FindListing listing_;
  FixedRandom random_;
};

}  // namespace wordmeadow

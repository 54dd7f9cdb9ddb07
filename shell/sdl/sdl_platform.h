#pragma once

#include <string>
#include <vector>

#include "shell/folder_listing.h"
#include "shell/platform_base.h"
#include "shell/sdl/sound_player.h"

namespace wordmeadow {

// The program's platform on a desktop with SDL2: its sound device and microphone, the file
// dialogs, the system's URL opener, the folder listing, the user's voice folder and the random
// source. The windows are SdlScreen's.
class SdlPlatform : public PlatformBase<FolderListing> {
 public:
  SdlPlatform(SoundPlayer& sound, Capture& microphone, FileDialogs& dialogs);

  void playSoundFile(const std::vector<std::string>& paths) override { sound_.play(paths); }
  void openWithShell(const Window& owner, const std::string& address) override;
  Capture& microphone() override { return microphone_; }
  FileDialogs& fileDialogs() override { return dialogs_; }

 private:
  SoundPlayer& sound_;
  Capture& microphone_;
  FileDialogs& dialogs_;
};

}  // namespace wordmeadow

#pragma once

#include <string>

#include "shell/fixed_random.h"
#include "shell/folder_listing.h"
#include "shell/platform.h"
#include "shell/sdl/sound_player.h"

namespace wordmeadow {

// The program's platform on a desktop with SDL2: its sound device, the system's URL opener, the
// folder listing and the random source. The windows are SdlScreen's.
class SdlPlatform : public Platform {
 public:
  explicit SdlPlatform(SoundPlayer& sound);

  std::string applicationFolder() override { return folder_; }
  void playSoundFile(const std::string& path) override { sound_.play(path); }
  std::string listFolder(const std::string& pattern) override { return listing_.first(pattern); }
  std::string listFolder() override { return listing_.next(); }
  void openWithShell(const Window& owner, const std::string& address) override;
  float nextRandom() override { return random_.next(); }

 private:
  SoundPlayer& sound_;
  std::string folder_;
  FolderListing listing_;
  FixedRandom random_;
};

}  // namespace wordmeadow

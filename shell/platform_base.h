#pragma once

#include <string>
#include <utility>

#include "shell/capture.h"
#include "shell/file_dialogs.h"
#include "shell/fixed_random.h"
#include "shell/platform.h"

namespace wordmeadow {

// What the platforms of all backends share: the program's folder and the voice folder, found
// once at start-up, a folder listing of the backend's own kind, and the fixed random source.
template <typename Listing>
class PlatformBase : public Platform {
 public:
  explicit PlatformBase(std::string folder, std::string voiceFolder = {})
      : folder_(std::move(folder)), voiceFolder_(std::move(voiceFolder)) {}

  std::string applicationFolder() override { return folder_; }
  std::string voiceFolder() override { return voiceFolder_; }
  std::string listFolder(const std::string& pattern) override { return listing_.first(pattern); }
  std::string listFolder() override { return listing_.next(); }
  float nextRandom() override { return random_.next(); }
  // A backend that can record gives its own.
  Capture& microphone() override { return noMicrophone_; }
  FileDialogs& fileDialogs() override { return noDialogs_; }

 protected:
  Listing& listing() { return listing_; }

 private:
  std::string folder_;
  std::string voiceFolder_;
  Listing listing_;
  FixedRandom random_;
  NoCapture noMicrophone_{"This version of Wordmeadow cannot record yet."};
  NoFileDialogs noDialogs_{"This version of Wordmeadow cannot save or load voice files yet."};
};

}  // namespace wordmeadow

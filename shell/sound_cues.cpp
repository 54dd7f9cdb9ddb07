#include "shell/sound_cues.h"

#include <string>
#include <vector>

#include "shell/paths.h"
#include "shell/platform.h"

namespace wordmeadow {

void requestCue(Platform& platform, std::string_view fileName) {
  std::vector<std::string> paths;
  // The user's own recording of that name first; the program's when theirs is missing or
  // cannot be played.
  if (const std::string voice = platform.voiceFolder(); !voice.empty()) {
    paths.push_back(joinPath(voice, fileName));
  }
  paths.push_back(joinPath(platform.applicationFolder(), fileName));
  platform.playSoundFile(paths);
}

}  // namespace wordmeadow

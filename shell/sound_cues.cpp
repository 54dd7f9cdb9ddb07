#include "shell/sound_cues.h"

#include "shell/paths.h"
#include "shell/platform.h"

namespace wordmeadow {

void requestCue(Platform& platform, std::string_view fileName) {
  platform.playSoundFile(joinPath(platform.applicationFolder(), fileName));
}

}  // namespace wordmeadow

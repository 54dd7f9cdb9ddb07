#pragma once

#include <string>
#include <vector>

namespace wordmeadow {

// A sound the program plays, as the recorder offers it: its file's name in the application and
// voice folders, what the grown-up reads in the list, and a picture of it ("" for none).
struct VoiceSound {
  std::string fileName;
  std::string name;
  std::string picture;
};

// Every sound the program plays, in the recorder's order: the welcome and the feedback cues,
// the letters A to Z, then the words of Beginning Sounds.
const std::vector<VoiceSound>& voiceSounds();

}  // namespace wordmeadow

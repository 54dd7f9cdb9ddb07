#include "voice/voice_sounds.h"

#include "activities/word_list.h"
#include "shell/sound_cues.h"

namespace wordmeadow {

const std::vector<VoiceSound>& voiceSounds() {
  static const std::vector<VoiceSound> sounds = [] {
    std::vector<VoiceSound> list = {
        {std::string(cue::kWelcome), "Welcome", ""},
        {std::string(cue::kCorrect), "Correct!", "feedback_correct"},
        {std::string(cue::kTryAgain), "Try again!", "feedback_tryagain"},
        {std::string(cue::kClap), "Clap", ""},
    };
    for (char letter = 'A'; letter <= 'Z'; ++letter) {
      list.push_back(
          {std::string(1, letter) + ".wav", std::string(1, letter), std::string("tile_") + letter});
    }
    for (const Word& word : wordList()) {
      list.push_back({word.recordingName(), std::string(word.word), std::string(word.picture)});
    }
    return list;
  }();
  return sounds;
}

}  // namespace wordmeadow

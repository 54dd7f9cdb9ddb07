#pragma once

#include <span>
#include <string>
#include <string_view>

namespace wordmeadow {

// A word of Beginning Sounds: what is spoken, the picture that shows it, and its recording in the
// words folder beside the program.
struct Word {
  std::string_view word;
  std::string_view picture;
  std::string_view recording;

  // The capital letter of the word's beginning sound.
  char letter() const;
  // Its recording's name from the program's folder: words/apple.wav.
  std::string recordingName() const;
};

// Every word the activity asks, in alphabetical order. The picture-making and recording scripts
// read this list too.
std::span<const Word> wordList();

// The folder of the word recordings, inside the program's folder.
inline constexpr std::string_view kWordsFolder = "words";

}  // namespace wordmeadow

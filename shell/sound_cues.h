#pragma once

#include <string_view>

namespace wordmeadow {

class Platform;

// The fixed recordings the program asks for by name; they lie in the application folder.
namespace cue {
inline constexpr std::string_view kWelcome = "Welcome.wav";
inline constexpr std::string_view kCorrect = "Correct.WAV";
inline constexpr std::string_view kTryAgain = "TryAgain.WAV";
inline constexpr std::string_view kClap = "Clap.WAV";
}  // namespace cue

// Every sound the program makes goes through here: the file of that name in the user's voice
// folder, or else in the application folder, played at once in place of whatever was playing.
// The name may hold a subfolder (words/apple.wav), the same in both folders.
void requestCue(Platform& platform, std::string_view fileName);

}  // namespace wordmeadow

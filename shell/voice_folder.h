#pragma once

#include <string>

namespace wordmeadow {

// Where a user's own recordings lie, under the application folder's names (A.wav, Welcome.wav,
// words/apple.wav): a folder of the user's, since an installed program's folder is not theirs
// to write. Without a separator at the end; "" when the environment names no such place.
//
// Linux and the like: $XDG_DATA_HOME/wordmeadow/voice, by default
// ~/.local/share/wordmeadow/voice (a relative XDG_DATA_HOME is ignored, as the XDG base
// directory rules say).
std::string xdgVoiceFolder(const char* xdgDataHome, const char* home);
// Windows: %APPDATA%\Wordmeadow\voice.
std::string windowsVoiceFolder(const char* appData);

// The one of these for the system the program was built for, from its environment.
std::string userVoiceFolder();

}  // namespace wordmeadow

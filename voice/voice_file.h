#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace wordmeadow {

// A voice file: the user's recordings in one zip, each under its name in the application
// folder with '/' between folders (A.wav, Welcome.wav, words/apple.wav), stored uncompressed,
// so that the desktop and the browser both read it without a compression library.

// One recording in a voice file.
struct VoiceEntry {
  std::string name;  // as in the zip: '/' between folders
  std::vector<std::uint8_t> bytes;
};

// A recording larger than this is not a sound of the program (ten seconds of 48 kHz 16-bit
// mono are under 1 MiB); the whole file's recordings together stay under kMaxVoiceTotalBytes.
inline constexpr std::size_t kMaxVoiceEntryBytes = 8u << 20;
inline constexpr std::size_t kMaxVoiceTotalBytes = 64u << 20;

// The zip of these recordings, stored, with their CRC-32 and a central directory.
std::vector<std::uint8_t> writeVoiceZip(const std::vector<VoiceEntry>& entries);

// The recordings of a voice file, or why it is refused (a sentence for a grown-up, without
// "nothing was changed"): every entry must be named as one of the program's sounds, at most
// once, be stored, within the size limits, whole (its CRC-32 right) and a WAV file the
// program reads.
struct VoiceZipContents {
  std::vector<VoiceEntry> entries;
  std::string problem;  // "" when the file is good
};
VoiceZipContents readVoiceZip(const std::uint8_t* bytes, std::size_t size);

// What saving or loading did, with the sentence to show the grown-up.
struct VoiceFileResult {
  bool ok = false;
  std::string message;
};

// Saves every recording of the voice folder named as one of the program's sounds into a voice
// file at path, written whole or not at all.
VoiceFileResult saveVoiceFile(const std::string& voiceFolder, const std::string& path);

// Loads the voice file at path into the voice folder: each of its recordings replaces the file
// of that name (written whole through a temporary file), the others stay. A bad file changes
// nothing.
VoiceFileResult loadVoiceFile(const std::string& path, const std::string& voiceFolder);

}  // namespace wordmeadow

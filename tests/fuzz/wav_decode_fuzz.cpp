// Feeds arbitrary bytes along the path a recording dropped beside the program takes: read from
// a file, parsed by SDL's WAV loader and converted to the format handed to the audio device.
// The decoder must never crash, and what it gives must be whole 16-bit mono samples within the
// size the program allows.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "shell/sdl/sound_player.h"

namespace {

const std::string& recordingPath() {
  static const std::string path = [] {
    char folder[] = "/tmp/wav_decode_fuzz.XXXXXX";
    if (mkdtemp(folder) == nullptr) std::abort();
    std::atexit([] {
      std::remove(recordingPath().c_str());
      rmdir(recordingPath().substr(0, recordingPath().rfind('/')).c_str());
    });
    return std::string(folder) + "/A.wav";
  }();
  return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static wordmeadow::SoundPlayer player;  // nothing is played: no device is opened
  std::FILE* file = std::fopen(recordingPath().c_str(), "wb");
  if (file == nullptr) std::abort();
  if (std::fwrite(data, 1, size, file) != size) std::abort();
  std::fclose(file);

  const std::vector<std::uint8_t> samples = player.decode(recordingPath());
  if (samples.size() % 2 != 0 || samples.size() > wordmeadow::SoundPlayer::kMaxDecodedBytes) {
    std::abort();
  }
  return 0;
}

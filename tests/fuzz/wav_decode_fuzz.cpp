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
#include <vector>

#include "shell/sdl/sound_player.h"

namespace {

// A folder of its own for the one recording, removed at exit.
struct Scratch {
  Scratch() {
    if (mkdtemp(folder) == nullptr) std::abort();
    path = std::string(folder) + "/A.wav";
  }
  ~Scratch() {
    std::remove(path.c_str());
    rmdir(folder);
  }
  char folder[32] = "/tmp/wav_decode_fuzz.XXXXXX";
  std::string path;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const Scratch scratch;
  static wordmeadow::SoundPlayer player;  // nothing is played: no device is opened
  std::FILE* file = std::fopen(scratch.path.c_str(), "wb");
  if (file == nullptr) std::abort();
  if (std::fwrite(data, 1, size, file) != size) std::abort();
  std::fclose(file);

  const std::vector<std::uint8_t> samples = player.decode(scratch.path);
  if (samples.size() % 2 != 0 || samples.size() > wordmeadow::SoundPlayer::kMaxDecodedBytes) {
    std::abort();
  }
  return 0;
}

#pragma once

#include <SDL.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace wordmeadow {

// Plays one WAV file at a time on an audio device opened once at start-up. A new request cuts
// off what is playing; requests never queue. Anything that cannot be played gives a short alert
// tone instead. Without an audio device the program runs on silently.
class SoundPlayer {
 public:
  // Larger files are not read at all: no recording of the program comes near this.
  static constexpr std::uintmax_t kMaxFileBytes = 32u << 20;

  SoundPlayer();
  ~SoundPlayer();
  SoundPlayer(const SoundPlayer&) = delete;
  SoundPlayer& operator=(const SoundPlayer&) = delete;

  bool hasDevice() const { return device_ != 0; }
  void play(const std::string& path);

  // The file's samples in the device's format; empty when it cannot be played.
  std::vector<std::uint8_t> decode(const std::string& path) const;
  const SDL_AudioSpec& deviceSpec() const { return spec_; }

 private:
  std::vector<std::uint8_t> toDeviceFormat(const SDL_AudioSpec& from, const std::uint8_t* data,
                                           std::size_t length) const;
  void start(const std::vector<std::uint8_t>& samples);
  void makeAlertTone();

  SDL_AudioDeviceID device_ = 0;
  SDL_AudioSpec spec_{};
  std::vector<std::uint8_t> alertTone_;
};

// Where the file of this path really is: the path itself when it exists, otherwise a file of
// its folder whose name differs only in case (recordings copied from a case-blind file system).
std::string findIgnoringCase(const std::string& path);

}  // namespace wordmeadow

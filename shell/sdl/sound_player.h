#pragma once

#include <SDL.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "shell/recording_check.h"
#include "shell/sdl/audio_device.h"
#include "shell/sdl/sdl_screen.h"

namespace wordmeadow {

// Plays one WAV file at a time. A new request cuts off what is playing; requests never queue.
// Anything that cannot be played gives a short alert tone instead. The audio device is open
// only while sound is wanted (see AudioDevice); without one the program runs on silently. The
// event loop serves it, for the device's removal and its idle spell.
class SoundPlayer : public LoopService {
 public:
  // Larger files are not read at all: no recording of the program comes near this.
  static constexpr std::uintmax_t kMaxFileBytes = kMaxRecordingBytes;
  // Nor is a recording decoded to more than this: 25 minutes of sound.
  static constexpr std::size_t kMaxDecodedBytes = 64u << 20;

  explicit SoundPlayer(AudioDevice::Timing timing = {});
  SoundPlayer(const SoundPlayer&) = delete;
  SoundPlayer& operator=(const SoundPlayer&) = delete;

  void play(const std::string& path);
  AudioDevice& device() { return device_; }

  // The file's samples in sampleFormat(); empty when it cannot be played.
  std::vector<std::uint8_t> decode(const std::string& path) const;
  // The same for the bytes of a file already read.
  static std::vector<std::uint8_t> decodeWav(const std::uint8_t* bytes, std::size_t size);
  static SDL_AudioSpec sampleFormat() { return AudioDevice::sampleFormat(); }

  void handleEvent(const SDL_Event& event) override { device_.handleEvent(event); }
  int msUntilDue() const override { return device_.msUntilDue(); }
  void due() override { device_.due(); }

 private:
  static std::vector<std::uint8_t> toSampleFormat(const SDL_AudioSpec& from,
                                                  const std::uint8_t* data, std::size_t length);
  static std::vector<std::uint8_t> makeAlertTone();

  const std::vector<std::uint8_t> alertTone_;
  AudioDevice device_;
};

// Where the file of this path really is: the path itself when it exists, otherwise a file of
// its folder whose name differs only in case (recordings copied from a case-blind file system).
std::string findIgnoringCase(const std::string& path);

}  // namespace wordmeadow

#include "shell/sdl/sound_player.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <numbers>
#include <system_error>

#include "shell/paths.h"
#include "shell/wildcard.h"

namespace wordmeadow {
namespace {

namespace fs = std::filesystem;

std::vector<std::uint8_t> readWholeFile(const std::string& path, std::uintmax_t limit) {
  std::error_code ec;
  if (!fs::is_regular_file(path, ec)) return {};  // folders, devices and pipes are never read
  const std::uintmax_t size = fs::file_size(path, ec);
  if (ec || size == 0 || size > limit) return {};
  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size));
  std::ifstream in(path, std::ios::binary);
  in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  bytes.resize(static_cast<std::size_t>(in.gcount()));  // it may have shrunk since
  return bytes;
}

}  // namespace

std::string findIgnoringCase(const std::string& path) {
  std::error_code ec;
  if (fs::exists(path, ec)) return path;
  const auto cut = path.find_last_of(kPathSeparator);
  if (cut == std::string::npos) return path;
  const std::string name = path.substr(cut + 1);
  for (fs::directory_iterator it(parentFolder(path), ec), end; !ec && it != end; it.increment(ec)) {
    const std::string candidate = it->path().filename().string();
    if (equalIgnoringCase(candidate, name)) return joinPath(parentFolder(path), candidate);
  }
  return path;
}

SoundPlayer::SoundPlayer(AudioDevice::Timing timing)
    : alertTone_(makeAlertTone()), device_(timing) {
  // A recording cut short is a broken recording: beep rather than play part of it.
  SDL_SetHint(SDL_HINT_WAVE_TRUNCATION, "strict");
  // Compressed recordings (ADPCM) fill their last block up; the length they declare ends them.
  SDL_SetHint(SDL_HINT_WAVE_FACT_CHUNK, "truncate");
}

void SoundPlayer::play(const std::string& path) {
  std::vector<std::uint8_t> samples = decode(path);
  device_.play(samples.empty() ? alertTone_ : std::move(samples));
}

std::vector<std::uint8_t> SoundPlayer::decode(const std::string& path) const {
  const std::vector<std::uint8_t> file = readWholeFile(findIgnoringCase(path), kMaxFileBytes);
  return decodeWav(file.data(), file.size());
}

std::vector<std::uint8_t> SoundPlayer::decodeWav(const std::uint8_t* bytes, std::size_t size) {
  if (!recordingIsWhole(bytes, size)) return {};
  SDL_AudioSpec wav{};
  Uint8* data = nullptr;
  Uint32 length = 0;
  SDL_RWops* in = SDL_RWFromConstMem(bytes, static_cast<int>(size));
  if (SDL_LoadWAV_RW(in, 1, &wav, &data, &length) == nullptr) return {};
  std::vector<std::uint8_t> samples = toSampleFormat(wav, data, length);
  SDL_FreeWAV(data);
  return samples;
}

std::vector<std::uint8_t> SoundPlayer::toSampleFormat(const SDL_AudioSpec& from,
                                                      const std::uint8_t* data,
                                                      std::size_t length) {
  const SDL_AudioSpec to = sampleFormat();
  // SDL_AudioCVT rather than SDL_AudioStream: the stream of SDL 2.26 drops the last frames of a
  // resampled sound.
  SDL_AudioCVT cvt;
  if (length == 0 || length > kMaxFileBytes ||
      SDL_BuildAudioCVT(&cvt, from.format, from.channels, from.freq, to.format, to.channels,
                        to.freq) < 0) {
    return {};
  }
  // A header may claim any rate, down to 1 Hz: converting a few KB of that would take minutes
  // and gigabytes. What the conversion gives is bounded before it is started.
  if (static_cast<double>(length) * cvt.len_mult > static_cast<double>(kMaxDecodedBytes)) return {};
  std::vector<std::uint8_t> samples(length * static_cast<std::size_t>(cvt.len_mult));
  std::memcpy(samples.data(), data, length);
  if (cvt.needed == 0) {
    samples.resize(length);
    return samples;
  }
  cvt.len = static_cast<int>(length);
  cvt.buf = samples.data();
  if (SDL_ConvertAudio(&cvt) != 0) return {};
  samples.resize(static_cast<std::size_t>(cvt.len_cvt));
  return samples;
}

std::vector<std::uint8_t> SoundPlayer::makeAlertTone() {
  // Two short soft beeps stand in for the system's alert sound.
  const int rate = 22050;
  std::vector<Sint16> mono(static_cast<std::size_t>(rate) * 3 / 10);
  for (std::size_t i = 0; i < mono.size(); ++i) {
    const double t = static_cast<double>(i) / rate;
    const bool audible = t < 0.12 || t > 0.18;
    const double fade = std::min({1.0, t / 0.005, (0.3 - t) / 0.005});
    mono[i] = audible
                  ? static_cast<Sint16>(9000.0 * fade * std::sin(2 * std::numbers::pi * 880.0 * t))
                  : Sint16{0};
  }
  SDL_AudioSpec from{};
  from.format = AUDIO_S16SYS;
  from.channels = 1;
  from.freq = rate;
  return toSampleFormat(from, reinterpret_cast<const std::uint8_t*>(mono.data()),
                        mono.size() * sizeof(Sint16));
}

}  // namespace wordmeadow

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

SoundPlayer::SoundPlayer() {
  // A recording cut short is a broken recording: beep rather than play part of it.
  SDL_SetHint(SDL_HINT_WAVE_TRUNCATION, "strict");
  if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
    std::fprintf(stderr, "wordmeadow: no sound (%s); running silently\n", SDL_GetError());
    return;
  }
  SDL_AudioSpec want{};
  // The shipped recordings are 22050 Hz mono: asking for that spares converting every one.
  want.freq = 22050;
  want.format = AUDIO_S16SYS;
  want.channels = 1;
  want.samples = 512;  // 23 ms: a cut-off is heard at once, and idling stays cheap
  device_ = SDL_OpenAudioDevice(nullptr, 0, &want, &spec_,
                                SDL_AUDIO_ALLOW_FREQUENCY_CHANGE | SDL_AUDIO_ALLOW_CHANNELS_CHANGE);
  if (device_ == 0) {
    std::fprintf(stderr, "wordmeadow: no sound (%s); running silently\n", SDL_GetError());
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    return;
  }
  makeAlertTone();
  SDL_PauseAudioDevice(device_, 0);
}

SoundPlayer::~SoundPlayer() {
  if (device_ == 0) return;
  SDL_CloseAudioDevice(device_);
  SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

void SoundPlayer::play(const std::string& path) {
  if (device_ == 0) return;
  const std::vector<std::uint8_t> samples = decode(path);
  start(samples.empty() ? alertTone_ : samples);
}

void SoundPlayer::start(const std::vector<std::uint8_t>& samples) {
  SDL_ClearQueuedAudio(device_);
  SDL_QueueAudio(device_, samples.data(), static_cast<Uint32>(samples.size()));
}

std::vector<std::uint8_t> SoundPlayer::decode(const std::string& path) const {
  const std::vector<std::uint8_t> file = readWholeFile(findIgnoringCase(path), kMaxFileBytes);
  if (file.empty()) return {};
  SDL_AudioSpec wav{};
  Uint8* data = nullptr;
  Uint32 length = 0;
  SDL_RWops* in = SDL_RWFromConstMem(file.data(), static_cast<int>(file.size()));
  if (SDL_LoadWAV_RW(in, 1, &wav, &data, &length) == nullptr) return {};
  std::vector<std::uint8_t> samples = toDeviceFormat(wav, data, length);
  SDL_FreeWAV(data);
  return samples;
}

std::vector<std::uint8_t> SoundPlayer::toDeviceFormat(const SDL_AudioSpec& from,
                                                      const std::uint8_t* data,
                                                      std::size_t length) const {
  // SDL_AudioCVT rather than SDL_AudioStream: the stream of SDL 2.26 drops the last frames of a
  // resampled sound.
  SDL_AudioCVT cvt;
  if (length == 0 || length > kMaxFileBytes ||
      SDL_BuildAudioCVT(&cvt, from.format, from.channels, from.freq, spec_.format, spec_.channels,
                        spec_.freq) < 0) {
    return {};
  }
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

void SoundPlayer::makeAlertTone() {
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
  alertTone_ = toDeviceFormat(from, reinterpret_cast<const std::uint8_t*>(mono.data()),
                              mono.size() * sizeof(Sint16));
}

}  // namespace wordmeadow

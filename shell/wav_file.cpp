#include "shell/wav_file.h"

#include <cstring>

#include "shell/little_endian.h"

namespace wordmeadow {
namespace {

bool isRiffWave(const std::uint8_t* bytes, std::size_t size) {
  return size >= 12 && std::memcmp(bytes, "RIFF", 4) == 0 && std::memcmp(bytes + 8, "WAVE", 4) == 0;
}

}  // namespace

bool chunksFitInFile(const std::uint8_t* bytes, std::size_t size) {
  // SDL 2.26 allocates a chunk's declared size before reading it: a 200-byte file may claim a
  // 4 GiB chunk.
  if (!isRiffWave(bytes, size)) return false;
  for (std::size_t at = 12; size - at >= 8;) {
    const std::size_t length = get32(bytes + at + 4);
    if (length > size - at - 8) return false;
    at += 8 + length + (length & 1);  // chunks start on even offsets
    if (at > size) break;
  }
  return true;
}

std::optional<WavInfo> readWavInfo(const std::uint8_t* bytes, std::size_t size) {
  if (!chunksFitInFile(bytes, size)) return std::nullopt;
  WavInfo info;
  bool format = false;
  for (std::size_t at = 12; size - at >= 8;) {
    const std::size_t length = get32(bytes + at + 4);
    const std::uint8_t* body = bytes + at + 8;
    if (std::memcmp(bytes + at, "fmt ", 4) == 0 && length >= 16) {
      info.formatTag = get16(body);
      info.channels = get16(body + 2);
      info.rate = get32(body + 4);
      info.bitsPerSample = get16(body + 14);
      format = info.channels > 0 && info.rate > 0;
    } else if (std::memcmp(bytes + at, "data", 4) == 0) {
      const std::size_t frameBytes =
          std::size_t{info.channels} * ((std::size_t{info.bitsPerSample} + 7) / 8);
      if (!format || length == 0 || length < frameBytes) return std::nullopt;
      info.dataOffset = at + 8;
      info.dataBytes = length;
      return info;
    }
    at += 8 + length + (length & 1);
    if (at > size) break;
  }
  return std::nullopt;
}

std::vector<std::uint8_t> encodeWav(std::span<const std::int16_t> samples, std::uint32_t rate) {
  const auto dataBytes = static_cast<std::uint32_t>(samples.size() * 2);
  std::vector<std::uint8_t> out;
  out.reserve(44 + dataBytes);
  putTag(out, "RIFF");
  put32(out, 36 + dataBytes);
  putTag(out, "WAVEfmt ");
  put32(out, 16);
  put16(out, 1);  // PCM
  put16(out, 1);  // mono
  put32(out, rate);
  put32(out, rate * 2);  // bytes a second
  put16(out, 2);         // bytes a frame
  put16(out, 16);
  putTag(out, "data");
  put32(out, dataBytes);
  for (const std::int16_t s : samples) put16(out, static_cast<std::uint16_t>(s));
  return out;
}

std::optional<std::vector<std::int16_t>> decodePcm16Mono(const std::uint8_t* bytes,
                                                         std::size_t size, std::uint32_t* rate) {
  const std::optional<WavInfo> info = readWavInfo(bytes, size);
  if (!info || info->formatTag != 1 || info->channels != 1 || info->bitsPerSample != 16) {
    return std::nullopt;
  }
  std::vector<std::int16_t> samples(info->dataBytes / 2);
  for (std::size_t i = 0; i < samples.size(); ++i) {
    samples[i] = static_cast<std::int16_t>(get16(bytes + info->dataOffset + 2 * i));
  }
  if (rate != nullptr) *rate = info->rate;
  return samples;
}

}  // namespace wordmeadow

#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace wordmeadow {

// Where a RIFF/WAVE file keeps its samples, and in what format.
struct WavInfo {
  std::uint16_t formatTag = 0;  // 1: PCM
  std::uint16_t channels = 0;
  std::uint32_t rate = 0;
  std::uint16_t bitsPerSample = 0;
  std::size_t dataOffset = 0;
  std::size_t dataBytes = 0;
};

// Whether the bytes are a RIFF/WAVE file whose every chunk fits in it.
bool chunksFitInFile(const std::uint8_t* bytes, std::size_t size);

// The format and the samples' place of a RIFF/WAVE file whose chunks fit, with a format chunk
// before a data chunk that holds at least one whole frame; nothing otherwise.
std::optional<WavInfo> readWavInfo(const std::uint8_t* bytes, std::size_t size);

// A 16-bit PCM mono WAV file of these samples.
std::vector<std::uint8_t> encodeWav(std::span<const std::int16_t> samples, std::uint32_t rate);

// The samples of a 16-bit PCM mono file as encodeWav writes them; nothing for any other file.
std::optional<std::vector<std::int16_t>> decodePcm16Mono(const std::uint8_t* bytes,
                                                         std::size_t size, std::uint32_t* rate);

}  // namespace wordmeadow

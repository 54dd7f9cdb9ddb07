// Feeds any bytes to the program's own WAV reader, which judges the user's recordings: where it
// finds samples they lie inside the bytes, and a 16-bit mono file it reads is written back and
// read again unchanged.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <vector>

#include "shell/wav_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace wordmeadow;
  const std::optional<WavInfo> info = readWavInfo(data, size);
  if (info && (info->dataOffset < 20 || info->dataOffset > size ||
               info->dataBytes > size - info->dataOffset || info->dataBytes == 0)) {
    std::abort();
  }
  std::uint32_t rate = 0;
  const auto samples = decodePcm16Mono(data, size, &rate);
  if (!samples) return 0;
  if (!info) std::abort();
  const std::vector<std::uint8_t> again = encodeWav(*samples, rate);
  std::uint32_t rateAgain = 0;
  if (decodePcm16Mono(again.data(), again.size(), &rateAgain) != samples || rateAgain != rate) {
    std::abort();
  }
  return 0;
}

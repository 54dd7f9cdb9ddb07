#include "shell/recording_check.h"

#include <cstring>

namespace wordmeadow {
namespace {

std::uint32_t littleEndian32(const std::uint8_t* p) {
  return p[0] | std::uint32_t{p[1]} << 8 | std::uint32_t{p[2]} << 16 | std::uint32_t{p[3]} << 24;
}

}  // namespace

bool recordingIsWhole(const std::uint8_t* bytes, std::size_t size) {
  if (size > kMaxRecordingBytes || size < 12 || std::memcmp(bytes, "RIFF", 4) != 0 ||
      std::memcmp(bytes + 8, "WAVE", 4) != 0) {
    return false;
  }
  for (std::size_t at = 12; size - at >= 8;) {
    const std::size_t length = littleEndian32(bytes + at + 4);
    if (length > size - at - 8) return false;
    at += 8 + length + (length & 1);  // chunks start on even offsets
    if (at > size) break;
  }
  return true;
}

}  // namespace wordmeadow

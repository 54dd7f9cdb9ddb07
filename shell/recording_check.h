#pragma once

#include <cstddef>
#include <cstdint>

namespace wordmeadow {

// The largest recording the program reads.
inline constexpr std::uintmax_t kMaxRecordingBytes = 32u << 20;

// Whether the bytes may be handed to a decoder: a RIFF/WAVE file of at most kMaxRecordingBytes
// whose every chunk fits in it. A recording cut short fails, and so gives the alert rather than
// its first part; and SDL 2.26 allocates a chunk's declared size before reading it, so a
// 200-byte file may not claim a 4 GiB chunk.
bool recordingIsWhole(const std::uint8_t* bytes, std::size_t size);

}  // namespace wordmeadow

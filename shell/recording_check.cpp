#include "shell/recording_check.h"

#include "shell/wav_file.h"

namespace wordmeadow {

bool recordingIsWhole(const std::uint8_t* bytes, std::size_t size) {
  return size <= kMaxRecordingBytes && chunksFitInFile(bytes, size);
}

}  // namespace wordmeadow

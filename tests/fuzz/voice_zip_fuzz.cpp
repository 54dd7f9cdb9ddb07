// Feeds the voice file reader any bytes. What it accepts must hold only the program's sounds,
// each once and a WAV the program reads, and come back the same when written out again.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <set>
#include <string>

#include "shell/wav_file.h"
#include "voice/voice_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace wordmeadow;
  const VoiceZipContents contents = readVoiceZip(data, size);
  if (contents.problem.empty() == contents.entries.empty()) std::abort();
  std::set<std::string> names;
  for (const VoiceEntry& entry : contents.entries) {
    if (!names.insert(entry.name).second || entry.bytes.size() > kMaxVoiceEntryBytes ||
        !readWavInfo(entry.bytes.data(), entry.bytes.size())) {
      std::abort();
    }
  }
  if (!contents.entries.empty()) {
    const std::vector<std::uint8_t> again = writeVoiceZip(contents.entries);
    const VoiceZipContents reread = readVoiceZip(again.data(), again.size());
    if (!reread.problem.empty() || reread.entries.size() != contents.entries.size()) std::abort();
    for (std::size_t i = 0; i < reread.entries.size(); ++i) {
      if (reread.entries[i].name != contents.entries[i].name ||
          reread.entries[i].bytes != contents.entries[i].bytes) {
        std::abort();
      }
    }
  }
  return 0;
}

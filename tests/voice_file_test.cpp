// The voice file: the user's recordings saved into one zip and loaded on another machine; what
// Debian's zip and unzip make of it, and every kind of bad file refused with nothing changed.

#include "voice/voice_file.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "shell/files.h"
#include "shell/paths.h"
#include "shell/wav_file.h"
#include "temp_folder.h"

namespace wordmeadow {
namespace {

namespace fs = std::filesystem;
using testing::TempFolder;
using Bytes = std::vector<std::uint8_t>;
using Snapshot = std::map<std::string, Bytes>;

const std::string kApple = std::string("words") + kPathSeparator + "apple.wav";

Bytes wav(std::int16_t value, std::size_t samples = 40) {
  return encodeWav(std::vector<std::int16_t>(samples, value), 16000);
}

void put(const std::string& folder, const std::string& name, const Bytes& bytes) {
  ASSERT_TRUE(replaceFileWhole(joinPath(folder, name), bytes));
}

// Every file under a folder, by its path inside it, with its bytes.
Snapshot snapshot(const std::string& folder) {
  Snapshot files;
  for (const auto& entry : fs::recursive_directory_iterator(folder)) {
    if (entry.is_regular_file()) {
      files[fs::relative(entry.path(), folder).string()] =
          readWholeFile(entry.path().string(), 1u << 26);
    }
  }
  return files;
}

bool contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

TEST(VoiceFile, SavesTheProgramsSoundsAndLoadsThemIntoAnotherVoiceFolderLeavingItsOthers) {
  const TempFolder mine;
  put(mine.path(), "A.wav", wav(100));
  put(mine.path(), kApple, wav(200, 3001));  // odd data lengths too
  put(mine.path(), "B.wav", Bytes{'n', 'o', 't', ' ', 'a', ' ', 'W', 'A', 'V'});
  put(mine.path(), "Zebra.wav", wav(300));  // not one of the program's sounds
  const std::string file = joinPath(mine.path(), "voice.zip");
  const VoiceFileResult saved = saveVoiceFile(mine.path(), file);
  EXPECT_TRUE(saved.ok);
  EXPECT_EQ(saved.message,
            "Saved 2 recordings. 1 recording was left out: not a sound Wordmeadow can play, or "
            "too long.");

#ifndef _WIN32
  if (std::system("command -v unzip >/dev/null") == 0) {
    EXPECT_EQ(std::system(("unzip -tq '" + file + "' >/dev/null").c_str()), 0);
    const TempFolder out;
    ASSERT_EQ(std::system(("unzip -q '" + file + "' -d '" + out.path() + "'").c_str()), 0);
    EXPECT_EQ(snapshot(out.path()), (Snapshot{{"A.wav", wav(100)}, {kApple, wav(200, 3001)}}));
  }
#endif

  const TempFolder theirs;
  put(theirs.path(), "A.wav", wav(-5));
  put(theirs.path(), "C.wav", wav(7));
  const VoiceFileResult loaded = loadVoiceFile(file, theirs.path());
  EXPECT_TRUE(loaded.ok);
  EXPECT_EQ(loaded.message, "Loaded 2 recordings.");
  EXPECT_EQ(snapshot(theirs.path()),
            (Snapshot{{"A.wav", wav(100)}, {"C.wav", wav(7)}, {kApple, wav(200, 3001)}}));

  const TempFolder empty;
  EXPECT_EQ(saveVoiceFile(empty.path(), file).message, "There are no recordings to save yet.");
  EXPECT_TRUE(loadVoiceFile(file, theirs.path()).ok) << "the old file stays";
  // Without a voice folder (no HOME), nothing is read from or written to the root.
  EXPECT_FALSE(saveVoiceFile("", file).ok);
  EXPECT_EQ(loadVoiceFile(file, "").message,
            "Wordmeadow has no folder for recordings on this computer. Nothing was changed.");
}

#ifndef _WIN32
// A voice file zipped by hand with Debian's zip: stored, it loads (the folder entry zip adds is
// passed over); compressed, it is refused and says so.
TEST(VoiceFile, ReadsDebiansStoredZipAndRefusesItsCompressedOne) {
  if (std::system("command -v zip >/dev/null") != 0) GTEST_SKIP() << "Debian's zip is missing";
  const TempFolder made;
  put(made.path(), "A.wav", wav(0, 4000));  // silence compresses
  put(made.path(), kApple, wav(9, 4000));
  const std::string zip = "cd '" + made.path() + "' && zip -qr";
  ASSERT_EQ(std::system((zip + " -0 stored.zip A.wav words").c_str()), 0);
  ASSERT_EQ(std::system((zip + " deflated.zip A.wav words").c_str()), 0);

  const TempFolder voice;
  put(voice.path(), "A.wav", wav(1));
  const VoiceFileResult deflated =
      loadVoiceFile(joinPath(made.path(), "deflated.zip"), voice.path());
  EXPECT_FALSE(deflated.ok);
  EXPECT_TRUE(contains(deflated.message, "saved by another program: its recordings are compressed"))
      << deflated.message;
  EXPECT_TRUE(contains(deflated.message, "Nothing was changed."));
  EXPECT_EQ(snapshot(voice.path()), (Snapshot{{"A.wav", wav(1)}}));

  const VoiceFileResult stored = loadVoiceFile(joinPath(made.path(), "stored.zip"), voice.path());
  EXPECT_TRUE(stored.ok) << stored.message;
  EXPECT_EQ(snapshot(voice.path()), (Snapshot{{"A.wav", wav(0, 4000)}, {kApple, wav(9, 4000)}}));
}
#endif

// Each bad file leaves the voice folder as it was and says why.
TEST(VoiceFile, RefusesEveryBadEntryWithNothingChanged) {
  const TempFolder voice;
  put(voice.path(), "A.wav", wav(1));
  const Snapshot before = snapshot(voice.path());
  const Bytes good = writeVoiceZip({{"B.wav", wav(2)}, {"words/apple.wav", wav(3)}});

  Bytes badCrc = good;
  badCrc[30 + 5 + 44] ^= 1;  // a sample of B.wav, after its local header and name
  Bytes deflated = good;
  deflated[8] = 8;                                             // the local header's method
  deflated[good.size() - 22 - (46 + 5) - (46 + 15) + 10] = 8;  // and the central directory's
  const Bytes tooLarge = writeVoiceZip({{"B.wav", wav(2, kMaxVoiceEntryBytes / 2)}});

  const std::vector<std::pair<Bytes, std::string>> cases = {
      {writeVoiceZip({{"../A.wav", wav(2)}}), "\"../A.wav\", a path that leads outside"},
      {writeVoiceZip({{"words/../../A.wav", wav(2)}}), "a path that leads outside"},
      {writeVoiceZip({{"/A.wav", wav(2)}}), "a path that leads outside"},
      {writeVoiceZip({{"words\\apple.wav", wav(2)}}), "a path that leads outside"},
      {writeVoiceZip({{"C:A.wav", wav(2)}}), "a path that leads outside"},
      {writeVoiceZip({{"B.wav", wav(2)}, {"Zebra.wav", wav(2)}}),
       "\"Zebra.wav\", which is not one of Wordmeadow's sounds"},
      {writeVoiceZip({{"a.wav", wav(2)}}), "\"a.wav\", which is not one"},
      {writeVoiceZip({{std::string("B\0.wav", 6), wav(2)}}), "\"B?.wav\", which is not one"},
      {writeVoiceZip({{"B.wav", wav(2)}, {"B.wav", wav(3)}}), "\"B.wav\" twice"},
      {writeVoiceZip({{"B.wav", Bytes{'R', 'I', 'F', 'F'}}}), "is not a sound Wordmeadow can play"},
      {tooLarge, "\"B.wav\" in this file is larger than 8 MB"},
      {badCrc, "\"B.wav\" in this file is damaged."},
      {deflated, "saved by another program: its recordings are compressed"},
      {writeVoiceZip({}), "This file holds no recordings."},
  };
  const std::string file = joinPath(voice.path(), "../voice-file-test.zip");
  for (const auto& [bytes, why] : cases) {
    ASSERT_TRUE(replaceFileWhole(file, bytes));
    const VoiceFileResult result = loadVoiceFile(file, voice.path());
    EXPECT_FALSE(result.ok) << why;
    EXPECT_TRUE(contains(result.message, why)) << result.message;
    EXPECT_TRUE(contains(result.message, "Nothing was changed.")) << result.message;
    EXPECT_EQ(snapshot(voice.path()), before) << why;
  }
  fs::remove(file);

  // Cut anywhere, or with bytes lost in the middle, the file is damaged.
  for (std::size_t size = 0; size < good.size(); ++size) {
    EXPECT_FALSE(readVoiceZip(good.data(), size).problem.empty()) << size;
  }
  Bytes shortened = good;
  shortened.erase(shortened.begin() + 40);
  EXPECT_EQ(readVoiceZip(shortened.data(), shortened.size()).problem,
            "This is not a voice file, or it is damaged.");
  EXPECT_EQ(readVoiceZip(good.data(), good.size()).entries.size(), 2u);
}

}  // namespace
}  // namespace wordmeadow

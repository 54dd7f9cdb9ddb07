#include "shell/sdl/sound_player.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "temp_folder.h"

namespace wordmeadow {
namespace {

using testing::TempFolder;
namespace fs = std::filesystem;

// A RIFF/WAVE file of 16-bit mono samples at 22050 Hz, or with another format tag.
std::string wavBytes(std::size_t frames, std::uint16_t formatTag = 1) {
  auto u32 = [](std::uint32_t v) {
    return std::string{static_cast<char>(v), static_cast<char>(v >> 8), static_cast<char>(v >> 16),
                       static_cast<char>(v >> 24)};
  };
  auto u16 = [](std::uint16_t v) {
    return std::string{static_cast<char>(v), static_cast<char>(v >> 8)};
  };
  const auto dataBytes = static_cast<std::uint32_t>(frames * 2);
  std::string wav = "RIFF" + u32(36 + dataBytes) + "WAVEfmt " + u32(16) + u16(formatTag) + u16(1) +
                    u32(22050) + u32(44100) + u16(2) + u16(16) + "data" + u32(dataBytes);
  for (std::size_t i = 0; i < frames; ++i) wav += u16(static_cast<std::uint16_t>(i * 37));
  return wav;
}

class SoundPlayerTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { setenv("SDL_AUDIODRIVER", "dummy", 1); }
  SoundPlayer player;
  TempFolder folder;

  std::string write(const std::string& name, const std::string& bytes) {
    folder.touch(name, bytes);
    return folder.path() + "/" + name;
  }
  // Bytes per second of the device, so lengths can be compared with the file's.
  std::size_t deviceBytesPerFrame() const {
    return SDL_AUDIO_BITSIZE(player.deviceSpec().format) / 8u * player.deviceSpec().channels;
  }
};

TEST_F(SoundPlayerTest, AGoodRecordingIsConvertedToTheDevicesFormatWhole) {
  ASSERT_TRUE(player.hasDevice());
  const auto samples = player.decode(write("A.wav", wavBytes(22050)));  // one second
  const std::size_t frames = samples.size() / deviceBytesPerFrame();
  EXPECT_NEAR(static_cast<double>(frames), player.deviceSpec().freq, 2.0);
}

TEST_F(SoundPlayerTest, BrokenRecordingsGiveNothingToPlaySoTheAlertSounds) {
  const std::string good = wavBytes(2000);
  EXPECT_TRUE(player.decode(write("empty.wav", "")).empty());
  EXPECT_TRUE(player.decode(write("Q.wav", "This is not a recording, just some text.\n")).empty());
  EXPECT_TRUE(player.decode(write("cut.wav", good.substr(0, good.size() / 2))).empty());
  EXPECT_TRUE(player.decode(write("header.wav", good.substr(0, 30))).empty());
  EXPECT_TRUE(player.decode(write("odd.wav", wavBytes(2000, 0x1234))).empty());
  EXPECT_TRUE(player.decode(folder.path() + "/missing.wav").empty());
  EXPECT_TRUE(player.decode(folder.path() + "/").empty());  // the empty name: a folder
  fs::create_directory(folder.path() + "/B.wav");
  EXPECT_TRUE(player.decode(folder.path() + "/B.wav").empty());
  fs::create_symlink(folder.path() + "/nowhere", folder.path() + "/C.wav");
  EXPECT_TRUE(player.decode(folder.path() + "/C.wav").empty());
  fs::create_symlink(folder.path() + "/D.wav", folder.path() + "/D.wav");
  EXPECT_TRUE(player.decode(folder.path() + "/D.wav").empty());
  // Playing any of them must neither crash nor throw.
  player.play(folder.path() + "/B.wav");
  player.play(folder.path() + "/C.wav");
}

TEST_F(SoundPlayerTest, AHugeFileIsNeverReadIntoMemory) {
  const std::string path = folder.path() + "/R.wav";
  {
    std::ofstream out(path, std::ios::binary);
    out << wavBytes(100);
  }
  fs::resize_file(path, std::uintmax_t{2} << 30);  // 2 GiB, sparse
  rusage before{};
  getrusage(RUSAGE_SELF, &before);
  EXPECT_TRUE(player.decode(path).empty());
  player.play(path);
  rusage after{};
  getrusage(RUSAGE_SELF, &after);
  EXPECT_LT(after.ru_maxrss - before.ru_maxrss, 64 * 1024);  // kilobytes: far below the file
}

TEST_F(SoundPlayerTest, AnUnreadableFileGivesNothing) {
  const std::string path = write("U.wav", wavBytes(100));
  fs::permissions(path, fs::perms::none);
  if (std::ifstream(path).good()) GTEST_SKIP() << "running as root: the file stays readable";
  EXPECT_TRUE(player.decode(path).empty());
}

TEST_F(SoundPlayerTest, ANameIsFoundRegardlessOfCaseWhenNotFoundExactly) {
  write("correct.wav", wavBytes(500));
  write("Clap.WAV", wavBytes(800));
  write("clap.wav", wavBytes(100));
  EXPECT_EQ(findIgnoringCase(folder.path() + "/Correct.WAV"), folder.path() + "/correct.wav");
  EXPECT_EQ(findIgnoringCase(folder.path() + "/Clap.WAV"), folder.path() + "/Clap.WAV");
  EXPECT_FALSE(player.decode(folder.path() + "/Correct.WAV").empty());
  EXPECT_EQ(findIgnoringCase(folder.path() + "/Nothing.WAV"), folder.path() + "/Nothing.WAV");
}

TEST_F(SoundPlayerTest, OddNamesArePlayedUnchanged) {
  for (const std::string& name : {std::string("my letter.wav"), std::string("Le\xff\xfe.wav"),
                                  std::string(251, 'L') + ".wav"}) {
    EXPECT_FALSE(player.decode(write(name, wavBytes(300))).empty()) << name;
  }
}

TEST_F(SoundPlayerTest, AFileReplacedOrDeletedAfterTheFillPlaysWhatIsThereNow) {
  const std::string path = write("K.wav", wavBytes(300));
  write("K.wav", wavBytes(3000));
  EXPECT_EQ(player.decode(path).size() / deviceBytesPerFrame(),
            player.decode(write("L.wav", wavBytes(3000))).size() / deviceBytesPerFrame());
  fs::remove(path);
  EXPECT_TRUE(player.decode(path).empty());
}

TEST(SoundPlayerWithoutDevice, RunsSilently) {
  setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
  SoundPlayer player;
  EXPECT_FALSE(player.hasDevice());
  player.play("/nowhere/A.wav");  // nothing happens, nothing breaks
  setenv("SDL_AUDIODRIVER", "dummy", 1);
}

}  // namespace
}  // namespace wordmeadow

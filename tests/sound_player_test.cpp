#include "shell/sdl/sound_player.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "shell/sdl/audio_capture.h"
#include "shell/sdl/audio_driver.h"
#include "temp_folder.h"

namespace wordmeadow {
namespace {

using testing::TempFolder;
namespace fs = std::filesystem;

// A RIFF/WAVE file of 16-bit mono samples at 22050 Hz, or with another format tag; sample i is
// i * step.
std::string wavBytes(std::size_t frames, std::uint16_t formatTag = 1, std::uint16_t step = 37) {
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
  for (std::size_t i = 0; i < frames; ++i) wav += u16(static_cast<std::uint16_t>(i * step));
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
  // Bytes of a frame handed to the device, so lengths can be compared with the file's.
  static std::size_t deviceBytesPerFrame() {
    return SDL_AUDIO_BITSIZE(SoundPlayer::sampleFormat().format) / 8u *
           SoundPlayer::sampleFormat().channels;
  }
};

TEST_F(SoundPlayerTest, AGoodRecordingIsConvertedToTheDevicesFormatWhole) {
  const auto samples = player.decode(write("A.wav", wavBytes(22050)));  // one second
  const std::size_t frames = samples.size() / deviceBytesPerFrame();
  EXPECT_NEAR(static_cast<double>(frames), SoundPlayer::sampleFormat().freq, 2.0);
}

// Every kind of WAV that SDL reads, among them what a phone or Audacity records (44.1 and
// 48 kHz stereo, 16 and 24 bits), made by tools/make_wav_corpus.sh: each is heard whole, as
// the 1 kHz tone it holds.
TEST_F(SoundPlayerTest, EveryKindOfWavPlaysAsTheToneItHolds) {
  const fs::path corpus = fs::path(WORDMEADOW_SOURCE_DIR) / "tests/fuzz/corpus/wav_decode";
  int files = 0;
  for (const auto& entry : fs::directory_iterator(corpus)) {
    ++files;
    const std::string name = entry.path().filename().string();
    const auto bytes = player.decode(entry.path().string());
    std::vector<Sint16> mono(bytes.size() / 2);
    std::memcpy(mono.data(), bytes.data(), mono.size() * 2);
    EXPECT_NEAR(static_cast<double>(mono.size()), 0.03 * 22050, 0.03 * 22050 * 0.05) << name;
    int rising = 0;
    for (std::size_t i = 1; i < mono.size(); ++i) rising += mono[i - 1] < 0 && mono[i] >= 0;
    EXPECT_NEAR(rising, 30, 2) << name;  // 30 ms of 1 kHz
  }
  EXPECT_GE(files, 14);
}

TEST_F(SoundPlayerTest, BrokenRecordingsGiveNothingToPlaySoTheAlertSounds) {
  const std::string good = wavBytes(2000);
  // 16 KB of sound at 1 Hz would take 690 MB at the device's rate.
  std::string slow = wavBytes(8000);
  slow.replace(24, 8, std::string{1, 0, 0, 0, 2, 0, 0, 0});
  EXPECT_TRUE(player.decode(write("slow.wav", slow)).empty());
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
  player.play({folder.path() + "/B.wav"});
  player.play({folder.path() + "/C.wav"});
}

// A sound is offered from the user's voice folder first: their recording plays when it can, and
// the program's own when theirs is missing or broken; only when neither plays is it the alert.
TEST_F(SoundPlayerTest, TheFirstRecordingOfferedThatPlaysIsTheOneHeard) {
  const std::string own = write("own.wav", wavBytes(1000));
  const std::string broken = write("broken.wav", wavBytes(1000).substr(0, 60));
  const std::string program = write("program.wav", wavBytes(3000));
  const std::string missing = folder.path() + "/missing.wav";
  auto frames = [&](const std::vector<std::string>& paths) {
    return player.decodeFirst(paths).size() / deviceBytesPerFrame();
  };
  EXPECT_NEAR(static_cast<double>(frames({own, program})), 1000, 2);
  EXPECT_NEAR(static_cast<double>(frames({broken, program})), 3000, 2);
  EXPECT_NEAR(static_cast<double>(frames({missing, program})), 3000, 2);
  EXPECT_EQ(frames({broken, missing}), 0u);
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
  player.play({path});
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
  ::testing::internal::CaptureStderr();
  player.play({"/nowhere/A.wav"});  // nothing happens, nothing breaks
  player.device().settle();
  ::testing::internal::GetCapturedStderr();
  EXPECT_FALSE(player.device().isOpen());
  setenv("SDL_AUDIODRIVER", "dummy", 1);
}

// The device's life, on the dummy driver, with an idle spell and a retry spacing of nothing so
// that nothing has to be waited for.
class SoundDeviceTest : public ::testing::Test {
 protected:
  void SetUp() override { setenv("SDL_AUDIODRIVER", "dummy", 1); }
  void TearDown() override {
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    unsetenv("SDL_DISKAUDIOFILE");
  }
  static AudioDevice::Timing quick() {
    using std::chrono::milliseconds;
    return {milliseconds(0), milliseconds(0), std::chrono::hours(1)};
  }
  // Plays a sound and waits for the device to have opened, or to have failed to.
  void play(SoundPlayer& player) {
    player.play({sound});
    player.device().settle();
  }
  // Serves the player as the event loop does until it asks for nothing more.
  static void serveUntilIdle(SoundPlayer& player) {
    for (int ms, round = 0; (ms = player.msUntilDue()) >= 0; ++round) {
      ASSERT_LT(round, 1000) << "the device never fell idle";
      SDL_Delay(static_cast<Uint32>(ms));
      player.due();
      player.device().settle();
    }
  }
  TempFolder folder;
  const std::string sound = [this] {
    folder.touch("A.wav", wavBytes(441));  // 20 ms
    return folder.path() + "/A.wav";
  }();
};

TEST_F(SoundDeviceTest, OpensOnRequestClosesWhenIdleAndOpensAgain) {
  SoundPlayer player(quick());
  EXPECT_FALSE(player.device().isOpen());  // nothing is opened before a sound is asked for
  EXPECT_LT(player.msUntilDue(), 0);
  play(player);
  EXPECT_TRUE(player.device().isOpen());
  EXPECT_GE(player.msUntilDue(), 0);
  serveUntilIdle(player);
  EXPECT_FALSE(player.device().isOpen());
  play(player);
  EXPECT_TRUE(player.device().isOpen());
}

TEST_F(SoundDeviceTest, ARemovedDeviceCountsAsClosedAndTheNextSoundOpensAnother) {
  SoundPlayer player(quick());
  play(player);
  ASSERT_TRUE(player.device().isOpen());
  SDL_Event removed{};
  removed.type = SDL_AUDIODEVICEREMOVED;
  removed.adevice.which = player.device().id() + 1;  // another device: nothing to do with us
  player.handleEvent(removed);
  player.device().settle();
  EXPECT_TRUE(player.device().isOpen());
  removed.adevice.which = player.device().id();
  player.handleEvent(removed);
  EXPECT_FALSE(player.device().isOpen());
  player.device().settle();
  EXPECT_LT(player.msUntilDue(), 0);
  play(player);
  EXPECT_TRUE(player.device().isOpen());
}

TEST_F(SoundDeviceTest, NoSoundIsSaidOnceForEachSpellWithoutADevice) {
  SoundPlayer player(quick());
  ::testing::internal::CaptureStderr();
  setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
  for (int i = 0; i < 3; ++i) play(player);  // each tries again, and says nothing new
  EXPECT_FALSE(player.device().isOpen());
  setenv("SDL_AUDIODRIVER", "dummy", 1);
  play(player);
  EXPECT_TRUE(player.device().isOpen());
  player.device().release();
  player.device().settle();
  setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
  for (int i = 0; i < 3; ++i) play(player);
  const std::string said = ::testing::internal::GetCapturedStderr();
  EXPECT_EQ(said,
            "wordmeadow: no sound (Audio target 'no-such-driver' not available); running "
            "silently\n"
            "wordmeadow: no sound (Audio target 'no-such-driver' not available); running "
            "silently\n");
}

TEST_F(SoundDeviceTest, WithoutADeviceItTriesAgainOnlyAfterTheRetrySpacing) {
  AudioDevice::Timing timing = quick();
  timing.retrySpacing = std::chrono::hours(1);
  SoundPlayer player(timing);
  setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
  ::testing::internal::CaptureStderr();
  play(player);
  ::testing::internal::GetCapturedStderr();
  setenv("SDL_AUDIODRIVER", "dummy", 1);
  play(player);  // within the spacing: not tried, though it would open now
  EXPECT_FALSE(player.device().isOpen());
}

// A device whose sound server stops answering: SDL's disk driver writes into a pipe that
// nobody empties, so its audio thread waits in the write, takes nothing more from its queue,
// and closing waits for that thread. Whether the device is let go (its idle spell is over) or
// seen to take nothing for stuckAfter when sounds are asked for, its closing is given up on,
// the next sound opens another and is heard, and the closing left behind ends by itself once
// the pipe is emptied.
TEST_F(SoundDeviceTest, ADeviceThatHangsIsLeftAndTheNextSoundOpensAnother) {
  folder.touch("B.wav", wavBytes(4410, 1, 53));  // 200 ms: more than one period
  folder.touch("long.wav", wavBytes(22050));     // 1 s: more than the pipe holds
  const std::string b = folder.path() + "/B.wav";
  for (const bool letGo : {true, false}) {
    SCOPED_TRACE(letGo ? "let go" : "taking nothing");
    const std::string pipe = folder.path() + (letGo ? "/let-go.raw" : "/stuck.raw");
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    const int reader = open(pipe.c_str(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(reader, 0);
    const int pipeBytes = fcntl(reader, F_SETPIPE_SZ, 4096);
    setenv("SDL_AUDIODRIVER", "disk", 1);
    setenv("SDL_DISKAUDIOFILE", pipe.c_str(), 1);
    AudioDevice::Timing timing = quick();
    timing.closeWait = std::chrono::milliseconds(100);
    timing.stuckAfter = std::chrono::milliseconds(300);

    std::mutex heardMutex;
    std::string heard;
    std::atomic<bool> draining = false;
    std::atomic<bool> done = false;
    std::thread drain([&] {
      char buffer[4096];
      while (!done) {
        const ssize_t got = draining ? read(reader, buffer, sizeof buffer) : 0;
        if (got > 0) {
          std::lock_guard lock(heardMutex);
          heard.append(buffer, static_cast<std::size_t>(got));
        } else {
          std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
      }
    });
    {
      SoundPlayer player(timing);
      player.play({folder.path() + "/long.wav"});
      player.device().settle();
      ASSERT_TRUE(player.device().isOpen());
      // Once the pipe is full, the device's thread waits in its write.
      int queued = 0;
      for (int round = 0; round < 500 && queued < pipeBytes; ++round) {
        SDL_Delay(10);
        ioctl(reader, FIONREAD, &queued);
      }
      ASSERT_EQ(queued, pipeBytes);
      SDL_Delay(200);  // and with the next period taken, it waits in that write
      if (letGo) {
        player.device().release();
        player.device().settle();  // no longer than the wait for the closing
        EXPECT_FALSE(player.device().isOpen());
      } else {
        // A click: its sound waits behind the stuck ones; a second click a moment later finds
        // that the device has taken nothing since.
        player.play({b});
        player.device().settle();
        SDL_Delay(400);
        EXPECT_TRUE(abandonedClosesEnded(std::chrono::steady_clock::now()));
      }
      player.play({b});
      player.device().settle();
      EXPECT_FALSE(abandonedClosesEnded(std::chrono::steady_clock::now()));
      EXPECT_TRUE(player.device().isOpen());
      draining = true;
      // B's first samples (53, 106, 159, 212) come out of the pipe.
      const std::string bSamples = wavBytes(5, 1, 53).substr(46);
      bool found = false;
      for (int round = 0; round < 500 && !found; ++round) {
        SDL_Delay(10);
        std::lock_guard lock(heardMutex);
        found = heard.find(bSamples) != std::string::npos;
      }
      EXPECT_TRUE(found) << "the sound after the hung device was not heard";
      EXPECT_TRUE(abandonedClosesEnded(std::chrono::steady_clock::now() + std::chrono::seconds(5)));
      EXPECT_TRUE(player.device().releaseBeforeLeaving());
    }
    done = true;
    drain.join();
    close(reader);
  }
}

// The microphone on the dummy driver, which hears silence: unplugged in the middle of a take
// (SDL reports it removed, or only its stopping shows), the take ends with the reason, and the next
// take opens it again and hears it.
TEST_F(SoundDeviceTest, AMicrophoneUnpluggedInATakeEndsItAndTheNextTakeOpensItAgain) {
  struct Listener : Capture::Listener {
    void captured(std::span<const std::int16_t> samples) override { heard += samples.size(); }
    void failed(const std::string& reason) override { why = reason; }
    std::size_t heard = 0;
    std::string why;
  };
  AudioCapture microphone;
  Listener listener;
  auto serveFor = [&](int ms) {
    for (int waited = 0; waited < ms; waited += 20) {
      SDL_Delay(20);
      if (microphone.msUntilDue() >= 0) microphone.due();
    }
  };
  auto takeUntilHeard = [&] {
    listener.heard = 0;
    microphone.start(listener);
    microphone.settle();
    ASSERT_TRUE(microphone.isOpen());
    serveFor(200);
    EXPECT_GT(listener.heard, 0u);
  };
  microphone.prepare();
  takeUntilHeard();
  SDL_Event removed{};
  removed.type = SDL_AUDIODEVICEREMOVED;
  removed.adevice.iscapture = 1;
  removed.adevice.which = microphone.id() + 1;  // another microphone
  microphone.handleEvent(removed);
  EXPECT_TRUE(microphone.isOpen());
  removed.adevice.which = microphone.id();
  microphone.handleEvent(removed);
  EXPECT_FALSE(microphone.isOpen());
  EXPECT_EQ(microphone.msUntilDue(), 0);  // the take's end is told at once
  microphone.due();
  EXPECT_NE(listener.why.find("The microphone stopped"), std::string::npos) << listener.why;
  microphone.settle();
  EXPECT_FALSE(microphone.isOpen());
  EXPECT_LT(microphone.msUntilDue(), 0);

  takeUntilHeard();
  // Only its status shows it, as for a stream that the sound server ended: SDL counts a device
  // it no longer has as stopped.
  listener.why.clear();
  SDL_CloseAudioDevice(microphone.id());
  serveFor(60);
  EXPECT_NE(listener.why.find("The microphone stopped"), std::string::npos) << listener.why;
  microphone.settle();
  EXPECT_FALSE(microphone.isOpen());
  microphone.stop();
  microphone.release();
}

}  // namespace
}  // namespace wordmeadow

// The user's own voice: where it lies, that every sound the program plays offers it first, and
// how a take from the microphone is made to sound like the program's recordings and saved.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <numbers>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "program_fixture.h"
#include "shell/files.h"
#include "shell/paths.h"
#include "shell/voice_folder.h"
#include "shell/wav_file.h"
#include "temp_folder.h"
#include "voice/take.h"
#include "voice/voice_file.h"
#include "voice/voice_sounds.h"
#include "voice/voices_window.h"

namespace wordmeadow {
namespace {

using testing::ProgramTest;
using Strings = std::vector<std::string>;

TEST(VoiceFolder, FollowsTheXdgDataHomeOrTheHomeAndAppData) {
  EXPECT_EQ(xdgVoiceFolder("/data/me/", "/home/me"), "/data/me/wordmeadow/voice");
  EXPECT_EQ(xdgVoiceFolder(nullptr, "/home/me"), "/home/me/.local/share/wordmeadow/voice");
  // Relative or empty is not a data home.
  EXPECT_EQ(xdgVoiceFolder("data", "/home/me/"), "/home/me/.local/share/wordmeadow/voice");
  EXPECT_EQ(xdgVoiceFolder("", "/"), "/.local/share/wordmeadow/voice");
  EXPECT_EQ(xdgVoiceFolder(nullptr, nullptr), "");
  EXPECT_EQ(windowsVoiceFolder("C:\\Users\\Me\\AppData\\Roaming"),
            "C:\\Users\\Me\\AppData\\Roaming\\Wordmeadow\\voice");
  EXPECT_EQ(windowsVoiceFolder(""), "");
}

// Every sound of the menu and the activities offers the voice folder's file of the same name
// first and the application folder's second; the letters asked still come from the application
// folder's listing alone.
TEST_F(ProgramTest, EverySoundOffersTheUsersRecordingBeforeTheProgramsOwn) {
  platform.voice = "/voice";
  useLetters(alphabet());
  startProgram(windows);
  clickOn("Main", "Image2");  // Letter Recognition
  const RecWindow* letters = rec();
  ASSERT_NE(letters, nullptr);
  const std::string asked = letters->game().Text1().substr(0, 1);
  clickOn("rec", asked == "A" ? "B" : "A");
  clickOn("rec", asked);
  clickOn("Main", "Image4");  // Beginning Sounds
  clickOn("Main", "Image6");  // Matching Letters
  clickOn("match", "Card0");

  const std::string sep(1, kPathSeparator);
  int sounds = 0;
  for (const std::string_view line : platform.log) {
    if (!line.starts_with("sound ")) continue;
    ++sounds;
    const auto either = line.find(" or ");
    ASSERT_NE(either, std::string_view::npos) << line;
    const std::string_view voice = line.substr(6, either - 6);
    const std::string_view app = line.substr(either + 4);
    ASSERT_TRUE(voice.starts_with("/voice" + sep)) << line;
    ASSERT_TRUE(app.starts_with("/app" + sep)) << line;
    EXPECT_EQ(voice.substr(7), app.substr(5)) << line;
  }
  const Strings heard = platform.sounds();
  EXPECT_EQ(sounds, 7) << ::testing::PrintToString(heard);
  EXPECT_EQ(heard.front(), "Welcome.wav");
  EXPECT_EQ(heard[2], "TryAgain.WAV");
  EXPECT_EQ(heard[5].rfind("words" + sep, 0), 0u);
  EXPECT_EQ(letters->game().List1().size(), 24u);  // 26 listed, two asked
}

constexpr std::uint32_t kRate = 22050;

// Room noise at about -50 dBFS, then a tone burst that starts at full strength on its first
// sample, then room noise again.
struct ToneBurst {
  std::vector<std::int16_t> samples;
  std::size_t onset = 0;
  std::size_t length = 0;

  ToneBurst(double noiseSeconds, double toneSeconds, double amplitude) {
    std::mt19937 random(7);
    std::normal_distribution<double> noise(0.0, 100.0);
    auto addNoise = [&](double seconds) {
      for (auto n = static_cast<int>(seconds * kRate); n > 0; --n) {
        samples.push_back(static_cast<std::int16_t>(noise(random)));
      }
    };
    addNoise(noiseSeconds);
    onset = samples.size();
    length = static_cast<std::size_t>(toneSeconds * kRate);
    for (std::size_t i = 0; i < length; ++i) {
      const double phase = 2 * std::numbers::pi * 440.0 * static_cast<double>(i) / kRate;
      samples.push_back(static_cast<std::int16_t>(amplitude * std::cos(phase) + noise(random)));
    }
    addNoise(noiseSeconds);
  }
};

double dbfs(std::span<const std::int16_t> samples) {
  double sum = 0;
  for (const std::int16_t s : samples) sum += static_cast<double>(s) * s;
  return 10 * std::log10(sum / static_cast<double>(samples.size()) / (32768.0 * 32768.0));
}

// Fed as the microphone gives it, in pieces.
Take takeOf(const std::vector<std::int16_t>& samples) {
  Take take(kRate);
  for (std::size_t at = 0; at < samples.size(); at += 700) {
    take.add(std::span(samples).subspan(at, std::min<std::size_t>(700, samples.size() - at)));
  }
  return take;
}

// Also when the microphone gave digital silence while it started up: that is no noise floor.
// And when it gives nothing but digital silence until someone speaks, as one with a noise gate
// does: the speech is not the floor either.
TEST(TakeProcessing, TrimsToTheSpeechKeepingTheOnsetAndSetsTheShippedLevel) {
  enum class Microphone { Noisy, StartsSilent, Gated };
  for (const auto& [amplitude, microphone] :
       {std::pair{1500.0, Microphone::Noisy}, std::pair{4000.0, Microphone::Noisy},
        std::pair{30000.0, Microphone::Noisy}, std::pair{4000.0, Microphone::StartsSilent},
        std::pair{3000.0, Microphone::Gated}}) {
    ToneBurst burst(0.6, 0.5, amplitude);
    if (microphone == Microphone::StartsSilent) {
      burst.samples.insert(burst.samples.begin(), kRate * 3 / 10, 0);
      burst.onset += kRate * 3 / 10;
    }
    if (microphone == Microphone::Gated) {
      std::fill(burst.samples.begin(), burst.samples.begin() + static_cast<long>(burst.onset), 0);
      std::fill(burst.samples.begin() + static_cast<long>(burst.onset + burst.length),
                burst.samples.end(), 0);
    }
    const Take take = takeOf(burst.samples);
    EXPECT_TRUE(take.heardSpeech());
    const FinishedTake finished = finishTake(take);
    ASSERT_FALSE(finished.heardNothing) << amplitude;
    const auto& out = finished.samples;
    // The onset is the first sample far above the noise: the tone's first peak.
    const auto onset = static_cast<std::size_t>(
        std::find_if(out.begin(), out.end(), [](std::int16_t s) { return std::abs(s) > 5000; }) -
        out.begin());
    EXPECT_LE(onset, kRate / 10) << amplitude;       // at most 100 ms before it
    EXPECT_GE(onset, kRate * 7 / 100) << amplitude;  // about 80 ms
    // The whole tone is kept, and at most 150 ms (and a block) after it.
    ASSERT_GE(out.size(), onset + burst.length) << amplitude;
    EXPECT_LE(out.size() - onset - burst.length, kRate * 16 / 100) << amplitude;
    const auto tone = std::span(out).subspan(onset, burst.length);
    EXPECT_NEAR(dbfs(tone), kSpeechRmsDbfs, 1.0) << amplitude;
  }
}

TEST(TakeProcessing, APeakAboveTheSpeechIsHeldBelowOneDecibelUnderFullScale) {
  ToneBurst burst(0.6, 0.5, 3000);
  burst.samples[burst.onset + 2000] = 32000;  // a knock on the table amid quiet speech
  const FinishedTake finished = finishTake(takeOf(burst.samples));
  ASSERT_FALSE(finished.heardNothing);
  int peak = 0;
  for (const std::int16_t s : finished.samples) peak = std::max(peak, std::abs(int{s}));
  EXPECT_LE(20 * std::log10(peak / 32768.0), kPeakDbfs + 0.01);
  EXPECT_GT(20 * std::log10(peak / 32768.0), kPeakDbfs - 0.1);
}

TEST(TakeProcessing, SilenceNoiseAndAClickAloneAreNothingHeard) {
  EXPECT_TRUE(finishTake(takeOf(std::vector<std::int16_t>(kRate * 2, 0))).heardNothing);
  EXPECT_TRUE(finishTake(Take(kRate)).heardNothing);
  std::vector<std::int16_t> noise = ToneBurst(1.0, 0.0, 0).samples;
  EXPECT_TRUE(finishTake(takeOf(noise)).heardNothing);
  for (int i = 0; i < 60; ++i) noise[kRate / 2 + static_cast<std::size_t>(i)] = 20000;
  const Take clicked = takeOf(noise);  // the mouse button, heard by the microphone
  EXPECT_FALSE(clicked.heardSpeech());
  EXPECT_TRUE(finishTake(clicked).heardNothing);
}

TEST(TakeProcessing, SpeechBegunBeforeTheTakeIsStillHeard) {
  ToneBurst burst(0.8, 0.5, 4000);
  burst.samples.erase(burst.samples.begin(),
                      burst.samples.begin() + static_cast<long>(burst.onset + 1000));
  const FinishedTake finished = finishTake(takeOf(burst.samples));
  ASSERT_FALSE(finished.heardNothing);
  EXPECT_NEAR(dbfs(std::span(finished.samples).first(kRate / 5)), kSpeechRmsDbfs, 1.0);
}

TEST(TakeProcessing, TheQuietAfterSpeechIsCountedForStoppingTheTake) {
  const ToneBurst burst(2.0, 0.5, 4000);
  Take take(kRate);
  take.add(std::span(burst.samples).first(burst.onset + burst.length / 2));
  EXPECT_TRUE(take.heardSpeech());
  EXPECT_DOUBLE_EQ(take.quietAfterSpeech(), 0.0);
  EXPECT_GT(take.meterLevel(), 0.5);
  take.add(std::span(burst.samples).subspan(burst.onset + burst.length / 2));
  EXPECT_NEAR(take.quietAfterSpeech(), 2.0, 0.02);
  EXPECT_LT(take.meterLevel(), 0.3);
}

TEST(TakeFile, IsAPcmMonoWavWhoseHeaderMatchesItsDataAndIsNeverLeftHalfWritten) {
  const std::vector<std::int16_t> samples{0, 1, -1, 32767, -32768, 1234};
  const std::vector<std::uint8_t> bytes = encodeWav(samples, kRate);
  ASSERT_EQ(bytes.size(), 44 + 2 * samples.size());
  const auto riffSize = bytes[4] | bytes[5] << 8 | bytes[6] << 16 | bytes[7] << 24;
  EXPECT_EQ(static_cast<std::size_t>(riffSize), bytes.size() - 8);
  const auto info = readWavInfo(bytes.data(), bytes.size());
  ASSERT_TRUE(info);
  EXPECT_EQ(info->formatTag, 1);
  EXPECT_EQ(info->channels, 1);
  EXPECT_EQ(info->bitsPerSample, 16);
  EXPECT_EQ(info->rate, kRate);
  EXPECT_EQ(info->dataOffset, 44u);
  EXPECT_EQ(info->dataBytes, 2 * samples.size());
  std::uint32_t rate = 0;
  EXPECT_EQ(decodePcm16Mono(bytes.data(), bytes.size(), &rate), samples);
  EXPECT_EQ(rate, kRate);

  // Written into folders that do not exist yet; a failed write leaves the old file whole.
  const testing::TempFolder folder;
  const std::string path = joinPath(joinPath(folder.path(), "words"), "apple.wav");
  ASSERT_TRUE(replaceFileWhole(path, bytes));
  EXPECT_EQ(readWholeFile(path, 1000), bytes);
  std::filesystem::create_directory(path + ".part");  // the temporary file's name is taken
  EXPECT_FALSE(replaceFileWhole(path, encodeWav(std::vector<std::int16_t>(50, 7), kRate)));
  EXPECT_EQ(readWholeFile(path, 1000), bytes);
}

// The recorder, used as a grown-up would: choose a sound, record it, hear it, keep it; a take of
// silence, a refused microphone, the longest take, and going back to the program's voice.
class RecorderTest : public ProgramTest {
 protected:
  testing::TempFolder home;

  RecorderTest() {
    platform.voice = joinPath(home.path(), "voice");
    startRecorder(windows);
  }
  VoicesWindow& recorder() const { return *dynamic_cast<VoicesWindow*>(windows.find("voices")); }
  std::size_t indexOf(const std::string& name) const {
    const auto& sounds = voiceSounds();
    for (std::size_t k = 0; k < sounds.size(); ++k) {
      if (sounds[k].name == name) return k;
    }
    ADD_FAILURE() << name << " is not in the list";
    return 0;
  }
  void choose(const std::string& name) { clickOn("voices", VoicesWindow::cellName(indexOf(name))); }
  std::string cellPicture(const std::string& name) const {
    return recorder().element("CellBack" + std::to_string(indexOf(name))).content;
  }
  std::string message() const { return recorder().element("Message").content; }
  std::string own(const std::string& fileName) const {
    const auto bytes = readWholeFile(joinPath(platform.voice, fileName), 1u << 24);
    return std::string(bytes.begin(), bytes.end());
  }
  int meterStepsLit() const {
    int lit = 0;
    for (int k = 0; k < VoicesWindow::kMeterSteps; ++k) {
      lit += recorder().isVisible("Step" + std::to_string(k));
    }
    return lit;
  }
};

TEST_F(RecorderTest, ListsEverySoundAndRecordsHearsAndKeepsOneThenTheNextIsChosen) {
  EXPECT_EQ(platform.log, (Strings{"microphone prepare", "display voices"}));
  EXPECT_EQ(voiceSounds().size(), 4u + 26u + 24u);
  EXPECT_EQ(voiceSounds().front().fileName, "Welcome.wav");
  EXPECT_EQ(cellPicture("Welcome"), "voice_cell_selected");
  EXPECT_EQ(cellPicture("apple"), "voice_cell");
  choose("apple");
  EXPECT_EQ(recorder().element("Picture").content, "word_apple");
  choose("A");
  EXPECT_EQ(recorder().element("Picture").content, "tile_A");
  EXPECT_EQ(cellPicture("A"), "voice_cell_selected");
  EXPECT_EQ(cellPicture("apple"), "voice_cell");
  EXPECT_FALSE(recorder().isVisible("UseProgramsVoice"));

  platform.clearLog();
  clickOn("voices", "Record");
  EXPECT_EQ(platform.log, Strings{"microphone start"});
  EXPECT_TRUE(recorder().isVisible("Stop"));
  EXPECT_FALSE(recorder().isVisible("Record"));
  // Speech, then quiet: the meter moves while it speaks, and 1.5 s of quiet end the take.
  const ToneBurst burst(0.5, 0.5, 4000);
  const auto middle = burst.samples.begin() + static_cast<long>(burst.onset + burst.length / 2);
  platform.mic.hear(std::vector(burst.samples.begin(), middle));
  EXPECT_GT(meterStepsLit(), 10);
  platform.mic.hear(std::vector(middle, burst.samples.end()));
  EXPECT_EQ(recorder().state(), VoicesWindow::State::Recording);
  platform.mic.hear(std::vector<std::int16_t>(kRate * 11 / 10, 0));  // 1.6 s after the tone
  EXPECT_EQ(recorder().state(), VoicesWindow::State::HearingBack);
  const std::string take = joinPath(platform.voice, ".take.wav");
  EXPECT_EQ(platform.log, (Strings{"microphone start", "microphone stop", "sound " + take}));
  EXPECT_TRUE(recorder().isVisible("Keep"));
  EXPECT_TRUE(recorder().isVisible("RecordAgain"));

  clickOn("voices", "Keep");
  const std::string kept = own("A.wav");
  const auto info = readWavInfo(reinterpret_cast<const std::uint8_t*>(kept.data()), kept.size());
  ASSERT_TRUE(info);
  EXPECT_EQ(info->channels, 1);
  EXPECT_EQ(info->bitsPerSample, 16);
  EXPECT_EQ(cellPicture("A"), "voice_cell_own");
  EXPECT_EQ(cellPicture("B"), "voice_cell_selected");
  EXPECT_EQ(recorder().element("SoundName").content, "B");
  EXPECT_FALSE(std::filesystem::exists(take));

  // Hear It on A offers the recording just kept first.
  choose("A");
  platform.clearLog();
  clickOn("voices", "Hear");
  EXPECT_EQ(platform.log, Strings{"sound " + joinPath(platform.voice, "A.wav") + " or " +
                                  joinPath("/app", "A.wav")});

  // A take of silence saves nothing and keeps the old recording.
  clickOn("voices", "Record");
  platform.mic.hear(std::vector<std::int16_t>(kRate, 0));
  clickOn("voices", "Stop");
  EXPECT_EQ(message(), "I heard nothing. Is the microphone on?");
  EXPECT_EQ(recorder().state(), VoicesWindow::State::Choosing);
  EXPECT_EQ(own("A.wav"), kept);

  // Back to the program's voice.
  ASSERT_TRUE(recorder().isVisible("UseProgramsVoice"));
  clickOn("voices", "UseProgramsVoice");
  EXPECT_EQ(own("A.wav"), "");
  EXPECT_EQ(cellPicture("A"), "voice_cell_selected");
  EXPECT_FALSE(recorder().isVisible("UseProgramsVoice"));

  clickOn("voices", "Record");
  platform.mic.hear(std::vector<std::int16_t>(kRate * 10, 0));  // never speaks
  EXPECT_EQ(recorder().state(), VoicesWindow::State::Choosing);
  EXPECT_EQ(message(), "I heard nothing. Is the microphone on?");
}

// The whole voice to a file and back, as a grown-up moves it to another computer: saved, one
// recording removed, loaded, and it is back; a bad file, a cancelled dialog, a missing one, a
// dropped file, and an answer that comes after the window has closed.
TEST_F(RecorderTest, SavesTheVoiceToAFileAndLoadsItBack) {
  const std::vector<std::uint8_t> wav = encodeWav(std::vector<std::int16_t>(2205, 900), kRate);
  ASSERT_TRUE(replaceFileWhole(joinPath(platform.voice, "A.wav"), wav));
  ASSERT_TRUE(replaceFileWhole(joinPath(joinPath(platform.voice, "words"), "apple.wav"), wav));
  windows.closeByFrame("voices");
  windows.releaseUnloaded();
  startRecorder(windows);
  EXPECT_EQ(cellPicture("A"), "voice_cell_own");
  const std::string file = joinPath(home.path(), "my voice.zip");

  platform.clearLog();
  clickOn("voices", "SaveVoice");
  clickOn("voices", "SaveVoice");  // one dialog at a time
  EXPECT_EQ(platform.log, Strings{"dialog save wordmeadow-voice.zip"});
  platform.dialogs.choose(file);
  EXPECT_EQ(message(), "Saved 2 recordings.");
  EXPECT_EQ(platform.log.back(), "saved " + file);
  const std::vector<std::uint8_t> zip = readWholeFile(file, 1u << 24);
  const VoiceZipContents saved = readVoiceZip(zip.data(), zip.size());
  ASSERT_EQ(saved.problem, "");
  ASSERT_EQ(saved.entries.size(), 2u);
  EXPECT_EQ(saved.entries[0].name, "A.wav");
  EXPECT_EQ(saved.entries[1].name, "words/apple.wav");

  choose("A");
  clickOn("voices", "UseProgramsVoice");
  EXPECT_EQ(cellPicture("A"), "voice_cell_selected");
  platform.clearLog();
  clickOn("voices", "LoadVoice");
  EXPECT_EQ(platform.log, Strings{"dialog open"});
  platform.dialogs.choose(file);
  EXPECT_EQ(message(), "Loaded 2 recordings.");
  EXPECT_EQ(own("A.wav"), std::string(wav.begin(), wav.end()));
  EXPECT_EQ(cellPicture("A"), "voice_cell_own_selected");
  EXPECT_EQ(recorder().element("Whose").content, "In your voice.");
  EXPECT_TRUE(recorder().isVisible("UseProgramsVoice"));

  // A file that is no voice file changes nothing and says why.
  clickOn("voices", "UseProgramsVoice");
  const std::string bad = joinPath(home.path(), "notes.zip");
  ASSERT_TRUE(replaceFileWhole(bad, {'n', 'o', 't', 'e', 's'}));
  clickOn("voices", "LoadVoice");
  platform.dialogs.choose(bad);
  EXPECT_NE(message().find("Nothing was changed."), std::string::npos) << message();
  EXPECT_GT(message().size(), std::string_view(" Nothing was changed.").size());
  EXPECT_EQ(cellPicture("A"), "voice_cell_selected");
  EXPECT_EQ(own("A.wav"), "");

  // Cancelled, nothing happens and nothing is said; a dialog that cannot be shown says why.
  clickOn("voices", "LoadVoice");
  platform.dialogs.cancel();
  EXPECT_EQ(message(), "");
  EXPECT_EQ(cellPicture("A"), "voice_cell_selected");
  clickOn("voices", "SaveVoice");
  platform.dialogs.fail("To save or load a voice file, install zenity.");
  EXPECT_EQ(message(), "To save or load a voice file, install zenity.");

  // Not while a take is recorded: the answer that comes then leaves the voice folder alone.
  clickOn("voices", "LoadVoice");
  clickOn("voices", "Record");
  EXPECT_FALSE(recorder().isVisible("SaveVoice"));
  EXPECT_FALSE(recorder().isVisible("LoadVoice"));
  platform.dialogs.choose(file);
  EXPECT_EQ(message(), "Finish the recording first, then load the voice file again.");
  EXPECT_EQ(own("A.wav"), "");
  clickOn("voices", "Stop");
  EXPECT_TRUE(recorder().isVisible("LoadVoice"));

  // A voice file dropped onto the window loads as well.
  windows.fileDropped("voices", file);
  EXPECT_EQ(message(), "Loaded 2 recordings.");
  EXPECT_EQ(cellPicture("A"), "voice_cell_own_selected");

  // The window closes while the dialog is open; its answer then does nothing.
  std::filesystem::remove(file);
  clickOn("voices", "SaveVoice");
  windows.closeByFrame("voices");
  windows.releaseUnloaded();
  platform.dialogs.choose(file);
  EXPECT_FALSE(std::filesystem::exists(file));
  EXPECT_EQ(platform.dialogs.waiting(), 0u);
}

TEST_F(RecorderTest, WithoutAMicrophoneItSaysWhyAndStillPlaysAndRemovesRecordings) {
  platform.mic.refusal = "No microphone was found.";
  choose("Correct!");
  clickOn("voices", "Record");
  EXPECT_EQ(recorder().state(), VoicesWindow::State::Choosing);
  EXPECT_EQ(message(), "No microphone was found. You can still hear and remove recordings.");
  platform.clearLog();
  clickOn("voices", "Hear");
  ASSERT_EQ(platform.sounds(), Strings{"Correct.WAV"});
  windows.closeByFrame("voices");
  windows.releaseUnloaded();
  EXPECT_EQ(platform.log.back(), "microphone release");
}

}  // namespace
}  // namespace wordmeadow

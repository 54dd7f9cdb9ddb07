#include "voice/voices_window.h"

#include <cmath>
#include <filesystem>
#include <string_view>
#include <system_error>

#include "shell/files.h"
#include "shell/paths.h"
#include "shell/sound_cues.h"
#include "shell/wav_file.h"
#include "voice/voice_file.h"
#include "voice/voice_sounds.h"

namespace wordmeadow {
namespace {

namespace fs = std::filesystem;

constexpr int kColumns = 6;
constexpr Rect kButtonRow{336, 290, 136, 41};
constexpr Rect kMeter{336, 392, 202, 20};
// Beside the buttons for one sound, those for the whole voice.
constexpr Rect kVoiceFileRow{488, 290, 136, 41};

constexpr std::string_view kHeardNothing = "I heard nothing. Is the microphone on?";

Rect below(Rect r, int rows) {
  return {r.left, r.top + rows * 48, r.width, r.height};
}

std::string meterStepName(int k) {
  return "Step" + std::to_string(k);
}

}  // namespace

std::string VoicesWindow::cellName(std::size_t k) {
  return "Cell" + std::to_string(k);
}

Rect VoicesWindow::cellRect(std::size_t k) {
  const int i = static_cast<int>(k);
  return {16 + 102 * (i % kColumns), 36 + 27 * (i / kColumns), 98, 24};
}

VoicesWindow::VoicesWindow(Platform& platform, Capture& capture)
    : Window(kId, "Record Your Own Voice", {640, 480}),
      platform_(platform),
      capture_(capture),
      voiceFolder_(platform.voiceFolder()) {
  // Front to back.
  addLabel("Message", {16, 432, 608, 44}, "", 12);
  addPicture("Record", kButtonRow, "voice_record", [this] { record(); });
  addPicture("Stop", kButtonRow, "voice_stop", [this] { stop(); });
  addPicture("Keep", kButtonRow, "voice_keep", [this] { keep(); });
  addPicture("RecordAgain", below(kButtonRow, 1), "voice_record_again", [this] { record(); });
  addPicture("Hear", below(kButtonRow, 1), "voice_hear", [this] { hear(); });
  addPicture("SaveVoice", kVoiceFileRow, "voice_save", [this] { saveVoice(); });
  addPicture("LoadVoice", below(kVoiceFileRow, 1), "voice_load", [this] { loadVoice(); });
  addPicture("UseProgramsVoice", {16, 384, 227, 41}, "voice_use_program",
             [this] { useProgramsVoice(); });
  for (int k = 0; k < kMeterSteps; ++k) {
    addPicture(meterStepName(k), {kMeter.left + 2 + 10 * k, kMeter.top + 3, 8, 14},
               "voice_meter_step");
  }
  addPicture("Meter", kMeter, "voice_meter");
  addLabel("SoundName", {136, 290, 194, 34}, "", 20);
  addLabel("Whose", {136, 326, 194, 50}, "", 12);
  addPicture("Picture", {16, 280, 111, 108}, "");
  const auto& sounds = voiceSounds();
  for (std::size_t k = 0; k < sounds.size(); ++k) {
    const Rect cell = cellRect(k);
    addLabel(cellName(k), {cell.left + 6, cell.top + 3, cell.width - 8, cell.height - 4},
             sounds[k].name, 10, [this, k] { select(k); });
    addPicture("CellBack" + std::to_string(k), cell, "voice_cell", [this, k] { select(k); });
  }
  addLabel("Title", {16, 6, 608, 26},
           "Choose a sound, press Record and say it. Green ones are in your voice.", 12);
}

VoicesWindow::~VoicesWindow() {
  if (state_ == State::Recording) capture_.stop();
  capture_.release();
  dropTake();
}

void VoicesWindow::load() {
  for (std::size_t k = 0; k < voiceSounds().size(); ++k) showCell(k);
  select(0);
  if (voiceFolder_.empty()) {
    setText("Message", "There is no folder for your recordings: the home folder is not known.");
    hide("Record");
  } else {
    capture_.prepare();
  }
}

void VoicesWindow::select(std::size_t k) {
  if (state_ == State::Recording) return;  // Stop first
  const std::size_t before = selected_;
  selected_ = k;
  showCell(before);
  showCell(k);
  const VoiceSound& sound = voiceSounds()[k];
  setText("SoundName", sound.name);
  if (sound.picture.empty()) {
    hide("Picture");
  } else {
    setPicture("Picture", sound.picture);
    show("Picture");
  }
  dropTake();
  setText("Message", "");
  enter(State::Choosing);
}

void VoicesWindow::record() {
  if (voiceFolder_.empty()) return;
  take_ = std::make_unique<Take>(capture_.rate());
  setText("Message", "Say it now.");
  enter(State::Recording);
  capture_.start(*this);  // may fail at once, and end the take
}

void VoicesWindow::captured(std::span<const std::int16_t> samples) {
  if (state_ != State::Recording || !take_) return;
  take_->add(samples);
  showMeter(take_->meterLevel());
  if (take_->seconds() >= kLongestTake ||
      (take_->heardSpeech() && take_->quietAfterSpeech() >= kQuietToStop)) {
    stop();
  }
}

void VoicesWindow::failed(const std::string& why) {
  if (state_ != State::Recording) return;
  take_.reset();
  enter(State::Choosing);
  setText("Message", why + " You can still hear and remove recordings.");
}

void VoicesWindow::stop() {
  if (state_ != State::Recording) return;
  capture_.stop();
  const FinishedTake finished = finishTake(*take_);
  take_.reset();
  if (finished.heardNothing) {
    enter(State::Choosing);
    setText("Message", kHeardNothing);
    return;
  }
  if (!replaceFileWhole(takePath(), encodeWav(finished.samples, capture_.rate()))) {
    enter(State::Choosing);
    setText("Message", "The recording could not be written into " + voiceFolder_ + ".");
    return;
  }
  enter(State::HearingBack);
  setText("Message", "Keep it, or record it again.");
  platform_.playSoundFile({takePath()});
}

void VoicesWindow::keep() {
  if (state_ != State::HearingBack) return;
  std::error_code ec;
  const fs::path own(ownPath(selected_));
  fs::create_directories(own.parent_path(), ec);
  fs::rename(takePath(), own, ec);  // written whole before: the old one stays until this
  if (ec) {
    setText("Message", "The recording could not be kept in " + voiceFolder_ + ".");
    return;
  }
  const std::size_t next = selected_ + 1 < voiceSounds().size() ? selected_ + 1 : selected_;
  showCell(selected_);
  select(next);
  setText("Message", "Kept.");
}

void VoicesWindow::useProgramsVoice() {
  if (state_ != State::Choosing) return;
  std::error_code ec;
  fs::remove(ownPath(selected_), ec);
  if (ec) {
    setText("Message", "Your recording could not be removed from " + voiceFolder_ + ".");
  } else {
    setText("Message", "The program's voice says it again.");
  }
  showCell(selected_);
  enter(state_);
}

void VoicesWindow::hear() {
  if (state_ == State::Choosing) requestCue(platform_, voiceSounds()[selected_].fileName);
}

void VoicesWindow::saveVoice() {
  if (state_ != State::Choosing || asking_) return;
  asking_ = true;
  platform_.fileDialogs().chooseFileToSave(
      "wordmeadow-voice.zip", whenChosen([this](const std::string& path) {
        const VoiceFileResult result = saveVoiceFile(voiceFolder_, path);
        setText("Message", result.message);
        if (result.ok) platform_.fileDialogs().saved(path);
      }));
}

void VoicesWindow::loadVoice() {
  if (state_ != State::Choosing || asking_) return;
  asking_ = true;
  platform_.fileDialogs().chooseFileToOpen(
      whenChosen([this](const std::string& path) { loadVoiceFrom(path); }));
}

void VoicesWindow::fileDropped(const std::string& path) {
  loadVoiceFrom(path);
}

void VoicesWindow::loadVoiceFrom(const std::string& path) {
  if (state_ != State::Choosing) {
    // The take in hand is not to be mixed up with the file's recordings.
    setText("Message", "Finish the recording first, then load the voice file again.");
    return;
  }
  const VoiceFileResult result = loadVoiceFile(path, voiceFolder_);
  for (std::size_t k = 0; k < voiceSounds().size(); ++k) showCell(k);
  enter(state_);
  setText("Message", result.message);
}

FileDialogs::Done VoicesWindow::whenChosen(std::function<void(const std::string& path)> chosen) {
  return [this, alive = std::weak_ptr<int>(alive_),
          chosen = std::move(chosen)](const FileDialogs::Choice& choice) {
    if (alive.expired()) return;
    asking_ = false;
    if (!choice.problem.empty()) {
      setText("Message", choice.problem);
    } else if (choice.path.empty()) {
      setText("Message", "");  // cancelled: what was said before is over
    } else {
      chosen(choice.path);
    }
  };
}

void VoicesWindow::enter(State state) {
  state_ = state;
  const bool choosing = state == State::Choosing;
  const bool hearing = state == State::HearingBack;
  for (const char* name : {"Record", "Hear", "SaveVoice", "LoadVoice"}) {
    if (choosing) {
      show(name);
    } else {
      hide(name);
    }
  }
  if (voiceFolder_.empty()) {
    for (const char* name : {"Record", "SaveVoice", "LoadVoice"}) hide(name);
  }
  if (state == State::Recording) {
    show("Stop");
  } else {
    hide("Stop");
  }
  for (const char* name : {"Keep", "RecordAgain"}) {
    if (hearing) {
      show(name);
    } else {
      hide(name);
    }
  }
  if (choosing && hasOwn(selected_)) {
    show("UseProgramsVoice");
  } else {
    hide("UseProgramsVoice");
  }
  setText("Whose", hasOwn(selected_) ? "In your voice." : "In the program's voice.");
  showMeter(0);
}

void VoicesWindow::showMeter(double level) {
  const auto lit = static_cast<int>(std::lround(level * kMeterSteps));
  for (int k = 0; k < kMeterSteps; ++k) {
    if (k < lit) {
      show(meterStepName(k));
    } else {
      hide(meterStepName(k));
    }
  }
}

void VoicesWindow::showCell(std::size_t k) {
  std::string picture = hasOwn(k) ? "voice_cell_own" : "voice_cell";
  if (k == selected_) picture += "_selected";
  setPicture("CellBack" + std::to_string(k), picture);
}

bool VoicesWindow::hasOwn(std::size_t k) const {
  std::error_code ec;
  return !voiceFolder_.empty() && fs::is_regular_file(ownPath(k), ec);
}

std::string VoicesWindow::ownPath(std::size_t k) const {
  return joinPath(voiceFolder_, voiceSounds()[k].fileName);
}

std::string VoicesWindow::takePath() const {
  // Hidden, and named like none of the program's sounds.
  return joinPath(voiceFolder_, ".take.wav");
}

void VoicesWindow::dropTake() {
  if (voiceFolder_.empty()) return;
  std::error_code ec;
  fs::remove(takePath(), ec);
}

}  // namespace wordmeadow

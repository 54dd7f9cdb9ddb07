#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <span>
#include <string>

#include "shell/capture.h"
#include "shell/file_dialogs.h"
#include "shell/platform.h"
#include "shell/window.h"
#include "voice/take.h"

namespace wordmeadow {

// The recorder, for grown-ups (wordmeadow --voices): every sound the program plays in a list,
// each marked as the program's voice or the user's, and for the one chosen: Record, a level
// meter while it records, Stop, the take heard back at once, then Keep or Record Again; Hear It,
// and "Use the program's voice", which removes theirs. A take stops by itself 1.5 s after the
// speech ends, or at 10 s. What is kept goes into the user's voice folder under the program's
// name for it, from where every activity plays it. "Save my voice to a file" writes every
// recording into one voice file, and "Load a voice from a file" (or a voice file dropped onto the
// window) takes one in, through the platform's file dialogs.
class VoicesWindow : public Window, private Capture::Listener {
 public:
  static constexpr const char* kId = "voices";
  static constexpr double kQuietToStop = 1.5;
  static constexpr double kLongestTake = 10.0;
  static constexpr int kMeterSteps = 20;

  VoicesWindow(Platform& platform, Capture& capture);
  ~VoicesWindow() override;

  void load() override;
  // A voice file dropped onto the window loads as if chosen with "Load a voice from a file".
  void fileDropped(const std::string& path) override;

  enum class State { Choosing, Recording, HearingBack };
  State state() const { return state_; }
  std::size_t selected() const { return selected_; }
  // The element of the list that shows sound k, CellN, and the picture behind it, CellBackN.
  static std::string cellName(std::size_t k);
  static Rect cellRect(std::size_t k);

 private:
  void captured(std::span<const std::int16_t> samples) override;
  void failed(const std::string& why) override;

  void select(std::size_t k);
  void record();
  void stop();
  void keep();
  void useProgramsVoice();
  void hear();
  void saveVoice();
  void loadVoice();
  void loadVoiceFrom(const std::string& path);
  // A dialog's answer, handed to chosen with the path unless the window has gone by then; a
  // problem goes into the message, and cancelling only clears it.
  FileDialogs::Done whenChosen(std::function<void(const std::string& path)> chosen);
  void enter(State state);
  void showMeter(double level);
  void showCell(std::size_t k);
  bool hasOwn(std::size_t k) const;
  std::string ownPath(std::size_t k) const;
  std::string takePath() const;
  void dropTake();

  Platform& platform_;
  Capture& capture_;
  const std::string voiceFolder_;
  State state_ = State::Choosing;
  std::size_t selected_ = 0;
  std::unique_ptr<Take> take_;
  bool asking_ = false;  // a file dialog is open
  // Lives as long as the window: a dialog's answer that comes later finds it expired.
  std::shared_ptr<int> alive_ = std::make_shared<int>(0);
};

}  // namespace wordmeadow

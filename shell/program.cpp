#include "shell/program.h"

#include <memory>

#include "activities/beginning_window.h"
#include "activities/build_window.h"
#include "activities/match_window.h"
#include "letters/rec_window.h"
#include "shell/main_window.h"
#include "voice/voices_window.h"

namespace wordmeadow {

void defineWindows(WindowSystem& windows, Platform& platform) {
  windows.define(MainWindow::kId, [&] { return std::make_unique<MainWindow>(windows, platform); });
  windows.define(RecWindow::kId, [&] { return std::make_unique<RecWindow>(windows, platform); });
  windows.define(BuildWindow::kId, [] { return std::make_unique<BuildWindow>(); });
  windows.define(BeginningWindow::kId,
                 [&] { return std::make_unique<BeginningWindow>(windows, platform); });
  windows.define(MatchWindow::kId,
                 [&] { return std::make_unique<MatchWindow>(windows, platform); });
  windows.define(VoicesWindow::kId,
                 [&] { return std::make_unique<VoicesWindow>(platform, platform.microphone()); });
}

void startProgram(WindowSystem& windows) {
  windows.show(MainWindow::kId);
}

void startRecorder(WindowSystem& windows) {
  windows.show(VoicesWindow::kId);
}

}  // namespace wordmeadow

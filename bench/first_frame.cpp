// first_frame [--settle=SECONDS] IDLE_SECONDS PROGRAM [ARGS...]
// Starts the program and watches it from the X server: the time from exec until the centre of
// its first mapped window shows something other than black, then the CPU the process uses over
// IDLE_SECONDS doing nothing, and its peak resident memory. Prints one line of key=value pairs.
// The idle measurement starts half a second after the first frame, or, with --settle, once the
// process has no SDL audio thread left (a program that lets its sound device go when idle),
// waiting for that at most SECONDS.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <string_view>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;

// CPU used by the whole process, or by its main thread alone.
long cpuTicks(pid_t pid, bool mainThreadOnly = false) {
  const std::string proc = "/proc/" + std::to_string(pid);
  std::ifstream in(mainThreadOnly ? proc + "/task/" + std::to_string(pid) + "/stat"
                                  : proc + "/stat");
  std::string line;
  std::getline(in, line);
  std::istringstream fields(line.substr(line.rfind(')') + 2));
  std::string field;
  long utime = 0, stime = 0;
  for (int i = 3; i <= 15 && fields >> field; ++i) {
    if (i == 14) utime = std::stol(field);
    if (i == 15) stime = std::stol(field);
  }
  return utime + stime;
}

// Whether one of the process's threads is SDL's audio device thread ("SDLAudioP2"...).
bool hasAudioThread(pid_t pid) {
  std::error_code ec;
  const std::filesystem::path tasks = "/proc/" + std::to_string(pid) + "/task";
  for (std::filesystem::directory_iterator it(tasks, ec), end; !ec && it != end; it.increment(ec)) {
    std::string name;
    std::getline(std::ifstream(it->path() / "comm"), name);
    if (std::string_view(name).starts_with("SDLAudio")) return true;
  }
  return false;
}

long peakResidentKb(pid_t pid) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/status");
  for (std::string line; std::getline(in, line);) {
    if (line.rfind("VmHWM:", 0) == 0) return std::stol(line.substr(6));
  }
  return -1;
}

}  // namespace

int main(int argc, char* argv[]) {
  double settleSeconds = 0;
  if (argc > 1 && std::string_view(argv[1]).starts_with("--settle=")) {
    settleSeconds = std::atof(argv[1] + 9);
    ++argv;
    --argc;
  }
  if (argc < 3) {
    std::fprintf(stderr, "usage: first_frame [--settle=SECONDS] IDLE_SECONDS PROGRAM [ARGS...]\n");
    return 2;
  }
  const int idleSeconds = std::atoi(argv[1]);
  Display* display = XOpenDisplay(nullptr);
  if (display == nullptr) return 1;
  const Window root = DefaultRootWindow(display);
  XSelectInput(display, root, SubstructureNotifyMask);
  XSync(display, False);

  const auto start = Clock::now();
  const pid_t pid = fork();
  if (pid == 0) {
    execv(argv[2], argv + 2);
    _exit(127);
  }

  Window mapped = 0;
  while (mapped == 0) {
    XEvent event;
    XNextEvent(display, &event);
    if (event.type == MapNotify && event.xmap.event == root) mapped = event.xmap.window;
  }
  XWindowAttributes attributes;
  XGetWindowAttributes(display, mapped, &attributes);
  for (;;) {
    XImage* pixel = XGetImage(display, mapped, attributes.width / 2, attributes.height / 2, 1, 1,
                              AllPlanes, ZPixmap);
    const unsigned long value = pixel != nullptr ? XGetPixel(pixel, 0, 0) : 0;
    if (pixel != nullptr) XDestroyImage(pixel);
    if (value != 0) break;
    std::this_thread::sleep_for(std::chrono::microseconds(200));
  }
  const double firstFrameMs =
      std::chrono::duration<double, std::milli>(Clock::now() - start).count();

  std::this_thread::sleep_for(std::chrono::milliseconds(500));  // let start-up work settle
  const auto settleEnd = Clock::now() + std::chrono::duration<double>(settleSeconds);
  while (Clock::now() < settleEnd && hasAudioThread(pid)) {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  const double settledMs = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
  const bool audioThread = hasAudioThread(pid);
  const long before = cpuTicks(pid), mainBefore = cpuTicks(pid, true);
  std::this_thread::sleep_for(std::chrono::seconds(idleSeconds));
  const long idleTicks = cpuTicks(pid) - before;
  const long mainIdleTicks = cpuTicks(pid, true) - mainBefore;
  const long peakKb = peakResidentKb(pid);

  kill(pid, SIGTERM);
  int status = 0;
  waitpid(pid, &status, 0);
  XCloseDisplay(display);
  std::printf(
      "first_frame_ms=%.1f idle_from_ms=%.0f audio_thread=%d peak_rss_kb=%ld idle_cpu_ticks=%ld "
      "main_thread_idle_ticks=%ld ticks_per_s=%ld exit=%d\n",
      firstFrameMs, settledMs, audioThread ? 1 : 0, peakKb, idleTicks, mainIdleTicks,
      sysconf(_SC_CLK_TCK), WIFEXITED(status) ? WEXITSTATUS(status) : -1);
  return 0;
}

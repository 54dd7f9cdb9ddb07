#include "shell/win32/win_platform.h"

#include <string>
#include <utility>
#include <vector>

#include "shell/files.h"
#include "shell/voice_folder.h"
#include "shell/wav_file.h"

namespace wordmeadow {
namespace {

std::string runningProgramPath() {
  // GetModuleFileNameA cuts a long path to the buffer and says so only through its result.
  std::vector<char> buffer(MAX_PATH);
  for (;;) {
    const DWORD length =
        GetModuleFileNameA(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (length == 0) return {};
    if (length < buffer.size()) return std::string(buffer.data(), length);
    buffer.resize(buffer.size() * 2);
  }
}

}  // namespace

std::string programFolderOf(const std::string& programPath) {
  const auto cut = programPath.find_last_of("\\/");
  if (cut == std::string::npos) return ".";
  if (cut == 2 && programPath[1] == ':') return programPath.substr(0, 3);  // "C:\"
  if (cut == 0) return programPath.substr(0, 1);
  return programPath.substr(0, cut);
}

std::string FindListing::first(const std::string& pattern) {
  close();
  WIN32_FIND_DATAA data;
  handle_ = FindFirstFileA(pattern.c_str(), &data);
  return nextFrom(handle_ != INVALID_HANDLE_VALUE, data);
}

std::string FindListing::next() {
  if (handle_ == INVALID_HANDLE_VALUE) return {};
  WIN32_FIND_DATAA data;
  return nextFrom(FindNextFileA(handle_, &data) != 0, data);
}

std::string FindListing::nextFrom(bool found, const WIN32_FIND_DATAA& data) {
  constexpr DWORD kSkipped =
      FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
  WIN32_FIND_DATAA entry = data;
  while (found) {
    if ((entry.dwFileAttributes & kSkipped) == 0) return entry.cFileName;
    found = FindNextFileA(handle_, &entry) != 0;
  }
  close();
  return {};
}

void FindListing::close() {
  if (handle_ != INVALID_HANDLE_VALUE) FindClose(handle_);
  handle_ = INVALID_HANDLE_VALUE;
}

PlayableSound firstPlayable(const std::vector<std::string>& paths) {
  // PlaySound plays asynchronously and tells nothing of a file it could not play, so a file is
  // judged beforehand: a RIFF/WAVE file whose chunks are whole, in PCM or another format the
  // system's codecs may take.
  constexpr std::uintmax_t kMaxBytes = 32u << 20;
  for (const std::string& path : paths) {
    std::vector<std::uint8_t> bytes = readWholeFile(path, kMaxBytes);
    if (readWavInfo(bytes.data(), bytes.size())) return {path, std::move(bytes)};
  }
  return {paths.empty() ? std::string() : paths.back(), {}};
}

WinPlatform::WinPlatform(WinScreen& screen)
    : PlatformBase(programFolderOf(runningProgramPath()), userVoiceFolder()), screen_(screen) {}

WinPlatform::~WinPlatform() {
  // The sound playing reads from playing_. And a process that ends while it plays may crash
  // (under Wine's PulseAudio driver it now and then does, as it frees the playing stream).
  PlaySoundA(nullptr, nullptr, 0);
}

void WinPlatform::playSoundFile(const std::vector<std::string>& paths) {
  PlayableSound sound = firstPlayable(paths);
  // Played from memory: PlaySound keeps a file it plays open, and Windows then lets no one
  // rename or remove it (a take kept while it is heard back). Asynchronous, so it cuts off
  // whatever plays; that is stopped first, as it may still read the bytes replaced here.
  PlaySoundA(nullptr, nullptr, 0);
  playing_ = std::move(sound.bytes);
  const DWORD flags = playing_.empty() ? SND_FILENAME | SND_ASYNC : SND_MEMORY | SND_ASYNC;
  // For a debugger (and the tests): which file is played, as memory does not say.
  OutputDebugStringA(("PlaySound " + std::to_string(flags) + " " + sound.path + "\n").c_str());
  // Without SND_NODEFAULT a file that cannot be played gives the system's default sound, which
  // is the alert the program wants then.
  const char* played =
      playing_.empty() ? sound.path.c_str() : reinterpret_cast<const char*>(playing_.data());
  PlaySoundA(played, nullptr, flags);
}

void WinPlatform::openWithShell(const Window& owner, const std::string& address) {
  // The result is not looked at: without a browser the child simply leaves the program.
  ShellExecuteA(screen_.handleOf(owner), "open", address.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

}  // namespace wordmeadow

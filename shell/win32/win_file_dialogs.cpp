#include "shell/win32/win_file_dialogs.h"

#include <algorithm>
#include <vector>

#include "shell/win32/win_api.h"
// After windows.h, whose types it uses.
#include <commdlg.h>

namespace wordmeadow {
namespace {

// Long enough for any path Windows takes (32767 characters and the terminating zero).
constexpr std::size_t kPathCapacity = 32768;
constexpr wchar_t kFilter[] = L"Voice files (*.zip)\0*.zip\0";

// Runs one dialog; the path chosen, "" when cancelled, or why it could not be shown.
FileDialogs::Choice choose(const std::string& suggestedName, bool toSave) {
  std::vector<wchar_t> path(kPathCapacity, L'\0');
  const std::wstring suggested = wideFromUtf8(suggestedName);
  suggested.copy(path.data(), std::min(suggested.size(), kPathCapacity - 1));
  OPENFILENAMEW dialog{};
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = GetActiveWindow();  // disabled while the dialog is up
  dialog.lpstrFilter = kFilter;
  dialog.nFilterIndex = 1;
  dialog.lpstrFile = path.data();
  dialog.nMaxFile = static_cast<DWORD>(path.size());
  dialog.lpstrDefExt = L"zip";  // a name typed without it gets it
  // The program's current folder is left as it was.
  dialog.Flags = OFN_EXPLORER | OFN_HIDEREADONLY | OFN_NOCHANGEDIR | OFN_PATHMUSTEXIST |
                 (toSave ? OFN_OVERWRITEPROMPT : OFN_FILEMUSTEXIST);
  const BOOL chosen = toSave ? GetSaveFileNameW(&dialog) : GetOpenFileNameW(&dialog);
  if (chosen) return {utf8FromWide(path.data()), {}};
  const DWORD error = CommDlgExtendedError();
  if (error == 0) return {};  // cancelled
  return {
      {},
      "The window for choosing a file could not be shown (error " + std::to_string(error) + ")."};
}

}  // namespace

std::wstring wideFromUtf8(const std::string& text) {
  if (text.empty()) return {};
  const int length =
      MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(length), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(), length);
  return wide;
}

std::string utf8FromWide(const std::wstring& text) {
  if (text.empty()) return {};
  const int length = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                         nullptr, 0, nullptr, nullptr);
  std::string narrow(static_cast<std::size_t>(length), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), narrow.data(), length,
                      nullptr, nullptr);
  return narrow;
}

void WinFileDialogs::chooseFileToSave(const std::string& suggestedName, Done done) {
  done(choose(suggestedName, true));
}

void WinFileDialogs::chooseFileToOpen(Done done) {
  done(choose({}, false));
}

}  // namespace wordmeadow

#pragma once

#include <string>

#include "shell/file_dialogs.h"

namespace wordmeadow {

// The program's strings are UTF-8 (its manifest makes that the ANSI code page too); Windows'
// wide functions take UTF-16.
std::wstring wideFromUtf8(const std::string& text);
std::string utf8FromWide(const std::wstring& text);

// Windows' common dialogs for voice files (*.zip), owned by the program's active window (the
// recorder, whose button asked) and modal: the choice comes before the call returns.
class WinFileDialogs : public FileDialogs {
 public:
  void chooseFileToSave(const std::string& suggestedName, Done done) override;
  void chooseFileToOpen(Done done) override;
};

}  // namespace wordmeadow

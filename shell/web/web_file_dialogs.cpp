#include "shell/web/web_file_dialogs.h"

#include <emscripten.h>

#include <filesystem>
#include <system_error>
#include <utility>

#include "shell/files.h"
#include "shell/paths.h"

// clang-format off
EM_JS(void, wm_offer_download, (const char* name, const std::uint8_t* bytes, std::size_t size), {
  Module.page.offerDownload(UTF8ToString(name), HEAPU8.slice(bytes, bytes + size));
});
EM_JS(void, wm_choose_file, (), {
  Module.page.chooseFile();
});
// clang-format on

namespace wordmeadow {
namespace {

namespace fs = std::filesystem;

// Where the files of these dialogs lie in the program's memory, out of the voice folder's way.
constexpr const char* kSavedFolder = "/saved";
constexpr const char* kOpenedFolder = "/opened";

// A name the browser gave, as one file's name in a folder of the program's memory.
std::string plainName(std::string name, const char* otherwise) {
  for (char& c : name) {
    if (c == '/' || c == '\\') c = '_';
  }
  if (name.empty() || name == "." || name == "..") return otherwise;
  return name;
}

}  // namespace

void WebFileDialogs::chooseFileToSave(const std::string& suggestedName, Done done) {
  done({joinPath(kSavedFolder, plainName(suggestedName, "voice.zip")), {}});
}

void WebFileDialogs::saved(const std::string& path) {
  const std::vector<std::uint8_t> bytes = readWholeFile(path, kMaxOpenedBytes);
  const std::string name = fs::path(path).filename().string();
  if (!bytes.empty()) wm_offer_download(name.c_str(), bytes.data(), bytes.size());
  std::error_code ec;
  fs::remove(path, ec);  // the download holds it now
}

void WebFileDialogs::chooseFileToOpen(Done done) {
  // A dialog still open gives way to the new one; its answer would come to nobody.
  opening_ = std::move(done);
  wm_choose_file();
}

std::uint8_t* WebFileDialogs::room(std::size_t size) {
  bytes_.clear();
  if (size > kMaxOpenedBytes) return nullptr;
  bytes_.resize(size);
  return bytes_.data();
}

std::string WebFileDialogs::keep(const std::string& name) {
  const std::string path = joinPath(kOpenedFolder, plainName(name, "voice.zip"));
  std::error_code ec;
  fs::remove_all(kOpenedFolder, ec);  // only the latest is kept
  const bool written = replaceFileWhole(path, bytes_);
  bytes_ = {};
  return written ? path : std::string();
}

void WebFileDialogs::chosen(const std::string& name) {
  if (const std::string path = keep(name); !path.empty()) {
    answer({path, {}});
  } else {
    answer({{}, "The chosen file could not be read into the browser's memory."});
  }
}

void WebFileDialogs::tooLarge() {
  bytes_ = {};
  answer({{}, "That file is far too large to be a voice file."});
}

void WebFileDialogs::cancelled() {
  answer({});
}

void WebFileDialogs::answer(const Choice& choice) {
  Done done = std::move(opening_);
  opening_ = nullptr;
  if (done) done(choice);
}

}  // namespace wordmeadow

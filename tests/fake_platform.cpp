#include "fake_platform.h"

#include <algorithm>
#include <span>
#include <stdexcept>
#include <utility>

#include "shell/paths.h"
#include "shell/wildcard.h"
#include "shell/window.h"

namespace wordmeadow::testing {

void FakeCapture::start(Listener& listener) {
  log_.push_back("microphone start");
  if (refusal) {
    listener.failed(*refusal);
    return;
  }
  listener_ = &listener;
}

void FakeCapture::stop() {
  log_.push_back("microphone stop");
  listener_ = nullptr;
}

void FakeCapture::hear(const std::vector<std::int16_t>& samples) {
  const std::size_t piece = rate() * 3 / 100;
  for (std::size_t at = 0; at < samples.size() && listener_ != nullptr; at += piece) {
    listener_->captured(std::span(samples).subspan(at, std::min(piece, samples.size() - at)));
  }
}

void FakeFileDialogs::chooseFileToSave(const std::string& suggestedName, Done done) {
  log_.push_back("dialog save " + suggestedName);
  waiting_.push_back(std::move(done));
}

void FakeFileDialogs::chooseFileToOpen(Done done) {
  log_.push_back("dialog open");
  waiting_.push_back(std::move(done));
}

void FakeFileDialogs::answer(const Choice& choice) {
  if (waiting_.empty()) throw std::logic_error("no file dialog is open");
  Done done = std::move(waiting_.front());
  waiting_.pop_front();
  done(choice);
}

void FakePlatform::playSoundFile(const std::vector<std::string>& paths) {
  std::string line = "sound";
  for (const std::string& path : paths) line += (line == "sound" ? " " : " or ") + path;
  log.push_back(line);
  if (onSound) onSound();
}

std::string FakePlatform::listFolder(const std::string& pattern) {
  ++listingCalls;
  if (!scriptedListing) return realListing_.first(pattern);
  const std::string wildcard = pattern.substr(pattern.find_last_of(kPathSeparator) + 1);
  pending_.clear();
  next_ = 0;
  for (const std::string& name : *scriptedListing) {
    if (wildcardMatch(wildcard, name)) pending_.push_back(name);
  }
  return listFolder();
}

std::string FakePlatform::listFolder() {
  ++listingCalls;
  if (!scriptedListing) return realListing_.next();
  return next_ < pending_.size() ? pending_[next_++] : std::string();
}

void FakePlatform::openWithShell(const Window& owner, const std::string& address) {
  log.push_back("shell " + owner.id() + " " + address);
}

float FakePlatform::nextRandom() {
  if (scriptedRandoms.empty()) return random_.next();
  const float r = scriptedRandoms.front();
  scriptedRandoms.pop_front();
  return r;
}

void FakePlatform::open(Window& window) {
  log.push_back("display " + window.id());
}
void FakePlatform::raise(Window& window) {
  log.push_back("raise " + window.id());
}
void FakePlatform::close(Window& window) {
  log.push_back("destroy " + window.id());
}

std::vector<std::string> FakePlatform::sounds() const {
  std::vector<std::string> names;
  const std::string prefix = joinPath(folder, "");
  for (const std::string& line : log) {
    if (line.rfind("sound ", 0) != 0) continue;
    // The application folder's file is offered last.
    const auto last = line.rfind(' ');
    if (line.compare(last + 1, prefix.size(), prefix) == 0) {
      names.push_back(line.substr(last + 1 + prefix.size()));
    }
  }
  return names;
}

}  // namespace wordmeadow::testing

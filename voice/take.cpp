#include "voice/take.h"

#include <algorithm>
#include <cmath>

namespace wordmeadow {
namespace {

constexpr double kFullScale = 32768.0;
constexpr double kBlockSeconds = 0.01;
constexpr std::size_t kFloorBlocks = 10;  // the first 100 ms
constexpr double kAboveFloor = 16.0;      // 12 dB, in mean squares
// A block quieter than one step of 16 bits is digital silence, not a microphone's.
constexpr double kDigitalSilence = 1.0;
// Quieter than this is no sound at all, whatever the floor: -66 dBFS.
constexpr double kLeastMeanSquare = 16.0 * 16.0;
// No room is this loud at rest: -40 dBFS.
constexpr double kSpeechAtStart = 328.0 * 328.0;
constexpr long kSpeechWindow = 20;
constexpr long kSpeechBlocksInWindow = 5;
constexpr double kLeadSeconds = 0.08;
constexpr double kTailSeconds = 0.15;

double fromDbfs(double db) {
  return kFullScale * std::pow(10.0, db / 20.0);
}

}  // namespace

Take::Take(std::uint32_t rate)
    : rate_(rate),
      blockLength_(std::max<std::size_t>(1, static_cast<std::size_t>(rate * kBlockSeconds))) {}

void Take::add(std::span<const std::int16_t> samples) {
  samples_.insert(samples_.end(), samples.begin(), samples.end());
  measure();
}

double Take::seconds() const {
  return static_cast<double>(samples_.size()) / rate_;
}

void Take::measure() {
  const std::size_t before = meanSquares_.size();
  while ((meanSquares_.size() + 1) * blockLength_ <= samples_.size()) {
    const auto begin = samples_.begin() + static_cast<long>(meanSquares_.size() * blockLength_);
    double sum = 0;
    for (auto it = begin; it != begin + static_cast<long>(blockLength_); ++it) {
      sum += static_cast<double>(*it) * *it;
    }
    meanSquares_.push_back(sum / static_cast<double>(blockLength_));
  }
  if (meanSquares_.size() == before) return;
  // The quietest block of the first 100 ms the microphone really heard; unless that is as loud
  // as speech and the take holds a block 20 dB quieter still: the speech had begun before the
  // take. Digital silence is no room's noise: a sound server or driver gives it while the
  // microphone starts up or falls behind, and taken for the floor it would make the room's
  // noise count as speech. A microphone that gave only digital silence until a sound as loud as
  // speech came has a gate that opened on it: its floor is the silence.
  double startFloor = 0;
  double quietest = 0;
  std::size_t heard = 0;
  bool silentFirst = false;
  for (const double ms : meanSquares_) {
    if (ms < kDigitalSilence) {
      silentFirst = silentFirst || heard == 0;
      continue;
    }
    if (heard < kFloorBlocks) startFloor = heard == 0 ? ms : std::min(startFloor, ms);
    quietest = heard == 0 ? ms : std::min(quietest, ms);
    ++heard;
  }
  const bool loudAtStart = startFloor > kSpeechAtStart;
  const bool begunBefore = loudAtStart && startFloor > 100 * quietest;
  const bool gated = loudAtStart && !begunBefore && silentFirst;
  const double floor = begunBefore ? quietest : gated ? 0.0 : startFloor;
  threshold_ = std::max(floor * kAboveFloor, kLeastMeanSquare);
  // Speech: a loud block with enough loud ones among the window that starts (for the first) or
  // ends (for the last) at it.
  const long blocks = static_cast<long>(meanSquares_.size());
  auto loudIn = [&](long from, long to) {
    long count = 0;
    for (long b = std::max(0L, from); b < std::min(blocks, to); ++b) {
      count += loud(static_cast<std::size_t>(b));
    }
    return count;
  };
  firstSpeech_ = -1;
  lastSpeech_ = -1;
  for (long b = 0; b < blocks; ++b) {
    if (loud(static_cast<std::size_t>(b)) &&
        loudIn(b, b + kSpeechWindow) >= kSpeechBlocksInWindow) {
      firstSpeech_ = b;
      break;
    }
  }
  if (firstSpeech_ < 0) return;
  for (long b = blocks - 1; b >= firstSpeech_; --b) {
    if (loud(static_cast<std::size_t>(b)) &&
        loudIn(b - kSpeechWindow + 1, b + 1) >= kSpeechBlocksInWindow) {
      lastSpeech_ = b;
      break;
    }
  }
  if (lastSpeech_ < 0) lastSpeech_ = firstSpeech_;
}

double Take::meterLevel() const {
  if (meanSquares_.empty()) return 0;
  const double ms = meanSquares_.back();
  if (ms <= 0) return 0;
  const double db = 10.0 * std::log10(ms / (kFullScale * kFullScale));
  return std::clamp((db + 60.0) / 60.0, 0.0, 1.0);
}

double Take::quietAfterSpeech() const {
  if (lastSpeech_ < 0) return 0;
  const long after = static_cast<long>(meanSquares_.size()) - 1 - lastSpeech_;
  return static_cast<double>(after) * static_cast<double>(blockLength_) / rate_;
}

std::size_t Take::speechBegin() const {
  return firstSpeech_ < 0 ? 0 : static_cast<std::size_t>(firstSpeech_) * blockLength_;
}

std::size_t Take::speechEnd() const {
  return lastSpeech_ < 0 ? 0 : static_cast<std::size_t>(lastSpeech_ + 1) * blockLength_;
}

double Take::speechMeanSquare() const {
  double sum = 0;
  long count = 0;
  for (long b = firstSpeech_; b >= 0 && b <= lastSpeech_; ++b) {
    if (!loud(static_cast<std::size_t>(b))) continue;
    sum += meanSquares_[static_cast<std::size_t>(b)];
    ++count;
  }
  return count == 0 ? 0 : sum / static_cast<double>(count);
}

FinishedTake finishTake(const Take& take) {
  FinishedTake finished;
  const auto& in = take.samples();
  const bool allZero = std::all_of(in.begin(), in.end(), [](std::int16_t s) { return s == 0; });
  if (allZero || !take.heardSpeech()) return finished;

  const auto lead = static_cast<std::size_t>(kLeadSeconds * take.rate());
  const auto tail = static_cast<std::size_t>(kTailSeconds * take.rate());
  const std::size_t begin = take.speechBegin() > lead ? take.speechBegin() - lead : 0;
  const std::size_t end = std::min(in.size(), take.speechEnd() + tail);

  int peak = 0;
  for (std::size_t i = begin; i < end; ++i) peak = std::max(peak, std::abs(int{in[i]}));
  double gain = fromDbfs(kSpeechRmsDbfs) / std::sqrt(take.speechMeanSquare());
  if (peak > 0) gain = std::min(gain, fromDbfs(kPeakDbfs) / peak);

  finished.heardNothing = false;
  finished.samples.reserve(end - begin);
  for (std::size_t i = begin; i < end; ++i) {
    const double scaled = std::round(in[i] * gain);
    finished.samples.push_back(static_cast<std::int16_t>(std::clamp(scaled, -32768.0, 32767.0)));
  }
  return finished;
}

}  // namespace wordmeadow

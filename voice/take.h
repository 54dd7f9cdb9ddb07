#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace wordmeadow {

// A recording of one sound as it comes from the microphone, 16-bit mono, and how loud each
// 10 ms block of it is against the noise floor measured at its own start (the quietest block of
// the first 100 ms the microphone heard, digital silence left out: the grown-up starts to speak
// after pressing Record; should that be as loud
// as speech and the take hold a block 20 dB quieter, the speech had begun before the take, and
// that block is the floor).
// A block is loud when it
// stands 12 dB above that floor; speech is where loud blocks gather, at least 5 of 20 in a row,
// so that the click of the mouse that started or stopped the take is not taken for speech.
class Take {
 public:
  explicit Take(std::uint32_t rate);

  void add(std::span<const std::int16_t> samples);

  std::uint32_t rate() const { return rate_; }
  const std::vector<std::int16_t>& samples() const { return samples_; }
  double seconds() const;

  // The latest whole block's level, from 0 (60 dB below full scale or quieter) to 1 (full
  // scale), for a meter.
  double meterLevel() const;
  bool heardSpeech() const { return firstSpeech_ >= 0; }
  // Seconds since the last block of speech ended; 0 before any speech.
  double quietAfterSpeech() const;

  // The blocks of speech, first and last, as sample offsets [begin, end); begin == end when
  // there is none.
  std::size_t speechBegin() const;
  std::size_t speechEnd() const;
  // The mean square of the loud blocks between them.
  double speechMeanSquare() const;

 private:
  void measure();
  bool loud(std::size_t block) const { return meanSquares_[block] > threshold_; }

  std::uint32_t rate_;
  std::size_t blockLength_;
  std::vector<std::int16_t> samples_;
  std::vector<double> meanSquares_;  // of each whole block
  double threshold_ = 0;
  long firstSpeech_ = -1;  // blocks
  long lastSpeech_ = -1;
};

// What becomes of a take: made to sound like the program's own recordings, or refused.
struct FinishedTake {
  bool heardNothing = true;  // all zeros, or nothing above the noise floor
  std::vector<std::int16_t> samples;
};

// The shipped recordings' level: their RMS over the speech (10 ms blocks within 40 dB of the
// loudest) is -12.0 dBFS, the same within half a decibel for nearly all of them.
inline constexpr double kSpeechRmsDbfs = -12.0;
inline constexpr double kPeakDbfs = -1.0;

// Trims the take to 80 ms before its first speech and 150 ms after its last, and sets its level
// to the shipped recordings' RMS over the speech, lowered if need be so that no peak passes
// kPeakDbfs.
FinishedTake finishTake(const Take& take);

}  // namespace wordmeadow

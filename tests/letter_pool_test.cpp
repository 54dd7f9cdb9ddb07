#include "letters/letter_pool.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "fake_platform.h"
#include "shell/random_pick.h"
#include "temp_folder.h"

namespace wordmeadow {
namespace {

using testing::FakePlatform;
using testing::TempFolder;

std::vector<std::string> alphabetFiles() {
  std::vector<std::string> names;
  for (char c = 'A'; c <= 'Z'; ++c) names.push_back(std::string(1, c) + ".wav");
  return names;
}

std::vector<std::string> sorted(std::vector<std::string> v) {
  std::sort(v.begin(), v.end());
  return v;
}

TEST(LetterPool, FillFromARealFolderTakesTheLettersAndLeavesTheCuesOut) {
  TempFolder folder;
  for (const std::string& name : alphabetFiles()) folder.touch(name);
  for (const char* cue : {"Welcome.wav", "Correct.WAV", "TryAgain.WAV", "Clap.WAV"})
    folder.touch(cue);
  folder.touch("readme.txt");
  FakePlatform platform;
  platform.folder = folder.path();

  LetterPool pool;
  pool.fill(platform);
  EXPECT_EQ(sorted(pool.entries()), alphabetFiles());
}

TEST(LetterPool, ReservedWordsAreSearchedAnywhereWithCaseCounting) {
  TempFolder folder;
  for (const char* name : {"LetterRecIntro.wav", "Clapping.wav", "VeryGood!.wav", "xAwesome.wav",
                           "correct.wav", "Apple.wav", "a.wav", "A.wave", "A.wav.bak"}) {
    folder.touch(name);
  }
  FakePlatform platform;
  platform.folder = folder.path();

  LetterPool pool;
  pool.fill(platform);
  EXPECT_EQ(sorted(pool.entries()),
            (std::vector<std::string>{"A.wav.bak", "A.wave", "Apple.wav", "a.wav", "correct.wav"}));
}

TEST(LetterPool, FillAppendsInListingOrderAfterWhatIsThere) {
  FakePlatform platform;
  platform.scriptedListing = {"C.wav", "Welcome.wav", "A.wav", "notes.txt", "B.wav"};
  LetterPool pool;
  pool.fill(platform);
  pool.fill(platform);
  EXPECT_EQ(pool.entries(),
            (std::vector<std::string>{"C.wav", "A.wav", "B.wav", "C.wav", "A.wav", "B.wav"}));
}

TEST(LetterPool, FillStopsAtTheCapacityInsteadOfOverflowing) {
  FakePlatform platform;
  std::vector<std::string> many;
  for (int i = 0; i < 40000; ++i) many.push_back("L" + std::to_string(i) + ".wav");
  platform.scriptedListing = many;

  LetterPool pool;
  pool.fill(platform);
  ASSERT_EQ(pool.size(), LetterPool::kCapacity);
  EXPECT_EQ(pool.entries().back(), "L32766.wav");
  pool.fill(platform);  // a second fill of a full pool adds nothing
  EXPECT_EQ(pool.size(), LetterPool::kCapacity);

  // The last random number below one still picks an entry inside the pool.
  platform.scriptedRandoms = {std::nextafter(1.0f, 0.0f)};
  EXPECT_EQ(pool.draw(platform), "L32766.wav");
}

TEST(LetterPool, IndexIsTheWholePartOfTheExactProduct) {
  const float justBelowOne = std::nextafter(1.0f, 0.0f);
  EXPECT_EQ(indexFor(0.0f, 1), 0u);
  EXPECT_EQ(indexFor(justBelowOne, 1), 0u);
  EXPECT_EQ(indexFor(justBelowOne, 26), 25u);
  EXPECT_EQ(indexFor(justBelowOne, 32767), 32766u);
  EXPECT_EQ(indexFor(0.5f, 3), 1u);
  EXPECT_EQ(indexFor(0.75f, 4), 3u);  // exactly on a boundary: the higher entry
  // Rounded to single precision this product would be 15.0 and pick the wrong entry.
  const float r = 0x1.276276p-1f;
  volatile float n = 26.0f;
  EXPECT_EQ(r * n, 15.0f);
  EXPECT_EQ(indexFor(r, 26), 14u);
}

TEST(LetterPool, DrawRemovesTheChosenEntryAndMovesLaterOnesDown) {
  FakePlatform platform;
  platform.scriptedListing = {"A.wav", "B.wav", "C.wav", "D.wav"};
  LetterPool pool;
  pool.fill(platform);

  platform.scriptedRandoms = {0.5f, 0.0f, 0.99f, 0.3f};
  EXPECT_EQ(pool.draw(platform), "C.wav");
  EXPECT_EQ(pool.entries(), (std::vector<std::string>{"A.wav", "B.wav", "D.wav"}));
  EXPECT_EQ(pool.draw(platform), "A.wav");
  EXPECT_EQ(pool.draw(platform), "D.wav");
  EXPECT_EQ(pool.draw(platform), "B.wav");  // a pool of one gives its entry whatever r is
  EXPECT_TRUE(pool.empty());
}

}  // namespace
}  // namespace wordmeadow

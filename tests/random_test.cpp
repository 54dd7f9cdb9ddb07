#include <gtest/gtest.h>

#include <array>

#include "shell/fixed_random.h"

namespace wordmeadow {
namespace {

TEST(FixedRandom, StartsFromTheSameStateOnEveryRun) {
  // These values are what every build of the program draws first; a different prefix would
  // change the order of the first game on the children's machines.
  FixedRandom random;
  const std::array<float, 5> expected = {0x1.2e2c2cp-2f, 0x1.22718p-7f, 0x1.1959d2p-1f,
                                         0x1.1f988ap-1f, 0x1.574a08p-3f};
  for (float value : expected) EXPECT_EQ(random.next(), value);
}

TEST(FixedRandom, StaysInTheHalfOpenUnitRangeAndIsUniform) {
  FixedRandom random;
  std::array<int, 10> buckets{};
  const int draws = 200000;
  for (int i = 0; i < draws; ++i) {
    const float r = random.next();
    ASSERT_GE(r, 0.0f);
    ASSERT_LT(r, 1.0f);
    ++buckets[static_cast<std::size_t>(r * 10.0f)];
  }
  for (int count : buckets) EXPECT_NEAR(count, draws / 10, draws / 100);
}

}  // namespace
}  // namespace wordmeadow

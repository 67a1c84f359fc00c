// showRand carries glibc's rand() inside: the same numbers, cut to 15 bits,
// from the start state and from any seed.
#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#include "render/random.h"

TEST(ShowRand, DrawsWhatTheCLibraryDrawsFromAnySeed) {
  for (unsigned seed : {1u, 0u, 5u, 12345u, 2147483647u, 4000000000u}) {
    std::srand(seed);
    showRandSeed(seed);
    for (int i = 0; i < 100000; ++i) {
      const int want = std::rand() & 0x7FFF;
      ASSERT_EQ(showRand(), want) << "seed " << seed << ", draw " << i;
    }
  }
}

TEST(ShowRand, StaysWithinFifteenBitsAndStartsOverOnTheSameSeed) {
  showRandSeed(1);
  int first[50];
  for (int& v : first) {
    v = showRand();
    ASSERT_GE(v, 0);
    ASSERT_LE(v, 32767);
  }
  showRandSeed(1);
  for (int v : first) EXPECT_EQ(showRand(), v);
}

TEST(ShowRand, FillGivesTheNumbersSingleDrawsWouldGive) {
  showRandSeed(3);
  int single[500];
  for (int& v : single) v = showRand();
  showRandSeed(3);
  int filled[500];
  showRandFill(filled, 200);
  showRandFill(filled + 200, 300);
  for (int i = 0; i < 500; ++i) EXPECT_EQ(filled[i], single[i]) << i;
}

// Fills of every size, mixed with single draws, over runs long enough to
// cross the generator's internal buffer many times at different offsets.
TEST(ShowRand, FillsOfMixedSizesFollowTheCLibraryOverLongRuns) {
  for (unsigned seed : {1u, 7u, 2147483647u}) {
    srandom(seed);
    showRandSeed(seed);
    const int sizes[] = {1, 3, 4, 31, 200, 5, 0, 34, 2, 33, 4093, 7, 35, 6, 1000, 17, 8, 3};
    std::vector<int> got;
    long drawn = 0;
    for (int round = 0; round < 60; ++round) {
      for (int n : sizes) {
        got.assign(size_t(n) + 2, -1);
        showRandFill(got.data(), n);
        for (int i = 0; i < n; ++i) {
          const int want = static_cast<int>(random() & 0x7FFF);
          ASSERT_EQ(got[size_t(i)], want) << "seed " << seed << ", draw " << drawn + i;
        }
        // Nothing written past the end.
        ASSERT_EQ(got[size_t(n)], -1);
        ASSERT_EQ(got[size_t(n) + 1], -1);
        drawn += n;
        // A single draw between fills must carry on the same sequence.
        if (round % 3 == 0) {
          ASSERT_EQ(showRand(), static_cast<int>(random() & 0x7FFF)) << "after draw " << drawn;
          ++drawn;
        }
      }
    }
  }
}

TEST(ShowRand, SkipLeavesTheSequenceWhereDrawingWould) {
  // Short skips draw; long ones weigh the newest words. Lengths around the
  // switch, around the run's capacity and the TV noise's 30,000, each twice
  // in a row (the weights are kept for the last length), from fresh and
  // from worn states.
  for (int n : {0, 1, 33, 34, 35, 1023, 1024, 1025, 4062, 4096, 30000, 30000, 100003}) {
    for (int worn : {0, 31, 4000}) {
      SCOPED_TRACE("skip " + std::to_string(n) + " after " + std::to_string(worn));
      showRandSeed(7);
      for (int i = 0; i < worn; ++i) showRand();
      for (int i = 0; i < n; ++i) showRand();
      int want[100];
      showRandFill(want, 100);
      showRandSeed(7);
      for (int i = 0; i < worn; ++i) showRand();
      showRandSkip(n);
      int got[100];
      showRandFill(got, 100);
      for (int i = 0; i < 100; ++i) ASSERT_EQ(got[i], want[i]) << "draw " << i;
    }
  }
}

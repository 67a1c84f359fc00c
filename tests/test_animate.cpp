#include <gtest/gtest.h>

#include "demo/character.h"
#include "demo/clock.h"

namespace {
class Animate : public ::testing::Test {
 protected:
  void SetUp() override { record = Animation{0, 4, 0, 200, {}}; }
  void TearDown() override { clockUseReal(); }
  int stepAt(double ms) {
    clockSetVirtual(ms);
    animate(&record);
    return record.curframe;
  }
  Animation record;
};
}  // namespace

TEST_F(Animate, FirstCallAfterLoadingStepsAtOnce) {
  EXPECT_EQ(stepAt(1000), 1);
  EXPECT_EQ(record.lasttick, 1000u);
}

TEST_F(Animate, SixteenMillisecondFramesStepEveryThirteenth) {
  stepAt(1000);
  for (int call = 1; call <= 12; ++call) ASSERT_EQ(stepAt(1000 + 16 * call), 1) << call;
  EXPECT_EQ(stepAt(1000 + 16 * 13), 2);  // 208 ms > 200
  EXPECT_EQ(record.lasttick, 1208u);
}

TEST_F(Animate, ExactlyTheDelayIsNotEnough) {
  stepAt(1000);
  EXPECT_EQ(stepAt(1200), 1);
  EXPECT_EQ(stepAt(1201), 2);
}

TEST_F(Animate, LongPauseStepsOneFrameAndCycleWraps) {
  stepAt(1000);
  EXPECT_EQ(stepAt(60000), 2);
  EXPECT_EQ(stepAt(60201), 3);
  EXPECT_EQ(stepAt(60402), 0);
}

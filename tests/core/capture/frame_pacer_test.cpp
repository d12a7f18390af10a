#include "core/capture/frame_pacer.h"

#include <gtest/gtest.h>

namespace kinevo {
namespace {

TEST(FramePacer, JumpOfMoreThanOneAndAHalfPeriodsCountsTheMissedOnes) {
  TFramePacer p(25);  // 40 ms
  EXPECT_EQ(p.Place(10.000).missed, 0);
  EXPECT_EQ(p.Place(10.040).missed, 0);
  // 1.4 periods late with jitter: still the next period.
  auto s = p.Place(10.095);
  EXPECT_TRUE(s.keep);
  EXPECT_EQ(s.missed, 0);
  // 10.200 is period 5: periods 3 and 4 were missed.
  s = p.Place(10.200);
  EXPECT_TRUE(s.keep);
  EXPECT_EQ(s.missed, 2);
  EXPECT_EQ(p.Kept(), 4);
  EXPECT_EQ(p.Missed(), 2);
}

TEST(FramePacer, FasterDeviceIsThinnedToTheRateWithoutDrops) {
  TFramePacer p(25);
  int kept = 0;
  // 30 images per second for two seconds.
  for (int i = 0; i < 60; ++i) {
    const auto s = p.Place(i / 30.0);
    EXPECT_EQ(s.missed, 0) << i;
    kept += s.keep;
  }
  EXPECT_EQ(kept, 50);
  // The same timestamp twice fills one period only.
  EXPECT_FALSE(p.Place(59 / 30.0).keep);
}

TEST(FramePacer, JitterDoesNotAddUpOverALongRecording) {
  TFramePacer p(30);
  for (int i = 0; i < 30 * 600; ++i) {
    const double jitter = (i % 2 == 0 ? 0.005 : -0.005);
    const auto s = p.Place(100 + i / 30.0 + jitter);
    ASSERT_TRUE(s.keep) << i;
    ASSERT_EQ(s.missed, 0) << i;
  }
}

}  // namespace
}  // namespace kinevo

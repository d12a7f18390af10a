// The time base kept by the montage: time indexes across hidden images,
// opened gaps, the displayed times and the blank-image count.
#include <gtest/gtest.h>

#include "core/montage/montage.h"
#include "support/fake_view.h"
#include "support/scripted_dialog.h"

namespace kinevo {
namespace {

struct TimeFixture : ::testing::Test {
  test::FakeView view{640, 480, 10};
  test::ScriptedDialog presenter;
  TUserDlg dlg{&presenter};
  TMontage m{view, dlg};
  double T = 0.04;
  int invalidations = 0;
  TConnection heard = m.OnResultsInvalidated.Connect([this] { ++invalidations; });
  void SetUp() override {
    view.mode = vmMontage;
    m.NewVideo(10);
    m.RequiredDuration = [this] { return T; };
  }
};

TEST_F(TimeFixture, HidingFirstImagesStartsTheTimeLineAtTheFirstVisible) {
  m.SetVisible(0, false);
  m.SetVisible(1, false);
  EXPECT_EQ(m.TimeIndex(2), 0);
  m.SetVisible(0, true);
  EXPECT_EQ(m.TimeIndex(2), 1);
  EXPECT_EQ(m.TimeIndex(0), 0);
}

TEST_F(TimeFixture, GapBeforeTheCurrentImageCanOpenAndCloseButNotPassThePrevious) {
  view.current = 5;
  m.SetVisible(4, false);
  EXPECT_EQ(m.TimeIndex(5), 4);
  invalidations = 0;
  ASSERT_TRUE(m.ShiftTimes(+1));
  EXPECT_EQ(invalidations, 1);
  EXPECT_EQ(m.TimeIndex(5), 5);
  EXPECT_EQ(m.TimeIndex(3), 3);
  EXPECT_EQ(m.TimeIndex(9), 9);
  EXPECT_EQ(m.BlankCount(), 1);
  ASSERT_TRUE(m.ShiftTimes(-1));
  EXPECT_EQ(m.TimeIndex(5), 4);
  EXPECT_FALSE(m.ShiftTimes(-1));  // would reach image 3's time index
  EXPECT_EQ(m.TimeIndex(5), 4);
  EXPECT_EQ(invalidations, 2);
}

TEST_F(TimeFixture, ShiftTimesRefusals) {
  view.current = 0;
  EXPECT_FALSE(m.ShiftTimes(-1));  // time index would become negative
  EXPECT_TRUE(m.ShiftTimes(+1));   // a gap before the first image
  view.current = 3;
  m.SetVisible(3, false);
  EXPECT_FALSE(m.ShiftTimes(+1));  // current image hidden
  view.current = 4;
  view.mode = vmRepereFixe;
  EXPECT_FALSE(m.ShiftTimes(+1));
}

TEST_F(TimeFixture, ImageTimesOfCurrentPreviousAndNextVisible) {
  view.current = 5;
  m.SetVisible(4, false);
  m.SetVisible(6, false);
  EXPECT_DOUBLE_EQ(m.ImageTime(2), 4 * 0.04);
  EXPECT_DOUBLE_EQ(m.ImageTime(1), 3 * 0.04);
  EXPECT_DOUBLE_EQ(m.ImageTime(0), 5 * 0.04);  // image 7, time index 5
  view.current = 0;
  EXPECT_EQ(m.ImageTime(1), -1);
  view.current = 9;
  EXPECT_EQ(m.ImageTime(0), -1);
  m.SetVisible(8, false);
  m.SetVisible(7, false);
  view.current = 5;
  EXPECT_DOUBLE_EQ(m.ImageTime(0), 5 * 0.04);  // image 9, time index 5
  m.SetVisible(9, false);
  EXPECT_EQ(m.ImageTime(0), -1);  // nothing visible after image 5
  view.mode = vmTracking;
  EXPECT_EQ(m.ImageTime(2), -1);
}

TEST_F(TimeFixture, BlankCountIsZeroForAPlainFileAndCountsEveryGap) {
  EXPECT_EQ(m.BlankCount(), 0);
  view.current = 5;
  ASSERT_TRUE(m.ShiftTimes(+1));
  ASSERT_TRUE(m.ShiftTimes(+1));
  view.current = 8;
  ASSERT_TRUE(m.ShiftTimes(+1));
  EXPECT_EQ(m.BlankCount(), 3);
  // Hidden images close their own gap: no blanks for them.
  m.SetVisible(2, false);
  EXPECT_EQ(m.BlankCount(), 3);
}

TEST_F(TimeFixture, VisibleTimeIndexesStayStrictlyIncreasing) {
  // A mixed sequence of operations never breaks the order of the time line.
  const int ops[][3] = {{1, 3, 0}, {2, 5, 1},  {2, 5, -1}, {1, 7, 0},  {2, 8, -1},
                        {1, 0, 0}, {2, 1, -1}, {1, 3, 1},  {2, 9, -1}, {2, 4, 1}};
  for (const auto& op : ops) {
    if (op[0] == 1) {
      m.SetVisible(op[1], op[2] != 0);
    } else {
      view.current = op[1];
      m.ShiftTimes(op[2]);
    }
    long long prev = -1;
    for (int i = 0; i < 10; ++i) {
      if (!m.IsVisible(i)) continue;
      EXPECT_GT(m.TimeIndex(i), prev);
      prev = m.TimeIndex(i);
    }
  }
}

}  // namespace
}  // namespace kinevo

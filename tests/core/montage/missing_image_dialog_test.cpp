// The missing-image dialog's times and arrows.
#include "core/montage/missing_image_dialog.h"

#include <gtest/gtest.h>

#include "core/common/number_format.h"
#include "support/fake_view.h"
#include "support/scripted_dialog.h"

namespace kinevo {
namespace {

TEST(MissingImage, ShowsTheThreeTimesAndMovesTheGap) {
  ScopedDecimalSeparator sep('.');
  test::FakeView view(640, 480, 10);
  test::ScriptedDialog presenter;
  TUserDlg dlg(&presenter);
  TMontage montage(view, dlg);
  montage.NewVideo(10);
  montage.RequiredDuration = [] { return 0.04; };
  TMissingImageModel m(montage, [] { return 0.04; });
  EXPECT_FALSE(m.CanRun());  // not in montage mode
  view.mode = vmMontage;
  view.current = 5;
  montage.SetVisible(4, false);
  ASSERT_TRUE(m.CanRun());
  EXPECT_EQ(m.DurationLine(),
            "L'intervalle de temps entre deux images successives est T = 0.040 s.");
  EXPECT_EQ(m.PreviousLine(), "image visible précédente   t = 0.120 s");
  EXPECT_EQ(m.CurrentValue(), "0.160");
  EXPECT_EQ(m.NextLine(), "image visible suivante     t = 0.200 s");
  ASSERT_TRUE(m.Up());
  EXPECT_EQ(m.CurrentValue(), "0.200");
  EXPECT_EQ(m.NextLine(), "image visible suivante     t = 0.240 s");
  EXPECT_TRUE(m.Down());
  EXPECT_FALSE(m.Down());  // would reach the previous visible image
  EXPECT_EQ(m.CurrentValue(), "0.160");
  EXPECT_EQ(m.Position(), 0);
  view.current = 0;
  EXPECT_EQ(m.PreviousLine(), "");
  view.current = 9;
  EXPECT_EQ(m.NextLine(), "");
  view.current = 4;
  EXPECT_FALSE(m.CanRun());  // hidden image
}

}  // namespace
}  // namespace kinevo

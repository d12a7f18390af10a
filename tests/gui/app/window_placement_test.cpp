// Where the main window goes: inside the screen's area, frame included.
#include "gui/app/window_placement.h"

#include <gtest/gtest.h>

namespace kinevo::gui {
namespace {

TEST(WindowPlacement, FramesAreMovedAndShrunkIntoTheAvailableArea) {
  const QRect area(0, 30, 1920, 1050);  // a panel on top
  // Already inside: unchanged.
  EXPECT_EQ(FitFrameInside({100, 100, 800, 600}, area), QRect(100, 100, 800, 600));
  // Title bar above the screen: moved down under the panel.
  EXPECT_EQ(FitFrameInside({100, 0, 800, 600}, area), QRect(100, 30, 800, 600));
  // Status bar below the screen: moved up.
  EXPECT_EQ(FitFrameInside({100, 900, 800, 600}, area), QRect(100, 480, 800, 600));
  // Larger than the screen (remembered from another one): the whole area.
  EXPECT_EQ(FitFrameInside({-500, -500, 4000, 3000}, area), area);
  // On a screen to the right that is gone.
  EXPECT_EQ(FitFrameInside({2500, 100, 800, 600}, area), QRect(1120, 100, 800, 600));
  // No screen known: left alone.
  EXPECT_EQ(FitFrameInside({5, 5, 10, 10}, QRect()), QRect(5, 5, 10, 10));

  const QRect first = FirstStartFrame(area);
  EXPECT_TRUE(area.contains(first));
  EXPECT_EQ(first.size(), QSize(1728, 945));
  EXPECT_EQ(first.center(), area.center());
  EXPECT_EQ(ClientOf({0, 0, 100, 100}, {2, 30, 2, 2}), QRect(2, 30, 96, 68));
}

}  // namespace
}  // namespace kinevo::gui

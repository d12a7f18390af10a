// Where windows go: inside the screen's area, frame included; the main
// window's place read back as it was written, and the secondary windows'
// places kept in the settings.
#include "gui/common/window_placement.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include "core/common/settings_file.h"
#include "support/qt_test_application.h"
#include "support/temp_dir.h"

namespace kinevo::gui {
namespace {

KINEVO_QT_TEST_APPLICATION("test_gui_common");

QRect Available() { return QGuiApplication::primaryScreen()->availableGeometry(); }

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

TEST(WindowPlacement, APlaceReadBackIsThePlaceWrittenAndKeepsTheTitleBarOnScreen) {
  const QRect area = Available();
  QWidget window;
  // Placed before the window manager frames it: the title bar it will add
  // is counted, and the place read back equals the place given, so that
  // nothing creeps from one start to the next.
  const QRect frame(area.left() + 40, area.top() + 50, 500, 400);
  PlaceFrame(window, frame);
  EXPECT_EQ(FramePositionOf(window), frame.topLeft());
  const QMargins m = FrameMarginsOf(window);
  EXPECT_GT(m.top(), 0);
  EXPECT_EQ(window.size(), frame.size().shrunkBy(m));
  for (int start = 0; start < 3; ++start) {
    PlaceFrame(window, QRect(FramePositionOf(window), window.size().grownBy(m)));
    EXPECT_EQ(FramePositionOf(window), frame.topLeft()) << start;
  }

  // Remembered from a larger screen, above and left of this one: the whole
  // frame, title bar included, comes back inside.
  const QRect big(area.left() - 200, area.top() - 100, 2000 + m.left() + m.right(),
                  1500 + m.top() + m.bottom());
  PlaceFrame(window, FitFrameInside(big, area));
  EXPECT_TRUE(area.contains(QRect(FramePositionOf(window), window.size().grownBy(m))));
}

TEST(WindowPlacement, SecondaryWindowsOpenInsideTheScreenAndRememberTheirPlace) {
  const QRect area = Available();
  test::TempDir dir("placement");
  TSettingsFile settings(dir.File("Kinevo.ini"));
  QWidget main;
  PlaceFrame(main, QRect(area.topLeft(), area.size() / 2));

  // Never placed: centred over the main window, inside the screen even when
  // larger than the room below its centre.
  {
    QWidget results;
    results.resize(area.width() * 2 / 3, area.height() - 60);
    KeepPlacement(results, "ResForm", &settings, &main);
    results.show();
    const QRect frame(FramePositionOf(results), results.size().grownBy(FrameMarginsOf(results)));
    EXPECT_TRUE(area.contains(frame)) << frame.y() << " " << frame.height();
    // Moved by the user, then hidden: the place is kept.
    results.move(area.left() + 30, area.top() + 20);
    results.resize(300, 200);
    results.hide();
  }
  // The next window of that kind opens where the last one was.
  QWidget again;
  KeepPlacement(again, "ResForm", &settings, &main);
  again.show();
  EXPECT_EQ(FramePositionOf(again), QPoint(area.left() + 30, area.top() + 20));
  EXPECT_EQ(again.size(), QSize(300, 200));

  // A place saved below the bottom of the screen (a smaller screen now).
  EXPECT_TRUE(settings.Update([&](IKeyWriter& ini) {
    ini.WriteInteger("Windows", "CalculatriceLeft", area.left() + 10);
    ini.WriteInteger("Windows", "CalculatriceTop", area.bottom() - 20);
    ini.WriteInteger("Windows", "CalculatriceWidth", 340);
    ini.WriteInteger("Windows", "CalculatriceHeight", 380);
  }));
  QWidget calculator;
  KeepPlacement(calculator, "Calculatrice", &settings, &main);
  calculator.show();
  const QRect frame(FramePositionOf(calculator),
                    calculator.size().grownBy(FrameMarginsOf(calculator)));
  EXPECT_TRUE(area.contains(frame));
  EXPECT_EQ(calculator.size(), QSize(340, 380));
}

// A window asking for more than the screen has (the print window's 980 x 720
// on a 1280 x 720 screen) gets a frame that fits; a small one keeps its size.
TEST(WindowPlacement, SizeWithinScreenLeavesRoomForTheFrame) {
  QWidget w;
  const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
  const QSize fitted = SizeWithinScreen(w, area.size() + QSize(200, 200));
  const QSize frame = fitted.grownBy(FrameMarginsOf(w));
  EXPECT_EQ(frame.width(), area.width());
  EXPECT_EQ(frame.height(), area.height());
  EXPECT_EQ(SizeWithinScreen(w, {120, 80}), QSize(120, 80));
}

}  // namespace
}  // namespace kinevo::gui

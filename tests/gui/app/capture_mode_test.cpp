// The capture mode button of the main window with the test-pattern camera:
// the mode is entered without a video, the camera's tool bar replaces the
// marking tools, and the same button brings back Grid marking.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QToolBar>

#include "gui/app/main_window.h"
#include "gui/capture/capture_ui.h"
#include "gui/video/video_widget.h"
#include "support/scripted_dialog.h"
#include "support/shots.h"
#include "support/temp_dir.h"

namespace kinevo::gui {
namespace {

TEST(MainWindowCapture, ModeButtonShowsThePreviewAndGoesBackToGridMarking) {
  test::TempDir dir;
  test::ScriptedDialog messages;
  MainWindowSetup setup;
  setup.settingsPath = dir.File("Kinevo.ini");
  setup.messages = &messages;
  MainWindow w(setup);
  w.show();
  QApplication::processEvents();
  QAction* mode = w.Action("ButtonModeCapture");
  ASSERT_TRUE(mode->isVisible());
  EXPECT_FALSE(w.Capture().ToolBar()->isVisible());

  mode->trigger();
  ASSERT_TRUE(w.Session().Video.IsCapture()) << messages.LastText();
  EXPECT_TRUE(mode->isChecked());
  EXPECT_TRUE(w.Capture().ToolBar()->isVisible());
  EXPECT_FALSE(w.Action("ButtonOutilZoom")->isVisible());
  EXPECT_FALSE(w.View()->isVisible());
  QElapsedTimer t;
  t.start();
  while (w.Capture().Preview()->Picture() == nullptr && t.elapsed() < 10000)
    QApplication::processEvents(QEventLoop::AllEvents, 20);
  EXPECT_NE(w.Capture().Preview()->Picture(), nullptr);
  test::Shot(w, "main-window-capture");

  mode->trigger();
  EXPECT_TRUE(w.Session().Video.Mode() == vmRepereFixe);
  EXPECT_FALSE(w.Capture().ToolBar()->isVisible());
  EXPECT_FALSE(w.Capture().Backend().Connected());
  EXPECT_TRUE(w.View()->isVisible());
  EXPECT_EQ(messages.Count(), 0u);
}

}  // namespace
}  // namespace kinevo::gui

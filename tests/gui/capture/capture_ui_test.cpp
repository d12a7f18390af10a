// The capture mode in a real window with the test-pattern camera: the
// preview takes the view's place, the settings dialog changes the format and
// sets a fixed duration, the recording stops by itself and is saved where
// the save dialog says; leaving the mode gives the view back.
#include "gui/capture/capture_ui.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QListWidget>
#include <QMainWindow>
#include <QTabWidget>
#include <QToolBar>

#include "gui/video/video_widget.h"
#include "platform/avi/vfw_play.h"
#include "platform/ffmpeg/ds_play.h"
#include "platform/ffmpeg/ffmpeg_play.h"
#include "support/qt_test_application.h"
#include "support/scripted_dialog.h"
#include "support/shots.h"
#include "support/temp_dir.h"

namespace kinevo {
namespace {

::testing::Environment* const kApp =
    ::testing::AddGlobalTestEnvironment(new test::QtTestApplication("test_gui_capture"));

struct ScriptedFiles : IFileDialogs {
  std::string answer;
  std::vector<TFileDialogRequest> asked;
  std::string OpenFile(const TFileDialogRequest&) override { return {}; }
  std::string SaveFile(const TFileDialogRequest& r) override {
    asked.push_back(r);
    return answer;
  }
};

// Runs the window's events until `done` or ten seconds.
bool Until(const std::function<bool()>& done) {
  QElapsedTimer t;
  t.start();
  while (!done() && t.elapsed() < 10000) QApplication::processEvents(QEventLoop::AllEvents, 20);
  return done();
}

struct CaptureWindowTest : ::testing::Test {
  test::TempDir dir{"kinevo_capture_ui"};
  test::ScriptedDialog presenter;
  ScriptedFiles files;
  std::unique_ptr<TSession> session;
  std::unique_ptr<QMainWindow> window;
  QWidget* centre = nullptr;
  gui::VideoWidget* view = nullptr;
  std::unique_ptr<gui::TPlainModeCommands> commands;
  std::unique_ptr<gui::CaptureUi> ui;

  void SetUp() override {
    TFrameSourceSet sources;
    sources.vfw = std::make_unique<TVfwPlay>();
    sources.ds = std::make_unique<TDSPlay>();
    sources.ffmpeg = std::make_unique<TFFMpegPlay>();
    session = std::make_unique<TSession>(std::move(sources), "", &presenter);
    session->Recent.Directory = dir.Path();
    window = std::make_unique<QMainWindow>();
    centre = new QWidget(window.get());
    view = new gui::VideoWidget(session->Video, centre);
    view->setGeometry(0, 0, 320, 240);
    window->setCentralWidget(centre);
    commands = std::make_unique<gui::TPlainModeCommands>(*window);
    ui = std::make_unique<gui::CaptureUi>(*window, *commands, *session, *view, *centre, files);
    window->resize(560, 420);
    window->show();
    QApplication::processEvents();
  }
  void TearDown() override {
    ui.reset();
    window.reset();
    session.reset();
  }
  const Image* Picture() const { return ui->Preview()->Picture(); }
};

TEST_F(CaptureWindowTest, PreviewReplacesTheViewAndATimedRecordingIsSaved) {
  EXPECT_FALSE(ui->ToolBar()->isVisible());
  session->Video.SetMode(vmCapture);
  ASSERT_EQ(session->Video.Mode(), vmCapture) << presenter.LastText();
  EXPECT_TRUE(ui->ToolBar()->isVisible());
  EXPECT_TRUE(ui->Preview()->isVisible());
  EXPECT_FALSE(view->isVisible());
  EXPECT_EQ(ui->Preview()->geometry(), centre->rect());
  ASSERT_TRUE(Until([&] { return Picture() != nullptr; }));
  EXPECT_EQ(Picture()->Width(), 320);
  test::Shot(*window, "capture-mode");

  // The dialog: the larger format, 25 images per second, two seconds.
  gui::TBoiteCapture& d = ui->Dialog();
  d.Load();
  ASSERT_EQ(d.DeviceList()->count(), static_cast<int>(ui->Capture().Devices().size()));
  EXPECT_EQ(d.DeviceList()->item(0)->text(), QStringLiteral("Mire de test"));
  EXPECT_EQ(d.RateBox()->currentText(), QStringLiteral("30 fps"));
  EXPECT_FALSE(d.DurationBox()->isEnabled());
  d.FormatList()->setCurrentRow(1);
  d.RateBox()->setCurrentIndex(d.RateBox()->findText(QStringLiteral("25 fps")));
  d.DurationCheck()->setChecked(true);
  EXPECT_TRUE(d.DurationBox()->isEnabled());
  d.DurationBox()->setEditText(QStringLiteral("2"));
  d.Pages()->setCurrentIndex(gui::TBoiteCapture::pgTimer);
  d.show();
  QApplication::processEvents();
  test::Shot(d, "capture-settings-timer");
  d.Pages()->setCurrentIndex(gui::TBoiteCapture::pgDevice);
  QApplication::processEvents();
  test::Shot(d, "capture-settings-device");
  d.hide();
  d.Apply();
  EXPECT_EQ(ui->Capture().FormatName(), "rgb24 640x480");
  ASSERT_TRUE(Until([&] { return Picture() != nullptr && Picture()->Width() == 640; }));

  files.answer = dir.File("chute");
  std::string saved;
  TConnection c = ui->Capture().OnFileSaved.Connect([&](const std::string& path) { saved = path; });
  ui->Action("ButtonCapEnregistrer")->trigger();
  EXPECT_TRUE(ui->Action("ButtonCapEnregistrer")->isChecked());
  ASSERT_TRUE(Until([&] { return !saved.empty(); }));
  EXPECT_FALSE(ui->Action("ButtonCapEnregistrer")->isChecked());
  EXPECT_EQ(saved, dir.File("chute.avi"));
  ASSERT_EQ(files.asked.size(), 1u);
  EXPECT_EQ(files.asked[0].title, "Enregistrer une vidéo");
  EXPECT_EQ(files.asked[0].initialDir, dir.Path());
  // Still in capture mode, the preview comes back.
  EXPECT_TRUE(Until([&] { return ui->Backend().Connected(); }));

  session->Video.SetMode(vmRepereFixe);
  EXPECT_FALSE(ui->Preview()->isVisible());
  EXPECT_TRUE(view->isVisible());
  EXPECT_FALSE(ui->Backend().Connected());
  EXPECT_FALSE(ui->ToolBar()->isVisible());

  // The program opens the recording with every image the status counted
  // (the pattern's own clock paces it: a busy machine gives fewer images,
  // never missing ones).
  const TCaptureCounts n = ui->Capture().Counts();
  EXPECT_GT(n.captured, 10);
  ASSERT_TRUE(session->OpenVideo(saved));
  EXPECT_EQ(session->Video.ImagesNumber(), n.captured + n.dropped);
  EXPECT_EQ(session->Video.ImageWidth(), 640);
  EXPECT_DOUBLE_EQ(session->Video.ImageRate(), 25);
}

}  // namespace
}  // namespace kinevo

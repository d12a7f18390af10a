// The tracking mode in a real window over a real video: a circle contour
// and a ban zone drawn with the mouse, a whole run with the stop button
// pressed half-way, then a full run past a screen that hides the ball, with
// screenshots of the contour, the zones and the uncertain marks; clicks and
// a mode change while a run works on its thread.
#include "gui/tracking/tracking_ui.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QMainWindow>
#include <QMenu>
#include <QMouseEvent>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <numbers>

#include "gui/video/video_widget.h"
#include "platform/avi/vfw_play.h"
#include "platform/ffmpeg/ds_play.h"
#include "platform/ffmpeg/ffmpeg_play.h"
#include "support/ball_scene.h"
#include "support/grey_ball_scene.h"
#include "support/qt_test_application.h"
#include "support/run_program.h"
#include "support/scripted_dialog.h"
#include "support/shots.h"
#include "support/temp_dir.h"
#include "support/test_videos.h"

namespace kinevo {
namespace {

::testing::Environment* const kApp =
    ::testing::AddGlobalTestEnvironment(new test::QtTestApplication("test_gui_tracking"));

constexpr int kW = 320, kH = 240, kFrames = 24;
double BallX(int k) { return 40.5 + 6 * k; }
// The screen hides the ball on images 15 and 16, and part of it on images
// 14, 17 and 18.
const test::TScreenRect kScreen{120, 60, 150, 200};
bool Hidden(int k) { return k >= 14 && k <= 18; }

std::string WriteVideo(const std::string& dir) {
  const std::string raw = dir + "/frames.rgb", avi = dir + "/balle.avi";
  FILE* f = std::fopen(raw.c_str(), "wb");
  if (f == nullptr) return {};
  for (int k = 0; k < kFrames; ++k) {
    const Image img = test::BallScene(kW, kH, BallX(k), 120.5, 8, Hidden(k) ? &kScreen : nullptr);
    std::fwrite(img.Data(), 1, img.ByteSize(), f);
  }
  std::fclose(f);
  const auto r = test::RunProgram(
      "ffmpeg", {"-loglevel", "error", "-y", "-f", "rawvideo", "-pix_fmt", "rgb24", "-s", "320x240",
                 "-r", "25", "-i", raw, "-c:v", "rawvideo", "-pix_fmt", "bgr24", avi});
  std::remove(raw.c_str());
  return r.status == 0 ? avi : std::string();
}

struct NoValues : IValueDialogPresenter {
  void Present(IValueEntry&) override {}
};

struct TrackingWindowTest : ::testing::Test {
  test::TempDir dir{"kinevo_track_ui"};
  test::ScriptedDialog presenter;
  NoValues noValues;
  std::unique_ptr<TSession> session;
  std::unique_ptr<QMainWindow> window;
  gui::VideoWidget* view = nullptr;
  std::unique_ptr<TBoiteValeur> values;
  std::unique_ptr<gui::TPlainModeCommands> commands;
  std::unique_ptr<gui::TrackingUi> ui;

  void SetUp() override {
    TFrameSourceSet sources;
    sources.vfw = std::make_unique<TVfwPlay>();
    sources.ds = std::make_unique<TDSPlay>();
    sources.ffmpeg = std::make_unique<TFFMpegPlay>();
    session = std::make_unique<TSession>(std::move(sources), "", &presenter);
    window = std::make_unique<QMainWindow>();
    view = new gui::VideoWidget(session->Video, window.get());
    window->setCentralWidget(view);
    values = std::make_unique<TBoiteValeur>(session->Dialog, &noValues);
    commands = std::make_unique<gui::TPlainModeCommands>(*window);
    ui = std::make_unique<gui::TrackingUi>(*window, *commands, *session, *view, *values);
    window->resize(kW + 40, kH + 140);
    window->show();
    QApplication::processEvents();
  }
  void TearDown() override {
    ui.reset();
    window.reset();
    session.reset();
  }
  // A mouse event on the view at a picture position in pixels.
  void Mouse(QEvent::Type type, double px, double py, Qt::MouseButton b = Qt::LeftButton) {
    const TPixel v = session->Video.PictureToScreen({px / kW, py / kH});
    QMouseEvent e(type, QPointF(v.x, v.y), view->mapToGlobal(QPointF(v.x, v.y)), b,
                  type == QEvent::MouseMove ? Qt::NoButton : b, Qt::NoModifier);
    QApplication::sendEvent(view, &e);
  }
  int Marked() const {
    int n = 0;
    for (const auto& m : ui->Tracking().Current().marks) n += m.fileIndex >= 0;
    return n;
  }
  // Lets the window run until the tracking run ended.
  bool WaitForTheEnd() {
    QElapsedTimer t;
    t.start();
    while (ui->Tracking().Running() && t.elapsed() < 60000)
      QApplication::processEvents(QEventLoop::AllEvents, 20);
    return !ui->Tracking().Running();
  }
  // The ball's video, open in tracking mode, with a circle contour around
  // the ball on image 0 and a run to `last`.
  void OpenWithContour(int last) {
    const std::string video = WriteVideo(dir.Path());
    ASSERT_FALSE(video.empty()) << "the ffmpeg program could not write the video";
    ASSERT_TRUE(session->OpenVideo(video));
    session->Video.SetMode(vmTracking);
    session->Video.GoToImage(0);
    std::vector<TPictureCoord> circle;
    for (int i = 0; i < 16; ++i) {
      const double a = 2 * std::numbers::pi * i / 16;
      circle.push_back({(BallX(0) + 6 * std::cos(a)) / kW, (120.5 + 6 * std::sin(a)) / kH});
    }
    ASSERT_TRUE(ui->Tracking().SetContour(circle));
    ui->Tracking().SetLastImage(last);
  }
  void Shot(const std::string& name) {
    QApplication::processEvents();
    const QImage img = window->grab().toImage();
    ASSERT_TRUE(test::SaveShot(img, name));
  }
};

TEST_F(TrackingWindowTest, DrawRunStopHalfWayThenListTheHiddenImages) {
  const std::string video = WriteVideo(dir.Path());
  ASSERT_FALSE(video.empty()) << "the ffmpeg program could not write the video";
  ASSERT_TRUE(session->OpenVideo(video));
  EXPECT_FALSE(ui->ToolBar()->isVisible());
  session->Video.SetMode(vmTracking);
  QApplication::processEvents();
  EXPECT_TRUE(ui->ToolBar()->isVisible());

  // A circle around the ball on image 0, then a ban zone closed by a
  // double click, all with the mouse.
  ui->Action("MenuSuiviFormeCercle")->trigger();
  ui->Action("ButtonTrackContour")->trigger();
  Mouse(QEvent::MouseButtonPress, BallX(0) - 0.5, 120);
  Mouse(QEvent::MouseMove, BallX(0) + 5.5, 120);
  Mouse(QEvent::MouseButtonPress, BallX(0) + 5.5, 120);
  ASSERT_TRUE(ui->Tracking().HasContour());
  ui->Action("ButtonTrackBanZone")->trigger();
  for (auto [x, y] : {std::pair{20.0, 20.0}, {90.0, 20.0}}) Mouse(QEvent::MouseButtonPress, x, y);
  Mouse(QEvent::MouseButtonDblClick, 55, 60);
  ASSERT_EQ(ui->Tracking().Current().banZones.size(), 1u);
  ui->Action("ButtonTrackBanZone")->trigger();  // tool off
  ui->Tracking().SetLastImage(kFrames - 1);
  Shot("tracking-contour-zone");

  // The stop button, pressed from the event loop when image 10 of 24 is
  // done, ends the run before the next image.
  QStringList messages;
  QObject::connect(window->statusBar(), &QStatusBar::messageChanged,
                   [&](const QString& m) { messages << m; });
  QString captionDuringRun;
  auto link = ui->Tracking().OnProgress.Connect([&](std::pair<int, int> p) {
    if (p.first == 10) {
      captionDuringRun = ui->Action("ButtonTrackSuivi")->text();
      QTimer::singleShot(0, [&] { ui->Action("ButtonTrackSuivi")->trigger(); });
    }
  });
  ui->Action("ButtonTrackSuivi")->trigger();
  ASSERT_TRUE(WaitForTheEnd());
  EXPECT_EQ(Marked(), 10);
  EXPECT_EQ(captionDuringRun, QStringLiteral("Arrêter"));
  EXPECT_EQ(ui->Action("ButtonTrackSuivi")->text(), QStringLiteral("Démarrer"));
  EXPECT_TRUE(messages.contains(QStringLiteral("image 5 / 24")))
      << messages.join("|").toStdString();
  link.Disconnect();

  // A full run: the hidden images are listed and drawn with warning marks.
  ui->Action("ButtonTrackEffacerTrack")->trigger();
  EXPECT_EQ(Marked(), 0);
  ui->Action("ButtonTrackSuivi")->trigger();
  ASSERT_TRUE(WaitForTheEnd());
  EXPECT_EQ(Marked(), kFrames);
  const auto& uncertain = ui->Tracking().UncertainImages();
  for (int k : {15, 16})
    EXPECT_NE(std::find(uncertain.begin(), uncertain.end(), k), uncertain.end()) << k;
  for (int k : uncertain) EXPECT_TRUE(Hidden(k)) << k;
  EXPECT_TRUE(presenter.Contains("Suivi incertain sur les images")) << presenter.LastText();
  EXPECT_EQ(window->statusBar()->currentMessage().toStdString(), ui->Tracking().UncertainText());
  session->Video.GoToImage(16);
  Shot("tracking-uncertain-marks");

  // Leaving the mode: "Enregistrer" makes Grid marks.
  presenter.AnswerCaption("Enregistrer");
  session->Video.SetMode(vmRepereFixe);
  EXPECT_EQ(session->Data.GridMarks().MarksCount(), kFrames);
  EXPECT_FALSE(ui->ToolBar()->isVisible());
}

TEST_F(TrackingWindowTest, TheOptionsThresholdAppliesWithoutUndoingTheMenuChoices) {
  EXPECT_DOUBLE_EQ(ui->Tracking().Settings().uncertainFraction, 0.7);
  ui->Tracking().SetRadius(60);  // as the menu does
  session->Options.TrackingUncertainty_Value = 45;
  session->Options.NotifyChanged();
  EXPECT_DOUBLE_EQ(ui->Tracking().Settings().uncertainFraction, 0.45);
  EXPECT_EQ(ui->Tracking().Settings().radius, 60);
}

TEST_F(TrackingWindowTest, ChangedOptionsReachTrackingAtOnce) {
  session->Options.ShapeNumber_Value = 1;  // "Polygone" in the options' list
  session->Options.TrackingRadius_Value = 80;
  session->Options.CheckBox52ShowRadiusSearch = !ui->Tracking().Settings().showSearchZone;
  session->Options.NotifyChanged();
  const TTrackingSettings& s = ui->Tracking().Settings();
  EXPECT_EQ(s.shape, csPolygon);
  EXPECT_EQ(s.radius, 80);
  EXPECT_EQ(s.showSearchZone, session->Options.CheckBox52ShowRadiusSearch);
  EXPECT_TRUE(ui->Action("MenuSuiviFormePolygone")->isChecked());

  session->Options.ShapeNumber_Value = 2;
  session->Options.NotifyChanged();
  EXPECT_EQ(ui->Tracking().Settings().shape, csCircle);
  session->Options.ShapeNumber_Value = 0;
  session->Options.NotifyChanged();
  EXPECT_EQ(ui->Tracking().Settings().shape, csFreehand);
}

// While a run works on its thread the window answers: a click on the
// view reaches no tracker state, the buttons other than "Arrêter" are off,
// and leaving the mode ends the run and offers its marks.
TEST_F(TrackingWindowTest, TheWindowAnswersDuringARunAndLeavingTheModeEndsIt) {
  OpenWithContour(12);                          // before the screen: every image sure
  ui->Action("ButtonTrackContour")->trigger();  // a click would start an outline
  const std::vector<TPictureCoord> contour = ui->Tracking().Current().contour.picture;
  int shown = 0;
  auto link = ui->Tracking().OnProgress.Connect([&](std::pair<int, int> p) {
    if (p.first != 5) return;
    ++shown;
    // From the event loop, as a user would, while the worker goes on.
    QTimer::singleShot(0, [&] {
      EXPECT_TRUE(ui->Tracking().Running());
      EXPECT_EQ(ui->Action("ButtonTrackSuivi")->text(), QStringLiteral("Arrêter"));
      EXPECT_FALSE(ui->Action("ButtonTrackEffacerContour")->isEnabled());
      Mouse(QEvent::MouseButtonPress, 30, 30);
      Mouse(QEvent::MouseButtonRelease, 30, 30);
      Mouse(QEvent::MouseButtonDblClick, 30, 30);
      EXPECT_EQ(ui->Tracking().DrawState(), dsIdle);
      EXPECT_EQ(ui->Tracking().Current().contour.picture, contour);
    });
  });
  ui->Action("ButtonTrackSuivi")->trigger();
  EXPECT_TRUE(ui->Tracking().Running());  // the trigger returned at once
  ASSERT_TRUE(WaitForTheEnd());
  EXPECT_EQ(shown, 1);
  EXPECT_EQ(Marked(), 13);
  EXPECT_EQ(window->statusBar()->currentMessage(), QStringLiteral("Suivi terminé"));

  // Again, leaving the mode half-way: the run ends there, its marks are
  // offered and kept.
  link.Disconnect();
  ui->Action("ButtonTrackEffacerTrack")->trigger();
  link = ui->Tracking().OnProgress.Connect([&](std::pair<int, int> p) {
    if (p.first == 8)
      QTimer::singleShot(0, [&] {
        presenter.AnswerCaption("Enregistrer");
        session->Video.SetMode(vmRepereFixe);
      });
  });
  ui->Action("ButtonTrackSuivi")->trigger();
  ASSERT_TRUE(WaitForTheEnd());
  EXPECT_EQ(session->Video.Mode(), vmRepereFixe);
  const int kept = session->Data.GridMarks().MarksCount();
  EXPECT_GE(kept, 8);
  EXPECT_LT(kept, 13);
}

// The tracker chosen in the menu, kept with the analysis, follows two grey
// balls crossing: each system keeps its own, the images where the front
// ball hides the other are marked uncertain.
TEST_F(TrackingWindowTest, AppearanceChosenInTheMenuFollowsTwoCrossingBalls) {
  test::TGreyScene scene;
  scene.balls.push_back({[](double t) { return TPixelF{40.0 + 8.0 * t, 100.0}; }, 14.0, 0.0});
  scene.balls.push_back({[](double t) { return TPixelF{280.0 - 8.0 * t, 110.0}; }, 14.0, 2.0});
  const std::string video = dir.Path() + "/croisement.mkv";
  ASSERT_TRUE(
      test::WritePicturesWithFfmpeg(video, scene.width, scene.height, scene.images, 25,
                                    [&scene](Image& picture, int k) { picture = scene.Picture(k); },
                                    {"-c:v", "ffv1", "-pix_fmt", "bgr0"}));
  ASSERT_TRUE(session->OpenVideo(video));
  session->Data.SetMarksNumberPerFrame(2);
  session->Video.SetMode(vmTracking);
  QApplication::processEvents();
  EXPECT_TRUE(ui->Action("MenuSuiviCouleur")->isChecked());
  ui->Action("MenuSuiviApparence")->trigger();
  EXPECT_EQ(session->Data.TrackingMethod(), tmAppearance);
  EXPECT_TRUE(ui->Action("MenuSuiviApparence")->isChecked());
  EXPECT_FALSE(ui->Action("MenuSuiviCouleur")->isChecked());
  auto* menu = window->findChild<QMenu*>(QStringLiteral("MenuSuivi"));
  ASSERT_NE(menu, nullptr);
  ASSERT_TRUE(test::SaveShot(menu->grab().toImage(), "tracking-method-menu"));

  session->Video.GoToImage(0);
  for (int b = 0; b < 2; ++b) {
    ui->Tracking().SetCurrentSystem(b);
    ASSERT_TRUE(ui->Tracking().SetContour(scene.Contour(b, 0)));
  }
  ui->Tracking().SetCurrentSystem(0);
  ui->Action("ButtonTrackSuivi")->trigger();
  ASSERT_TRUE(WaitForTheEnd());
  for (int b = 0; b < 2; ++b) {
    const TAutoMark& last = ui->Tracking().System(b).marks.back();
    const TPixelF truth = scene.Truth(b, scene.images - 1);
    EXPECT_LT(std::hypot(last.position.x * kW - truth.x, last.position.y * kH - truth.y), 1.5)
        << "ball " << b;
  }
  EXPECT_FALSE(ui->Tracking().UncertainImages().empty());
  session->Video.GoToImage(16);
  Shot("tracking-two-objects");
}

}  // namespace
}  // namespace kinevo

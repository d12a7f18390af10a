// The video view window over a real AVI file, rendered offscreen: the
// picture reaches the screen, the scroll bars and the loupe show, the mouse
// reaches the view, and the time-base dialog accepts and refuses values.
// Screenshots go to $KINEVO_SHOT_DIR when it is set.
#include "gui/video/video_widget.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTimer>
#include <cstdlib>

#include "core/common/number_format.h"
#include "gui/video/duration_dialog.h"
#include "platform/avi/vfw_play.h"
#include "support/qt_test_application.h"
#include "support/scripted_dialog.h"
#include "support/test_videos_avi.h"

namespace kinevo {
namespace {

// One application for the whole program, deleted at the end.
KINEVO_QT_TEST_APPLICATION("test_gui_video");

void App() {}

class NullSource : public TBridgeFrameSource {
 public:
  explicit NullSource(TVideoFramework fw) : TBridgeFrameSource(fw) {}
  ~NullSource() override { Close(); }
  bool LoadBridgeLibrary() override { return false; }
  std::string FileComment(const std::string&) override { return {}; }

 protected:
  bool OpenFile(const std::string&, TStreamInfo&) override { return false; }
  void CloseFile() override {}
  bool FetchImage(int32_t, Image&) override { return false; }
};

Image ToImage(const QImage& q) {
  QImage rgb = q.convertToFormat(QImage::Format_RGB888);
  Image img(rgb.width(), rgb.height());
  for (int y = 0; y < rgb.height(); ++y)
    std::copy_n(rgb.constScanLine(y), img.Stride(), img.Row(y));
  return img;
}

void Shot(QWidget& w, const char* name) {
  const QByteArray dir = qgetenv("KINEVO_SHOT_DIR");
  if (dir.isEmpty()) return;
  QDir().mkpath(QString::fromLocal8Bit(dir));
  w.grab().save(QString::fromLocal8Bit(dir) + "/" + name);
}

struct WidgetFixture : ::testing::Test {
  std::string folder;
  std::unique_ptr<TVideo> video;
  std::unique_ptr<gui::VideoWidget> widget;

  void SetUp() override {
    App();
    folder = test::MakeTempDir("kinevo-view");
    ASSERT_TRUE(test::WriteIndexedAvi(folder + "/clip.avi", 320, 240, 12));
    video =
        std::make_unique<TVideo>(std::make_unique<TVfwPlay>(), std::make_unique<NullSource>(fwDS),
                                 std::make_unique<NullSource>(fwFFMpeg));
    widget = std::make_unique<gui::VideoWidget>(*video);
    widget->SetTitleFile(QString::fromUtf8(KINEVO_SOURCE_DIR "/resources/title.svg"));
    widget->resize(320, 240);
    widget->show();
    QApplication::processEvents();
  }
  void TearDown() override {
    widget.reset();
    video.reset();
    QDir(QString::fromStdString(folder)).removeRecursively();
  }
  Image Grab() { return ToImage(widget->grab().toImage()); }
};

TEST_F(WidgetFixture, TitleWithoutVideoThenThePictureAtFullSize) {
  Image title = Grab();
  int lit = 0;
  for (int y = 0; y < title.Height(); y += 4)
    for (int x = 0; x < title.Width(); x += 4) lit += title.Pixel(x, y) != colors::Black ? 1 : 0;
  EXPECT_GT(lit, 10);  // the title picture, not an empty black window
  Shot(*widget, "view_title.png");

  video->OpenVideo(folder + "/clip.avi");
  ASSERT_TRUE(video->IsOpen());
  widget->resize(320, 240);
  QApplication::processEvents();
  EXPECT_EQ(test::ReadIndexPattern(Grab()), 0);
  video->GoToDisplayedImage(7);
  EXPECT_EQ(test::ReadIndexPattern(Grab()), 7);
  EXPECT_TRUE(widget->VerticalBar()->isHidden());
  Shot(*widget, "view_100.png");
}

TEST_F(WidgetFixture, ZoomShowsScrollBarsAndTheCornerSquare) {
  video->OpenVideo(folder + "/clip.avi");
  video->GoToDisplayedImage(5);
  video->ZoomAt(0, 0, 1, false, 100);
  video->ZoomAt(0, 0, 1, false, 200);
  ASSERT_EQ(video->ZoomValue(), 300);
  widget->SyncFromView();
  EXPECT_FALSE(widget->VerticalBar()->isHidden());
  EXPECT_FALSE(widget->HorizontalBar()->isHidden());
  EXPECT_EQ(widget->VerticalBar()->maximum(), video->VertBar().ImgSize - video->VertBar().Page);
  Image shot = Grab();
  EXPECT_EQ(shot.Pixel(315, 235), colors::BtnFace);
  // The top-left cell of the pattern (bit 0 of 5 set: white) fills the view.
  EXPECT_EQ(shot.Pixel(20, 20), test::kIndexSetColour);
  Shot(*widget, "view_300.png");
  // Moving the bar moves the visible part.
  widget->HorizontalBar()->setValue(widget->HorizontalBar()->maximum());
  EXPECT_EQ(video->VisibleRect().right, 320);
  // A click in the trough moves 10 view pixels, either way.
  QScrollBar* bar = widget->VerticalBar();
  bar->setValue(100);
  bar->triggerAction(QAbstractSlider::SliderPageStepAdd);
  EXPECT_EQ(bar->value(), 110);
  EXPECT_EQ(video->VertBar().ImgPos, 110);
  bar->triggerAction(QAbstractSlider::SliderPageStepSub);
  bar->triggerAction(QAbstractSlider::SliderPageStepSub);
  EXPECT_EQ(bar->value(), 90);
}

TEST_F(WidgetFixture, LoupeAndWaitingText) {
  video->OpenVideo(folder + "/clip.avi");
  widget->resize(320, 240);
  video->GoToDisplayedImage(3);
  video->ShowLoupe(true);
  widget->SyncFromView();
  ASSERT_TRUE(widget->Loupe()->isVisible());
  const TPixelRect b = video->Loupe().Bounds();
  EXPECT_EQ(b, (TPixelRect{320 - 64 - 2, 2, 320 - 2, 2 + 48}));
  QMouseEvent move(QEvent::MouseMove, QPointF(40, 30), QPointF(40, 30), Qt::NoButton, Qt::NoButton,
                   Qt::NoModifier);
  QApplication::sendEvent(widget.get(), &move);
  EXPECT_EQ(video->Loupe().Center, (TPixel{40, 30}));
  Image shot = Grab();
  EXPECT_EQ(shot.Pixel(b.left, b.top + 20), colors::Black);      // frame
  EXPECT_EQ(shot.Pixel(b.left + 32, b.top + 5), colors::White);  // cross-hair
  Shot(*widget, "view_loupe.png");
  video->SetWaiting(true);
  Shot(*widget, "view_waiting.png");
  video->SetWaiting(false);
}

TEST_F(WidgetFixture, MouseWithTheZoomToolZoomsAtTheClick) {
  video->OpenVideo(folder + "/clip.avi");
  widget->resize(320, 240);
  video->SetTool(vtZoom);
  for (QEvent::Type t : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
    QMouseEvent e(t, QPointF(300, 120), QPointF(300, 120), Qt::LeftButton,
                  t == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(widget.get(), &e);
  }
  EXPECT_EQ(video->ZoomValue(), 200);
  EXPECT_EQ(video->VisibleRect().left, 160);
  EXPECT_FALSE(widget->VerticalBar()->isHidden());
}

TEST(DurationWindow, AcceptsATypedValueAfterRefusingBadText) {
  App();
  ScopedDecimalSeparator sep(',');
  test::ScriptedDialog presenter;
  TUserDlg dlg(&presenter);
  gui::TBoiteTemps box(dlg);
  double result = 0;
  EXPECT_FALSE(box.Execute(false, 0.04, 0.04, result));
  box.OnShown = [&](QWidget* d) {
    auto* byDefault = d->findChild<QRadioButton*>("default");
    ASSERT_NE(byDefault, nullptr);
    EXPECT_TRUE(byDefault->isChecked());
    auto* edit = d->findChild<QLineEdit*>("value");
    auto* ok = d->findChild<QPushButton*>("ok");
    edit->setText("abc");
    ok->click();  // refused: the dialog stays open
    EXPECT_TRUE(d->isVisible());
    edit->setText("0,5");
    ok->click();
  };
  ASSERT_TRUE(box.Execute(true, 0.04, 0.04, result));
  EXPECT_EQ(result, 0.5);
  ASSERT_EQ(presenter.Count(), 1u);
  EXPECT_EQ(presenter.shown[0].icon, icWarning);
  // At the next opening T differs from D: the second button is selected.
  box.OnShown = [&](QWidget* d) {
    EXPECT_TRUE(d->findChild<QRadioButton*>("other")->isChecked());
    EXPECT_EQ(d->findChild<QLineEdit*>("value")->text(), QString("0,5"));
    d->findChild<QPushButton*>("ok")->click();
  };
  ASSERT_TRUE(box.Execute(true, 0.04, 0.5, result));
  EXPECT_EQ(result, 0.5);
  // Times read from a variable-rate file: the dialog says so, and only then.
  EXPECT_EQ(box.FileTimes, false);
  box.FileTimes = true;
  box.OnShown = [&](QWidget* d) {
    auto* line = d->findChild<QLabel*>("fileTimes");
    ASSERT_NE(line, nullptr);
    EXPECT_TRUE(line->text().startsWith(QString::fromUtf8("Fréquence de trame variable")));
    if (const char* shot = std::getenv("KINEVO_SHOT_DIR"))
      d->grab().save(QString::fromUtf8(shot) + "/time_dialog_file_times.png");
    d->findChild<QPushButton*>("ok")->click();
  };
  ASSERT_TRUE(box.Execute(true, 0.0437, 0.0437, result));
  // Durations that mean nothing: the dialog warns of them, and only then.
  box.FileTimes = false;
  box.OnShown = [&](QWidget* d) {
    EXPECT_EQ(d->findChild<QLabel*>("timingWarning"), nullptr);
    d->findChild<QPushButton*>("ok")->click();
  };
  ASSERT_TRUE(box.Execute(true, 0.04, 0.04, result));
  box.IncoherentDurations = true;
  box.OnShown = [&](QWidget* d) {
    auto* line = d->findChild<QLabel*>("timingWarning");
    ASSERT_NE(line, nullptr);
    EXPECT_TRUE(line->text().contains(QString::fromUtf8("durées d'images incohérentes")));
    if (const char* shot = std::getenv("KINEVO_SHOT_DIR"))
      d->grab().save(QString::fromUtf8(shot) + "/time_dialog_incoherent.png");
    d->findChild<QPushButton*>("ok")->click();
  };
  ASSERT_TRUE(box.Execute(true, 0.04, 0.04, result));
  EXPECT_EQ(box.ChosenCaptureRate, 0.0);
  // A slow-motion video: the dialog says at what rate it was filmed, and a
  // capture rate typed in its box gives T.
  box.IncoherentDurations = false;
  box.PlaybackRate = 30;
  box.CaptureRate = 120;
  box.OnShown = [&](QWidget* d) {
    auto* line = d->findChild<QLabel*>("captureRate");
    ASSERT_NE(line, nullptr);
    EXPECT_EQ(line->text(),
              QString::fromUtf8("Vidéo filmée au ralenti à 120 images/s (lecture à 30 images/s)"));
    EXPECT_TRUE(d->findChild<QRadioButton*>("default")->isChecked());
    auto* rate = d->findChild<QLineEdit*>("captureValue");
    EXPECT_EQ(rate->text(), QString("120"));
    rate->setFocus();
    rate->selectAll();
    for (const char c : std::string("240")) {
      QKeyEvent key(QEvent::KeyPress, Qt::Key_0 + (c - '0'), Qt::NoModifier, QString(QChar(c)));
      QApplication::sendEvent(rate, &key);
    }
    EXPECT_EQ(rate->text(), QString("240"));
    EXPECT_TRUE(d->findChild<QRadioButton*>("capture")->isChecked());
    if (const char* shot = std::getenv("KINEVO_SHOT_DIR"))
      d->grab().save(QString::fromUtf8(shot) + "/time_dialog_slow_motion.png");
    d->findChild<QPushButton*>("ok")->click();
  };
  ASSERT_TRUE(box.Execute(true, 1.0 / 120, 1.0 / 120, result));
  EXPECT_DOUBLE_EQ(result, 1.0 / 240);
  EXPECT_DOUBLE_EQ(box.ChosenCaptureRate, 240.0);
}

}  // namespace
}  // namespace kinevo

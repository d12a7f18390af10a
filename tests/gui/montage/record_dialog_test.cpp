// The recording dialog: what its pages show and return, and a recording
// run through its windows onto a real AVI file.
#include "gui/montage/record_dialog.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabWidget>
#include <filesystem>

#include "platform/avi/vfw_record.h"
#include "platform/ffmpeg/ffmpeg_recorder.h"
#include "platform/ffmpeg/ffmpeg_video.h"
#include "support/fake_view.h"
#include "support/qt_test_application.h"
#include "support/scripted_dialog.h"
#include "support/shots.h"
#include "support/temp_dir.h"
#include "support/test_videos.h"

namespace kinevo {
namespace {

KINEVO_QT_TEST_APPLICATION("test_gui_montage");

TRecordRequest SampleRequest() {
  TRecordRequest r;
  r.operation = roMontage;
  r.title = TRecordMontage::kTitleMontage;
  r.width = 320;
  r.height = 240;
  r.images = 40;
  r.blanks = 3;
  r.backends = {{fwVfw, "Video for Windows (VFW)", {"sans", "MJPEG"}},
                {fwDS, "DirectShow (DS)", {"MJPEG", "FFV1", "MPEG-4"}},
                {fwFFMpeg, "FFMpeg", {"FFMpeg internal MPEG4 codec"}}};
  return r;
}

template <class T>
T* Find(QWidget& w, const char* name) {
  T* child = w.findChild<T*>(QString::fromLatin1(name));
  EXPECT_NE(child, nullptr) << name;
  return child;
}

TEST(RecordWindow, PagesShowTheRequestAndReturnTheChoices) {
  gui::TBoiteRecordMontage box;
  TRecordChoices previous;
  previous.framework = fwDS;
  previous.codec = "FFV1";
  previous.rate = 25;
  box.Setup(SampleRequest(), previous);
  EXPECT_EQ(box.windowTitle().toStdString(), "Enregistrer le montage dans un fichier vidéo");
  auto* summary = Find<QLabel>(box, "summary");
  EXPECT_TRUE(summary->text().contains("Conteneur vidéo : AVI"));
  EXPECT_TRUE(summary->text().contains("Largeur de l'image en pixels : 320"));
  EXPECT_TRUE(summary->text().contains("Nombre d'images : 40"));
  EXPECT_EQ(Find<QListWidget>(box, "codecs")->currentItem()->text(), "FFV1");

  // Margins: each spin box goes to its own side.
  Find<QRadioButton>(box, "RadioButtonCut")->setChecked(true);
  Find<QSpinBox>(box, "top")->setValue(10);
  Find<QSpinBox>(box, "bottom")->setValue(20);
  Find<QSpinBox>(box, "left")->setValue(30);
  Find<QSpinBox>(box, "right")->setValue(40);
  Find<QCheckBox>(box, "emptyImages")->setChecked(true);
  TRecordChoices c = box.Choices();
  EXPECT_EQ(c.sizeMode, smCut);
  EXPECT_EQ(c.margins, (TMargins{30, 10, 40, 20}));
  EXPECT_TRUE(c.emptyImages);
  EXPECT_TRUE(summary->text().contains("Largeur de l'image en pixels : 250"));
  EXPECT_TRUE(summary->text().contains("Hauteur de l'image en pixels : 210"));
  EXPECT_TRUE(summary->text().contains("Nombre d'images : 43"));

  // Changing the back-end lists its codecs.
  auto* framework = Find<QComboBox>(box, "framework");
  EXPECT_FALSE(framework->isEnabled());
  Find<QPushButton>(box, "changeFramework")->click();
  EXPECT_TRUE(framework->isEnabled());
  framework->setCurrentIndex(2);
  c = box.Choices();
  EXPECT_EQ(c.framework, fwFFMpeg);
  EXPECT_EQ(c.codec, "FFMpeg internal MPEG4 codec");

  // Stretching, and margins that leave nothing, which cannot be confirmed.
  Find<QRadioButton>(box, "RadioButtonDeform")->setChecked(true);
  Find<QSpinBox>(box, "width")->setValue(160);
  EXPECT_EQ(box.Choices().stretchWidth, 160);
  EXPECT_EQ(box.Choices().stretchHeight, 240);
  Find<QRadioButton>(box, "RadioButtonCut")->setChecked(true);
  TRecordRequest small = SampleRequest();
  small.width = 60;
  box.Setup(small, box.Choices());
  EXPECT_FALSE(Find<QPushButton>(box, "ok")->isEnabled());
}

TEST(RecordWindow, EachPageLooksRight) {
  gui::TBoiteRecordMontage box;
  TRecordChoices c;
  c.rate = 25;
  box.Setup(SampleRequest(), c);
  box.resize(box.sizeHint());
  auto* pages = box.findChild<QTabWidget*>();
  ASSERT_NE(pages, nullptr);
  const char* names[] = {"record_resume", "record_compression", "record_dimensions",
                         "record_parametres"};
  for (int i = 0; i < 4; ++i) {
    pages->setCurrentIndex(i);
    EXPECT_TRUE(test::Shot(box, names[i]));
  }
  // Splitting a video only shows the summary.
  TRecordRequest split = SampleRequest();
  split.operation = roVideoToPictures;
  box.Setup(split, c);
  EXPECT_FALSE(pages->isTabEnabled(1));
  EXPECT_FALSE(pages->isTabEnabled(3));
}

TEST(RecordWindow, RecordingThroughTheWindowsWritesTheVisibleImages) {
  constexpr int kW = 64, kH = 48;
  test::FakeView view(kW, kH, 6);
  view.mode = vmMontage;
  view.current = 2;
  test::ScriptedDialog presenter;
  TUserDlg dlg(&presenter);
  TMontage montage(view, dlg);
  montage.NewVideo(6);
  montage.SetVisible(1, false);
  TRecordMontage recording(view, montage, dlg);
  recording.SetRecorder(std::make_unique<TVfwRecord>());
  recording.SetRecorder(std::make_unique<TDSRecord>());
  recording.VideoRate = [] { return 25.0; };
  recording.DrawCurrent = [&view](Image& full) {
    full = test::IndexedImage(kW, kH, view.current);
    return true;
  };
  test::TempDir dir("kinevo-record-gui");
  recording.RecentFolder = [&dir] { return dir.Path(); };

  gui::TRecordWindows windows(nullptr);
  windows.Install(recording);
  std::string proposed;
  windows.SaveAnswer = [&](const TSaveRequest& r) {
    proposed = r.fileName;
    return dir.File("out");
  };
  windows.Dialog().OnShown = [](gui::TBoiteRecordMontage* d) {
    d->findChild<QPushButton*>("changeFramework")->click();
    d->findChild<QComboBox*>("framework")->setCurrentIndex(1);  // FFmpeg encoders
    auto* codecs = d->findChild<QListWidget*>("codecs");
    codecs->setCurrentItem(codecs->findItems("FFV1", Qt::MatchExactly).value(0));
    d->findChild<QPushButton*>("ok")->click();
  };
  ASSERT_TRUE(recording.RecordMontage());
  EXPECT_EQ(proposed.rfind("MontageKinevo_1_", 0), 0u);
  EXPECT_EQ(view.current, 2);
  ff::TFfmpegVideo video;
  ASSERT_TRUE(video.Open(dir.File("out.avi")));
  ASSERT_EQ(video.FrameCount(), 5);
  Image got;
  ASSERT_TRUE(video.ReadFrame(1, got));
  EXPECT_TRUE(got == test::IndexedImage(kW, kH, 2));
}

}  // namespace
}  // namespace kinevo

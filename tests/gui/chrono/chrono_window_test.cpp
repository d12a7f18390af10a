// The "Chronophotographie" window on the generated throw, a real video and
// document opened in the main window: it opens from the "Fichier" menus, its
// picture follows its settings, it is saved and copied, and the annotated
// video is written by a worker that "Annuler" stops without a file left.
#include "gui/chrono/chrono_window.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QElapsedTimer>
#include <QMimeData>
#include <QSpinBox>
#include <cmath>
#include <filesystem>

#include "gui/app/main_window.h"
#include "gui/graph/graph_widget.h"
#include "gui/results/results_form.h"
#include "platform/avi/vfw_play.h"
#include "platform/desktop/freedesktop_association.h"
#include "platform/qt/qpainter_canvas.h"
#include "support/qt_test_application.h"
#include "support/scripted_dialog.h"
#include "support/shots.h"
#include "support/temp_dir.h"
#include "support/throw_document.h"

KINEVO_QT_TEST_APPLICATION("test_gui_chrono");

namespace kinevo::gui {
namespace {

using T = test::Throw;

class ChronoWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    doc = test::WriteThrowDocument(dir.Path());
    ASSERT_FALSE(doc.empty());
    MainWindowSetup setup;
    setup.settingsPath = dir.File("Kinevo.ini");
    setup.messages = &messages;
    association = std::make_unique<TFreedesktopAssociation>(dir.File("data"), dir.File("config"));
    association->SetRunner([](const std::vector<std::string>&) { return 127; });
    setup.association = association.get();
    main = std::make_unique<MainWindow>(setup);
    main->OpenArgument(QString::fromStdString(doc));
    ASSERT_TRUE(main->Session().Video.IsOpen()) << messages.LastText();
  }
  // Opens the window as the main window's menu does.
  ChronoWindow& Open() {
    QAction* command = main->Action("MenuFichierChronophotographie");
    EXPECT_TRUE(command->isEnabled());
    command->trigger();
    auto* w = main->ResultsWindow().findChild<ChronoWindow*>();
    EXPECT_NE(w, nullptr);
    return *w;
  }
  template <typename Box>
  Box* Field(ChronoWindow& w, const char* name) {
    auto* box = w.findChild<Box*>(name);
    EXPECT_NE(box, nullptr) << name;
    return box;
  }
  static void Settle() { QApplication::processEvents(); }
  static QRgb At(const QImage& img, double x, double y) {
    return img.pixel(static_cast<int>(std::lround(x)), static_cast<int>(std::lround(y)));
  }
  static bool IsBall(QRgb c) {
    return std::abs(qRed(c) - RedOf(test::kBallColour)) < 12 &&
           std::abs(qGreen(c) - GreenOf(test::kBallColour)) < 12 &&
           std::abs(qBlue(c) - BlueOf(test::kBallColour)) < 12;
  }

  test::TempDir dir{"kinevo_chrono_window"};
  std::string doc;
  test::ScriptedDialog messages;
  std::unique_ptr<TFreedesktopAssociation> association;
  std::unique_ptr<MainWindow> main;
};

TEST_F(ChronoWindowTest, OpensFromTheMenusAndThePictureFollowsTheSettings) {
  ChronoWindow& w = Open();
  ASSERT_TRUE(w.isVisible());
  ASSERT_TRUE(w.Plan().has_value()) << w.StatusText().toStdString();
  EXPECT_EQ(w.Plan()->images.size(), static_cast<std::size_t>(T::kImages));
  ASSERT_EQ(w.Preview().size(), QSize(T::kWidth, T::kHeight));
  // The results window's own "Fichier" menu brings the same window.
  main->ResultsWindow().Action("MenuChronophotographie")->trigger();
  EXPECT_EQ(main->ResultsWindow().findChildren<ChronoWindow*>().size(), 1);

  // One image every 2: the ball of the even images only, beside its mark
  // (a mark's square covers the centre).
  Field<QSpinBox>(w, "ChronoUneSur")->setValue(2);
  Settle();
  ASSERT_TRUE(w.Plan().has_value());
  EXPECT_EQ(w.Plan()->images.size(), 10u);
  for (int i : {4, 5, 6, 7}) {
    const bool shown = i % 2 == 0;
    EXPECT_EQ(IsBall(At(w.Preview(), T::X(i) - 6, T::Y(i))), shown) << "image " << i;
  }
  // Between two positions, the background as filmed.
  const double midX = (T::X(4) + T::X(6)) / 2, midY = T::Y(4) + 20;
  const QRgb ground = At(w.Preview(), midX, midY);
  const TColor filmed =
      T::Background(static_cast<int>(std::lround(midX)), static_cast<int>(std::lround(midY)));
  EXPECT_NEAR(qRed(ground), RedOf(filmed), 12);
  EXPECT_NEAR(qGreen(ground), GreenOf(filmed), 12);
  w.resize(960, 600);
  EXPECT_TRUE(test::Shot(w, "chrono_window"));

  // Speed vectors: every shown mark but the masked ends gets its arrow, and
  // the picture changes.
  const QImage before = w.Preview();
  Field<QComboBox>(w, "ChronoVecteurs")->setCurrentIndex(cvSpeed);
  Settle();
  ASSERT_TRUE(w.Plan().has_value()) << w.StatusText().toStdString();
  int arrows = 0;
  for (const TChronoMark& m : w.Plan()->marks) arrows += m.hasVector;
  EXPECT_GE(arrows, 8);
  EXPECT_NE(w.Preview(), before);
  EXPECT_TRUE(test::Shot(w, "chrono_window_vectors"));
  EXPECT_TRUE(test::SaveShot(w.Preview(), "chrono_vectors"));

  // Marks only: the ball is gone from the picture, the marks stay.
  Field<QCheckBox>(w, "ChronoMarquesSeules")->setChecked(true);
  Settle();
  EXPECT_FALSE(IsBall(At(w.Preview(), T::X(4) - 6, T::Y(4))));

  // A range with no marked image: the reason instead of the picture.
  Field<QSpinBox>(w, "ChronoUneSur")->setValue(1);
  Field<QSpinBox>(w, "ChronoPremiere")->setValue(T::kImages);
  Settle();
  EXPECT_EQ(w.Plan()->images.size(), 1u);
  EXPECT_EQ(w.Plan()->images.front(), T::kImages - 1);
  Field<QSpinBox>(w, "ChronoDerniere")->setValue(T::kImages - 1);
  Settle();
  EXPECT_FALSE(w.Plan().has_value());
  EXPECT_TRUE(w.StatusText().startsWith("Aucune image marquée")) << w.StatusText().toStdString();
  EXPECT_FALSE(w.Action(TChronoCommand::ButtonChronoEnregistrer)->isEnabled());
}

TEST_F(ChronoWindowTest, VectorsTakeTheScaleOfTheResultsVectorView) {
  TResForm& results = main->ResultsWindow();
  ASSERT_TRUE(results.ShowView(rvVectors));
  QApplication::processEvents();
  TGraph* graph = results.Graph(rvVectors, false);
  ASSERT_NE(graph, nullptr);
  // The user doubles the value of the view's scale arrow: arrows half as long.
  const double shown = graph->Model().VectorScaleValue();
  ASSERT_GT(shown, 0.0);
  ASSERT_TRUE(graph->Model().SetVectorScaleValue(2 * shown));
  const double factor = VectorFactorOf(graph->Model(), vkSpeed);
  ASSERT_GT(factor, 0.0);

  ChronoWindow& w = Open();
  Field<QComboBox>(w, "ChronoVecteurs")->setCurrentIndex(cvSpeed);
  Settle();
  ASSERT_TRUE(w.Plan().has_value()) << w.StatusText().toStdString();
  EXPECT_DOUBLE_EQ(w.Plan()->vectorFactor, factor);
  // The arrow of image 4 is its speed at that scale, in picture pixels.
  for (const TChronoMark& m : w.Plan()->marks)
    if (m.image == 4) {
      ASSERT_TRUE(m.hasVector);
      const double metresPerSecond = T::Vx(4) / T::kPixelsPerMetre;
      EXPECT_NEAR(m.vx, metresPerSecond * factor * T::kWidth, 0.02 * std::abs(m.vx));
    }
}

TEST_F(ChronoWindowTest, SavesCopiesAndNeverWritesOverItsInputs) {
  ChronoWindow& w = Open();
  ASSERT_TRUE(w.Plan().has_value());
  for (const char* name : {"c.png", "c.svg", "c.pdf"}) {
    EXPECT_TRUE(w.SaveTo(QString::fromStdString(dir.File(name)))) << name;
    EXPECT_GT(std::filesystem::file_size(dir.File(name)), 1000u) << name;
  }
  const QImage saved(QString::fromStdString(dir.File("c.png")));
  EXPECT_EQ(saved.size(), QSize(T::kWidth, T::kHeight));
  EXPECT_TRUE(IsBall(At(saved, T::X(3) - 6, T::Y(3))));

  // The command asks for the name; one without an ending is a PNG.
  w.ChooseFile = [this](const QString&, const QString&, const QString& proposed) {
    EXPECT_TRUE(proposed.endsWith("lancer-chrono.png")) << proposed.toStdString();
    return QString::fromStdString(dir.File("sans"));
  };
  w.Action(TChronoCommand::ButtonChronoEnregistrer)->trigger();
  EXPECT_FALSE(QImage(QString::fromStdString(dir.File("sans.png"))).isNull());

  w.Action(TChronoCommand::ButtonChronoCopier)->trigger();
  EXPECT_EQ(QApplication::clipboard()->image().size(), QSize(T::kWidth, T::kHeight));
  EXPECT_TRUE(QApplication::clipboard()->mimeData()->hasFormat("image/svg+xml"));

  // Over the document or the video: refused, both left as they were.
  const auto kept = std::filesystem::file_size(doc);
  const std::size_t told = messages.Count();
  EXPECT_FALSE(w.SaveTo(QString::fromStdString(doc)));
  EXPECT_FALSE(w.ExportAnnotatedTo(QString::fromStdString(dir.File("lancer.avi"))));
  EXPECT_EQ(messages.Count(), told + 2);
  EXPECT_EQ(std::filesystem::file_size(doc), kept);
  EXPECT_TRUE(main->Session().Video.IsOpen());
}

TEST_F(ChronoWindowTest, TheAnnotatedVideoIsWrittenByAWorkerAndACancelLeavesNoFile) {
  ChronoWindow& w = Open();
  Field<QComboBox>(w, "ChronoFormat")->setCurrentIndex(1);  // AVI
  Field<QSpinBox>(w, "ChronoTrainee")->setValue(3);
  std::vector<bool> ends;
  TConnections links;
  links += w.OnAnnotatedFinished.Connect([&](const TStatus& s) { ends.push_back(s.ok()); });

  // Cancelled at once: slowed down a hundred times, the run cannot have
  // ended first.
  Field<QSpinBox>(w, "ChronoRalenti")->setValue(100);
  const std::string cancelled = dir.File("annulee");
  ASSERT_TRUE(w.ExportAnnotatedTo(QString::fromStdString(cancelled)));
  EXPECT_TRUE(w.Exporting());
  EXPECT_FALSE(w.Action(TChronoCommand::ButtonChronoVideoAnnotee)->isEnabled());
  w.Action(TChronoCommand::ButtonChronoAnnuler)->trigger();
  w.WaitExport();
  ASSERT_EQ(ends, std::vector<bool>{false});
  EXPECT_EQ(w.StatusText(), "Enregistrement annulé.");
  EXPECT_FALSE(std::filesystem::exists(cancelled + ".avi"));
  for (const auto& f : std::filesystem::directory_iterator(dir.Path()))
    EXPECT_EQ(f.path().string().find("annulee"), std::string::npos) << f.path();

  // Written, the window following it through its events.
  Field<QSpinBox>(w, "ChronoRalenti")->setValue(2);
  const std::string out = dir.File("a.avi");
  ASSERT_TRUE(w.ExportAnnotatedTo(QString::fromStdString(out)));
  QElapsedTimer waited;
  waited.start();
  while (ends.size() < 2 && waited.elapsed() < 60000)
    QApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
  ASSERT_EQ(ends, (std::vector<bool>{false, true}));
  EXPECT_TRUE(w.Action(TChronoCommand::ButtonChronoVideoAnnotee)->isEnabled());
  TVfwPlay reader;
  reader.Open(out);
  ASSERT_TRUE(reader.Opened());
  EXPECT_EQ(reader.ImagesNumber(), 2 * T::kImages);
  Image picture;
  ASSERT_TRUE(reader.ReadImage(25, picture));
  EXPECT_TRUE(test::SaveShot(QPainterCanvas::ImageView(picture).copy(), "annotated_image_12"));
}

}  // namespace
}  // namespace kinevo::gui

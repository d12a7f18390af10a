// "Modèles sur la vidéo" in the main window over the generated throw, a real
// video and document: the curve models fitted in the results window to x(t)
// and y(t) are drawn on the picture, a hollow ring in the system's colour
// on the image shown and the model's path, only while the switch is on; the
// switch goes through a saved document.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QImage>
#include <cmath>
#include <filesystem>

#include "core/graph/curve_models.h"
#include "core/graph/model_tools.h"
#include "gui/app/main_window.h"
#include "gui/graph/graph_widget.h"
#include "gui/results/results_form.h"
#include "gui/video/video_widget.h"
#include "platform/desktop/freedesktop_association.h"
#include "support/qt_test_application.h"
#include "support/scripted_dialog.h"
#include "support/temp_dir.h"
#include "support/throw_document.h"

KINEVO_QT_TEST_APPLICATION("test_gui_app");

namespace kinevo::gui {
namespace {

using T = test::Throw;

class ModelsOnVideo : public ::testing::Test {
 protected:
  void SetUp() override {
    doc = test::WriteThrowDocument(dir.Path());
    ASSERT_FALSE(doc.empty());
    Open();
  }
  void Open() {
    MainWindowSetup setup;
    setup.settingsPath = dir.File("Kinevo.ini");
    setup.messages = &messages;
    association = std::make_unique<TFreedesktopAssociation>(dir.File("data"), dir.File("config"));
    association->SetRunner([](const std::vector<std::string>&) { return 127; });
    setup.association = association.get();
    main = std::make_unique<MainWindow>(setup);
    main->resize(1000, 760);
    main->show();
    main->OpenArgument(QString::fromStdString(doc));
    ASSERT_TRUE(S().Video.IsOpen()) << messages.LastText();
    // The marks' numbers would write in blue where the rings are looked for.
    S().Data.SetMarksNumberPosition(npNone);
    QApplication::processEvents();
  }
  TSession& S() { return main->Session(); }
  // Fits x(t) with a line and y(t) with a parabola in the results window,
  // as a user does: the time view, "Abscisse", then "Ordonnée".
  void FitTheThrow() {
    TResForm& form = main->ResultsWindow();
    ASSERT_TRUE(form.ShowView(rvTime));
    form.ChoiceBox()->setCurrentIndex(0);  // "Abscisse"
    form.Action("ButtonModeleAffine")->trigger();
    form.ChoiceBox()->setCurrentIndex(1);  // "Ordonnée"
    form.Action("ButtonModeleParabole")->trigger();
    QApplication::processEvents();
  }
  QImage Grab() {
    QApplication::processEvents();
    main->View()->repaint();
    return main->View()->grab().toImage();
  }
  // Where the ball is on image i, in the view's pixels.
  TPixel BallOnView(int i, double dx = 0.0) {
    return S().Video.PictureToScreen({(T::X(i) + dx) / T::kWidth, T::Y(i) / T::kHeight});
  }
  // Whether the ring of a ghost of the system's colour (blue) surrounds
  // `centre`: its four extreme points, at the ring's radius.
  static bool IsBlue(QRgb c) { return qBlue(c) > 180 && qRed(c) < 90 && qGreen(c) < 90; }
  int BlueRingPoints(const QImage& shot, TPixel centre) {
    const int r = TModelOverlay::GhostRadius(S().Data.ElementSize());
    int blue = 0;
    for (auto [dx, dy] : {std::pair{r, 0}, std::pair{-r, 0}, std::pair{0, r}, std::pair{0, -r}}) {
      bool found = false;
      // The pen is two pixels wide: either of the two pixels at that distance.
      for (int k : {0, 1})
        found = found || IsBlue(shot.pixel(centre.x + dx +
                                               (dx > 0   ? k
                                                : dx < 0 ? -k
                                                         : 0),
                                           centre.y + dy +
                                               (dy > 0   ? k
                                                : dy < 0 ? -k
                                                         : 0)));
      blue += found ? 1 : 0;
    }
    return blue;
  }
  void Shot(const QImage& shot, const std::string& name) {
    const char* out = std::getenv("KINEVO_SHOTS_DIR");
    if (out == nullptr) return;
    std::filesystem::create_directories(out);
    shot.save(QString::fromStdString(std::string(out) + "/" + name + ".png"));
  }

  test::TempDir dir{"kinevo_models_video"};
  std::string doc;
  test::ScriptedDialog messages;
  std::unique_ptr<TFreedesktopAssociation> association;
  std::unique_ptr<MainWindow> main;
};

TEST_F(ModelsOnVideo, TheFittedModelsRingTheBallOnlyWhileTheSwitchIsOn) {
  QAction* models = main->Action("MenuAffichageModelesVideo");
  ASSERT_NE(models, nullptr);
  EXPECT_EQ(models->text(), QString::fromUtf8("Modèles sur la vidéo"));
  EXPECT_TRUE(models->isCheckable());
  EXPECT_FALSE(models->isChecked());
  FitTheThrow();
  ASSERT_EQ(S().CurveModels.Fit(0, TCurveModelRecord::axX).kind, mkAffine);
  ASSERT_EQ(S().CurveModels.Fit(0, TCurveModelRecord::axY).kind, mkParabola);

  S().Video.GoToImage(6);
  const QImage off = Grab();
  EXPECT_EQ(BlueRingPoints(off, BallOnView(6)), 0);

  models->trigger();
  EXPECT_TRUE(S().Data.ModelsShown());
  QApplication::processEvents();
  EXPECT_TRUE(models->isChecked());
  const QImage on = Grab();
  EXPECT_EQ(BlueRingPoints(on, BallOnView(6)), 4);
  // The ring follows the image shown.
  S().Video.GoToImage(13);
  EXPECT_EQ(BlueRingPoints(Grab(), BallOnView(13)), 4);
  EXPECT_LT(BlueRingPoints(Grab(), BallOnView(6)), 4);

  // A model changed by hand in the results window moves the ghost: x
  // twenty centimetres (twenty pixels) further on.
  main->ResultsWindow().ChoiceBox()->setCurrentIndex(0);
  TGModele* x = main->ResultsWindow().CurrentGraph()->Model().Models().ActiveModel();
  ASSERT_NE(x, nullptr);
  x->SetParameter(0, x->Parameters()[0] + 0.2);
  EXPECT_NEAR(S().CurveModels.Fit(0, TCurveModelRecord::axX).parameters[0], x->Parameters()[0],
              1e-12);
  EXPECT_EQ(BlueRingPoints(Grab(), BallOnView(13, 20.0)), 4);

  models->trigger();
  EXPECT_FALSE(S().Data.ModelsShown());
  EXPECT_EQ(BlueRingPoints(Grab(), BallOnView(13, 20.0)), 0);
}

TEST_F(ModelsOnVideo, TheSwitchGoesThroughASavedDocument) {
  main->Action("MenuAffichageModelesVideo")->trigger();
  ASSERT_TRUE(S().Data.ModelsShown());
  main->Action("MenuFichierEnregistrer")->trigger();
  QApplication::processEvents();
  main.reset();
  Open();
  EXPECT_TRUE(S().Data.ModelsShown());
  EXPECT_TRUE(main->Action("MenuAffichageModelesVideo")->isChecked());
  // Off, saved, reopened: off.
  main->Action("MenuAffichageModelesVideo")->trigger();
  main->Action("MenuFichierEnregistrer")->trigger();
  QApplication::processEvents();
  main.reset();
  Open();
  EXPECT_FALSE(S().Data.ModelsShown());
}

TEST_F(ModelsOnVideo, Screenshots) {
  if (std::getenv("KINEVO_SHOTS_DIR") == nullptr) GTEST_SKIP() << "KINEVO_SHOTS_DIR not set";
  FitTheThrow();
  // The thrown ball leaves a model whose gravity is a fifth too weak.
  TGModele* y = main->ResultsWindow().CurrentGraph()->Model().Models().ActiveModel();
  ASSERT_NE(y, nullptr);
  y->SetParameter(2, y->Parameters()[2] * 0.8);
  main->Action("MenuAffichageModelesVideo")->trigger();
  for (int i : {3, 10, 17}) {
    S().Video.GoToImage(i);
    Shot(Grab(), "models_on_video_" + std::to_string(i));
  }
  S().Video.GoToImage(10);
  QApplication::processEvents();
  main->repaint();
  Shot(main->grab().toImage(), "models_on_video_window");
}

}  // namespace
}  // namespace kinevo::gui

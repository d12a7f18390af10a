// The main window, offscreen, driven by simulated mouse and keys over a real
// video written by the program's AVI writer: scale, origin and axis,
// marking with three systems, undo, save, close and reopen; modes and their
// refusals; the readiness checks; screenshots when KINEVO_SHOTS_DIR is set.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QTimer>
#include <cmath>
#include <cstdlib>
#include <deque>
#include <filesystem>

#include "gui/app/main_window.h"
#include "gui/marking/names_colours_dialog.h"
#include "gui/video/video_widget.h"
#include "support/scripted_dialog.h"
#include "support/test_videos.h"
#include "support/test_videos_avi.h"

namespace fs = std::filesystem;

namespace kinevo::gui {
namespace {

class QtEnv : public ::testing::Environment {
 public:
  void SetUp() override {
    static int argc = 1;
    static char name[] = "test_gui_app";
    static char* argv[] = {name, nullptr};
    if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    if (QApplication::instance() == nullptr) app_ = new QApplication(argc, argv);
  }
  void TearDown() override {
    delete app_;
    app_ = nullptr;
  }

 private:
  QApplication* app_ = nullptr;
};
const auto* const kEnv = ::testing::AddGlobalTestEnvironment(new QtEnv);

// Types the texts in order into the value dialog.
struct ScriptedValues : IValueDialogPresenter {
  std::deque<std::string> texts;
  std::vector<std::string> prompts;
  void Present(IValueEntry& entry) override {
    prompts.push_back(entry.Prompt());
    if (texts.empty()) return;  // closed without a value
    const std::string t = texts.front();
    texts.pop_front();
    entry.TryClose(t);
  }
};

struct ScriptedFiles : IFileDialogs {
  std::string open, save;
  std::string OpenFile(const TFileDialogRequest&) override { return open; }
  std::string SaveFile(const TFileDialogRequest&) override { return save; }
};

class WindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = test::MakeTempDir("kinevo_window");
    video = dir + "/chute.avi";
    ASSERT_TRUE(test::WriteIndexedAvi(video, 320, 240, 40));
    MainWindowSetup setup;
    setup.settingsPath = dir + "/Kinevo.ini";
    setup.messages = &messages;
    setup.values = &values;
    setup.files = &files;
    window = std::make_unique<MainWindow>(setup);
    window->resize(1000, 760);
    window->show();
    QApplication::processEvents();
  }
  void TearDown() override {
    window.reset();
    std::error_code ec;
    fs::remove_all(dir, ec);
  }
  TSession& S() { return window->Session(); }
  void Press(QWidget* w, QEvent::Type type, QPoint p, Qt::MouseButton b = Qt::LeftButton) {
    const QPointF local(p);
    QMouseEvent ev(type, local, w->mapToGlobal(local), b,
                   type == QEvent::MouseButtonRelease ? Qt::NoButton : b, Qt::NoModifier);
    QApplication::sendEvent(w, &ev);
  }
  void Click(QPoint p) {
    Press(window->View(), QEvent::MouseButtonPress, p);
    Press(window->View(), QEvent::MouseButtonRelease, p);
  }
  void Drag(QPoint from, QPoint to) {
    Press(window->View(), QEvent::MouseButtonPress, from);
    QMouseEvent move(QEvent::MouseMove, QPointF(to), window->View()->mapToGlobal(QPointF(to)), Qt::NoButton,
                     Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(window->View(), &move);
    Press(window->View(), QEvent::MouseButtonRelease, to);
  }
  void Trigger(const char* name) {
    QAction* a = window->Action(name);
    ASSERT_NE(a, nullptr) << name;
    a->trigger();
    QApplication::processEvents();
  }
  std::string dir, video;
  test::ScriptedDialog messages;
  ScriptedValues values;
  ScriptedFiles files;
  std::unique_ptr<MainWindow> window;
};

TEST_F(WindowTest, StartsWithoutAVideo) {
  EXPECT_EQ(window->windowTitle(), "Kinevo");
  EXPECT_FALSE(window->Action("ButtonOutilMarque")->isEnabled());
  EXPECT_FALSE(window->Action("ButtonModeTransparent")->isEnabled());
  EXPECT_TRUE(window->Action("MenuFichierOuvrirVideo")->isEnabled());
  EXPECT_EQ(window->Field("EditImage")->text(), "");
  // The commands of subsystems not in the program are hidden.
  EXPECT_FALSE(window->Action("ButtonMenuTableau")->isVisible());
  EXPECT_FALSE(window->Action("ButtonModeTracking")->isVisible());
  EXPECT_FALSE(window->Action("MenuMesuresCalculatrice")->isVisible());
  // Keys do nothing without a video.
  QKeyEvent key(QEvent::KeyPress, Qt::Key_A, Qt::ControlModifier);
  QApplication::sendEvent(window.get(), &key);
  EXPECT_EQ(messages.Count(), 0u);
}

TEST_F(WindowTest, ArgumentsOpenByExtension) {
  const std::string wmv = dir + "/film.wmv";
  fs::copy_file(video, wmv);
  window->OpenArgument(QString::fromStdString(wmv));
  EXPECT_FALSE(S().Video.IsOpen());
  EXPECT_EQ(messages.Count(), 0u);
  const std::string upper = dir + "/FILM.AVI";
  fs::copy_file(video, upper);
  window->OpenArgument(QString::fromStdString(upper));
  EXPECT_TRUE(S().Video.IsOpen());
  EXPECT_EQ(window->windowTitle(), "FILM.AVI");
  EXPECT_EQ(window->Field("EditImage")->text(), " 1/40");
  EXPECT_TRUE(window->Action("ButtonOutilMarque")->isChecked());
}

TEST_F(WindowTest, MarkSaveCloseAndReopen) {
  window->OpenArgument(QString::fromStdString(video));
  ASSERT_TRUE(S().Video.IsOpen());
  TData& d = S().Data;

  // Scale: two clicks, then the length typed in the value dialog.
  Trigger("ButtonOutilEchelle");
  EXPECT_EQ(d.Tool(), otEchelle);
  EXPECT_TRUE(window->Action("ButtonOutilEchelle")->isChecked());
  EXPECT_NE(window->Hint().indexOf(QStringLiteral("définir une extrémité")), -1);
  values.texts.push_back("0,5");
  Click({100, 100});
  Click({300, 100});
  ASSERT_TRUE(d.IsScaleComplete());
  EXPECT_DOUBLE_EQ(d.Scale().ScaleLength(), 0.5);
  ASSERT_EQ(values.prompts.size(), 1u);

  // Origin, then the x axis turned by dragging it.
  Trigger("ButtonOutilOrigine");
  Click({150, 300});
  ASSERT_TRUE(d.Fixed().HasOrigin());
  const TPixel o = S().Video.PictureToScreen(d.OriginPosition());
  int ax = -1;
  for (int x = o.x + 15; x < o.x + 200 && ax < 0; ++x)
    if (d.Fixed().IsOnXAxis(x, o.y)) ax = x;
  ASSERT_GT(ax, 0);
  Drag({ax, o.y}, {o.x + (ax - o.x), o.y - (ax - o.x)});
  const double angle = d.XAxisAngle();
  EXPECT_NEAR(std::abs(angle), 0.7853981633974483, 0.1);
  EXPECT_NE(window->Field("EditAngle")->text(), "");
  EXPECT_TRUE(window->Field("EditAngle")->text().endsWith(QStringLiteral("°")));

  // Three systems, six images marked by clicks: the view moves on after
  // the third system of each image.
  Trigger("MenuMesuresNbMarqueParImageTrois");
  EXPECT_EQ(d.MarksNumberPerFrame(), 3);
  EXPECT_TRUE(window->Action("MenuMesuresNbMarqueParImageTrois")->isChecked());
  Trigger("ButtonOutilMarque");
  for (int k = 0; k < 6; ++k) {
    EXPECT_EQ(S().Video.CurrentImage(), k);
    for (int s = 0; s < 3; ++s) Click({200 + 60 * s, 120 + 10 * k});
  }
  EXPECT_EQ(d.MarksCount(), 18);
  EXPECT_EQ(S().Video.CurrentImage(), 6);
  EXPECT_EQ(window->Field("EditMarque")->text(), " 18");
  EXPECT_EQ(window->Field("EditImage")->text(), " 7/40");
  EXPECT_EQ(window->TrackBar()->value(), 6);

  // Undo twice with Ctrl+A.
  for (int i = 0; i < 2; ++i) {
    QKeyEvent key(QEvent::KeyPress, Qt::Key_A, Qt::ControlModifier);
    QApplication::sendEvent(window.get(), &key);
  }
  EXPECT_EQ(d.MarksCount(), 16);
  EXPECT_EQ(window->Field("EditMarque")->text(), " 16");

  // Save, close (without saving again), reopen.
  const std::string doc = dir + "/travail.kvo";
  files.save = doc;
  Trigger("MenuFichierEnregistrer");
  ASSERT_TRUE(fs::exists(doc)) << messages.LastText();
  EXPECT_TRUE(messages.Contains("Le fichier a été enregistré avec succès :"));
  const TPictureCoord origin = d.OriginPosition();
  messages.AnswerCaption("Ignorer");
  Trigger("MenuFichierFermerVideo");
  EXPECT_FALSE(S().Video.IsOpen());
  EXPECT_EQ(window->windowTitle(), "Kinevo");
  EXPECT_EQ(window->Field("EditMarque")->text(), "");
  EXPECT_FALSE(window->Action("ButtonOutilMarque")->isEnabled());

  window->OpenArgument(QString::fromStdString(doc));
  ASSERT_TRUE(S().Video.IsOpen()) << messages.LastText();
  EXPECT_EQ(d.MarksCount(), 16);
  EXPECT_EQ(d.MarksNumberPerFrame(), 3);
  EXPECT_DOUBLE_EQ(d.Scale().ScaleLength(), 0.5);
  EXPECT_NEAR(d.OriginPosition().x, origin.x, 1e-12);
  EXPECT_NEAR(d.OriginPosition().y, origin.y, 1e-12);
  EXPECT_NEAR(d.XAxisAngle(), angle, 1e-12);
  EXPECT_EQ(window->Field("EditMarque")->text(), " 16");
}

TEST_F(WindowTest, ModesAndRefusals) {
  window->OpenArgument(QString::fromStdString(video));
  ASSERT_TRUE(S().Video.IsOpen());
  EXPECT_TRUE(window->Action("ButtonModeRepereFixe")->isChecked());
  EXPECT_TRUE(window->Action("ButtonOutilOrigine")->isVisible());

  Trigger("ButtonModeTransparent");
  EXPECT_EQ(S().Video.Mode(), vmTransparent);
  EXPECT_TRUE(window->Action("ButtonModeTransparent")->isChecked());
  EXPECT_FALSE(window->Action("ButtonModeRepereFixe")->isChecked());
  EXPECT_TRUE(window->Action("ButtonOutilTsp")->isVisible());
  EXPECT_FALSE(window->Action("ButtonOutilMarque")->isVisible());
  EXPECT_FALSE(window->Action("ButtonOutilOrigine")->isVisible());
  EXPECT_FALSE(window->Action("MenuMesuresAngleRotation")->isVisible());
  EXPECT_TRUE(window->Action("MenuAffichageEffacerTransparent")->isVisible());

  // One mark per image on the layer.
  Trigger("ButtonOutilTsp");
  ASSERT_EQ(S().Data.Tool(), otTsp);
  Trigger("MenuMesuresNbMarqueParImageDeux");
  EXPECT_EQ(messages.LastText(), kOneMarkOnLayerText);
  EXPECT_EQ(S().Data.MarksNumberPerFrame(), 1);

  // Panning needs a zoom above 100 %: told, then the tool is taken.
  const std::size_t before = messages.Count();
  Trigger("ButtonOutilPan");
  ASSERT_EQ(messages.Count(), before + 1);
  EXPECT_EQ(messages.LastText(), kPanRefusedText);
  EXPECT_TRUE(window->Action("ButtonOutilPan")->isChecked());
  EXPECT_FALSE(window->Action("ButtonOutilTsp")->isChecked());
  EXPECT_EQ(window->Hint(), QStringLiteral("Déplacer l'image dans son cadre"));

  // Back to Grid marking selects the mark tool.
  Trigger("ButtonModeRepereFixe");
  EXPECT_EQ(S().Video.Mode(), vmRepereFixe);
  EXPECT_EQ(S().Data.Tool(), otMarque);
  EXPECT_TRUE(window->Action("ButtonOutilMarque")->isChecked());
}

TEST_F(WindowTest, ReadinessChecksShowTheirDialogs) {
  window->OpenArgument(QString::fromStdString(video));
  ASSERT_TRUE(S().Video.IsOpen());
  EXPECT_EQ(window->ResultsRequested(), rdStop);
  EXPECT_TRUE(messages.LastText().find("l'échelle à l'aide d'une longueur connue") != std::string::npos);
  S().Data.Scale().SetSegment(skNormal, 2, {0.1, 0.5}, {0.6, 0.5});
  S().Data.SetScaleLength(1);
  EXPECT_EQ(window->ResultsRequested(), rdStop);
  EXPECT_TRUE(messages.LastText().find("au moins trois marques par objet") != std::string::npos);
  for (int k = 0; k < 4; ++k) Click({100 + 20 * k, 100});
  EXPECT_EQ(window->ResultsRequested(), rdStop);
  EXPECT_TRUE(messages.LastText().find("l'origine d'un repère") != std::string::npos);
  Trigger("ButtonOutilOrigine");
  Click({50, 200});
  messages.AnswerCaption("Continuer");
  bool namesShown = false;
  window->RunNamesDialog = [&namesShown] { namesShown = true; };
  messages.AnswerCaption("Donner un nom");
  EXPECT_EQ(window->ResultsRequested(), rdNameFirst);
  EXPECT_TRUE(namesShown);
  EXPECT_TRUE(messages.Contains("nécessite au moins cinq marques"));
}

// Screenshots of the demo in each mode at two element sizes, and of the
// names and colours dialog.
TEST_F(WindowTest, Screenshots) {
  const char* out = std::getenv("KINEVO_SHOTS_DIR");
  const std::string demo = std::string(KINEVO_BINARY_DIR) + "/demo/lancer.kvo";
  if (out == nullptr || !fs::exists(demo)) GTEST_SKIP() << "KINEVO_SHOTS_DIR not set or no demo";
  fs::create_directories(out);
  window->OpenArgument(QString::fromStdString(demo));
  ASSERT_TRUE(S().Video.IsOpen()) << messages.LastText();
  EXPECT_EQ(S().Data.MarksCount(), 10);
  EXPECT_TRUE(S().Data.IsScaleComplete());
  auto shot = [&](const std::string& name) {
    QApplication::processEvents();
    window->repaint();
    const QImage im = window->grab().toImage();
    ASSERT_FALSE(im.isNull());
    im.save(QString::fromStdString(std::string(out) + "/" + name + ".png"));
  };
  for (int size : {0, 2}) {
    S().Data.SetElementSize(size);
    S().Data.UpdateScreenPositions();
    Trigger("ButtonModeRepereFixe");
    shot("main_grid_size" + std::to_string(size));
    Trigger("ButtonOutilEchelle");
    shot("main_grid_scale_size" + std::to_string(size));
    Trigger("ButtonOutilMarque");
    Trigger("ButtonModeTransparent");
    shot("main_layer_size" + std::to_string(size));
  }
  Trigger("ButtonModeRepereFixe");
  NamesColoursDialog d(S().Data, S().GraphUtils, window.get());
  d.show();
  QApplication::processEvents();
  d.grab().toImage().save(QString::fromStdString(std::string(out) + "/names_colours_dialog.png"));
  d.reject();
}

}  // namespace
}  // namespace kinevo::gui

// The main window, offscreen, driven by simulated mouse and keys over a real
// video written by the program's AVI writer: scale, origin and axis,
// marking with three systems, undo, save, close and reopen; modes and their
// refusals; the readiness checks; navigation and playback; the options,
// time, montage and file search windows opened from their commands (the
// modal dialogs are driven from their hooks or from a timer); screenshots
// when KINEVO_SHOTS_DIR is set.
#include "gui/app/main_window.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>
#include <QSpinBox>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>
#include <cmath>
#include <cstdlib>
#include <deque>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>

#include "core/common/ini_file.h"
#include "gui/app/file_search_window.h"
#include "gui/app/timing_notice.h"
#include "gui/document/options_dialog.h"
#include "gui/formulas/calculator_window.h"
#include "gui/formulas/formula_tools.h"
#include "gui/marking/names_colours_dialog.h"
#include "gui/montage/group_dialog.h"
#include "gui/montage/missing_image_dialog.h"
#include "gui/tracking/tracking_ui.h"
#include "gui/video/duration_dialog.h"
#include "gui/video/video_widget.h"
#include "support/qt_test_application.h"
#include "support/scripted_dialog.h"
#include "support/test_videos.h"
#include "support/test_videos_avi.h"
#include "window_fixture.h"

namespace fs = std::filesystem;

namespace kinevo::gui {
namespace {

KINEVO_QT_TEST_APPLICATION("test_gui_app");

TEST_F(WindowTest, StartsWithoutAVideo) {
  EXPECT_EQ(window->windowTitle(), "Kinevo");
  EXPECT_FALSE(window->Action("ButtonOutilMarque")->isEnabled());
  EXPECT_FALSE(window->Action("ButtonModeTransparent")->isEnabled());
  EXPECT_TRUE(window->Action("MenuFichierOuvrirVideo")->isEnabled());
  EXPECT_EQ(window->Field("EditImage")->text(), "");
  // The commands of subsystems not in the program are hidden; the result
  // buttons are there and wait for a video.
  EXPECT_TRUE(window->Action("ButtonMenuTableau")->isVisible());
  EXPECT_FALSE(window->Action("ButtonMenuTableau")->isEnabled());
  EXPECT_FALSE(window->Action("ButtonMontageEnregistrer")->isVisible());
  // The wired ones are there; navigation waits for a video.
  EXPECT_TRUE(window->Action("ButtonModeMontage")->isVisible());
  EXPECT_TRUE(window->Action("ButtonModeTracking")->isVisible());
  EXPECT_TRUE(window->Action("MenuAffichageOptions")->isVisible());
  EXPECT_TRUE(window->Action("MenuFichierRechercher")->isVisible());
  window->Action("MenuMesuresCalculatrice")->trigger();
  EXPECT_TRUE(window->FormulaTools().Calculator().isVisible());
  EXPECT_TRUE(window->Action("ButtonNavLecture")->isVisible());
  EXPECT_FALSE(window->Action("ButtonNavLecture")->isEnabled());
  EXPECT_FALSE(window->Action("ButtonNavDerniere")->isEnabled());
  // Keys do nothing without a video.
  QKeyEvent key(QEvent::KeyPress, Qt::Key_A, Qt::ControlModifier);
  QApplication::sendEvent(window.get(), &key);
  EXPECT_EQ(messages.Count(), 0u);
}

TEST_F(WindowTest, ArgumentsOpenByExtension) {
  const std::string notes = dir + "/notes.txt";
  std::ofstream(notes) << "pas une vidéo";
  window->OpenArgument(QString::fromStdString(notes));
  EXPECT_FALSE(S().Video.IsOpen());
  EXPECT_EQ(messages.Count(), 0u);
  const std::string upper = dir + "/FILM.AVI";
  fs::copy_file(video, upper);
  window->OpenArgument(QString::fromStdString(upper));
  EXPECT_TRUE(S().Video.IsOpen());
  EXPECT_EQ(window->windowTitle(), "FILM.AVI[*]");
  EXPECT_EQ(window->Field("EditImage")->text(), " 1/40");
  EXPECT_TRUE(window->Action("ButtonOutilMarque")->isChecked());
}

TEST_F(WindowTest, EveryVideoTypeOpensFromTheCommandLine) {
  // FFmpeg reads the file whatever its name says.
  const std::string phone = dir + "/telephone.MP4";
  fs::copy_file(video, phone);
  window->OpenArgument(QString::fromStdString(phone));
  EXPECT_TRUE(S().Video.IsOpen()) << messages.LastText();
  EXPECT_EQ(window->windowTitle(), "telephone.MP4[*]");
}

TEST_F(WindowTest, StatusFieldsSayWhatTheyShow) {
  for (const char* name : {"EditImage", "EditMarque", "EditAngle", "EditZoom"})
    EXPECT_FALSE(window->Field(name)->toolTip().isEmpty()) << name;
}

TEST_F(WindowTest, ALoneAltInTheViewLeavesTheFocusThereAndTheMenusClosed) {
  window->OpenArgument(QString::fromStdString(video));
  ASSERT_TRUE(S().Video.IsOpen());
  window->activateWindow();
  QApplication::setActiveWindow(window.get());
  window->View()->setFocus();
  QApplication::processEvents();
  ASSERT_EQ(QApplication::focusWidget(), window->View());
  // As the window system sends it: press and release of Alt alone, then
  // Enter, the key that places a mark.
  QTest::keyClick(window->windowHandle(), Qt::Key_Alt, Qt::AltModifier);
  QApplication::processEvents();
  EXPECT_EQ(QApplication::focusWidget(), window->View());
  EXPECT_EQ(window->menuBar()->activeAction(), nullptr);
  QTest::keyClick(window->windowHandle(), Qt::Key_Return);
  QApplication::processEvents();
  EXPECT_EQ(QApplication::activePopupWidget(), nullptr) << "a menu opened";
  EXPECT_EQ(window->menuBar()->activeAction(), nullptr);
}

TEST_F(WindowTest, PlacementKeepsTheFrameOnTheScreen) {
  const QRect screen = window->screen()->availableGeometry();
  // First start: inside the screen, title bar included.
  EXPECT_TRUE(screen.contains(window->frameGeometry())) << window->frameGeometry().width();
  window.reset();
  {
    TIniFile ini(dir + "/Kinevo.ini");
    ini.WriteInteger("MainForm", "Left", screen.left() - 300);
    ini.WriteInteger("MainForm", "Top", screen.bottom() + 50);
    ini.WriteInteger("MainForm", "Width", screen.width() * 3);
    ini.WriteInteger("MainForm", "Height", screen.height() * 2);
    ASSERT_TRUE(ini.UpdateFile());
  }
  MainWindowSetup setup;
  setup.settingsPath = dir + "/Kinevo.ini";
  setup.messages = &messages;
  setup.association = association.get();
  window = std::make_unique<MainWindow>(setup);
  window->show();
  QApplication::processEvents();
  // A placement remembered from a larger screen is brought back onto this one.
  EXPECT_TRUE(screen.contains(window->frameGeometry()));
  EXPECT_EQ(window->frameGeometry().size(), screen.size());
  // Saved and read again, it stays where it is.
  const QRect before = window->frameGeometry();
  window->close();
  window.reset();
  window = std::make_unique<MainWindow>(setup);
  window->show();
  QApplication::processEvents();
  EXPECT_EQ(window->frameGeometry(), before);
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

  // The title names the video and marks the unsaved work.
  EXPECT_EQ(window->windowTitle(), "chute.avi[*]");
  EXPECT_TRUE(window->isWindowModified());

  // Save (the first time asks for the name), close (nothing to offer), reopen.
  const std::string doc = dir + "/travail.kvo";
  files.save = doc;
  EXPECT_EQ(window->Action("MenuFichierEnregistrer")->shortcut(), QKeySequence(QKeySequence::Save));
  Trigger("MenuFichierEnregistrer");
  ASSERT_TRUE(fs::exists(doc)) << messages.LastText();
  EXPECT_TRUE(messages.Contains("Le fichier a été enregistré avec succès :"));
  EXPECT_EQ(window->windowTitle(), "travail.kvo[*]");
  EXPECT_FALSE(window->isWindowModified());
  const TPictureCoord origin = d.OriginPosition();
  const std::size_t shown = messages.Count();
  Trigger("MenuFichierFermerVideo");
  EXPECT_EQ(messages.Count(), shown);
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
  EXPECT_EQ(window->windowTitle(), "travail.kvo[*]");
  EXPECT_FALSE(window->isWindowModified());

  // A change, then "Enregistrer": written over the document without a question.
  Click({200, 200});
  EXPECT_EQ(d.MarksCount(), 17);
  EXPECT_TRUE(window->isWindowModified());
  files.save.clear();  // a save dialog would now be cancelled
  const std::size_t before = messages.Count();
  const std::string previous = TIniFile(doc).Text();
  Trigger("MenuFichierEnregistrer");
  EXPECT_EQ(messages.Count(), before);
  EXPECT_FALSE(window->isWindowModified());
  EXPECT_NE(TIniFile(doc).Text(), previous);
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
  EXPECT_TRUE(messages.LastText().find("l'échelle à l'aide d'une longueur connue") !=
              std::string::npos);
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

TEST_F(WindowTest, NavigationButtonsAndPlayback) {
  window->OpenArgument(QString::fromStdString(video));
  ASSERT_TRUE(S().Video.IsOpen());
  EXPECT_TRUE(window->Action("ButtonNavLecture")->isEnabled());
  Trigger("ButtonNavDerniere");
  EXPECT_EQ(S().Video.CurrentImage(), 39);
  EXPECT_EQ(ImageField(), " 40/40");
  EXPECT_EQ(window->TrackBar()->value(), 39);
  Trigger("ButtonNavSuivante");  // nothing after the last image
  EXPECT_EQ(S().Video.CurrentImage(), 39);
  Trigger("ButtonNavPrecedente");
  EXPECT_EQ(ImageField(), " 39/40");
  Trigger("ButtonNavPremiere");
  EXPECT_EQ(S().Video.CurrentImage(), 0);
  EXPECT_EQ(window->TrackBar()->value(), 0);
  Trigger("ButtonNavPrecedente");  // nothing before the first
  EXPECT_EQ(S().Video.CurrentImage(), 0);
  Trigger("ButtonNavSuivante");
  EXPECT_EQ(ImageField(), " 2/40");

  // Pause stops the playback where it is.
  Trigger("ButtonNavLecture");
  EXPECT_TRUE(S().Video.Playing());
  Trigger("ButtonNavPause");
  EXPECT_FALSE(S().Video.Playing());
  EXPECT_LT(S().Video.CurrentImage(), 39);

  // Playback from the image shown to the last one; the field and the track
  // bar follow it.
  Trigger("ButtonNavLecture");
  ASSERT_TRUE(WaitUntil([&] { return !S().Video.Playing(); }));
  ASSERT_TRUE(WaitUntil([&] { return ImageField() == " 40/40"; }, 2000))
      << ImageField().toStdString();
  EXPECT_EQ(window->TrackBar()->value(), 39);
  EXPECT_EQ(S().Video.CurrentImage(), 39);
}

// The window follows the models through their signals alone: with no
// paint and no event processed, the fields, the track bar and the commands
// already show a change made by the models.
TEST_F(WindowTest, FieldsTrackBarAndCommandsFollowTheModelsWithoutAPaint) {
  window->OpenArgument(QString::fromStdString(video));
  ASSERT_TRUE(S().Video.IsOpen());
  QApplication::processEvents();
  S().Video.GoToImage(7);
  EXPECT_EQ(ImageField(), " 8/40");
  EXPECT_EQ(window->TrackBar()->value(), 7);
  EXPECT_FALSE(window->Action("MenuAffichageAnnuler")->isEnabled());

  // A mark through the view's logic, not the widget: the marking moves on
  // to the next image, and the undo command offers the mark.
  S().Video.MouseDown(mbLeft, {}, 100, 100);
  S().Video.MouseUp(mbLeft, {}, 100, 100);
  ASSERT_EQ(S().Data.MarksCount(), 1);
  EXPECT_EQ(window->Field("EditMarque")->text(), " 1");
  EXPECT_EQ(ImageField(), " 9/40");
  EXPECT_EQ(window->TrackBar()->value(), 8);
  EXPECT_TRUE(window->Action("MenuAffichageAnnuler")->isEnabled());

  // In montage mode the toggle follows the image shown.
  S().Video.SetMode(vmMontage);
  ASSERT_TRUE(S().Video.IsMontage());
  EXPECT_TRUE(window->Action("ButtonMontageBasculer")->isVisible());
  S().Montage.SetVisible(3, false);
  S().Video.GoToImage(3);
  EXPECT_TRUE(window->Action("ButtonMontageBasculer")->isChecked());
  EXPECT_TRUE(window->Hint().startsWith(QStringLiteral("Cette image sera visible")));
  S().Video.GoToImage(4);
  EXPECT_FALSE(window->Action("ButtonMontageBasculer")->isChecked());

  // Back in marking the hidden image is skipped: 39 images, the track bar
  // follows.
  S().Video.SetMode(vmRepereFixe);
  EXPECT_EQ(window->TrackBar()->maximum(), 38);
  EXPECT_EQ(ImageField(), " 4/39");
}

// The modes reach the window's commands by their identifiers: the contour
// and radius items of "Mesures" drive the tracking mode, and the tracking
// tool bar sits on the row of the marking tools.
TEST_F(WindowTest, MeasuresMenuDrivesTrackingAndModeBarsShareTheToolsRow) {
  window->OpenArgument(QString::fromStdString(video));
  ASSERT_TRUE(S().Video.IsOpen());
  Trigger("ButtonModeTracking");
  ASSERT_EQ(S().Video.Mode(), vmTracking);
  TTracking& t = window->Tracking().Tracking();
  Trigger("MenuMesuresFormePolygone");
  EXPECT_EQ(t.Settings().shape, csPolygon);
  Trigger("MenuMesuresFormeLibre");
  EXPECT_EQ(t.Settings().shape, csFreehand);
  Trigger("MenuMesuresEspaceChoix3");
  EXPECT_EQ(t.Radius(), 60);
  EXPECT_EQ(window->Command(TCommand::MenuMesuresZone), window->Action("MenuMesuresZone"));
  // The zoom keeps the tools' row shown in tracking mode.
  QApplication::processEvents();
  auto* tools = window->findChild<QToolBar*>(QStringLiteral("ToolBarOutils"));
  auto* bar = window->findChild<QToolBar*>(QStringLiteral("ToolBarTracking"));
  ASSERT_NE(tools, nullptr);
  ASSERT_NE(bar, nullptr);
  ASSERT_TRUE(tools->isVisible() && bar->isVisible());
  EXPECT_EQ(bar->geometry().top(), tools->geometry().top());
}

TEST_F(WindowTest, OptionsDialogAppliesTheSettings) {
  window->OpenArgument(QString::fromStdString(video));
  ASSERT_TRUE(S().Video.IsOpen());
  // Three recent files, then a capacity of two.
  for (int i = 0; i < 3; ++i) {
    const std::string f = dir + "/film" + std::to_string(i) + ".avi";
    fs::copy_file(video, f);
    S().Workflow().AddToRecent(f);
  }
  ASSERT_GE(S().Recent.Count(), 3);
  bool shown = false;
  OnNextModal([&](QWidget* w) {
    auto* d = qobject_cast<TBoiteOptions*>(w);
    ASSERT_NE(d, nullptr);
    shown = true;
    Shot(d, "options_dialog");
    d->MRUEdit()->setValue(2);
    d->CheckBox("CheckBox48AllowMontage")->setChecked(false);
    d->CheckBox("CheckBox41HorizAndVertScale")->setChecked(true);
    d->accept();
  });
  Trigger("MenuAffichageOptions");
  ASSERT_TRUE(shown);
  EXPECT_EQ(passwords.asked, 0);  // no lock, no question
  EXPECT_EQ(S().Options.EditMRU_Value, 2);
  EXPECT_FALSE(S().Options.CheckBox48AllowMontage);
  // The window re-applied them: recent files, mode and tool buttons.
  EXPECT_EQ(S().Recent.Count(), 2);
  QMenu* recent = window->findChild<QMenu*>(QStringLiteral("MenuFichierRecent"));
  ASSERT_NE(recent, nullptr);
  EXPECT_EQ(recent->actions().size(), 2);
  EXPECT_FALSE(window->Action("ButtonModeMontage")->isVisible());
  EXPECT_FALSE(window->Action("ButtonOutilEchelle")->isVisible());
  EXPECT_TRUE(window->Action("ButtonOutilEchelleHoriz")->isVisible());
  // And saved them.
  TIniFile ini(dir + "/Kinevo.ini");
  ini.Load();
  EXPECT_EQ(ini.ReadInteger("Options", "EditMRU_Value", 0), 2);
  EXPECT_FALSE(ini.ReadBool("Options", "CheckBox48AllowMontage_Checked", true));
}

TEST_F(WindowTest, OptionsLockedByPassword) {
  S().Options.SetPassword("secret");
  // A wrong entry is told and opens nothing.
  passwords.entries = {"faux"};
  bool opened = false;
  auto watch = OnNextModal([&](QWidget*) { opened = true; });
  Trigger("MenuAffichageOptions");
  EXPECT_EQ(passwords.asked, 1);
  EXPECT_EQ(messages.LastText(), "Mot de passe incorrect.");
  // A cancelled entry opens nothing either, and says nothing.
  const std::size_t told = messages.Count();
  Trigger("MenuAffichageOptions");
  EXPECT_EQ(passwords.asked, 2);
  EXPECT_EQ(messages.Count(), told);
  QApplication::processEvents();
  EXPECT_FALSE(opened);
  *watch = true;
  // The right one opens the dialog.
  passwords.entries = {"secret"};
  bool shown = false;
  OnNextModal([&](QWidget* w) {
    shown = qobject_cast<TBoiteOptions*>(w) != nullptr;
    static_cast<QDialog*>(w)->reject();
  });
  Trigger("MenuAffichageOptions");
  EXPECT_TRUE(shown);
  EXPECT_EQ(passwords.asked, 3);
}

TEST_F(WindowTest, TimeBetweenImages) {
  EXPECT_FALSE(window->Action("MenuMesuresTemps")->isEnabled());
  window->OpenArgument(QString::fromStdString(video));
  ASSERT_TRUE(S().Video.IsOpen());
  ASSERT_TRUE(window->Action("MenuMesuresTemps")->isEnabled());
  EXPECT_DOUBLE_EQ(S().Data.RequiredDuration(), 0.04);
  // Closed without Ok: nothing changes.
  window->TimeDialog().OnShown = [](QWidget* d) { static_cast<QDialog*>(d)->reject(); };
  Trigger("MenuMesuresTemps");
  EXPECT_DOUBLE_EQ(S().Data.RequiredDuration(), 0.04);
  // A value typed and accepted becomes the time between images.
  bool defaultSelected = false;
  window->TimeDialog().OnShown = [&](QWidget* d) {
    defaultSelected = d->findChild<QAbstractButton*>(QStringLiteral("default"))->isChecked();
    Shot(d, "time_dialog");
    d->findChild<QLineEdit*>(QStringLiteral("value"))->setText(QStringLiteral("0.001"));
    d->findChild<QPushButton*>(QStringLiteral("ok"))->click();
  };
  Trigger("MenuMesuresTemps");
  EXPECT_TRUE(defaultSelected);
  EXPECT_DOUBLE_EQ(S().Data.RequiredDuration(), 0.001);
  // Next time the other value is the selected one.
  bool otherSelected = false;
  window->TimeDialog().OnShown = [&](QWidget* d) {
    otherSelected = d->findChild<QAbstractButton*>(QStringLiteral("other"))->isChecked();
    static_cast<QDialog*>(d)->reject();
  };
  Trigger("MenuMesuresTemps");
  EXPECT_TRUE(otherSelected);
}

// A video with a repeated image (10) and a gap before image 20: the bar
// above the picture lists both; a regular video takes it away, and the user
// can close it.
TEST_F(WindowTest, IrregularImageTimesAreWarnedAboveThePicture) {
  const std::string jerky = dir + "/saccades.mkv";
  std::vector<double> times;
  for (int k = 0; k < 30; ++k) times.push_back((k < 20 ? k : k + 1) / 30.0);
  ASSERT_TRUE(test::WritePicturesWithFfmpeg(
      jerky, 96, 64, 30, 30,
      [](Image& img, int k) { test::DrawIndexPattern(img, k == 10 ? 9 : k); },
      {"-c:v", "mjpeg", "-q:v", "3"}, times));
  auto* notice = window->findChild<TimingNotice*>(QStringLiteral("TimingNotice"));
  ASSERT_NE(notice, nullptr);
  EXPECT_TRUE(notice->Text().isEmpty());
  window->OpenArgument(QString::fromStdString(jerky));
  ASSERT_TRUE(S().Video.IsOpen()) << messages.LastText();
  EXPECT_TRUE(notice->isVisible());
  const std::string text = notice->Text().toStdString();
  EXPECT_NE(text.find("Images répétées (la même image deux fois, une image perdue) : 10."),
            std::string::npos)
      << text;
  EXPECT_NE(text.find("avant les images : 20."), std::string::npos) << text;
  // The picture keeps its room below the bar.
  EXPECT_LE(
      notice->geometry().bottom(),
      window->centralWidget()->findChild<QWidget*>(QStringLiteral("Centre"))->geometry().top());
  Shot(window.get(), "main_timing_notice");
  notice->findChild<QToolButton*>(QStringLiteral("TimingNoticeClose"))->click();
  EXPECT_TRUE(notice->Text().isEmpty());
  window->OpenArgument(QString::fromStdString(jerky));
  EXPECT_FALSE(notice->Text().isEmpty());
  window->OpenArgument(QString::fromStdString(video));
  ASSERT_TRUE(S().Video.IsOpen());
  EXPECT_TRUE(notice->Text().isEmpty());
}

TEST_F(WindowTest, MontageMode) {
  window->OpenArgument(QString::fromStdString(video));
  ASSERT_TRUE(S().Video.IsOpen());
  Trigger("ButtonNavSuivante");
  Click({100, 100});  // a mark on image 1
  ASSERT_EQ(S().Data.MarksCountOnImage(1), 1);
  Trigger("ButtonModeMontage");
  ASSERT_EQ(S().Video.Mode(), vmMontage);
  EXPECT_TRUE(window->Action("ButtonModeMontage")->isChecked());
  for (const char* b :
       {"ButtonMontageBasculer", "ButtonMontageBasculerMult", "ButtonMontageInstant",
        "ButtonMontageEnregistrer", "ButtonMontageV2p", "ButtonMontageP2v"})
    EXPECT_TRUE(window->Action(b)->isVisible()) << b;
  EXPECT_FALSE(window->Action("ButtonOutilMarque")->isVisible());
  EXPECT_TRUE(window->Hint().startsWith(QStringLiteral("Cette image n'apparaîtra plus")));

  // The advice comes first; cancelling it changes nothing.  A mark on the
  // image adds the warning that it will be erased.
  Trigger("ButtonNavPremiere");
  Trigger("ButtonNavSuivante");
  ASSERT_EQ(S().Video.CurrentImage(), 1);
  messages.AnswerCaption("Annuler");
  Trigger("ButtonMontageBasculer");
  EXPECT_TRUE(messages.Contains(
      "Cette image ne sera plus visible dans le flux vidéo à la sortie du montage."));
  EXPECT_TRUE(messages.Contains("Les marques posées sur cette image seront effacées."));
  EXPECT_TRUE(S().Montage.IsVisible(1));
  EXPECT_FALSE(window->Action("ButtonMontageBasculer")->isChecked());
  // Hiding the current image: the button is down, the hint changes and the
  // missing-image dialog is off.
  messages.checkAnswers.push_back(true);  // no more advice
  Trigger("ButtonMontageBasculer");
  EXPECT_FALSE(S().Montage.IsVisible(1));
  EXPECT_EQ(S().Data.MarksCountOnImage(1), 0);
  const std::size_t told = messages.Count();
  EXPECT_TRUE(window->Action("ButtonMontageBasculer")->isChecked());
  EXPECT_FALSE(window->Action("ButtonMontageInstant")->isEnabled());
  EXPECT_TRUE(window->Hint().startsWith(QStringLiteral("Cette image sera visible")));
  Shot(window.get(), "main_montage_hidden");
  Trigger("ButtonNavSuivante");  // montage mode shows every image of the file
  EXPECT_EQ(S().Video.CurrentImage(), 2);
  EXPECT_FALSE(window->Action("ButtonMontageBasculer")->isChecked());
  EXPECT_TRUE(window->Action("ButtonMontageInstant")->isEnabled());

  // Groups through the group dialog.
  window->GroupDialog().OnShown = [](QWidget* d) {
    d->findChild<QLineEdit*>(QStringLiteral("groups"))->setText(QStringLiteral("5-7 ; 10"));
    d->findChild<QPushButton*>(QStringLiteral("ok"))->click();
  };
  Trigger("ButtonMontageBasculerMult");
  for (int i : {4, 5, 6, 9}) EXPECT_FALSE(S().Montage.IsVisible(i)) << i;
  EXPECT_TRUE(S().Montage.IsVisible(7));
  EXPECT_EQ(S().Montage.VisibleCount(), 35);
  EXPECT_EQ(messages.Count(), told);  // the advice was turned off

  // A gap before image 7 through the missing-image dialog.
  for (int i = 0; i < 5; ++i) Trigger("ButtonNavSuivante");
  ASSERT_EQ(S().Video.CurrentImage(), 7);
  const int before = S().Montage.TimeIndex(7);
  window->InstantDialog().OnShown = [](QWidget* d) {
    d->findChild<QToolButton*>(QStringLiteral("up"))->click();
    d->findChild<QPushButton*>(QStringLiteral("ok"))->click();
  };
  Trigger("ButtonMontageInstant");
  EXPECT_EQ(S().Montage.TimeIndex(7), before + 1);

  // Back to marking: navigation skips the hidden images.
  Trigger("ButtonModeRepereFixe");
  ASSERT_EQ(S().Video.Mode(), vmRepereFixe);
  EXPECT_FALSE(window->Action("ButtonMontageBasculer")->isVisible());
  EXPECT_EQ(window->TrackBar()->maximum(), 34);
  Trigger("ButtonNavPremiere");
  EXPECT_EQ(ImageField(), " 1/35");
  Trigger("ButtonNavSuivante");
  EXPECT_EQ(S().Video.CurrentImage(), 2);
  EXPECT_TRUE(
      window->Hint().startsWith(QStringLiteral("Bouton gauche (ou Entrée) = poser une marque")));

  // No hint outlives its mode: tracking and capture have their own.
  Trigger("ButtonModeMontage");
  Trigger("ButtonModeTracking");
  ASSERT_EQ(S().Video.Mode(), vmTracking);
  EXPECT_TRUE(window->Hint().startsWith(QStringLiteral("Dessiner le contour")))
      << window->Hint().toStdString();
  Trigger("ButtonModeCapture");
  if (S().Video.Mode() == vmCapture) {
    EXPECT_TRUE(window->Hint().startsWith(QStringLiteral("Choisir le périphérique")));
  }
}

TEST_F(WindowTest, MontageRefusedOnAOneImageVideo) {
  const std::string one = dir + "/une.avi";
  ASSERT_TRUE(test::WriteIndexedAvi(one, 320, 240, 1));
  window->OpenArgument(QString::fromStdString(one));
  ASSERT_TRUE(S().Video.IsOpen());
  Trigger("ButtonModeMontage");
  EXPECT_EQ(S().Video.Mode(), vmRepereFixe);
  EXPECT_FALSE(window->Action("ButtonModeMontage")->isChecked());
  EXPECT_TRUE(window->Action("ButtonModeRepereFixe")->isChecked());
  EXPECT_FALSE(window->Action("ButtonMontageBasculer")->isVisible());
}

TEST_F(WindowTest, FileSearchOpensAFoundFile) {
  const fs::path sub = fs::path(dir) / "classe";
  fs::create_directories(sub);
  const std::string found = (sub / "chute libre.avi").string();
  fs::copy_file(video, found);
  TFileSearchWindow* w = window->FileSearch();
  w->SetFolder(QString::fromStdString(dir));
  w->SetNameFragment(QStringLiteral("libre"));
  Trigger("MenuFichierRechercher");
  ASSERT_TRUE(w->isVisible());
  w->StartSearch();
  ASSERT_TRUE(WaitUntil([&] { return !w->Searching(); }));
  auto* list = w->findChild<QTreeWidget*>(QStringLiteral("results"));
  ASSERT_NE(list, nullptr);
  ASSERT_EQ(list->topLevelItemCount(), 1);
  list->setCurrentItem(list->topLevelItem(0));
  w->OpenSelected();
  QApplication::processEvents();
  ASSERT_TRUE(S().Video.IsOpen()) << messages.LastText();
  EXPECT_EQ(S().Video.FileName(), found);
  ASSERT_GT(S().Recent.Count(), 0);
  EXPECT_EQ(S().Recent.Items().front(), found);
  EXPECT_TRUE(window->Action("ButtonNavLecture")->isEnabled());
}

TEST_F(WindowTest, HelpWithoutItsFolderIsTold) {
  const fs::path help = fs::path(QCoreApplication::applicationDirPath().toStdString()) / "Help";
  if (fs::exists(help)) GTEST_SKIP() << "a help folder lies beside the test program";
  Trigger("MenuAideKinevo");
  ASSERT_EQ(messages.Count(), 1u);
  EXPECT_TRUE(messages.Contains("Impossible de lancer l'aide."));
}

TEST_F(WindowTest, LongHintsEndInAnEllipsis) {
  window->OpenArgument(QString::fromStdString(video));
  ASSERT_TRUE(S().Video.IsOpen());
  Trigger("ButtonOutilZoom");
  const QString full = window->Hint();
  EXPECT_TRUE(full.startsWith(QStringLiteral("Bouton gauche = agrandir")));
  auto* label = window->findChild<QLabel*>(QStringLiteral("Hint"));
  ASSERT_NE(label, nullptr);
  window->resize(640, 500);
  QApplication::processEvents();
  ASSERT_LT(label->width(), label->fontMetrics().horizontalAdvance(full));
  EXPECT_NE(label->text(), full);
  EXPECT_TRUE(label->text().endsWith(QChar(0x2026))) << label->text().toStdString();
  EXPECT_EQ(label->toolTip(), full);
  window->resize(1600, 760);
  QApplication::processEvents();
  if (label->width() > label->fontMetrics().horizontalAdvance(full) + 10) {
    EXPECT_EQ(label->text(), full);
  }
}

// On a 1280 × 720 screen every command of the main window's tool bars shows,
// in each mode (tracking and montage add their own bars): none is left
// behind an overflow arrow "»".  Shots at 1280 × 720 and 1920 × 1080.
TEST_F(WindowTest, NothingHiddenBehindTheOverflowArrowAt1280) {
  window->OpenArgument(QString::fromStdString(video));
  ASSERT_TRUE(S().Video.IsOpen());
  for (const QSize size : {QSize(1280, 720), QSize(1920, 1080)}) {
    window->resize(size);
    for (const auto& [mode, entered] :
         {std::pair{"ButtonModeRepereFixe", vmRepereFixe},
          std::pair{"ButtonModeMontage", vmMontage}, std::pair{"ButtonModeTracking", vmTracking}}) {
      Trigger(mode);
      QApplication::processEvents();
      ASSERT_EQ(S().Video.Mode(), entered) << messages.LastText();
      for (QToolBar* bar : window->findChildren<QToolBar*>()) {
        if (!bar->isVisible()) continue;
        const auto* more = bar->findChild<QToolButton*>("qt_toolbar_ext_button");
        EXPECT_TRUE(more == nullptr || !more->isVisible())
            << bar->objectName().toStdString() << " in " << mode << " at " << size.width();
      }
      Shot(window.get(), "main_" + std::to_string(size.width()) + "_" + mode);
    }
    Trigger("ButtonModeRepereFixe");
  }
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
  // The "Fichier" menu with its two saving commands.
  QMenu* file = window->menuBar()->actions().front()->menu();
  ASSERT_NE(file, nullptr);
  file->grab().toImage().save(QString::fromStdString(std::string(out) + "/file_menu.png"));
}

// Keys reach the marking through the view as the physical keys of the
// keyboard: Alt, the '+' key, the digit row of a French keyboard.
TEST_F(WindowTest, KeysCycleTheSystemResizeTheLayerAndStepColours) {
  window->OpenArgument(QString::fromStdString(video));
  ASSERT_TRUE(S().Video.IsOpen());
  TData& d = S().Data;
  auto key = [&](int qtKey, Qt::KeyboardModifiers mods, quint32 scan) {
    QKeyEvent e(QEvent::KeyPress, qtKey, mods, scan, 0, 0);
    QApplication::sendEvent(window->View(), &e);
  };
  Trigger("MenuMesuresNbMarqueParImageDeux");
  Trigger("ButtonOutilMarque");
  key(Qt::Key_Alt, Qt::AltModifier, 64);
  EXPECT_EQ(d.CurrentMarkOrderNumber(), 1);
  key(Qt::Key_Alt, Qt::AltModifier, 64);
  EXPECT_EQ(d.CurrentMarkOrderNumber(), 0);

  // '&' on a French keyboard is digit 1: system 0's colour steps on.
  const TColor before = d.MarkColor(0);
  key(Qt::Key_Ampersand, Qt::NoModifier, 10);
  EXPECT_NE(d.MarkColor(0), before);
  // '(' is the digit 5 key, not the down arrow; it changes nothing here.
  const std::size_t marks = d.MarksCount();
  key(Qt::Key_ParenLeft, Qt::NoModifier, 14);
  EXPECT_EQ(d.MarksCount(), marks);

  Trigger("ButtonModeTransparent");
  Trigger("ButtonOutilTsp");
  ASSERT_EQ(d.Tool(), otTsp);
  d.Layer().SetLayerWidth(0.5);
  key(Qt::Key_Plus, Qt::ShiftModifier, 21);
  EXPECT_NEAR(d.Layer().LayerWidth(), 0.55, 1e-12);
  key(Qt::Key_Minus, Qt::KeypadModifier, 82);
  EXPECT_NEAR(d.Layer().LayerWidth(), 0.495, 1e-12);
}

// A mark moved with the keyboard (Enter to take it, arrows, Enter to drop
// it) goes back with Ctrl+A, though the window refreshes its commands after
// every key.
TEST_F(WindowTest, KeyboardMoveOfAMarkIsUndone) {
  window->OpenArgument(QString::fromStdString(video));
  ASSERT_TRUE(S().Video.IsOpen());
  TData& d = S().Data;
  Trigger("ButtonOutilMarque");
  Click({120, 100});
  ASSERT_EQ(d.MarksCount(), 1);
  const TPictureCoord placed = d.GridMarks().DrawList()[0]->GetPicture();
  Trigger("ButtonOutilDeplacer");
  auto key = [&](int qtKey, Qt::KeyboardModifiers mods = Qt::NoModifier) {
    QKeyEvent e(QEvent::KeyPress, qtKey, mods);
    QApplication::sendEvent(window->View(), &e);
  };
  QCursor::setPos(window->View()->mapToGlobal(QPoint(120, 100)));
  if (window->View()->mapFromGlobal(QCursor::pos()) != QPoint(120, 100))
    GTEST_SKIP() << "this platform cannot place the pointer";
  QMouseEvent hover(QEvent::MouseMove, QPointF(120, 100),
                    window->View()->mapToGlobal(QPointF(120, 100)), Qt::NoButton, Qt::NoButton,
                    Qt::NoModifier);
  QApplication::sendEvent(window->View(), &hover);
  key(Qt::Key_Return);
  // The arrows move the pointer; a desktop then sends the motion, which
  // the offscreen platform does not.
  for (int i = 0; i < 3; ++i) {
    key(Qt::Key_Right, Qt::ControlModifier);
    const QPoint at = window->View()->mapFromGlobal(QCursor::pos());
    QMouseEvent move(QEvent::MouseMove, QPointF(at), window->View()->mapToGlobal(QPointF(at)),
                     Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(window->View(), &move);
  }
  EXPECT_EQ(window->View()->mapFromGlobal(QCursor::pos()), QPoint(150, 100));
  key(Qt::Key_Return);
  ASSERT_EQ(d.MarksCount(), 1);
  EXPECT_NE(d.GridMarks().DrawList()[0]->GetPicture(), placed);
  key(Qt::Key_A, Qt::ControlModifier);
  ASSERT_EQ(d.MarksCount(), 1);
  EXPECT_EQ(d.GridMarks().DrawList()[0]->GetPicture(), placed);
}

}  // namespace
}  // namespace kinevo::gui

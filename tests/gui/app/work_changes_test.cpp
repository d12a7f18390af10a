// What counts as a change of the work, command by command, through the real
// main window offscreen: every command of the main window, the tracking
// mode, the formulas dialog, the formula keyboard and the results window
// that can change the document.  Each starts from the same saved analysis;
// three things must then agree with whether the document written after the
// command differs from the one written before: the "*" of the title, the
// offer to save when quitting, and the crash recovery's count.  A command
// that changes nothing leaves all three as they were.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QTableWidget>
#include <QToolButton>
#include <cmath>
#include <filesystem>
#include <numbers>
#include <set>
#include <sstream>

#include "core/common/ini_file.h"
#include "gui/formulas/formula_tools.h"
#include "gui/formulas/formulas_dialog.h"
#include "gui/formulas/keyboard_window.h"
#include "gui/marking/names_colours_dialog.h"
#include "gui/montage/missing_image_dialog.h"
#include "gui/results/results_form.h"
#include "gui/tracking/tracking_ui.h"
#include "gui/video/duration_dialog.h"
#include "gui/video/video_widget.h"
#include "support/qt_test_application.h"
#include "window_fixture.h"

namespace fs = std::filesystem;

namespace kinevo::gui {
namespace {

KINEVO_QT_TEST_APPLICATION("test_gui_app");

// The document without where the user stands (the image shown, the marking
// mode, the system whose mark comes next, where the layer lies and its
// gesture): moving about is no change of the work.
std::string Work(const std::string& text) {
  TIniFile ini;
  ini.SetText(text);
  for (const auto& [section, key] : {std::pair{"Video", "ImageNumber"},
                                     {"Video", "MarkingMode"},
                                     {"Data", "CurrentMarkOrderNumber_Grid"},
                                     {"Data", "CurrentMarkOrderNumber_Layer"},
                                     {"Data", "OrigineCurrentXCoordinate_Layer"},
                                     {"Data", "OrigineCurrentYCoordinate_Layer"},
                                     {"Data", "LayerStage"}})
    ini.DeleteKey(section, key);
  return ini.Text();
}

// The lines of one text missing from the other, for the failure messages.
std::string Difference(const std::string& a, const std::string& b) {
  auto lines = [](const std::string& t) {
    std::set<std::string> l;
    std::istringstream in(t);
    for (std::string line; std::getline(in, line);) l.insert(line);
    return l;
  };
  const auto la = lines(a), lb = lines(b);
  std::string out;
  for (const auto& l : la)
    if (lb.count(l) == 0) out += "- " + l + "\n";
  for (const auto& l : lb)
    if (la.count(l) == 0) out += "+ " + l + "\n";
  return out;
}

class WorkChanges : public WindowTest {
 protected:
  struct Case {
    const char* name;
    bool changes;  // whether the command changes the document
    std::function<void()> run;
    // Steps saved before the command (an undo needs something to undo).
    std::function<void()> prepare = {};
  };

  void SetUp() override {
    WindowTest::SetUp();
    original = dir + "/analyse.kvo";
    work = dir + "/travail.kvo";
    // The analysis every command starts from: a scale of 0.5 m, an origin,
    // two systems marked on images 0 to 5, a constant and a formula.
    window->OpenArgument(QString::fromStdString(video));
    ASSERT_TRUE(S().Video.IsOpen());
    Trigger("ButtonOutilEchelle");
    values.texts.push_back("0,5");
    Click({100, 400});
    Click({500, 400});
    Trigger("ButtonOutilOrigine");
    Click({150, 300});
    Trigger("MenuMesuresNbMarqueParImageDeux");
    Trigger("ButtonOutilMarque");
    for (int k = 0; k < 6; ++k) {
      Click({200 + 30 * k, 100 + 10 * k});
      Click({220 + 30 * k, 200 - 10 * k});
    }
    S().Formulas.AddConstant("m", "", "kg", "0,25");
    S().Formulas.AddFormula("P=m*y", "", "J");
    ASSERT_EQ(S().Data.MarksCount(), 12);
    files.save = original;
    ASSERT_TRUE(S().Workflow().SaveAs()) << messages.LastText();
    links += S().OnWorkChanged.Connect([this] { ++workChanges; });
  }

  void Run(const Case& c) {
    SCOPED_TRACE(c.name);
    LeaveCase();
    fs::copy_file(original, work, fs::copy_options::overwrite_existing);
    window->OpenArgument(QString::fromStdString(work));
    ASSERT_TRUE(S().Video.IsOpen());
    ASSERT_FALSE(window->isWindowModified());
    if (c.prepare) {
      c.prepare();
      ASSERT_TRUE(S().Workflow().Save());
    }
    const std::string before = Written("avant.kvo");
    if (!c.prepare) {
      std::string saved;
      saved = ReadWholeFile(original).value_or("");
      ASSERT_FALSE(saved.empty());
      ASSERT_EQ(Work(before), Work(saved)) << Difference(Work(saved), Work(before));
    }
    const int counted = workChanges;
    c.run();
    QApplication::processEvents();
    const std::string after = Written("apres.kvo");
    const bool differs = Work(before) != Work(after);
    EXPECT_EQ(differs, c.changes) << "the command did not do what the case says\n"
                                  << Difference(Work(before), Work(after)) << messages.LastText();
    EXPECT_EQ(window->isWindowModified(), differs) << Difference(Work(before), Work(after));
    EXPECT_EQ(workChanges > counted, differs);
    // Quitting offers to save exactly when the work changed; "Annuler"
    // keeps the window.
    const std::size_t shown = messages.Count();
    messages.AnswerCaption("Annuler");
    window->close();
    ASSERT_EQ(messages.Count(), shown + 1);
    bool offered = false;
    for (const auto& b : messages.shown.back().buttons) offered |= b.caption == "Enregistrer";
    EXPECT_EQ(offered, differs);
    EXPECT_TRUE(window->isVisible());
  }

  // Back to Grid marking, with the secondary windows closed, before the
  // document is opened again (its unsaved work is left).
  void LeaveCase() {
    if (!S().Video.IsOpen()) return;
    if (window->Tracking().Tracking().HasAutomaticMarks() && S().Video.Mode() == vmTracking)
      messages.AnswerCaption("Ignorer");  // the automatic marks are not kept
    Trigger("ButtonModeRepereFixe");
    for (QWidget* w : QApplication::topLevelWidgets())
      if (w != window.get() && w->isVisible()) w->close();
    if (window->isWindowModified()) messages.AnswerCaption("Ignorer");  // the offer to save
  }

  // The document as Save would write it now (into a new file: a document
  // written over an older one keeps the older one's extra keys).
  std::string Written(const std::string& name) {
    fs::remove(dir + "/" + name);
    EXPECT_TRUE(S().Workflow().WriteDocumentFile(dir + "/" + name));
    std::string text;
    text = ReadWholeFile(dir + "/" + name).value_or("");
    EXPECT_FALSE(text.empty());
    return text;
  }

  // The view pixel of the first mark of image `image`.
  QPoint MarkOn(int image) {
    S().Video.GoToImage(image);
    for (const TMarque* m : S().Data.GridMarks().DrawList())
      if (m->Container() != nullptr && m->Container()->MarksContainerFrameNumber == image) {
        const TPixel p = S().Video.PictureToScreen(m->GetPicture());
        return {p.x, p.y};
      }
    ADD_FAILURE() << "no mark on image " << image;
    return {};
  }
  void RightClick(QPoint p) {
    Press(window->View(), QEvent::MouseButtonPress, p, Qt::RightButton);
    Press(window->View(), QEvent::MouseButtonRelease, p, Qt::RightButton);
  }
  void Key(int qtKey, Qt::KeyboardModifiers mods, quint32 scan) {
    QKeyEvent e(QEvent::KeyPress, qtKey, mods, scan, 0, 0);
    QApplication::sendEvent(window->View(), &e);
  }
  // The time dialog, given `text` and closed with Ok (or cancelled when empty).
  void TimeBetweenImages(const QString& text) {
    window->TimeDialog().OnShown = [text](QWidget* d) {
      if (text.isEmpty()) return static_cast<QDialog*>(d)->reject();
      d->findChild<QAbstractButton*>(QStringLiteral("other"))->click();
      d->findChild<QLineEdit*>(QStringLiteral("value"))->setText(text);
      d->findChild<QPushButton*>(QStringLiteral("ok"))->click();
    };
  }
  // The names and colours dialog, `rename` typing a name for system 1, then
  // closed with Ok (or cancelled).
  void Names(bool rename, bool ok) {
    OnNextModal([rename, ok](QWidget* w) {
      auto* d = qobject_cast<NamesColoursDialog*>(w);
      ASSERT_NE(d, nullptr);
      if (rename) d->Grid()->item(1, ncName)->setText(QStringLiteral("la balle"));
      if (ok)
        d->OkButton()->click();
      else
        d->reject();
    });
    Trigger("ButtonOutilNom");
  }
  // A result button; the advice to name the systems is not taken.
  void Results(const char* button) {
    auto names = window->RunNamesDialog;
    window->RunNamesDialog = [] {};
    Trigger(button);
    window->RunNamesDialog = names;
  }
  // The formulas dialog over the results (a formula is checked on them).
  TBoiteFormules& Formulas() {
    Results("ButtonMenuTableau");
    window->ResultsWindow().Action("MenuFormules")->trigger();
    return *window->ResultsWindow().FormulasDialog();
  }
  // A click in a header row of the formulas grid, the keyboard driven by
  // `drive` while it is open.
  void KeyboardOn(int row, int col, const std::function<void(TClavier&)>& drive) {
    TBoiteFormules& d = Formulas();
    TClavier& k = window->FormulaTools().Keyboard();
    QTimer::singleShot(0, &k, [&k, drive] {
      drive(k);
      if (k.isVisible()) k.reject();
    });
    QTableWidget* g = d.FormulaGrid();
    if (col < 0) col = g->columnCount() - 1;
    d.ClickFormulaGrid(g->visualRect(g->model()->index(row, col)).center(), false);
  }
  static void Exe(TClavier& k) { k.Button("SpeedButtonExe")->click(); }
  // A tracking run on images 0 to 5 around a spot of the picture, then back
  // to Grid marking, the automatic marks kept (they replace the marks of the
  // first system) or not.
  void Track(const char* answer) {
    Trigger("ButtonModeTracking");
    S().Video.GoToImage(0);
    std::vector<TPictureCoord> circle;
    for (int i = 0; i < 12; ++i) {
      const double a = 2 * std::numbers::pi * i / 12;
      circle.push_back({0.5 + 0.05 * std::cos(a), 0.5 + 0.07 * std::sin(a)});
    }
    TTracking& t = window->Tracking().Tracking();
    ASSERT_TRUE(t.SetContour(circle));
    t.SetLastImage(5);
    ASSERT_TRUE(t.RunToEnd());
    ASSERT_TRUE(t.HasAutomaticMarks());
    messages.AnswerCaption(answer);
    Trigger("ButtonModeRepereFixe");
  }

  std::string original, work;
  int workChanges = 0;
  TConnections links;
};

TEST_F(WorkChanges, EveryCommandThatChangesTheDocumentMarksTheWork) {
  const std::vector<Case> cases = {
      // ---------------------------------------------------- marks, tracking, erasing
      {"mark placed", true,
       [this] {
         Trigger("ButtonOutilMarque");
         Click({500, 300});
       }},
      {"last mark taken back with the right button", true,
       [this] {
         Trigger("ButtonOutilMarque");
         RightClick({500, 300});
       }},
      {"mark moved", true,
       [this] {
         Trigger("ButtonOutilDeplacer");
         const QPoint p = MarkOn(0);
         Drag(p, p + QPoint(40, 25));
       }},
      {"mark erased with the eraser", true,
       [this] {
         Trigger("ButtonOutilEffacer");
         Click(MarkOn(0));
       }},
      {"marks of the image erased with the eraser's right button", true,
       [this] {
         Trigger("ButtonOutilEffacer");
         RightClick(MarkOn(2));
       }},
      {"Effacer les marques", true, [this] { Trigger("MenuAffichageEffacerMarques"); }},
      {"Effacer le repère", true, [this] { Trigger("MenuAffichageEffacerRepere"); }},
      {"Effacer l'échelle", true, [this] { Trigger("MenuAffichageEffacerEchelle"); }},
      {"Effacer tout", true, [this] { Trigger("MenuAffichageEffacerTout"); }},
      {"Annuler a mark", true, [this] { Trigger("MenuAffichageAnnuler"); },
       [this] {
         Trigger("ButtonOutilMarque");
         Click({500, 300});
       }},
      {"Annuler a moved mark", true, [this] { Trigger("MenuAffichageAnnuler"); },
       [this] {
         Trigger("ButtonOutilDeplacer");
         const QPoint p = MarkOn(0);
         Drag(p, p + QPoint(40, 25));
       }},
      {"tracking run kept", true, [this] { Track("Enregistrer"); }},
      {"Annuler a kept tracking run", true, [this] { Trigger("MenuAffichageAnnuler"); },
       [this] { Track("Enregistrer"); }},
      // ---------------------------------------------------- scale, origin, axes, layer
      {"scale length typed", true,
       [this] {
         values.texts.push_back("0,8");
         Trigger("MenuMesuresValeurEchelle");
       }},
      {"origin dragged", true,
       [this] {
         Trigger("ButtonOutilOrigine");
         Drag({150, 300}, {250, 250});
       }},
      {"axis angle typed", true,
       [this] {
         values.texts.push_back("30");
         Trigger("MenuMesuresAngleRotation");
       }},
      {"x axis reversed", true, [this] { Trigger("MenuMesuresInverserAxeX"); }},
      {"y axis reversed", true, [this] { Trigger("MenuMesuresInverserAxeY"); }},
      {"layer widened with its key", true, [this] { Key(Qt::Key_Plus, Qt::ShiftModifier, 21); },
       [this] {
         Trigger("ButtonModeTransparent");
         Trigger("ButtonOutilTsp");
       }},
      // ---------------------------------------------------- time base, montage, systems
      {"time between images", true,
       [this] {
         TimeBetweenImages(QStringLiteral("0,05"));
         Trigger("MenuMesuresTemps");
       }},
      {"image hidden in the montage", true,
       [this] {
         Trigger("ButtonModeMontage");
         Trigger("ButtonMontageBasculer");
       }},
      {"time gap in the montage", true,
       [this] {
         Trigger("ButtonModeMontage");
         Trigger("ButtonNavSuivante");
         window->InstantDialog().OnShown = [](QWidget* d) {
           d->findChild<QToolButton*>(QStringLiteral("up"))->click();
           d->findChild<QPushButton*>(QStringLiteral("ok"))->click();
         };
         Trigger("ButtonMontageInstant");
       }},
      {"three marks per image", true, [this] { Trigger("MenuMesuresNbMarqueParImageTrois"); }},
      {"two images between marks", true,
       [this] {
         values.texts.push_back("2");
         Trigger("MenuMesuresNbImagesEntreMarquesAutres");
       }},
      // ---------------------------------------------------- names and colours
      {"system named", true, [this] { Names(true, true); }},
      // The names typed are kept whichever way the window closes.
      {"system named, names window closed", true, [this] { Names(true, false); }},
      {"system colour stepped with its digit key", true,
       [this] { Key(Qt::Key_Ampersand, Qt::NoModifier, 10); }},
      {"axes colour stepped with the 0 key", true,
       [this] { Key(Qt::Key_0, Qt::KeypadModifier, 90); }},
      // ---------------------------------------------------- options kept in the document
      {"large drawings", true, [this] { Trigger("MenuAffichageTailleGrande"); }},
      {"numbers to the right", true, [this] { Trigger("MenuAffichageNumeroterRight"); }},
      {"last mark drawn only", true, [this] { Trigger("MenuAffichageDessinerDerniereMarque"); }},
      // ---------------------------------------------------- formulas and constants
      {"constant typed in the constants grid", true,
       [this] {
         QTableWidget* g = Formulas().ConstantGrid();
         g->item(2, 1)->setText(QStringLiteral("9,81"));
         g->item(2, 0)->setText(QStringLiteral("g"));
       }},
      {"constant value changed", true,
       [this] { Formulas().ConstantGrid()->item(1, 1)->setText("0,5"); }},
      {"formula deleted with the right button", true,
       [this] {
         TBoiteFormules& d = Formulas();
         QTableWidget* g = d.FormulaGrid();
         d.ClickFormulaGrid(g->visualRect(g->model()->index(0, 2)).center(), true);
       }},
      {"formula typed on the keyboard", true,
       [this] {
         KeyboardOn(1, -1, [](TClavier& k) {
           k.SetFormulaText("Q=2*m");
           Exe(k);
         });
       }},
      {"unit typed on the keyboard", true,
       [this] { KeyboardOn(2, 2, [](TClavier& k) { k.SetUnitText("kg.m"); }); }},
      // ---------------------------------------------------- the results window
      {"time between images from the results window", true,
       [this] {
         TimeBetweenImages(QStringLiteral("0,02"));
         window->ResultsWindow().Action("MenuTemps")->trigger();
       }},
  };
  for (const Case& c : cases) Run(c);
}

TEST_F(WorkChanges, CommandsThatChangeNothingLeaveTheWorkAsItWas) {
  const std::vector<Case> cases = {
      {"tools chosen", false,
       [this] {
         for (const char* b :
              {"ButtonOutilZoom", "ButtonOutilPan", "ButtonOutilEchelle", "ButtonOutilOrigine",
               "ButtonOutilDeplacer", "ButtonOutilEffacer", "ButtonOutilMarque"})
           Trigger(b);
       }},
      {"modes visited", false,
       [this] {
         for (const char* b : {"ButtonModeTransparent", "ButtonModeMontage", "ButtonModeTracking",
                               "ButtonModeRepereFixe"})
           Trigger(b);
       }},
      {"navigation, magnifier, hidden picture", false,
       [this] {
         for (const char* b : {"ButtonNavPremiere", "ButtonNavSuivante", "ButtonNavDerniere",
                               "MenuAffichageAllerDerniereImagePointee", "MenuAffichageLoupe",
                               "MenuAffichageCacherImage", "MenuAffichageCacherImage"})
           Trigger(b);
         window->TrackBar()->setValue(20);
       }},
      {"next system chosen with Alt", false,
       [this] {
         Trigger("ButtonOutilMarque");
         Key(Qt::Key_Alt, Qt::AltModifier, 64);
       }},
      {"Annuler with nothing to undo", false, [this] { Trigger("MenuAffichageAnnuler"); }},
      {"scale erased again", false, [this] { Trigger("MenuAffichageEffacerEchelle"); },
       [this] { Trigger("MenuAffichageEffacerEchelle"); }},
      {"settings chosen as they are", false,
       [this] {
         for (const char* b :
              {"MenuMesuresNbMarqueParImageDeux", "MenuMesuresNbImagesEntreMarquesUne",
               "MenuAffichageTaillePetite", "MenuAffichageNumeroterDown",
               "MenuAffichageDessinerToutesLesMarques"})
           Trigger(b);
       }},
      {"same scale length typed", false,
       [this] {
         values.texts.push_back("0,5");
         Trigger("MenuMesuresValeurEchelle");
       }},
      {"time dialog cancelled", false,
       [this] {
         TimeBetweenImages(QString());
         Trigger("MenuMesuresTemps");
       }},
      {"names dialog closed without a new name", false, [this] { Names(false, true); }},
      {"tracking run left", false, [this] { Track("Ignorer"); }},
      {"calculator and formulas dialog opened", false,
       [this] {
         Trigger("MenuMesuresCalculatrice");
         Formulas();
       }},
      {"digits of a formula column", false,
       [this] {
         TBoiteFormules& d = Formulas();
         QTableWidget* g = d.FormulaGrid();
         const QRect cell = g->visualRect(g->model()->index(0, 2));
         d.ClickFormulaGrid({cell.right() - 2, cell.center().y()}, false);
       }},
      {"refused formula on the keyboard", false,
       [this] {
         KeyboardOn(1, -1, [](TClavier& k) {
           k.SetFormulaText("Q=m*");
           Exe(k);
         });
       }},
      {"formula typed again as it was", false,
       [this] {
         KeyboardOn(1, 2, [](TClavier& k) {
           k.SetFormulaText("P=m*y");
           Exe(k);
         });
       }},
      {"results window views, smoothing and groups", false,
       [this] {
         TResForm& r = window->ResultsWindow();
         Formulas();
         Results("ButtonMenuTemps");
         r.Action("MenuLisserVitesse")->trigger();
         r.Action("MenuVitesse")->trigger();
         r.Action("MenuVitesse")->trigger();
       }},
  };
  for (const Case& c : cases) Run(c);
}

}  // namespace
}  // namespace kinevo::gui

// The results window keeps what the student did, and shows the model where
// the student looks: a drawn segment, its undo entry and a model adjusted by
// hand stay through a resize, "Restaurer le graphe" and a switch of views
// and back; the model's box is drawn on the time graph, on a trajectory and
// on the printed page, which is in colour and has its texts as text.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QTimer>
#include <QToolButton>

#include "core/graph/curve_models.h"
#include "core/graph/figure_tools.h"
#include "core/graph/figures.h"
#include "core/graph/model_tools.h"
#include "gui/graph/graph_widget.h"
#include "gui/graph/modeller_panel.h"
#include "gui/print/print_dialog.h"
#include "gui/results/results_form.h"
#include "results_fixture.h"
#include "support/qt_test_application.h"
#include "support/run_program.h"
#include "support/shots.h"

namespace kinevo {
namespace {

KINEVO_QT_TEST_APPLICATION("test_gui_results");

using test::LeftMouse;

class ResultsKeep : public test::ResultsWindowTest {
 protected:
  TGraph& Graph() { return *form->CurrentGraph(); }
  TGModele* Model() { return Graph().Model().Models().ActiveModel(); }
  // The falling ball (system 0) alone.
  void OnlyTheBall() {
    form->SystemList()->item(1)->setCheckState(Qt::Unchecked);
    QApplication::processEvents();
  }
  std::vector<const TGElem*> Drawn() {
    std::vector<const TGElem*> out;
    for (const auto& e : Graph().Model().Elements())
      if (e->userDrawn) out.push_back(e.get());
    return out;
  }
  std::string UndoCaption() {
    for (QAction* m : form->menuBar()->actions())
      if (m->text() == "Edition") emit m->menu()->aboutToShow();
    return form->Action("MenuAnnuler")->text().toStdString();
  }
};

TEST_F(ResultsKeep, FiguresTheirUndoAndAHandSetModelStay) {
  ASSERT_TRUE(form->ShowView(rvTime));
  form->ChoiceBox()->setCurrentIndex(1);  // "Ordonnée"
  OnlyTheBall();
  form->Action("ButtonModeleParabole")->trigger();
  ASSERT_NE(Model(), nullptr);
  // Adjusted by hand with the modeller's "increase fast" button on c.
  form->Action("MenuEquation")->setChecked(true);
  form->Action("ButtonModifierModele")->trigger();
  QApplication::processEvents();
  const double fitted = Model()->Parameters()[2];
  Graph().Modeller()->Button(4 * 2 + 3)->click();
  const double handSet = Model()->Parameters()[2];
  ASSERT_NEAR(handSet, fitted / 1.1, 1e-12);

  // A segment drawn in the lower right of the plot.
  form->Action("GraphTool5")->trigger();
  const QPoint a(Graph().width() * 2 / 3, Graph().height() * 2 / 3);
  const QPoint b(Graph().width() * 4 / 5, Graph().height() * 3 / 4);
  LeftMouse(Graph(), QEvent::MouseButtonPress, a);
  LeftMouse(Graph(), QEvent::MouseMove, b);
  LeftMouse(Graph(), QEvent::MouseButtonRelease, b);
  ASSERT_EQ(Drawn().size(), 1u);
  const TGElem* segment = Drawn()[0];
  const int id = segment->Id();
  // On y(t) it measures a slope in m/s.
  const std::string info = segment->InfoText();
  EXPECT_EQ(info.rfind("Pente du segment : ", 0), 0u) << info;
  EXPECT_EQ(info.substr(info.size() - 4), " m/s") << info;
  ASSERT_EQ(UndoCaption(), "Annuler Créer Segment");

  auto expectKept = [&](const char* after) {
    SCOPED_TRACE(after);
    ASSERT_EQ(Drawn().size(), 1u);
    EXPECT_EQ(Drawn()[0]->Id(), id);
    EXPECT_EQ(UndoCaption(), "Annuler Créer Segment");
    ASSERT_NE(Model(), nullptr);
    EXPECT_EQ(Model()->ModelKind(), mkParabola);
    EXPECT_EQ(Model()->Parameters()[2], handSet);
    EXPECT_TRUE(Model()->HandSet());
    EXPECT_EQ(Model()->BoxLines().back(), kHandSetModel);
  };
  const TWorldWindow fittedWindow = Graph().Model().World();
  form->resize(1100, 760);
  QApplication::processEvents();
  expectKept("a resize");
  // A zoom, then "Restaurer le graphe": the ranges come back, nothing else.
  Graph().Model().ApplyWorld({0, 0.1, -1, 0});
  form->Action("MenuRestaurerGraphe")->trigger();
  EXPECT_EQ(Graph().Model().World(), fittedWindow);
  expectKept("Restaurer le graphe");
  ASSERT_TRUE(form->ShowView(rvTrajectory));
  ASSERT_TRUE(form->ShowView(rvTable));
  ASSERT_TRUE(form->ShowView(rvTime));
  expectKept("a switch of views and back");
  test::SaveShot(form->grab().toImage(), "results_kept_after_restore");

  // The undo still takes the segment back; a new choice of quantity builds
  // the graph again.
  form->Action("MenuAnnuler")->trigger();
  EXPECT_TRUE(Drawn().empty());
  form->ChoiceBox()->setCurrentIndex(0);  // "Abscisse"
  EXPECT_FALSE(Model()->HandSet());
}

TEST_F(ResultsKeep, TheModelBoxOnTheGraphsAndOnThePrintedPage) {
  ASSERT_TRUE(form->ShowView(rvTime));
  form->ChoiceBox()->setCurrentIndex(1);  // "Ordonnée"
  OnlyTheBall();
  form->Action("ButtonModeleParabole")->trigger();
  form->show();
  QApplication::processEvents();
  test::SaveShot(form->grab().toImage(), "results_model_box_time");
  // The box shows on the graph, and hides from the "Affichage" menu.
  EXPECT_GT(Graph().Model().ModelBox.Rect().Width(), 0);
  form->Action("MenuBoiteModele")->trigger();
  Graph().Grab();
  EXPECT_EQ(Graph().Model().ModelBox.Rect().Width(), 0);
  form->Action("MenuBoiteModele")->trigger();

  // The trajectory models y(x): a parabola for the throw.
  ASSERT_TRUE(form->ShowView(rvTrajectory));
  OnlyTheBall();
  form->Action("ButtonModeleParabole")->trigger();
  ASSERT_NE(Model(), nullptr);
  EXPECT_EQ(Model()->EquationLines()[0], "Modèle: y = r + b.x + c.x²");
  EXPECT_NEAR(Model()->Parameters()[2], -0.5, 1e-9);
  QApplication::processEvents();
  test::SaveShot(form->grab().toImage(), "results_model_box_trajectory");

  // Printed into a PDF: colour, and the box as text.
  gui::TBoiteImprimer& dialog = form->PrintDialog();
  dialog.RunPrintDialog = [this](QPrinter& printer, QWidget*) {
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(QString::fromStdString(dir.File("page.pdf")));
    return true;
  };
  EXPECT_EQ(dialog.Printer().colorMode(), QPrinter::Color);
  QTimer::singleShot(0, form.get(), [&dialog] {
    dialog.PrintPage();
    dialog.accept();
  });
  form->Action("MenuImprimer")->trigger();
  const auto text = test::RunProgram("pdftotext", {dir.File("page.pdf"), "-"});
  ASSERT_EQ(text.status, 0) << text.err;
  for (const char* expected : {"Modèle: y = r + b.x + c.x²", "écart quadratique moyen", "x (m)"})
    EXPECT_NE(text.out.find(expected), std::string::npos) << expected << " in\n" << text.out;
  const auto png = test::RunProgram(
      "pdftoppm", {"-r", "100", "-png", "-singlefile", dir.File("page.pdf"), dir.File("page")});
  ASSERT_EQ(png.status, 0) << png.err;
  const QImage page(QString::fromStdString(dir.File("page.png")));
  ASSERT_FALSE(page.isNull());
  test::SaveShot(page, "printed_page_model_box");
  // The red points of the ball and the teal curve of the model.
  int red = 0, teal = 0;
  for (int y = 0; y < page.height(); ++y)
    for (int x = 0; x < page.width(); ++x) {
      const QColor c = page.pixelColor(x, y);
      red += c.red() > 200 && c.green() < 80 && c.blue() < 80;
      teal +=
          c.red() < 60 && c.green() > 110 && c.green() < 190 && c.blue() > 110 && c.blue() < 190;
    }
  EXPECT_GT(red, 20);
  EXPECT_GT(teal, 20);
}

}  // namespace
}  // namespace kinevo

// The results window behaves as desktop programs do: Ctrl+Z undoes the last
// figure, Ctrl+C copies what is shown, Ctrl+P prints, a right click or Space
// on a graph opens its menu, and "Taille" and "Numérotation" start from the
// settings and the marking rather than from fixed states.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QTableView>
#include <QToolBar>
#include <QToolButton>
#include <QtTest/QTest>

#include "core/graph/figures.h"
#include "gui/graph/graph_widget.h"
#include "gui/results/results_form.h"
#include "results_fixture.h"
#include "support/qt_test_application.h"
#include "support/shots.h"

namespace kinevo {
namespace {

KINEVO_QT_TEST_APPLICATION("test_gui_results");

using test::LeftMouse;

class ResultsHabits : public test::ResultsWindowTest {
 protected:
  TGraph& Graph() { return *form->CurrentGraph(); }
  // Keys go through the window system's path, shortcuts included.
  void Activate() {
    form->show();
    form->activateWindow();
    QApplication::setActiveWindow(form.get());
    QApplication::processEvents();
  }
  void ControlKey(Qt::Key key) {
    QTest::keyClick(form->windowHandle(), key, Qt::ControlModifier);
    QApplication::processEvents();
  }
  int DrawnFigures() {
    int n = 0;
    for (const auto& e : Graph().Model().Elements()) n += e->userDrawn;
    return n;
  }
  void DrawSegment() {
    form->Action("GraphTool5")->trigger();
    const QPoint a(Graph().width() / 2, Graph().height() / 2);
    const QPoint b(Graph().width() * 3 / 4, Graph().height() * 2 / 3);
    LeftMouse(Graph(), QEvent::MouseButtonPress, a);
    LeftMouse(Graph(), QEvent::MouseMove, b);
    LeftMouse(Graph(), QEvent::MouseButtonRelease, b);
  }
};

TEST_F(ResultsHabits, ControlKeysUndoCopyAndPrintWhatIsShown) {
  ASSERT_TRUE(form->ShowView(rvTime));
  Activate();
  // The "Edition" menu opened and closed with nothing to undo.
  for (QAction* m : form->menuBar()->actions())
    if (m->text() == "Edition") {
      emit m->menu()->aboutToShow();
      EXPECT_FALSE(form->Action("MenuAnnuler")->isEnabled());
      emit m->menu()->aboutToHide();
    }
  DrawSegment();
  ASSERT_EQ(DrawnFigures(), 1);
  ControlKey(Qt::Key_Z);
  EXPECT_EQ(DrawnFigures(), 0);

  QGuiApplication::clipboard()->clear();
  ControlKey(Qt::Key_C);
  EXPECT_FALSE(QGuiApplication::clipboard()->image().isNull()) << "the graph's picture";

  ASSERT_TRUE(form->ShowView(rvTable));
  Activate();
  form->Table()->setFocus();
  QGuiApplication::clipboard()->clear();
  ControlKey(Qt::Key_C);
  const QString text = QGuiApplication::clipboard()->text();
  EXPECT_TRUE(text.contains(QLatin1Char('\t'))) << text.left(200).toStdString();
  EXPECT_GT(text.count(QLatin1Char('\n')), 5) << "the whole table, not one cell";

  EXPECT_EQ(form->Action("MenuImprimer")->shortcut(), QKeySequence(QKeySequence::Print));
}

TEST_F(ResultsHabits, ARightClickOrSpaceOnAGraphOpensItsMenu) {
  ASSERT_TRUE(form->ShowView(rvTime));
  Activate();
  DrawSegment();
  form->Action("GraphTool0")->trigger();  // no tool: a right click is for the menu
  QStringList shown;
  bool undoEnabled = false;
  form->PopupMenu = [&](QMenu& menu, QPoint) {
    shown.clear();
    for (QAction* a : menu.actions())
      if (!a->isSeparator()) shown << a->objectName();
    undoEnabled = form->Action("MenuAnnuler")->isEnabled();
  };
  const QPoint middle(Graph().width() / 3, Graph().height() / 3);
  QMouseEvent press(QEvent::MouseButtonPress, QPointF(middle), Graph().mapToGlobal(QPointF(middle)),
                    Qt::RightButton, Qt::RightButton, Qt::NoModifier);
  QApplication::sendEvent(&Graph(), &press);
  EXPECT_TRUE(shown.contains("MenuAnnuler")) << shown.join(',').toStdString();
  EXPECT_TRUE(shown.contains("MenuCopier"));
  EXPECT_TRUE(shown.contains("MenuImprimer"));
  EXPECT_TRUE(undoEnabled) << "a segment is there to undo";
  EXPECT_EQ(form->Action("MenuAnnuler")->text(), "Annuler Créer Segment");

  shown.clear();
  Graph().setFocus();
  QTest::keyClick(&Graph(), Qt::Key_Space);
  EXPECT_TRUE(shown.contains("MenuRestaurerGraphe")) << shown.join(',').toStdString();
}

TEST_F(ResultsHabits, SizeAndNumberingStartFromTheSettingsAndTheMarking) {
  // The defaults: thin lines, numbers below the marks.
  EXPECT_TRUE(form->Action("MenuTaillePetite")->isChecked());
  EXPECT_TRUE(form->Action("MenuNumSous")->isChecked());

  session.Options.PenSize4Graph_Value = 2;
  session.Data.SetMarksNumberPosition(npRight);
  form = std::make_unique<TResForm>(session);
  EXPECT_TRUE(form->Action("MenuTailleGrande")->isChecked());
  EXPECT_TRUE(form->Action("MenuNumDroite")->isChecked());
  EXPECT_FALSE(form->Action("MenuNumSous")->isChecked());

  // A change of the settings reaches the open window.
  session.Options.PenSize4Graph_Value = 1;
  form->ApplyOptions();
  EXPECT_TRUE(form->Action("MenuTailleMoyenne")->isChecked());
}

// On a 1280 × 720 screen every command of the tool bars shows: none is left
// behind a tool bar's overflow arrow "»", in any view with a model offered.
TEST_F(ResultsHabits, NothingHiddenBehindTheOverflowArrowAt1280) {
  form->resize(1280, 720);
  for (int view : {rvTime, rvTrajectory, rvTable}) {
    ASSERT_TRUE(form->ShowView(view));
    form->show();
    QApplication::processEvents();
    for (QToolBar* bar : form->findChildren<QToolBar*>()) {
      if (!bar->isVisible()) continue;
      const auto* more = bar->findChild<QToolButton*>("qt_toolbar_ext_button");
      EXPECT_TRUE(more == nullptr || !more->isVisible())
          << bar->objectName().toStdString() << " in view " << view;
    }
    EXPECT_EQ(form->findChild<QToolBar*>("ToolBarFigures")->isVisible(), view != rvTable);
    test::SaveShot(form->grab().toImage(), "results_1280_view" + std::to_string(view));
  }
  form->resize(1920, 1080);
  ASSERT_TRUE(form->ShowView(rvTime));
  QApplication::processEvents();
  test::SaveShot(form->grab().toImage(), "results_1920_time");
}

}  // namespace
}  // namespace kinevo

// The figure tools of the results window over a real document: the tool
// bar sets the tool of the graphs, the figures drawn follow a rebuilt view,
// and "Annuler" of the Edition menu names and undoes the last change.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QMenuBar>
#include <QToolBar>

#include "core/graph/figure_tools.h"
#include "gui/graph/graph_widget.h"
#include "gui/results/results_form.h"
#include "results_fixture.h"
#include "support/qt_test_application.h"
#include "support/shots.h"

namespace kinevo {
namespace {

KINEVO_QT_TEST_APPLICATION("test_gui_results");

using test::LeftMouse;

using ResultsFigures = test::ResultsWindowTest;

TEST_F(ResultsFigures, ToolBarDrawsAndEditionMenuUndoes) {
  ASSERT_TRUE(form->ShowView(rvTrajectory));
  QApplication::processEvents();
  const QToolBar* bar = form->findChild<QToolBar*>("ToolBarFigures");
  ASSERT_NE(bar, nullptr);
  EXPECT_EQ(bar->actions().size(), 12);
  form->Action("GraphTool5")->trigger();  // "Segment"
  for (bool layer : {false, true})
    EXPECT_TRUE(form->Graph(rvTime, layer)->Model().IsTool(gtSegment));

  TGraph& graph = *form->CurrentGraph();
  const QPoint a(graph.width() / 3, graph.height() / 3), b(graph.width() / 2, graph.height() / 2);
  LeftMouse(graph, QEvent::MouseButtonPress, a);
  LeftMouse(graph, QEvent::MouseMove, b);
  LeftMouse(graph, QEvent::MouseButtonRelease, b);
  int drawn = 0;
  for (const auto& e : graph.Model().Elements()) drawn += e->userDrawn && e->Shown();
  EXPECT_EQ(drawn, 1) << "the segment is drawn and shown";
  test::SaveShot(form->grab().toImage(), "results_figures");

  QAction* undo = form->Action("MenuAnnuler");
  ASSERT_NE(undo, nullptr);
  QMenu* edit = nullptr;
  for (QAction* m : form->menuBar()->actions())
    if (m->text() == "Edition") edit = m->menu();
  ASSERT_NE(edit, nullptr);
  emit edit->aboutToShow();
  EXPECT_EQ(undo->text(), "Annuler Créer Segment");
  EXPECT_TRUE(undo->isEnabled());
  undo->trigger();
  drawn = 0;
  for (const auto& e : graph.Model().Elements()) drawn += e->userDrawn;
  EXPECT_EQ(drawn, 0);
  emit edit->aboutToShow();
  EXPECT_EQ(undo->text(), "Annuler");
  EXPECT_FALSE(undo->isEnabled());
}

}  // namespace
}  // namespace kinevo

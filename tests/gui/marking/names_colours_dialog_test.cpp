// The names and colours dialog, offscreen, over real marking data: which
// cells can be edited, the colour chooser (confirmed and cancelled), names
// typed with blanks, the Layer set's second name, and the hints.
#include "gui/marking/names_colours_dialog.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QPushButton>
#include <QStatusBar>
#include <QTableWidget>
#include <cstdlib>

#include "core/marking/marking_data.h"
#include "support/fake_view.h"
#include "support/qt_test_application.h"
#include "support/scripted_dialog.h"

namespace kinevo::gui {
namespace {

KINEVO_QT_TEST_APPLICATION("test_gui_marking");

struct NamesDialogTest : ::testing::Test {
  test::FakeView view;
  test::ScriptedDialog shown;
  TUserDlg dialog{&shown};
  TGraphUtils graph;
  TData data{view, dialog, graph};
  void SetUp() override { data.Reset(); }
};

TEST_F(NamesDialogTest, GridWithThreeSystems) {
  data.SetMarksNumberPerFrame(3);
  NamesColoursDialog d(data, graph);
  EXPECT_EQ(d.windowTitle(), QStringLiteral("Modifier le nom et la couleur de chaque marque"));
  QTableWidget* g = d.Grid();
  ASSERT_EQ(g->rowCount(), 6);
  ASSERT_EQ(g->columnCount(), 4);
  for (int row = 0; row < 6; ++row)
    for (int col = 0; col < 4; ++col)
      EXPECT_EQ(bool(g->item(row, col)->flags() & Qt::ItemIsEditable),
                col == 3 && row >= 1 && row <= 3)
          << row << "," << col;
  EXPECT_EQ(g->item(5, 3)->text(), QStringLiteral("Couleur des axes et de l'échelle"));

  // Names typed with blanks are trimmed when the window closes.
  g->item(1, 3)->setText(QStringLiteral("  d'une balle "));
  g->item(3, 3)->setText(QStringLiteral("du centre de la Terre\t"));
  d.show();
  QApplication::processEvents();
  d.OkButton()->click();
  EXPECT_EQ(data.SystemName(0), "d'une balle");
  EXPECT_EQ(data.SystemName(1), "du point n°2");
  EXPECT_EQ(data.SystemName(2), "du centre de la Terre");
}

TEST_F(NamesDialogTest, ColourChooser) {
  data.SetMarksNumberPerFrame(2);
  NamesColoursDialog d(data, graph);
  const TColor before = data.MarkColor(1);
  QColor offered;
  d.ChooseColour = [&offered](const QColor& c) {
    offered = c;
    return QColor();  // cancelled
  };
  d.PressCell(2, ncColour);
  EXPECT_EQ(FromQColor(offered), before);
  EXPECT_EQ(data.MarkColor(1), before);

  d.ChooseColour = [](const QColor&) { return QColor(0, 0, 255); };
  d.PressCell(2, ncColour);
  EXPECT_EQ(data.MarkColor(1), 0xFF0000u);  // blue in the program's layout
  d.PressCell(4, ncColour);                 // the axes and scale
  EXPECT_EQ(data.ElementColor(), 0xFF0000u);
  // Other cells do not open the chooser.
  d.ChooseColour = [](const QColor&) { return QColor(0, 255, 0); };
  d.PressCell(3, ncColour);
  d.PressCell(1, ncName);
  EXPECT_EQ(data.ElementColor(), 0xFF0000u);
  EXPECT_NE(data.MarkColor(0), 0x00FF00u);
}

TEST_F(NamesDialogTest, LayerNamesTheCentre) {
  view.mode = vmTransparent;
  NamesColoursDialog d(data, graph);
  QTableWidget* g = d.Grid();
  ASSERT_EQ(g->rowCount(), 4);
  EXPECT_TRUE(g->item(3, 3)->flags() & Qt::ItemIsEditable);
  EXPECT_FALSE(g->item(2, 3)->flags() & Qt::ItemIsEditable);
  EXPECT_EQ(g->item(2, 3)->text(), QStringLiteral("Le milieu du transparent suit les positions"));
  g->item(3, 3)->setText(QStringLiteral(" du wagon "));
  d.reject();  // closing by any means writes the names
  EXPECT_EQ(data.LayerMarks().SystemName(1), "du wagon");
  EXPECT_EQ(data.GridMarks().SystemNames().size(), 1u);
}

TEST_F(NamesDialogTest, StartsWithTheGeneralHintAndFitsItsRows) {
  data.SetMarksNumberPerFrame(3);
  NamesColoursDialog d(data, graph);
  d.show();
  QApplication::processEvents();
  EXPECT_EQ(d.Status()->currentMessage(),
            QStringLiteral("Les noms seront utilisés pour clarifier les résultats"));
  // The grid shows its six rows without scrolling on a usual screen.
  EXPECT_GE(d.Grid()->viewport()->height(), 6 * d.Grid()->rowHeight(0) - 1);
  d.reject();
}

}  // namespace
}  // namespace kinevo::gui

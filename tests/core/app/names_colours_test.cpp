#include "core/app/names_colours.h"

#include <gtest/gtest.h>

#include "core/common/text_utils.h"
#include "core/marking/marking_data.h"
#include "support/fake_view.h"
#include "support/scripted_dialog.h"

using namespace kinevo;
using kinevo::test::FakeView;
using kinevo::test::ScriptedDialog;

namespace {

struct NamesTest : ::testing::Test {
  FakeView view;
  ScriptedDialog shown;
  TUserDlg dialog{&shown};
  TGraphUtils graph;
  TData data{view, dialog, graph};
  void SetUp() override { data.Reset(); }
};

}  // namespace

TEST_F(NamesTest, GridWithThreeSystems) {
  data.SetMarksNumberPerFrame(3);
  TNamesColours m(data);
  EXPECT_FALSE(m.LayerMode());
  EXPECT_EQ(m.RowCount(), 6);
  for (int row = 0; row < 6; ++row)
    for (int col = 0; col < 4; ++col)
      EXPECT_EQ(m.CanEdit(row, col), col == ncName && row >= 1 && row <= 3);
  EXPECT_EQ(m.Text(0, ncName), "la marque repère les positions ...");
  EXPECT_EQ(m.Text(2, ncNumber), "2");
  EXPECT_EQ(m.Text(2, ncName), "du point n°2");
  EXPECT_EQ(m.Text(4, ncName), "");
  EXPECT_EQ(m.Text(5, ncName), "Couleur des axes et de l'échelle");
  EXPECT_TRUE(m.IsFixedRow(4));
  EXPECT_FALSE(m.HasColour(4));
  EXPECT_FALSE(m.HasColour(0));

  // The last row's colour is the colour of the axes and scale.
  m.SetColour(5, 0x123456);
  EXPECT_EQ(data.ElementColor(), 0x123456u);
  m.SetColour(2, 0x00AA00);
  EXPECT_EQ(data.MarkColor(1), 0x00AA00u);
  EXPECT_EQ(m.Colour(2), 0x00AA00u);
  m.SetColour(4, 0x0000FF);  // the fixed row has no colour
  EXPECT_EQ(data.ElementColor(), 0x123456u);
  EXPECT_NE(data.MarkColor(2), 0x0000FFu);
}

TEST_F(NamesTest, ClosingWritesTrimmedNames) {
  data.SetMarksNumberPerFrame(2);
  TNamesColours m(data);
  m.Apply({"", "  d'une balle \t", "de la tête", "", "ignoré"});
  EXPECT_EQ(data.SystemName(0), "d'une balle");
  EXPECT_EQ(data.SystemName(1), "de la tête");
  EXPECT_FALSE(data.HasDefaultSystemNames());
  EXPECT_EQ(TrimBlanks("   "), "");
  EXPECT_EQ(TrimBlanks(" a b "), "a b");
}

TEST_F(NamesTest, LayerModeNamesTheCentre) {
  view.mode = vmTransparent;
  TNamesColours m(data);
  ASSERT_TRUE(m.LayerMode());
  EXPECT_EQ(m.RowCount(), 4);
  EXPECT_TRUE(m.CanEdit(1, ncName));
  EXPECT_FALSE(m.CanEdit(2, ncName));
  EXPECT_TRUE(m.CanEdit(3, ncName));
  EXPECT_EQ(m.Text(2, ncName), "Le milieu du transparent suit les positions");
  EXPECT_EQ(m.Text(3, ncName), "du point n°2");
  m.Apply({"", "d'une bille", "", " du wagon "});
  EXPECT_EQ(data.LayerMarks().SystemName(0), "d'une bille");
  EXPECT_EQ(data.LayerMarks().SystemName(1), "du wagon");
  // The Grid set is untouched.
  EXPECT_EQ(data.GridMarks().SystemName(0), "du point n°1");
}

TEST_F(NamesTest, Hints) {
  data.SetMarksNumberPerFrame(2);
  TNamesColours m(data);
  EXPECT_EQ(m.Hint(1, ncNumber), "|Numéro de la marque");
  EXPECT_EQ(m.Hint(2, ncColour),
            "|Utiliser les touches du pavé numérique depuis la fenêtre pricipale");
  EXPECT_EQ(m.Hint(4, ncColour),
            "|Utiliser les touches du pavé numérique depuis la fenêtre pricipale");
  EXPECT_EQ(m.Hint(3, ncColour), "|Les noms seront utilisés pour clarifier les résultats");
  EXPECT_EQ(m.Hint(1, ncName), "|Ne pas oublier l'article devant le nom");
  EXPECT_EQ(m.Hint(4, ncName), "|Les noms seront utilisés pour clarifier les résultats");
  EXPECT_EQ(m.Hint(-1, 0), "|Les noms seront utilisés pour clarifier les résultats");
  EXPECT_EQ(m.Hint(4, ncName, true), "|Ne pas oublier l'article devant le nom");
}

TEST_F(NamesTest, Sizes) {
  data.SetMarksNumberPerFrame(3);
  TNamesColours m(data);
  auto s = m.Sizes(900, 24, 1, 105, 25, 19);
  EXPECT_EQ(s.gridClientHeight, 150);  // 25 x 6 rows
  EXPECT_EQ(s.clientHeight, 150 + 105 + 25 + 19 + 14);
  EXPECT_EQ(s.buttonTop, s.clientHeight - 19 - 25 - 7);
  // A small screen limits the grid to a third of the work area.
  s = m.Sizes(300, 24, 1, 105, 25, 19);
  EXPECT_EQ(s.gridClientHeight, 100);
  EXPECT_EQ(TNamesColours::NameColumnWidth(400), 322);
}

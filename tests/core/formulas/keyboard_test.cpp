#include "core/formulas/keyboard.h"

#include <gtest/gtest.h>

#include "core/common/ini_file.h"
#include "core/common/number_format.h"
#include "support/temp_dir.h"

using namespace kinevo;

namespace {

using Items = std::vector<std::string>;

TEST(KeyboardFavouritesTest, AddKeepsOneOfEachTextWithoutRegardToCase) {
  TFavouriteList units;
  EXPECT_TRUE(units.Add("M/S"));
  EXPECT_FALSE(units.Add("m/s"));
  EXPECT_FALSE(units.Add("   "));
  EXPECT_FALSE(units.Add(""));
  EXPECT_TRUE(units.Add(" kg "));  // kept as typed
  EXPECT_TRUE(units.Add("Énergie"));
  EXPECT_FALSE(units.Add("énergie"));
  EXPECT_EQ(units.Items(), (Items{"M/S", " kg ", "Énergie"}));

  EXPECT_FALSE(units.Delete(-1));  // no item selected
  EXPECT_FALSE(units.Delete(3));
  EXPECT_TRUE(units.Delete(0));
  EXPECT_EQ(units.Items(), (Items{" kg ", "Énergie"}));
}

TEST(KeyboardFavouritesTest, LongestItemCountsCharactersAndTakesTheFirst) {
  TFavouriteList list;
  EXPECT_EQ(list.LongestItem(), -1);
  list.Add("abc");
  list.Add("éèà");  // six bytes, three characters
  list.Add("xyz");
  EXPECT_EQ(list.LongestItem(), 0);
  list.Add("abcd");
  EXPECT_EQ(list.LongestItem(), 3);
  EXPECT_EQ(FavouriteListWidth(120, 50), 120);
  EXPECT_EQ(FavouriteListWidth(120, 100), 134);
}

TEST(KeyboardFavouritesTest, SettingsFileRoundTripKeepsOtherSectionsAndNumbersWithoutGaps) {
  test::TempDir dir;
  const std::string path = dir.File("Kinevo.ini");
  {
    TIniFile ini(path);
    ini.WriteString("Options", "CheckBox5ChangeFormulae_Checked", "1");
    // An older list, longer than the one saved below: its tail must go.
    for (int i = 0; i < 5; ++i)
      ini.WriteString("Units", "Unit" + std::to_string(i), "u" + std::to_string(i));
    ASSERT_TRUE(ini.UpdateFile());
  }
  TKeyboardModel k;
  k.LoadFavourites(TIniFile(path));
  EXPECT_EQ(k.FavouriteUnits.Count(), 5);
  k.FavouriteUnits.Delete(1);
  k.FavouriteUnits.Delete(1);
  k.FavouriteFormulas.Add("Ec=0,5*m*v^2");
  k.FavouriteComments.Add("énergie cinétique");
  {
    TIniFile ini(path);
    k.SaveFavourites(ini);
    ASSERT_TRUE(ini.UpdateFile());
  }
  const TIniFile ini(path);
  EXPECT_EQ(ini.ReadSection("Units"), (Items{"Unit0", "Unit1", "Unit2"}));
  EXPECT_EQ(ini.ReadString("Units", "Unit2"), "u4");
  EXPECT_EQ(ini.ReadString("Formulae", "Formula0"), "Ec=0,5*m*v^2");
  EXPECT_EQ(ini.ReadString("Comments", "Comment0"), "énergie cinétique");
  EXPECT_TRUE(ini.ReadBool("Options", "CheckBox5ChangeFormulae_Checked", false));
}

TEST(KeyboardFavouritesTest, LoadingStopsAtAGapAndAdaptsTheDecimalsOfFormulasOnly) {
  ScopedDecimalSeparator sep('.');
  TIniFile ini;
  ini.SetText(
      "[Formulae]\nFormula0=Ec=0,5*m*v^2\nFormula1=g*2.5\nFormula3=lost\n"
      "[Units]\nUnit0=m,s\nUnit1=\nUnit2=lost\n");
  TKeyboardModel k;
  k.LoadFavourites(ini);
  EXPECT_EQ(k.FavouriteFormulas.Items(), (Items{"Ec=0.5*m*v^2", "g*2.5"}));
  EXPECT_EQ(k.FavouriteUnits.Items(), (Items{"m,s"}));
  EXPECT_EQ(k.FavouriteComments.Count(), 0);  // no section: an empty list
}

class KeyboardHistoryTest : public ::testing::Test {
 protected:
  void ValidateTyped(const std::string& text) {
    k_.SetFormulaText(text);
    k_.ValidateFormula();
  }
  TKeyboardModel k_;
};

TEST_F(KeyboardHistoryTest, ValidationEntersTheTrimmedFormulaAndNotifies) {
  std::vector<std::string> seen;
  TConnection c = k_.OnValidate.Connect([&](void* sender) {
    EXPECT_EQ(sender, &k_);
    seen.push_back(k_.FormulaText());
  });
  ValidateTyped("  a=x+1 ");
  ValidateTyped("b=2*a");
  ValidateTyped("A=X+1");
  EXPECT_EQ(seen, (Items{"a=x+1", "b=2*a", "A=X+1"}));
  EXPECT_EQ(k_.FormulaHistory.Items(), (Items{"b=2*a", "A=X+1"}));
  EXPECT_EQ(k_.FormulaHistory.Index(), 2);
}

TEST_F(KeyboardHistoryTest, PreviousRightAfterValidatingSkipsTheFormulaJustEntered) {
  ValidateTyped("x+1");
  ValidateTyped("x+2");
  ValidateTyped("x+3");
  k_.Previous(k_.FormulaHistory, k_.Formula);
  EXPECT_EQ(k_.FormulaText(), "x+2");
  EXPECT_EQ(k_.Formula.Caret(), 3);
  k_.Previous(k_.FormulaHistory, k_.Formula);
  EXPECT_EQ(k_.FormulaText(), "x+1");
  k_.Previous(k_.FormulaHistory, k_.Formula);
  EXPECT_EQ(k_.FormulaText(), "x+1");
  k_.Next(k_.FormulaHistory, k_.Formula);
  k_.Next(k_.FormulaHistory, k_.Formula);
  k_.Next(k_.FormulaHistory, k_.Formula);
  EXPECT_EQ(k_.FormulaText(), "x+3");  // no way back to a text being typed

  // A line other than the newest entry steps back to the newest entry.
  ValidateTyped("y");
  k_.SetFormulaText("being typed");
  k_.Previous(k_.FormulaHistory, k_.Formula);
  EXPECT_EQ(k_.FormulaText(), "y");
}

TEST_F(KeyboardHistoryTest, EmptyHistoriesLeaveTheLinesAlone) {
  k_.SetUnitText("m");
  k_.Unit.SetCaret(0);
  k_.Previous(k_.UnitHistory, k_.Unit);
  k_.Next(k_.UnitHistory, k_.Unit);
  k_.Next(k_.UnitHistory, k_.Unit);
  k_.Previous(k_.UnitHistory, k_.Unit);
  EXPECT_EQ(k_.UnitText(), "m");
  EXPECT_EQ(k_.Unit.Caret(), 1);
}

TEST_F(KeyboardHistoryTest, HidingEntersTheUnitAndCommentUnlessBlank) {
  k_.SetUnitText(" m/s ");
  k_.SetCommentText("   ");
  k_.Hidden();
  k_.SetUnitText("M/S");
  k_.SetCommentText("vitesse");
  k_.Hidden();
  EXPECT_EQ(k_.UnitHistory.Items(), (Items{"M/S"}));
  EXPECT_EQ(k_.CommentHistory.Items(), (Items{"vitesse"}));
}

TEST(KeyboardPadTest, ButtonsWriteTheKeyboardsOwnTexts) {
  TKeyboardModel k;
  for (TPadButton b :
       {pbIndexAfter, pbEqual, pbBracketOpen, pbIndexBefore, pbBracketClose, pbInverse})
    k.Press(b);
  EXPECT_EQ(k.FormulaText(), "[i+1]=[[i-1]]^(-1)");
  k.SetFormulaText("v");
  k.Formula.SetCaret(0);
  k.Press(pbAbs);
  EXPECT_EQ(k.FormulaText(), "Abs(v");
  k.Press(pbArc);
  k.Press(pbEnd);
  k.Press(pbSin);
  EXPECT_EQ(k.FormulaText(), "Abs(vArcSin()");
  EXPECT_TRUE(k.ArcMode());
}

TEST(KeyboardPlacementTest, OpensBesideTheCellAndStaysOnTheScreen) {
  int32_t left = 500, top = 0;
  // Room on the right.
  KeyboardPosition({100, 300, 200, 320}, 400, 350, 1280, 1024, left, top);
  EXPECT_EQ(left, 200);
  EXPECT_EQ(top, 210);
  // Near the right edge: to the left of the cell.
  KeyboardPosition({1000, 50, 1100, 70}, 400, 350, 1280, 1024, left, top);
  EXPECT_EQ(left, 600);
  EXPECT_EQ(top, 0);  // near the top
  // No room on either side: the left is kept.
  left = 77;
  KeyboardPosition({300, 1000, 900, 1020}, 400, 350, 1000, 1024, left, top);
  EXPECT_EQ(left, 77);
  EXPECT_EQ(top, 1024 - 350);  // near the bottom
}

}  // namespace

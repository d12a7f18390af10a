#include "core/formulas/formula_grid.h"

#include <gtest/gtest.h>

#include "core/common/math_utils.h"
#include "core/common/number_format.h"
#include "core/graph/graph_model_element.h"

namespace kinevo {
namespace {

class TRampTable : public IFormulaTable {
 public:
  int32_t RowCount() const override { return 3; }
  int32_t SystemsCount() const override { return 1; }
  double RowTime(int32_t row) const override { return 0.1 * row; }
  bool HasValue(int32_t, int32_t, int32_t row) const override { return row != 1; }
  double Value(int32_t, int32_t, int32_t row) const override { return 2.0 * row; }
  double AxisAngle() const override { return 0; }
};

class FormulaGridTest : public ::testing::Test {
 protected:
  FormulaGridTest() { f_.SetTable(&table_); }
  ScopedDecimalSeparator sep_{','};
  TRampTable table_;
  TFormules f_;
  TFormulaGrid grid_{f_};
};

TEST_F(FormulaGridTest, CellsOfTheFormulasGrid) {
  ASSERT_TRUE(grid_.ApplyTexts(grid_.ColCount() - 1, "d = x*1,5", "m", ""));
  EXPECT_FALSE(grid_.ApplyTexts(grid_.ColCount() - 1, "1/(t-t)", "", "jamais"));  // typed: refused
  f_.AddFormula("1/(t-t)", "jamais", "");  // loaded from a document: kept, invalid
  f_.ComputeFormulas();
  EXPECT_EQ(grid_.ColCount(), 5);
  EXPECT_EQ(grid_.RowCount(), 7);
  EXPECT_EQ(grid_.Cell(1, 1), "t");
  EXPECT_EQ(grid_.Cell(1, 3), "temps");
  EXPECT_EQ(grid_.Cell(1, 5), FormatNumber(0, 0.1));
  EXPECT_EQ(grid_.Cell(0, 4), "1");
  EXPECT_EQ(grid_.Cell(2, 1), "d=x*1,5");
  EXPECT_EQ(grid_.Cell(2, 2), "m");
  EXPECT_EQ(grid_.Cell(2, 3), "pas de commentaire saisi");
  EXPECT_EQ(grid_.Cell(2, 4), FormatNumber(0, 0.0));
  EXPECT_EQ(grid_.Cell(2, 5), "");  // not marked in that row
  EXPECT_EQ(grid_.Cell(2, 6), FormatNumber(0, 6.0));
  EXPECT_EQ(grid_.Cell(3, 5), "#Nombre!");
  EXPECT_EQ(grid_.Cell(3, 3), "jamais");
  EXPECT_EQ(grid_.Cell(4, 1), "Saisir une formule");
}

// The ramp with a standard uncertainty of 0.01 on every value.
class TUncertainRamp : public TRampTable {
 public:
  bool HasUncertainties() const override { return true; }
  double Uncertainty(int32_t, int32_t, int32_t) const override { return 0.01; }
};

TEST(FormulaGrid, UncertaintyColumnsFollowEachFormulaReadOnly) {
  ScopedDecimalSeparator sep(',');
  TUncertainRamp table;
  TFormules f;
  f.SetTable(&table);
  TFormulaGrid grid(f);
  ASSERT_TRUE(grid.ApplyTexts(grid.ColCount() - 1, "d = x*1,5", "m", ""));
  ASSERT_TRUE(grid.ApplyTexts(grid.ColCount() - 1, "x*x", "", "aire"));
  EXPECT_EQ(grid.ColCount(), 5);
  grid.UncertaintiesShown = true;
  // t, d, u(d), x*x, u(x*x), the new formula.
  ASSERT_EQ(grid.ColCount(), 7);
  EXPECT_EQ(grid.Cell(2, 1), "d=x*1,5");
  EXPECT_EQ(grid.Cell(3, 1), "u(d)");
  EXPECT_EQ(grid.Cell(3, 2), "m");
  EXPECT_EQ(grid.Cell(3, 3), "Incertitude-type");
  EXPECT_EQ(grid.Cell(5, 1), "u(x*x)");
  EXPECT_EQ(grid.Cell(5, 3), "Incertitude-type : aire");
  EXPECT_EQ(grid.Cell(6, 1), "Saisir une formule");
  // Row 2 (x = 4): d = 6 ± 0.015, x² = 16 ± 0.08; the values are written
  // to the uncertainty's digits.
  EXPECT_EQ(grid.Cell(3, 6), FormatUncertainty(0.015));
  EXPECT_EQ(grid.Cell(2, 6), FormatMeasured(6.0, 0.015));
  EXPECT_EQ(grid.Cell(2, 6), "6,000");
  EXPECT_EQ(grid.Cell(5, 6), FormatUncertainty(0.08));
  EXPECT_EQ(grid.Cell(3, 5), "");  // no value in that row
  // The uncertainty columns are not formulas: no edit, digit or collapse.
  EXPECT_EQ(grid.FormulaOfColumn(3), -1);
  EXPECT_EQ(grid.UncertaintyFormulaOfColumn(3), 0);
  EXPECT_EQ(grid.FormulaOfColumn(4), 1);
  EXPECT_EQ(grid.UncertaintyFormulaOfColumn(4), -1);
  EXPECT_FALSE(grid.ClickControl(3, 50, 100, false));
  EXPECT_FALSE(grid.ClickControl(3, 50, 100, true));
  EXPECT_EQ(f.FormulaCount(), 2);
  // A collapsed formula's uncertainty column folds with it.
  EXPECT_TRUE(grid.ClickControl(2, 50, 100, false));
  EXPECT_EQ(grid.ColumnWidth(3), TFormulaGrid::kCollapsedWidth);
  EXPECT_EQ(grid.Cell(3, 6), "");
  EXPECT_TRUE(grid.ClickControl(2, 5, 15, false));
  grid.UncertaintiesShown = false;
  EXPECT_EQ(grid.Cell(2, 6), FormatNumber(0, 6.0));
}

TEST_F(FormulaGridTest, EdgeValuesOfSpeedsAndAccelerationsCanBeHidden) {
  ASSERT_TRUE(grid_.ApplyTexts(grid_.ColCount() - 1, "p=vx*2", "", ""));
  ASSERT_TRUE(grid_.ApplyTexts(grid_.ColCount() - 1, "p+ay", "", ""));  // through p, and directly
  ASSERT_TRUE(grid_.ApplyTexts(grid_.ColCount() - 1, "t*2", "", ""));
  EXPECT_NE(grid_.Cell(2, 4), "");
  grid_.HideEdgeSpeed = true;
  EXPECT_EQ(grid_.Cell(2, 4), "");  // first row with a value
  EXPECT_EQ(grid_.Cell(2, 6), "");  // last row with a value
  EXPECT_NE(grid_.Cell(4, 4), "");  // no speed in t*2
  grid_.HideEdgeSpeed = false;
  grid_.HideEdgeAcceleration = true;
  EXPECT_NE(grid_.Cell(2, 4), "");
  EXPECT_EQ(grid_.Cell(3, 4), "");
  EXPECT_EQ(grid_.Cell(3, 6), "");
}

TEST_F(FormulaGridTest, ControlRowClicks) {
  ASSERT_TRUE(grid_.ApplyTexts(grid_.ColCount() - 1, "x*3", "", ""));
  EXPECT_TRUE(grid_.ClickControl(2, 95, 100, false));  // + one digit
  EXPECT_EQ(f_.Formula(0).Curve.Digits, 1);
  EXPECT_EQ(grid_.Cell(2, 6), FormatNumber(1, 12.0));
  EXPECT_TRUE(grid_.ClickControl(2, 3, 100, false));   // - one digit
  EXPECT_FALSE(grid_.ClickControl(2, 3, 100, false));  // already 0
  for (int k = 0; k < 10; ++k) grid_.ClickControl(1, 99, 100, false);
  EXPECT_EQ(grid_.TimeDigits, 8);
  EXPECT_TRUE(grid_.ClickControl(2, 50, 100, false));  // collapse
  EXPECT_EQ(grid_.ColumnWidth(2), TFormulaGrid::kCollapsedWidth);
  EXPECT_EQ(grid_.Cell(2, 6), "");
  EXPECT_TRUE(grid_.ClickControl(2, 5, 15, false));  // expand again
  EXPECT_TRUE(f_.Formula(0).Curve.Expanded);
  EXPECT_TRUE(grid_.ClickControl(2, 5, 100, true));  // right click deletes
  EXPECT_EQ(f_.FormulaCount(), 0);
}

TEST_F(FormulaGridTest, EditingFormulaTexts) {
  ASSERT_TRUE(grid_.ApplyTexts(grid_.ColCount() - 1, "e=x*2", "J", "énergie"));
  EXPECT_FALSE(grid_.ApplyTexts(grid_.ColCount() - 1, "x*", "", ""));  // refused, not added
  EXPECT_EQ(f_.FormulaCount(), 1);
  EXPECT_FALSE(grid_.ApplyTexts(2, "e=x*(", "J", "énergie"));  // refused: old text back
  EXPECT_EQ(f_.Formula(0).FormulaText(), "e=x*2");
  EXPECT_TRUE(grid_.ApplyTexts(2, "e=x*4", "kJ", ""));
  EXPECT_EQ(f_.Formula(0).UnitText, "kJ");
  EXPECT_EQ(f_.Formula(0).Comment, "pas de commentaire saisi");
  EXPECT_DOUBLE_EQ(f_.Formula(0).Curve.RowValues[2], 16.0);
  EXPECT_TRUE(grid_.ApplyTexts(2, "  ", "", ""));  // emptied: deleted
  EXPECT_EQ(f_.FormulaCount(), 0);
}

TEST_F(FormulaGridTest, EditingConstants) {
  EXPECT_EQ(grid_.ConstantCell(1, 0), "Valeur ou formule");
  ASSERT_TRUE(grid_.ApplyConstantCell(0, 1, "g", "9.81"));
  EXPECT_EQ(grid_.ConstantCell(1, 1), "9,81");
  ASSERT_TRUE(grid_.ApplyConstantCell(0, 2, "h", ""));
  EXPECT_EQ(grid_.ConstantCell(1, 2), "0");
  ASSERT_TRUE(grid_.ApplyConstantCell(1, 2, "g*2", ""));  // an expression, "=" optional
  EXPECT_EQ(grid_.ConstantCell(1, 2), "=g*2");
  EXPECT_DOUBLE_EQ(f_.Constant(1).ConstValue, 19.62);
  EXPECT_FALSE(grid_.ApplyConstantCell(1, 2, "=g*zz", ""));
  EXPECT_EQ(f_.Constant(1).Phrase, "g*2");
  EXPECT_FALSE(grid_.ApplyConstantCell(0, 2, "g", ""));  // same name: old name kept
  EXPECT_EQ(f_.Constant(1).TypedIdentifier, "h");
  ASSERT_TRUE(grid_.ApplyConstantCell(1, 1, "10", ""));  // g changes, h follows
  EXPECT_DOUBLE_EQ(f_.Constant(1).ConstValue, 20);
  ASSERT_TRUE(grid_.ApplyConstantCell(2, 1, " m/s² ", ""));
  EXPECT_EQ(grid_.ConstantCell(2, 1), "m/s²");
  EXPECT_FALSE(grid_.ApplyConstantCell(0, 3, "x", "1"));  // predefined name: not created
  EXPECT_EQ(f_.ConstantCount(), 2);
  ASSERT_TRUE(grid_.ApplyConstantCell(0, 1, "", ""));  // emptied name: deleted
  EXPECT_EQ(f_.ConstantCount(), 1);
  EXPECT_EQ(TFormulaGrid::TypedCharacter(0, '.'), ",");
  EXPECT_EQ(TFormulaGrid::TypedCharacter(1, '/'), "÷");
  EXPECT_EQ(TFormulaGrid::TypedCharacter(1, '~'), "");
  EXPECT_EQ(TFormulaGrid::TypedCharacter(2, '/'), "/");
}

}  // namespace
}  // namespace kinevo

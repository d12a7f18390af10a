#include "core/results/values_grid.h"

#include <gtest/gtest.h>

#include <cmath>

#include "core/common/math_utils.h"
#include "core/common/number_format.h"
#include "core/graph/graph_model_element.h"
#include "series_source.h"

namespace kinevo {
namespace {

using test::SeriesSource;

TEST(ValuesGrid, ColumnLayoutOfThreeSystems) {
  const int n = 3;
  struct Want {
    int c, q, s;
  };
  for (Want w :
       {Want{0, qtTime, -1}, Want{1, qtX, 0}, Want{2, qtY, 0}, Want{5, qtX, 2}, Want{6, qtY, 2},
        Want{7, qtVx, 0}, Want{9, qtV, 0}, Want{11, qtVy, 1}, Want{15, qtV, 2}, Want{16, qtAx, 0},
        Want{24, qtA, 2}, Want{25, qtTheta, 0}, Want{29, qtR, 1}, Want{30, qtOmega, 1},
        Want{33, qtOmega, 2}, Want{34, -1, -1}, Want{-1, -1, -1}}) {
    int q, s;
    TGrid::ColumnQuantity(w.c, n, q, s);
    EXPECT_EQ(q, w.q) << "column " << w.c;
    EXPECT_EQ(s, w.s) << "column " << w.c;
    if (w.q >= 0) {
      EXPECT_EQ(TGrid::DataColumnOf(w.q, std::max(w.s, 0), n), w.c);
    }
  }
  // Round trip over every column.
  for (int c = 0; c <= 11 * n; ++c) {
    int q, s;
    TGrid::ColumnQuantity(c, n, q, s);
    EXPECT_EQ(TGrid::DataColumnOf(q, std::max(s, 0), n), c);
  }
}

class GridTest : public testing::Test {
 protected:
  void SetUp() override {
    src.names = {"balle", "Système 2", "chariot"};
    // Three systems marked in rows 0..9 (system 0), 2..6 (system 1) and
    // 0, 9 (system 2).
    for (int img = 0; img < 10; ++img) src.Mark(0, img, 0.01 * img * img, 0.0123);
    for (int img = 2; img <= 6; ++img) src.Mark(1, img, 12345.0, -0.5);
    src.Mark(2, 0, 0.0, 0.0);
    src.Mark(2, 9, 0.0, 0.0);
    ASSERT_EQ(calc.Compute(), ccOk);
    ASSERT_EQ(calc.ComputeDerivatives(rtGrid, 0), 2);  // system 2 has 2 marks
    grid.ResetColumns();
    grid.SetKindsVisible(true, kPositions | kSpeeds | kAccelerations | kPolar);
    grid.Recount();
  }
  // Displayed column of a data column (all visible).
  static int Col(int dataColumn) { return dataColumn + 1; }

  SeriesSource src;
  TResCalc calc{src};
  TGrid grid{calc.Grid(), src, false, calc.Options()};
};

TEST_F(GridTest, HeaderRowsAndCounts) {
  EXPECT_EQ(grid.ColCount(), 34 + 1);
  EXPECT_EQ(grid.RowCount(), 10 + 4);
  EXPECT_EQ(grid.CellText(Col(0), 1, true), "t");
  EXPECT_EQ(grid.CellText(Col(0), 2, true), "s");
  EXPECT_EQ(grid.CellText(Col(0), 3, true), "temps");
  EXPECT_EQ(grid.CellText(Col(1), 1, true), "x");
  EXPECT_EQ(grid.CellText(Col(1), 3, true), "Abscisse balle");
  EXPECT_EQ(grid.CellText(Col(4), 1, true), "y2");
  EXPECT_EQ(grid.CellText(Col(4), 3, true), "Ordonnée Système 2");
  EXPECT_EQ(grid.CellText(Col(14), 1, true), "vy3");
  EXPECT_EQ(grid.CellText(Col(14), 2, true), "m/s");
  EXPECT_EQ(grid.CellText(Col(16), 2, true), "m/s²");
  EXPECT_EQ(grid.CellText(Col(29), 1, true), "R2");
  EXPECT_EQ(grid.CellText(Col(30), 1, true), "w2");
  EXPECT_EQ(grid.CellText(Col(25), 1, true), "O");
  EXPECT_EQ(grid.CellText(Col(25), 2, true), "rad");
  EXPECT_EQ(grid.CellText(Col(33), 3, true), "Valeur de la vitesse angulaire chariot");
  // Control row, label column headers, outside the table: empty.
  EXPECT_EQ(grid.CellText(Col(1), 0, true), "");
  EXPECT_EQ(grid.CellText(0, 2, true), "");
  EXPECT_EQ(grid.CellText(35, 5, true), "");
  EXPECT_EQ(grid.CellText(3, 14, true), "");
  EXPECT_EQ(grid.CellText(-1, 5, true), "");
  EXPECT_EQ(grid.CellText(3, -1, true), "");
  // Row labels from 1, or from 0 with the setting.
  EXPECT_EQ(grid.CellText(0, 4, true), "1");
  EXPECT_EQ(grid.CellText(0, 13, true), "10");
  calc.SetOptions({false, false, true});
  EXPECT_EQ(grid.CellText(0, 4, true), "0");
}

TEST_F(GridTest, CellsFormattedAndEmptyWhereUnmarked) {
  ScopedDecimalSeparator sep(',');
  // Time column filled in every row.
  EXPECT_EQ(grid.CellText(Col(0), 4 + 3, true), "0,120");
  // System 1 unmarked in row 0, marked in row 2.
  EXPECT_EQ(grid.CellText(Col(3), 4 + 0, true), "");
  EXPECT_EQ(grid.CellText(Col(3), 4 + 2, true), "1,23E+4");
  EXPECT_EQ(grid.CellText(Col(3), 4 + 2, false), "12345");
  // 0.0123: fixed format, three decimals at 0 extra digits.
  EXPECT_EQ(grid.CellText(Col(2), 4 + 1, true), "0,012");
  EXPECT_EQ(grid.CellText(Col(2), 4 + 1, false), "0,0123");
  // Extra digits per column, bounded to 0..8.
  for (int i = 0; i < 12; ++i) grid.MoreDigits(Col(3));
  EXPECT_EQ(grid.Columns()[3].digits, 8);
  EXPECT_EQ(grid.CellText(Col(3), 4 + 2, true), FormatNumber(8, 12345.0));
  EXPECT_NE(grid.CellText(Col(3), 4 + 2, true), "1,23E+4");
  for (int i = 0; i < 12; ++i) grid.FewerDigits(Col(3));
  EXPECT_EQ(grid.Columns()[3].digits, 0);
  grid.MoreDigits(Col(3));
  grid.MoreDigits(99);  // no such column: nothing
  grid.ResetDigits();
  EXPECT_EQ(grid.Columns()[3].digits, 0);
}

TEST_F(GridTest, ValuesThatAreNotNumbersShowAsSuch) {
  SeriesSource bad;
  for (int img = 0; img < 4; ++img) bad.Mark(0, img, img == 1 ? std::nan("") : 0.1, 0.0);
  TResCalc c(bad);
  ASSERT_EQ(c.Compute(), ccOk);
  TGrid g(c.Grid(), bad, false, c.Options());
  g.ResetColumns();
  g.SetKindsVisible(true, kPositions);
  g.Recount();
  EXPECT_EQ(g.CellText(2, 4 + 1, true), "#Nombre!");
  EXPECT_EQ(g.CellText(2, 4 + 1, false), "#Nombre!");
}

TEST(ValuesGrid, RoundingResidueOfZeroShowsAsZero) {
  // A uniform motion along x at positions 0.1·i, which are not exact in
  // binary: its acceleration is 0, computed as residues such as 1E-14.
  SeriesSource src;
  for (int img = 0; img < 10; ++img) src.Mark(0, img, 0.1 * img, 0.2);
  TResCalc calc(src);
  ASSERT_EQ(calc.Compute(), ccOk);
  ASSERT_EQ(calc.ComputeDerivatives(rtGrid, 0), 0);
  TGrid g(calc.Grid(), src, false, calc.Options());
  g.ResetColumns();
  g.SetKindsVisible(true, kPositions | kSpeeds | kAccelerations);
  g.Recount();
  const int ax = TGrid::DataColumnOf(qtAx, 0, 1) + 1;  // every column shown
  int residues = 0;
  for (int row = 0; row < 10; ++row) {
    const double v = calc.Grid().Value(cfAxes, 0, qtAx, row);
    if (std::isnan(v)) continue;
    ASSERT_LT(std::fabs(v), 1e-9);
    EXPECT_EQ(g.CellText(ax, 4 + row, true), "0") << v;
    if (v != 0.0) {
      ++residues;
      // Exports keep the number computed.
      EXPECT_NE(g.CellText(ax, 4 + row, false), "0");
    }
  }
  EXPECT_GT(residues, 0);
  // A real value beside them is shown as it is.
  const int x = TGrid::DataColumnOf(qtX, 0, 1) + 1;
  EXPECT_EQ(g.CellText(x, 4 + 3, true), FormatNumber(0, 0.1 * 3));
}

TEST_F(GridTest, EdgeBlankingOfSpeedsAndAccelerations) {
  const int vx = Col(TGrid::DataColumnOf(qtVx, 0, 3));
  const int ax = Col(TGrid::DataColumnOf(qtA, 0, 3));
  for (int row = 0; row < 10; ++row) {
    EXPECT_NE(grid.CellText(vx, 4 + row, true), "") << row;
    EXPECT_NE(grid.CellText(ax, 4 + row, true), "") << row;
  }
  calc.SetOptions({true, true, false});
  for (int row = 0; row < 10; ++row) {
    EXPECT_EQ(grid.CellText(vx, 4 + row, true).empty(), row == 0 || row == 9) << row;
    // Accelerations only in rows 2..7.
    EXPECT_EQ(grid.CellText(ax, 4 + row, true).empty(), row < 2 || row > 7) << row;
  }
  // System 1 (rows 2..6): accelerations in rows 4 only... first + 1 < i < last − 1.
  const int ay2 = Col(TGrid::DataColumnOf(qtAy, 1, 3));
  for (int row = 0; row < 10; ++row)
    EXPECT_EQ(grid.CellText(ay2, 4 + row, true).empty(), row != 4) << row;
  // Positions are never blanked.
  EXPECT_NE(grid.CellText(Col(1), 4, true), "");
}

TEST_F(GridTest, VisibilityColoursAndColumnReset) {
  grid.SetKindsVisible(false, kPositions | kSpeeds | kAccelerations | kPolar);
  grid.Recount();
  // Only the time is left, and it cannot be hidden.
  EXPECT_EQ(grid.ColCount(), 2);
  EXPECT_EQ(grid.DataColumn(1), 0);
  grid.SetColumnVisible(false, 1);
  grid.Recount();
  EXPECT_EQ(grid.DataColumn(1), 0);

  grid.SetKindsVisible(true, kSpeeds);
  grid.Recount();
  EXPECT_EQ(grid.ColCount(), 1 + 1 + 9);
  EXPECT_EQ(grid.CellText(2, 1, true), "vx");
  EXPECT_EQ(grid.ColumnColour(0), colors::White);
  EXPECT_EQ(grid.ColumnColour(1), colors::White);
  EXPECT_EQ(grid.ColumnColour(2), RGBColor(0xFF, 0xFA, 0xFA));
  EXPECT_EQ(grid.ColumnColour(40), colors::White);
  grid.SetColumnVisible(false, 2);  // hide vx
  grid.Recount();
  EXPECT_EQ(grid.CellText(2, 1, true), "vy");

  grid.SetKindsVisible(true, kPolar);
  grid.Recount();
  EXPECT_EQ(grid.ColumnColour(grid.ColCount() - 1), RGBColor(0xF5, 0xF5, 0xF5));
  grid.SetKindsVisible(true, kPositions | kAccelerations);
  grid.Recount();
  EXPECT_EQ(grid.ColumnColour(2), RGBColor(0xF8, 0xF8, 0xFF));
  EXPECT_EQ(grid.ColumnColour(Col(16)), RGBColor(0xFF, 0xFA, 0xF0));

  // One system more: existing states kept, the new columns hidden.
  grid.MoreDigits(2);
  const auto before = grid.Columns();
  src.Mark(3, 0, 0.1, 0.1);
  ASSERT_EQ(calc.Compute(rtGrid), ccOk);
  grid.ResetColumns();
  ASSERT_EQ(grid.Columns().size(), 45u);
  for (size_t c = 0; c < before.size(); ++c) {
    EXPECT_EQ(grid.Columns()[c].visible, before[c].visible);
    EXPECT_EQ(grid.Columns()[c].digits, before[c].digits);
  }
  for (size_t c = before.size(); c < 45; ++c) EXPECT_FALSE(grid.Columns()[c].visible);
}

TEST(ValuesGrid, UncertaintyColumnsFollowTheirQuantities) {
  // A uniform motion on rotated axes, every mark with its own uncertainty
  // along x and y; plain differences.
  SeriesSource src;
  src.scale = {2.0, 1.5};
  src.angle = 0.3;
  src.ux = 0.001;
  src.uy = 0.002;
  for (int img = 0; img < 6; ++img) src.Mark(0, img, 0.1 + 0.02 * img, 0.3 - 0.01 * img);
  TResCalc calc(src);
  calc.SetUncertainties(true);
  ASSERT_TRUE(calc.Update(true));
  TGrid grid(calc.Grid(), src, false, calc.Options());
  grid.ResetColumns();
  grid.SetKindsVisible(true, kPositions | kSpeeds);
  grid.SetUncertaintiesShown(true);
  grid.Recount();
  // t, then x u(x) y u(y) vx u(vx) vy u(vy) v u(v): the time is exact.
  ASSERT_EQ(grid.ColCount(), 1 + 1 + 2 * 5);
  EXPECT_EQ(grid.CellText(1, 1, false), "t");
  EXPECT_EQ(grid.CellText(2, 1, false), "x");
  EXPECT_EQ(grid.CellText(3, 1, false), "u(x)");
  EXPECT_EQ(grid.CellText(3, 2, false), "m");
  EXPECT_EQ(grid.CellText(3, 3, false), "Incertitude-type : Abscisse Système 1");
  EXPECT_EQ(grid.CellText(7, 1, false), "u(vx)");
  EXPECT_TRUE(grid.IsUncertaintyColumn(3));
  EXPECT_FALSE(grid.IsUncertaintyColumn(2));
  EXPECT_EQ(grid.DataColumn(3), grid.DataColumn(2));

  const double c = std::cos(0.3), s = std::sin(0.3), D = src.period;
  const double ex = 2.0 * 0.001, ey = 1.5 * 0.002;
  auto cell = [&](int col, int row) { return std::stod(grid.CellText(col, 4 + row, false)); };
  EXPECT_NEAR(cell(3, 2), std::hypot(c * ex, s * ey), 1e-12);
  EXPECT_NEAR(cell(5, 2), std::hypot(c * ey, s * ex), 1e-12);
  // A central difference: (z[i+1] − z[i−1]) / 2D has the variance u² / 2D².
  EXPECT_NEAR(cell(7, 2), std::hypot(c * ex, s * ey) / (std::sqrt(2.0) * D), 1e-9);
  EXPECT_NEAR(cell(9, 2), std::hypot(c * ey, s * ex) / (std::sqrt(2.0) * D), 1e-9);
  // The magnitude, to first order, along the speed.
  const double vx = 2.0 * 0.02 / D, vy = -1.5 * 0.01 / D, v = std::hypot(vx, vy);
  EXPECT_NEAR(cell(11, 2), std::hypot(vx * ex, vy * ey) / v / (std::sqrt(2.0) * D), 1e-9);
  // Shown, the value is rounded where its uncertainty's second digit is.
  const double vx2 = calc.Grid().Value(cfAxes, 0, qtVx, 2);
  const double uvx2 = calc.Grid().Uncertainty(cfAxes, 0, qtVx, 2);
  EXPECT_EQ(grid.CellText(6, 4 + 2, true), FormatMeasured(vx2, uvx2));
  EXPECT_EQ(grid.CellText(7, 4 + 2, true), FormatUncertainty(uvx2));
  // The scale's term is kept apart: none from this source.
  EXPECT_EQ(calc.Grid().ScaleRelativeUncertainty(), 0.0);
}

TEST(ResGrid, FollowsTheActiveMode) {
  SeriesSource src;
  TResCalc calc(src);
  TResGrid grids(calc, src);
  EXPECT_EQ(&grids.Active(), &grids.Grid());
  src.layerActive = true;
  EXPECT_EQ(&grids.Active(), &grids.Layer());
}

}  // namespace
}  // namespace kinevo

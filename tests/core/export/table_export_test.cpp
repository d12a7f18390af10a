// The exported forms of the values table and of the formulas table.
#include "core/export/table_export.h"

#include <gtest/gtest.h>

#include "core/common/number_format.h"
#include "core/export/spreadsheet_cells.h"
#include "core/formulas/formula_grid.h"
#include "core/results/series_source.h"
#include "core/results/values_grid.h"

namespace kinevo {
namespace {

std::vector<std::string> Split(const std::string& line, char sep) {
  std::vector<std::string> out;
  std::size_t start = 0;
  for (;;) {
    const std::size_t at = line.find(sep, start);
    out.push_back(line.substr(start, at - start));
    if (at == std::string::npos) return out;
    start = at + 1;
  }
}

// RFC 4180 fields of a whole text: quoted fields may hold separators,
// doubled quotes and line breaks.
std::vector<std::vector<std::string>> ParseCsv(const std::string& text, char sep) {
  std::vector<std::vector<std::string>> rows(1);
  std::string field;
  bool quoted = false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (quoted) {
      if (c == '"' && i + 1 < text.size() && text[i + 1] == '"') {
        field += '"';
        ++i;
      } else if (c == '"') {
        quoted = false;
      } else {
        field += c;
      }
    } else if (c == '"') {
      quoted = true;
    } else if (c == sep) {
      rows.back().push_back(field);
      field.clear();
    } else if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
      rows.back().push_back(field);
      field.clear();
      rows.emplace_back();
      ++i;
    } else {
      field += c;
    }
  }
  if (rows.back().empty()) rows.pop_back();
  return rows;
}

// Two systems: the first marked on images 0..7, the second on 0..3 and 5..7
// (not on image 4); the axes turned by 0.25 rad.
class ValuesExport : public ::testing::Test {
 protected:
  void SetUp() override {
    src.names = {"balle", "chariot"};
    src.angle = 0.25;
    for (int img = 0; img < 8; ++img) {
      src.Mark(0, img, 0.02 * img, 0.5 - 0.01 * img * img);
      if (img != 4) src.Mark(1, img, 0.1 + 0.03 * img, 0.2);
    }
    ASSERT_EQ(calc.Compute(rtGrid), 0);
    ASSERT_EQ(calc.ComputeDerivatives(rtGrid, 0), 0);
    grid.ResetColumns();
    // Speeds hidden, as when the "Vitesse" group is off.
    grid.SetKindsVisible(true, kPositions | kAccelerations);
    grid.Recount();
  }
  test::SeriesSource src;
  TResCalc calc{src};
  TGrid grid{calc.Grid(), src, false, calc.Options()};
};

TEST_F(ValuesExport, TextHoldsOnlyTheDisplayedColumnsWithTheValuesOfTheResults) {
  ScopedDecimalSeparator sep('.');
  const TExportTable table = ValuesTable(grid, 0.25);
  const auto lines = TableText(table, "/usr/bin/kinevo", "09/12/2026 10:00");
  ASSERT_EQ(lines.size(), 6u + 8u);
  EXPECT_EQ(lines[0], "/usr/bin/kinevo");
  EXPECT_EQ(lines[1], "09/12/2026 10:00");
  EXPECT_EQ(lines[2], "Angle de rotation du repère dans le sens trigonométrique : 0.25 rad");
  EXPECT_EQ(lines[3], "t\tx\ty\tx2\ty2\tax\tay\ta\tax2\tay2\ta2");
  EXPECT_EQ(lines[4], "s\tm\tm\tm\tm\tm/s²\tm/s²\tm/s²\tm/s²\tm/s²\tm/s²");
  EXPECT_EQ(Split(lines[5], '\t')[0], "temps");
  EXPECT_EQ(Split(lines[5], '\t')[3], "Abscisse chariot");
  EXPECT_EQ(table.ColumnCount(), 11);
  const TCalcul& c = calc.Grid();
  for (int row = 0; row < 8; ++row) {
    const std::string& line = lines[static_cast<std::size_t>(6 + row)];
    const auto f = Split(line, '\t');
    ASSERT_EQ(f.size(), 11u) << line;
    double t = -1, x = 0, ax = 0;
    ASSERT_TRUE(TextToFloat(f[0], t));
    EXPECT_DOUBLE_EQ(t, 0.04 * row);
    ASSERT_TRUE(TextToFloat(f[1], x));
    EXPECT_NEAR(x, c.Value(cfAxes, 0, qtX, row), 1e-14);
    if (row == 4) {
      EXPECT_EQ(f[3], "");  // system 2 not marked there
      EXPECT_EQ(f[4], "");
      EXPECT_NE(line.find("\t\t"), std::string::npos);
    } else {
      double x2 = 0;
      ASSERT_TRUE(TextToFloat(f[3], x2));
      EXPECT_NEAR(x2, c.Value(cfAxes, 1, qtX, row), 1e-14);
    }
    ASSERT_TRUE(TextToFloat(f[5], ax));
    EXPECT_NEAR(ax, c.Value(cfAxes, 0, qtAx, row), 1e-12);
  }
}

TEST_F(ValuesExport, CommaLocaleReachesTextMatrixAndSpreadsheetCells) {
  ScopedDecimalSeparator sep(',');
  const TExportTable table = ValuesTable(grid, 0.25);
  const auto lines = TableText(table, "p", "d");
  EXPECT_EQ(lines[2], "Angle de rotation du repère dans le sens trigonométrique : 0,25 rad");
  EXPECT_EQ(lines[7].find('.'), std::string::npos) << lines[7];
  EXPECT_NE(lines[7].find(','), std::string::npos) << lines[7];

  const TTableMatrix m = TableMatrix(table);
  ASSERT_EQ(m.size(), 4u + 8u);
  EXPECT_EQ(m[0][0], "Angle de rotation du repère dans le sens trigonométrique (rad) : ");
  EXPECT_EQ(m[0][1], "0,25");
  EXPECT_EQ(m[0][2], "");
  EXPECT_EQ(m[1][3], "x2");
  // The angle row is a header: text, though it reads as a number.
  EXPECT_EQ(WorkbookCell(0, m[0][1]).kind, TSheetCell::Text);
  const TSheetCell x = WorkbookCell(5, m[5][1]);
  ASSERT_EQ(x.kind, TSheetCell::Number);
  EXPECT_NEAR(x.number, calc.Grid().Value(cfAxes, 0, qtX, 1), 1e-14);
  EXPECT_EQ(WorkbookCell(8, m[8][3]).kind, TSheetCell::Empty);  // unmarked
}

TEST_F(ValuesExport, CsvParsesBackInBothLocales) {
  ScopedDecimalSeparator sep(',');
  const TExportTable table = ValuesTable(grid, 0.25);
  for (char decimal : {'.', ','}) {
    const char fieldSep = decimal == ',' ? ';' : ',';
    const std::string csv = CsvText(table, decimal);
    EXPECT_NE(csv.find("\r\n"), std::string::npos);
    const auto rows = ParseCsv(csv, fieldSep);
    ASSERT_EQ(rows.size(), 1u + 8u) << csv;
    EXPECT_EQ(rows[0], table.identifiers);
    for (std::size_t r = 1; r < rows.size(); ++r) {
      ASSERT_EQ(rows[r].size(), 11u);
      for (std::size_t c = 0; c < rows[r].size(); ++c) {
        const std::string& f = rows[r][c];
        EXPECT_EQ(f.find(decimal == ',' ? '.' : ','), std::string::npos) << f;
        double v = 0, want = 0;
        EXPECT_EQ(TextToFloat(f, v), TextToFloat(table.rows[r - 1][c], want));
        EXPECT_DOUBLE_EQ(v, want);
      }
    }
    EXPECT_EQ(rows[5][3], "");  // image 4, system 2
  }
}

TEST(TableExport, SingleColumnLeavesTheAngleRowEmptyAndHtmlIsEscaped) {
  TExportTable t;
  t.axisAngle = 1.5;
  t.identifiers = {"t"};
  t.units = {"s"};
  t.descriptions = {"temps"};
  t.rows = {{"0"}, {"0.04"}};
  const TTableMatrix m = TableMatrix(t);
  ASSERT_EQ(m.size(), 6u);
  EXPECT_EQ(m[0], std::vector<std::string>{""});

  const std::string html = HtmlTable({{"a<b", "x & y"}, {"1,5", ""}});
  EXPECT_NE(html.find("<td>a&lt;b</td><td>x &amp; y</td>"), std::string::npos) << html;
  EXPECT_NE(html.find("<td>1,5</td><td></td>"), std::string::npos);
  EXPECT_NE(html.find("charset=\"utf-8\""), std::string::npos);
}

class FallTable : public IFormulaTable {
 public:
  int32_t RowCount() const override { return 6; }
  int32_t SystemsCount() const override { return 1; }
  double RowTime(int32_t row) const override { return 0.04 * row; }
  bool HasValue(int32_t, int32_t, int32_t row) const override { return row != 2; }
  double Value(int32_t q, int32_t, int32_t row) const override {
    return q == qtY ? 1.0 - 0.1 * row : 0.5 * row;
  }
  double AxisAngle() const override { return 0.5; }
};

TEST(FormulasExport, TimeAndExpandedFormulaColumns) {
  ScopedDecimalSeparator sep(',');
  FallTable results;
  TFormules f;
  f.SetTable(&results);
  f.AddConstant("m", "", "kg", "2");
  f.AddFormula("Ep=m*9,81*y", "énergie potentielle", "J");
  f.AddFormula("arctan(y;x)", "", "rad");
  f.AddFormula("z=sqrt(-1-y*y)", "jamais définie", "");
  f.AddFormula("hid=2*y", "", "");
  f.ComputeAll();
  f.Formula(3).Curve.Expanded = false;
  TFormulaGrid grid(f);
  const TExportTable t = FormulasTable(f, grid);
  EXPECT_DOUBLE_EQ(t.axisAngle, 0.5);
  EXPECT_EQ(t.identifiers,
            (std::vector<std::string>{"t", "m*9,81*y", "arctan(y;x)", "sqrt(-1-y*y)"}));
  EXPECT_EQ(t.units[0], "s");
  EXPECT_EQ(t.descriptions[0], "temps");
  EXPECT_EQ(t.descriptions[1], "énergie potentielle");
  ASSERT_EQ(t.RowCount(), 6);
  double ep = 0;
  ASSERT_TRUE(TextToFloat(t.rows[1][1], ep));
  EXPECT_NEAR(ep, 2 * 9.81 * 0.9, 1e-12);
  EXPECT_EQ(t.rows[2][1], "");  // no y in that row
  EXPECT_EQ(t.rows[0][3], "#Nombre!");
  EXPECT_EQ(t.rows[4][0], "0,16");
  // The phrase with ";" is quoted in a CSV that separates with ";".
  const auto csv = ParseCsv(CsvText(t, ','), ';');
  EXPECT_EQ(csv[0][2], "arctan(y;x)");
  EXPECT_EQ(csv[0].size(), 4u);
}

// The fall with a standard uncertainty of 0.01 on every value.
class UncertainFall : public FallTable {
 public:
  bool HasUncertainties() const override { return true; }
  double Uncertainty(int32_t, int32_t, int32_t) const override { return 0.01; }
};

TEST(FormulasExport, UncertaintyColumnsGoBesideTheirFormulasWhenShown) {
  ScopedDecimalSeparator sep(',');
  UncertainFall results;
  TFormules f;
  f.SetTable(&results);
  f.AddFormula("h=2*y", "", "m");
  f.AddFormula("3*x", "", "");
  f.ComputeAll();
  TFormulaGrid grid(f);
  EXPECT_EQ(FormulasTable(f, grid).identifiers, (std::vector<std::string>{"t", "2*y", "3*x"}));
  grid.UncertaintiesShown = true;
  const TExportTable t = FormulasTable(f, grid);
  EXPECT_EQ(t.identifiers, (std::vector<std::string>{"t", "2*y", "u(h)", "3*x", "u(3*x)"}));
  EXPECT_EQ(t.units[2], "m");
  EXPECT_EQ(t.descriptions[2], "Incertitude-type");
  ASSERT_EQ(t.RowCount(), 6);
  // Unrounded, as the values; none where the formula has no value.
  double uh = 0, u3x = 0;
  ASSERT_TRUE(TextToFloat(t.rows[1][2], uh));
  ASSERT_TRUE(TextToFloat(t.rows[1][4], u3x));
  EXPECT_NEAR(uh, 0.02, 1e-9);
  EXPECT_NEAR(u3x, 0.03, 1e-9);
  EXPECT_EQ(t.rows[2][2], "");
}

}  // namespace
}  // namespace kinevo

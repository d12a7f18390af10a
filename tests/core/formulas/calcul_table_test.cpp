// The formulas read the real results model of one marking mode.
#include "core/formulas/calcul_table.h"

#include <gtest/gtest.h>

#include "core/common/number_format.h"

namespace kinevo {
namespace {

class TSeriesSource : public IResultsSource {
 public:
  bool IsVideoOpen() const override { return true; }
  bool IsLayerActive() const override { return false; }
  void GetSeries(bool, TMarkSeries& out) const override {
    out.times = {0.0, 0.04, 0.08, 0.12};
    out.images = {{0, 1, 2, 3}, {-1, 1, 2, -1}};
    out.xs = {{0.1, 0.2, 0.3, 0.4}, {0.0, 0.5, 0.6, 0.0}};
    out.ys = {{0.0, 0.1, 0.2, 0.3}, {0.0, 0.2, 0.2, 0.0}};
  }
  std::pair<double, double> ScaleFactors() const override { return {2.0, 1.0}; }
  double XAxisAngle(bool) const override { return 0.0; }
  bool DirectXAxisDirection(bool) const override { return true; }
  bool DirectYAxisDirection(bool) const override { return true; }
  double ImagePeriod() const override { return 0.04; }
  std::string SystemName(bool, int s) const override { return "S" + std::to_string(s + 1); }
};

TEST(CalculFormulaTableTest, FormulasOverTheResultsModel) {
  ScopedDecimalSeparator sep('.');
  TSeriesSource source;
  TCalcul calcul;
  ASSERT_EQ(calcul.Compute(source, false), ccOk);
  TCalculFormulaTable table(calcul, [] { return 0.25; });
  TFormules f;
  f.SetTable(&table);
  ASSERT_EQ(f.CheckRecord(f.Formula(f.AddFormula("d=x2-x1", "", ""))), 0) << f.LastMessage();
  const TCurve& c = f.Formula(0).Curve;
  ASSERT_EQ(c.RowValid, (std::vector<int32_t>{-1, 0, 0, -1}));
  for (int row = 1; row <= 2; ++row)
    EXPECT_DOUBLE_EQ(c.RowValues[row],
                     calcul.Value(cfAxes, 1, qtX, row) - calcul.Value(cfAxes, 0, qtX, row));
  EXPECT_NE(c.RowValues[1], 0.0);
  ASSERT_EQ(f.CheckRecord(f.Formula(f.AddFormula("t*B", "", ""))), 0);
  EXPECT_DOUBLE_EQ(f.Formula(1).Curve.RowValues[3], 0.12 * 0.25);
}

}  // namespace
}  // namespace kinevo

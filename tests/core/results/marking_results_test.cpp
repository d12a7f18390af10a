// The results computed from real marking data: marks placed by clicks on a
// windowless view, origin and scale placed with their tools.
#include <gtest/gtest.h>

#include <cmath>

#include "core/common/palette.h"
#include "core/marking/marking_data.h"
#include "core/results/marking_source.h"
#include "core/results/results_calc.h"
#include "core/results/values_grid.h"
#include "support/fake_view.h"
#include "support/scripted_dialog.h"

namespace kinevo {
namespace {

struct MarkedThrow : ::testing::Test {
  test::FakeView view{640, 480, 200};
  test::ScriptedDialog presenter;
  TUserDlg dialog{&presenter};
  TGraphUtils graph;
  TData data{view, dialog, graph};
  TMarkingResultsSource source{data, view};
  TResCalc calc{source};
  TConnection heard =
      data.OnResultsInvalidated.Connect([this](TResultsTarget t) { calc.Invalidate(t); });

  void SetUp() override {
    data.Reset();
    data.SetRequiredDuration(0.04);
    data.Fixed().PlaceOrigin(320, 240);
    data.SetTool(otEchelle);
    Click(160, 240);
    Click(480, 240);
    data.SetScaleLength(1);  // 2 m per picture width, 1.5 m per height
    data.SetTool(otMarque);
  }
  void Click(int x, int y) {
    data.MouseDown(0, false, x, y);
    data.MouseUp(0, false, x, y);
  }
  // Pixel path of a thrown ball, whole pixels: uniformly accelerated.
  static int Px(int k) { return 100 + 12 * k + k * k; }
  static int Py(int k) { return 400 - 30 * k + 2 * k * k; }
  void MarkThrow(int first, int count) {
    for (int k = 0; k < count; ++k) {
      view.current = first + k;
      Click(Px(k), Py(k));
    }
  }
};

TEST_F(MarkedThrow, SpeedsAndAccelerationsAreExact) {
  MarkThrow(20, 12);
  ASSERT_TRUE(calc.IsStale());
  ASSERT_TRUE(calc.Update(true));
  const TCalcul& r = calc.Active();
  ASSERT_EQ(r.RowCount(), 12);
  const double T = 0.04, kx = 2.0 / 640.0, ky = 1.5 / 480.0;  // metres per pixel
  for (int k = 0; k < 12; ++k) {
    EXPECT_NEAR(r.RowTime(k), k * T, 1e-12);
    EXPECT_NEAR(r.Value(cfAxes, 0, qtX, k), (Px(k) - 320) * kx, 1e-12);
    EXPECT_NEAR(r.Value(cfAxes, 0, qtY, k), -(Py(k) - 240) * ky, 1e-12);
    // x = 100 + 12k + k² pixels: vx = (12 + 2k) px per image, ax = 2.
    const double vx = (12.0 + 2.0 * k) * kx / T, vy = -(-30.0 + 4.0 * k) * ky / T;
    EXPECT_NEAR(r.Value(cfAxes, 0, qtVx, k), vx, 1e-9 * std::fabs(vx)) << k;
    EXPECT_NEAR(r.Value(cfAxes, 0, qtVy, k), vy, 1e-9 * std::max(1.0, std::fabs(vy))) << k;
    EXPECT_NEAR(r.Value(cfAxes, 0, qtAx, k), 2.0 * kx / (T * T), 1e-9 * 2.0 * kx / (T * T)) << k;
    EXPECT_NEAR(r.Value(cfAxes, 0, qtAy, k), -4.0 * ky / (T * T), 1e-9 * 4.0 * ky / (T * T)) << k;
  }
}

TEST_F(MarkedThrow, MarkingChangesMakeTheResultsStale) {
  MarkThrow(0, 5);
  ASSERT_TRUE(calc.Update(true));
  EXPECT_FALSE(calc.IsStale(rtGrid));
  // A new mark invalidates the Grid results.
  view.current = 5;
  Click(Px(5), Py(5));
  EXPECT_TRUE(calc.IsStale(rtGrid));
  ASSERT_TRUE(calc.Update(true));
  EXPECT_EQ(calc.Active().RowCount(), 6);
  // Reversing the x axis flips x.
  const double x = calc.Active().Value(cfAxes, 0, qtX, 2);
  data.SetDirectXAxisDirection(false);
  EXPECT_TRUE(calc.IsStale());
  ASSERT_TRUE(calc.Update(true));
  EXPECT_DOUBLE_EQ(calc.Active().Value(cfAxes, 0, qtX, 2), -x);
  // The time step invalidates both sets.
  data.SetRequiredDuration(0.02);
  EXPECT_TRUE(calc.IsStale(rtGrid));
  EXPECT_TRUE(calc.IsStale(rtLayer));
  ASSERT_TRUE(calc.Update(true));
  EXPECT_NEAR(calc.Active().RowTime(5), 0.1, 1e-12);
  // A scale of zero length: no result.
  data.SetScaleLength(0);
  EXPECT_TRUE(calc.IsStale());
  EXPECT_FALSE(calc.Update(true));
  EXPECT_EQ(calc.LastCode(), ccBadScale);
  // Through the message dialog.
  EXPECT_FALSE(calc.UpdateOrWarn(dialog, true));
  ASSERT_EQ(presenter.Count(), 1u);
  EXPECT_EQ(presenter.shown[0].icon, icWarning);
  ASSERT_EQ(presenter.shown[0].buttons.size(), 1u);
  EXPECT_EQ(presenter.shown[0].buttons[0].caption, "Ok");
  EXPECT_EQ(presenter.LastText(),
            "L'unité de calcul a détecté une erreur. L'opération en cours est annulée.");
}

TEST_F(MarkedThrow, LayerModeHasItsOwnResults) {
  MarkThrow(0, 4);
  ASSERT_TRUE(calc.Update(true));
  view.mode = vmTransparent;
  // The Grid set cannot be rebuilt from the Layer mode; it keeps its state.
  calc.Invalidate(rtGrid);
  EXPECT_EQ(calc.Compute(rtGrid), ccInactiveMode);
  EXPECT_TRUE(calc.IsStale(rtGrid));
  // The Layer results are empty: positions compute, derivatives fail.
  ASSERT_TRUE(calc.Update(false));
  EXPECT_EQ(calc.Active().RowCount(), 0);
  EXPECT_FALSE(calc.Update(true));
  view.mode = vmRepereFixe;
  ASSERT_TRUE(calc.Update(true));
  EXPECT_EQ(calc.Active().RowCount(), 4);
  EXPECT_TRUE(calc.UpdateOrWarn(dialog, true));
  EXPECT_EQ(presenter.Count(), 0u);

  // The table shows the system's name from the marking data.
  data.SetSystemName(0, "balle");
  TResGrid grids(calc, source);
  TGrid& g = grids.Active();
  g.ResetColumns();
  g.SetKindsVisible(true, kPositions);
  g.Recount();
  EXPECT_EQ(g.CellText(1, 3, true), "temps");
  EXPECT_EQ(g.CellText(2, 3, true), "Abscisse balle");
  EXPECT_EQ(g.RowCount(), 8);
}

}  // namespace
}  // namespace kinevo

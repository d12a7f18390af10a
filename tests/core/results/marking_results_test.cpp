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

namespace kinevo {
namespace {

// Picture pixels of a view position (the fake view shows the picture at
// its own size).
TWorldPoint ShownPixel(const IVideoView& view, int x, int y) {
  const TPictureCoord p = view.ScreenToPicture(x, y);
  return {p.x * 640, p.y * 480};
}

TEST_F(MarkedThrow, LensAndPlaneTurnTheClickedMarksIntoTheirMetres) {
  MarkThrow(0, 8);
  ASSERT_TRUE(calc.Update(true));
  const std::vector<double> usual = [&] {
    std::vector<double> v;
    for (int k = 0; k < 8; ++k) v.push_back(calc.Active().Value(cfAxes, 0, qtX, k));
    return v;
  }();

  // The lens alone: marks, origin and scale measured on the corrected
  // picture.
  const TLensModel lens(640, 480, 0.12, 0.03);
  TMeasureCalibration c;
  c.lens = {true, 0.12, 0.03};
  data.SetCalibration(c);
  ASSERT_TRUE(calc.IsStale(rtGrid));
  ASSERT_TRUE(calc.Update(true));
  const TWorldPoint s1 = lens.Correct(ShownPixel(view, 160, 240));
  const TWorldPoint s2 = lens.Correct(ShownPixel(view, 480, 240));
  const double perPixel = 1.0 / std::hypot(s2.x - s1.x, s2.y - s1.y);  // scale of 1 m
  const TWorldPoint o = lens.Correct(ShownPixel(view, 320, 240));
  for (int k = 0; k < 8; ++k) {
    const TWorldPoint m = lens.Correct(ShownPixel(view, Px(k), Py(k)));
    EXPECT_NEAR(calc.Active().Value(cfAxes, 0, qtX, k), (m.x - o.x) * perPixel, 1e-12) << k;
    EXPECT_NEAR(calc.Active().Value(cfAxes, 0, qtY, k), -(m.y - o.y) * perPixel, 1e-12) << k;
  }
  // The barrel squeezes the picture's edges: corrected, the throw, far
  // from the centre, is wider than the scale across the middle says.
  EXPECT_GT(std::fabs(calc.Active().Value(cfAxes, 0, qtX, 0)), std::fabs(usual[0]));

  // With the plane: a camera at an angle, its true homography known.  The
  // four points are where the lens shows the corners of a 2 m × 1 m
  // rectangle; the usual scale and origin no longer count.
  const THomography truth({0.004, 0.0008, -1.2, -0.0003, -0.0045, 1.9, 0.0, 0.0004, 1.0});
  c.plane.on = true;
  c.plane.width = 2.0;
  c.plane.height = 1.0;
  const TWorldPoint corners[4] = {{0, 0}, {2, 0}, {2, 1}, {0, 1}};
  for (int i = 0; i < 4; ++i) {
    const TWorldPoint shown = lens.Distort(truth.InverseMap(corners[i]));
    c.plane.points[static_cast<std::size_t>(i)] = {shown.x / 640, shown.y / 480};
  }
  data.SetCalibration(c);
  data.SetPointingUncertainty(2.0);
  calc.SetUncertainties(true);
  ASSERT_TRUE(calc.Update(true));
  for (int k = 0; k < 8; ++k) {
    const TWorldPoint q = truth.Map(lens.Correct(ShownPixel(view, Px(k), Py(k))));
    for (int frame : {cfAxes, cfPicture}) {
      EXPECT_NEAR(calc.Active().Value(frame, 0, qtX, k), q.x, 1e-9) << k;
      EXPECT_NEAR(calc.Active().Value(frame, 0, qtY, k), q.y, 1e-9) << k;
    }
    // Two pixels through the map: a few millimetres, more where the plane
    // is farther (larger plane y is higher on the picture, farther away).
    const double ux = calc.Active().Uncertainty(cfAxes, 0, qtX, k);
    EXPECT_GT(ux, 0.002) << k;
    EXPECT_LT(ux, 0.03) << k;
  }
  // The accelerations come from the plane's positions too: y is no longer
  // a parabola in the picture's pixels alone, but still near one.
  EXPECT_TRUE(std::isfinite(calc.Active().Value(cfAxes, 0, qtAy, 4)));

  // Points that are no view of a rectangle once corrected: nothing is
  // measured.
  TMeasureCalibration crossed = c;
  std::swap(crossed.plane.points[1], crossed.plane.points[2]);
  data.SetCalibration(crossed);
  EXPECT_FALSE(calc.Update(true));
  EXPECT_EQ(calc.LastCode(), ccBadScale);
  EXPECT_NE(calc.Failure().cause.find("croisé"), std::string::npos);  // the plane's reason

  // Both off: the usual results, exactly.
  data.SetCalibration({});
  ASSERT_TRUE(calc.Update(true));
  for (int k = 0; k < 8; ++k) EXPECT_EQ(calc.Active().Value(cfAxes, 0, qtX, k), usual[k]);
}

// A floor seen steeply, its horizon across the top of the picture: a mark
// clicked above it has no place on the floor, and the results say which
// image holds it rather than measure it mirrored through the horizon.
TEST_F(MarkedThrow, AMarkBeyondThePlanesHorizonIsNamed) {
  MarkThrow(0, 8);
  view.current = 8;
  Click(320, 30);  // the horizon is near y = 51
  TMeasureCalibration c;
  c.plane.on = true;
  c.plane.width = 2.0;
  c.plane.height = 1.0;
  c.plane.points = {TPictureCoord{100.0 / 640, 460.0 / 480},
                    {540.0 / 640, 460.0 / 480},
                    {400.0 / 640, 200.0 / 480},
                    {240.0 / 640, 200.0 / 480}};
  data.SetCalibration(c);
  EXPECT_FALSE(calc.Update(true));
  EXPECT_EQ(calc.Active().UnplacedImage(), 8);
  EXPECT_FALSE(calc.UpdateOrWarn(dialog, true));
  EXPECT_TRUE(presenter.Contains(kComputeErrorText));
  EXPECT_TRUE(presenter.Contains("La marque de l'image 8 est au-delà de l'horizon"));
  // Its position is no number (the table shows it so), never a mirrored
  // one; without that mark, the others are measured on the floor.
  ASSERT_TRUE(calc.Update(false));
  EXPECT_TRUE(std::isnan(calc.Active().Value(cfAxes, 0, qtY, 8)));
  data.EraseMarksOfImage(8);
  ASSERT_TRUE(calc.Update(true)) << calc.Failure().Text();
  EXPECT_EQ(calc.Active().RowCount(), 8);
  for (int k = 0; k < 8; ++k) EXPECT_TRUE(std::isfinite(calc.Active().Value(cfAxes, 0, qtY, k)));
}

}  // namespace
}  // namespace kinevo

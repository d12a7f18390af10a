#include "core/results/result_views.h"

#include <gtest/gtest.h>

#include <cmath>

#include "series_source.h"

namespace kinevo {
namespace {

class ResultViews : public ::testing::Test {
 protected:
  ResultViews() { graph.SetSize(495, 265); }  // plot 400 x 200
  void Compute(bool derivatives = true) {
    ASSERT_EQ(calc.Compute(source, false), ccOk);
    if (derivatives) ASSERT_EQ(calc.ComputeDerivatives(0), ccOk);
  }
  test::SeriesSource source;
  TCalcul calc;
  TGraphUtils utils;
  TGraphModel graph{utils};
  TSystemsLook look;
  TGraphLook display;
};

TEST_F(ResultViews, TimeViewOfXSharesItsVerticalRangeWithY) {
  for (int i = 0; i < 5; ++i) source.Mark(0, i, 0.1 * i, -2.0);  // x 0..0.4, y = -2
  Compute();
  const TWorldWindow w = BuildTimeGraph(graph, calc, {0}, qtX, look, display);
  // y extremes -2 .. 0.4 (x and y together), then the 5 % margin.
  EXPECT_DOUBLE_EQ(w.ymin, -2.0 - 0.05 * 2.4);
  EXPECT_DOUBLE_EQ(w.ymax, 0.4 + 0.05 * 2.4);
  EXPECT_DOUBLE_EQ(w.xmin, 0.0);
  EXPECT_EQ(graph.World(), w);
  EXPECT_EQ(graph.AxeY.title.front(), "X (m)");
}

TEST_F(ResultViews, SpeedOfASystemAtRestStartsAtZeroAroundZero) {
  for (int i = 0; i < 5; ++i) source.Mark(0, i, 0.25, 0.5);
  Compute();
  const TWorldWindow w = BuildTimeGraph(graph, calc, {0}, qtV, look, display);
  EXPECT_DOUBLE_EQ(w.ymin, 0.0);
  EXPECT_DOUBLE_EQ(w.ymax, 1.1e-50);
}

TEST_F(ResultViews, ASystemNeverMarkedGivesNoCurveAndLeavesTheRanges) {
  for (int i = 0; i < 5; ++i) source.Mark(0, i, 0.1 * i, 0.1 * i);
  source.grid.resize(2);  // system 1 has no mark
  Compute(false);
  const TWorldWindow one = BuildTimeGraph(graph, calc, {0}, qtX, look, display);
  const TWorldWindow both = BuildTimeGraph(graph, calc, {0, 1}, qtX, look, display);
  EXPECT_EQ(graph.CurveCount(), 1);
  EXPECT_EQ(one, both);
}

TEST_F(ResultViews, EdgeSettingsLeaveOutTheTableEdgeRows) {
  for (int i = 0; i < 8; ++i) source.Mark(0, i, 0.01 * i * i, 0);
  Compute();
  display.hideEdgeAccelerations = true;
  BuildTimeGraph(graph, calc, {0}, qtAx, look, display);
  const TCourbe& c = graph.Curve(0);
  graph.SetCourbeVisible(0, ckPoints, true);
  // Rows 0, 1 and 6, 7 are left out, as in the table.
  EXPECT_FALSE(c.points[1]->Shown());
  EXPECT_TRUE(c.points[2]->Shown());
  EXPECT_TRUE(c.points[5]->Shown());
  EXPECT_FALSE(c.points[6]->Shown());
  EXPECT_EQ(c.model->MaskedAtEnds(), 2);
}

TEST_F(ResultViews, AngleRangesIncludeZero) {
  // A quarter turn far from the origin's angle 0: θ from π/4 to π/2.
  for (int i = 0; i < 5; ++i) {
    const double a = 0.785398 + i * 0.19635;
    source.Mark(0, i, std::cos(a), std::sin(a));
  }
  Compute();
  const TWorldWindow w = BuildTimeGraph(graph, calc, {0}, qtTheta, look, display);
  EXPECT_LT(w.ymin, 0.0);
  EXPECT_NEAR(w.ymin, -0.05 * w.ymax / 1.05, 1e-9);
}

TEST_F(ResultViews, ShortTrajectoryIsAQuarterOfThePictureWithEqualScales) {
  source.scale = {2.0, 1.0};  // 2 m wide, 1 m high picture
  for (int i = 0; i < 4; ++i) source.Mark(0, i, 0.5 + 0.001 * i, 0.5);
  Compute();
  const TWorldWindow w = BuildTrajectoryGraph(graph, calc, {0}, -1, look, display);
  const double ux = (w.xmax - w.xmin) / graph.Plot().width;
  const double uy = (w.ymax - w.ymin) / graph.Plot().height;
  EXPECT_NEAR(ux, uy, 1e-15);
  EXPECT_GE(w.xmax - w.xmin, 0.5 * 1.2 - 1e-12);
  EXPECT_GE(w.ymax - w.ymin, 0.25 * 1.2 - 1e-12);
  EXPECT_TRUE(graph.EqualScale());
}

TEST_F(ResultViews, TrajectoryOfASystemSeenFromItselfIsTheOrigin) {
  for (int i = 0; i < 4; ++i) {
    source.Mark(0, i, 0.1 * i, 0);
    source.Mark(1, i, 0.2, 0.1 * i);
  }
  Compute();
  BuildTrajectoryGraph(graph, calc, {0, 1}, 1, look, display);
  ASSERT_EQ(graph.CurveCount(), 2);
  ASSERT_EQ(graph.Curve(1).points.size(), 1u);
  EXPECT_EQ(graph.Curve(1).points[0]->world, (TWorldPoint{0, 0}));
  EXPECT_NEAR(graph.Curve(0).points[3]->world.x, 0.3 - 0.2, 1e-15);
  EXPECT_EQ(graph.Curve(0).points[3]->row, 3);
}

TEST_F(ResultViews, VectorViewDrawsTheSpeedAtEveryMarkedRow) {
  for (int i = 0; i < 6; ++i) source.Mark(0, i, 0.1 * i, 0.05 * i);
  Compute();
  BuildVectorGraph(graph, calc, {0}, vkSpeed, look, display);
  const TCourbe& c = graph.Curve(0);
  ASSERT_EQ(c.vectors.size(), 6u);
  EXPECT_DOUBLE_EQ(c.vectors[2]->components.x, calc.Value(cfAxes, 0, qtVx, 2));
  EXPECT_DOUBLE_EQ(c.vectors[2]->components.y, calc.Value(cfAxes, 0, qtVy, 2));
  EXPECT_TRUE(c.vectors[2]->Shown());
  EXPECT_EQ(graph.Families().front().unit, "m/s");
  EXPECT_GT(graph.VectorScaleValue(), 0.0);
}

TEST_F(ResultViews, PositionsCarryErrorBarsAlongXAndYWhenUncertaintiesAreOn) {
  source.ux = 0.01;
  source.uy = 0.02;
  for (int i = 0; i < 5; ++i) {
    source.Mark(0, i, 0.1 * i, 0.05 * i);
    source.Mark(1, i, 0.3, 0.1 * i);
  }
  calc.SetUncertainties(true);
  Compute();
  ASSERT_TRUE(calc.HasUncertainties());
  const double ux = calc.Uncertainty(cfAxes, 0, qtX, 2), uy = calc.Uncertainty(cfAxes, 0, qtY, 2);
  ASSERT_GT(ux, 0.0);
  ASSERT_NE(ux, uy);
  // From the camera, each point its own marks' uncertainties.
  BuildTrajectoryGraph(graph, calc, {0, 1}, -1, look, display);
  const TGPoint& p = *graph.Curve(0).points[2];
  EXPECT_DOUBLE_EQ(p.errorX, ux);
  EXPECT_DOUBLE_EQ(p.errorY, uy);
  EXPECT_TRUE(graph.Curve(0).model->Weighted());
  // Seen from system 1, its marks' uncertainties add to those of system 0.
  BuildTrajectoryGraph(graph, calc, {0}, 1, look, display);
  EXPECT_DOUBLE_EQ(graph.Curve(0).points[2]->errorX,
                   std::hypot(ux, calc.Uncertainty(cfAxes, 1, qtX, 2)));
  EXPECT_DOUBLE_EQ(graph.Curve(0).points[2]->errorY,
                   std::hypot(uy, calc.Uncertainty(cfAxes, 1, qtY, 2)));
  // The vector view's points too.
  BuildVectorGraph(graph, calc, {0}, vkSpeed, look, display);
  EXPECT_DOUBLE_EQ(graph.Curve(0).points[2]->errorX, ux);
  EXPECT_DOUBLE_EQ(graph.Curve(0).points[2]->errorY, uy);

  // Off, no bars and no weights.
  calc.SetUncertainties(false);
  Compute();
  BuildTrajectoryGraph(graph, calc, {0}, -1, look, display);
  EXPECT_EQ(graph.Curve(0).points[2]->errorX, 0.0);
  EXPECT_EQ(graph.Curve(0).points[2]->errorY, 0.0);
  EXPECT_FALSE(graph.Curve(0).model->Weighted());
}

TEST_F(ResultViews, FormulaSeriesCarryTheirUncertaintiesToTheGraph) {
  TFormulaSeries f;
  f.points = {{0, 1}, {1, 2}, {2, 3}};
  f.uy = {0.1, 0.2, 0.3};
  f.ux = {0.0, 0.5, 0.0};
  f.name = "E";
  BuildFormulaGraph(graph, {f}, {"t", "s"}, display);
  const TCourbe& c = graph.Curve(0);
  ASSERT_EQ(c.points.size(), 3u);
  EXPECT_EQ(c.points[1]->errorY, 0.2);
  EXPECT_EQ(c.points[1]->errorX, 0.5);
  EXPECT_TRUE(c.model->Weighted());
}

TEST(TimeQuantities, ListFollowsTheGroupsShown) {
  EXPECT_EQ(TimeQuantities(false, true, false), (std::vector<int>{qtX, qtY, qtAx, qtAy, qtA}));
  EXPECT_EQ(TimeQuantities(true, true, true).size(), 11u);
  EXPECT_EQ(TimeQuantityText(qtAx), "Composante selon x de l'accélération");
  EXPECT_EQ(TimeQuantityText(qtOmega), "Vitesse de rotation");
}

}  // namespace
}  // namespace kinevo

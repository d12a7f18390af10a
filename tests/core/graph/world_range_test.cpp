#include "core/graph/world_range.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "core/graph/zoom.h"

namespace kinevo {
namespace {

constexpr TAxisRule kPlain{};
constexpr TAxisRule kFromZero{false, true};
constexpr TAxisRule kIncludeZero{true, false};

TEST(FitRange, DegenerateQuantitiesStillGiveARange) {
  // All zero: ±1e-50, then the 5 % margin on a range of 2e-50.
  TWorldWindow w = FitRange({0, 1, 0, 0}, 0.05, kFromZero, kPlain);
  EXPECT_DOUBLE_EQ(w.ymax, 1.1e-50);
  EXPECT_DOUBLE_EQ(w.ymin, -1.1e-50);
  EXPECT_LT(w.ymin, w.ymax);
  // A constant c: c ± 0.05|c|, with no margin on top.
  w = FitRange({0, 1, -2, -2}, 0.05, kFromZero, kPlain);
  EXPECT_DOUBLE_EQ(w.ymin, -2.1);
  EXPECT_DOUBLE_EQ(w.ymax, -1.9);
  // A magnitude at rest away from 0 still starts at 0, with its margin.
  w = FitRange({0, 1, 2, 2}, 0.05, kFromZero, kFromZero);
  EXPECT_DOUBLE_EQ(w.ymin, 0.0);
  EXPECT_DOUBLE_EQ(w.ymax, 2.1 + 0.05 * 2.1);
  // Time from 0 on x.
  EXPECT_DOUBLE_EQ(w.xmin, 0.0);
  EXPECT_DOUBLE_EQ(w.xmax, 1.05);
}

TEST(FitRange, AConstantToTheRoundingOfItsValuesIsAConstant) {
  // A point at rest whose coordinate differs from itself in the last bits:
  // 1 ± 5 %, not a window 1e-16 high.
  const double one = 1.0, next = std::nextafter(1.0, 2.0), prev = std::nextafter(1.0, 0.0);
  TWorldWindow w = FitRange({0, 1, prev, next}, 0.05, kFromZero, kPlain);
  EXPECT_NEAR(w.ymin, one - 0.05, 1e-12);
  EXPECT_NEAR(w.ymax, one + 0.05, 1e-12);
  // A real change, however small against the value, is drawn as it is.
  w = FitRange({0, 1, 1.0, 1.0 + 1e-9}, 0.05, kFromZero, kPlain);
  EXPECT_NEAR(w.ymax - w.ymin, 1.1e-9, 1e-15);
}

TEST(FitRange, MagnitudesStartAtZeroAndAnglesIncludeIt) {
  // Speeds far from 0 still start at 0.
  TWorldWindow w = FitRange({0, 2, 50, 60}, 0.05, kFromZero, kFromZero);
  EXPECT_DOUBLE_EQ(w.ymin, 0.0);
  EXPECT_DOUBLE_EQ(w.ymax, 63.0);
  // A negative angle range is pulled up to 0 before the margin.
  w = FitRange({0, 2, -3, -1}, 0.05, kFromZero, kIncludeZero);
  EXPECT_DOUBLE_EQ(w.ymax, 0.15);
  EXPECT_DOUBLE_EQ(w.ymin, -3.15);
  // A range that already holds 0 only gets the margin.
  w = FitRange({0, 2, -1, 3}, 0.05, kFromZero, kIncludeZero);
  EXPECT_DOUBLE_EQ(w.ymin, -1.2);
  EXPECT_DOUBLE_EQ(w.ymax, 3.2);
}

TEST(FitRange, FailuresGiveTheDefaultWindow) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  EXPECT_EQ(FitRange({0, 1, nan, 2}, 0.05, kPlain, kPlain), kDefaultWorld);
  EXPECT_EQ(FitRange({0, 1, -1e308, 1e308}, 0.5, kPlain, kPlain), kDefaultWorld);
  // Nothing plotted: the extremes are still the empty box.
  EXPECT_EQ(FitRange(kEmptyBox, 0.05, kPlain, kPlain), kDefaultWorld);
}

TEST(WorldRange, TrajectoryWindowIsAtLeastAQuarterAndIsotropic) {
  double lo = 0.10, hi = 0.12;
  WidenToAtLeast(lo, hi, 0.5);
  EXPECT_DOUBLE_EQ(hi - lo, 0.5);
  EXPECT_DOUBLE_EQ((lo + hi) / 2, 0.11);
  WidenToAtLeast(lo, hi, 0.1);  // already wide enough
  EXPECT_DOUBLE_EQ(hi - lo, 0.5);

  const TWorldWindow w = MakeIsotropic({0, 1, 0, 4}, 400, 200);
  EXPECT_DOUBLE_EQ((w.xmax - w.xmin) / 400, (w.ymax - w.ymin) / 200);
  EXPECT_DOUBLE_EQ(w.ymin, 0.0);  // the wider axis stays
  EXPECT_DOUBLE_EQ((w.xmin + w.xmax) / 2, 0.5);
}

TEST(WorldRange, PixelsAndWorldAreInverse) {
  const TPlotRect plot{75, 20, 400, 200};
  const TWorldWindow w{-1, 3, 10, 20};
  EXPECT_EQ(WorldToPixel(plot, w, -1, 10), (TPixel{75, 220}));
  EXPECT_EQ(WorldToPixel(plot, w, 3, 20), (TPixel{475, 20}));
  const TWorldPoint p = PixelToWorld(plot, w, 275, 120);
  EXPECT_DOUBLE_EQ(p.x, 1.0);
  EXPECT_DOUBLE_EQ(p.y, 15.0);
}

TEST(Zoom, StepsStopAtBothEndsOfTheTable) {
  EXPECT_DOUBLE_EQ(ZoomStep(10, true, false), 10);
  EXPECT_DOUBLE_EQ(ZoomStep(10, true, true), 10);
  EXPECT_DOUBLE_EQ(ZoomStep(0.0625, false, false), 0.0625);
  EXPECT_DOUBLE_EQ(ZoomStep(0.0625, false, true), 0.0625);
  EXPECT_DOUBLE_EQ(ZoomStep(1, true, false), 1.5);
  EXPECT_DOUBLE_EQ(ZoomStep(1, false, false), 0.667);
  EXPECT_DOUBLE_EQ(ZoomStep(6, true, false), 10);
}

TEST(Zoom, CtrlStepsAreATenthAndAnOrdinaryClickReturnsToTheTable) {
  const double fine = ZoomStep(1, true, true);
  EXPECT_DOUBLE_EQ(fine, 1.05);
  EXPECT_DOUBLE_EQ(ZoomStep(fine, true, false), 1.5);
  EXPECT_DOUBLE_EQ(ZoomStep(fine, false, false), 1.0);
  EXPECT_DOUBLE_EQ(ZoomStep(1, false, true), 1 - 0.1 * (1 - 0.667));
  EXPECT_NEAR(ZoomStep(9.9, true, true), 10, 1e-12);  // capped
}

TEST(Zoom, StepScalesAboutTheClickedPointOnTheChosenAxes) {
  TGraphZoom z;
  TWorldWindow w = z.Step({0, 10, 0, 10}, {2, 5}, true, false, false, {true, false});
  EXPECT_DOUBLE_EQ(z.FactorX(), 1.5);
  EXPECT_DOUBLE_EQ(z.FactorY(), 1.0);
  EXPECT_DOUBLE_EQ(w.xmin, 2 - 2 / 1.5);
  EXPECT_DOUBLE_EQ(w.xmax, 2 + 8 / 1.5);
  EXPECT_DOUBLE_EQ(w.ymin, 0);
  EXPECT_DOUBLE_EQ(w.ymax, 10);
  // Equal scales: both axes, whatever the flags.
  TGraphZoom e;
  w = e.Step({0, 10, 0, 10}, {5, 5}, false, false, true, {false, false});
  EXPECT_DOUBLE_EQ(e.FactorX(), 0.667);
  EXPECT_DOUBLE_EQ(e.FactorY(), 0.667);
}

TEST(Zoom, RectangleZoomsToItsCentreAndTinyOnesStep) {
  const TPlotRect plot{0, 0, 100, 100};
  TGraphZoom z;
  // A quarter of the plot: factor 4 on both axes, centred on it.
  TWorldWindow w = z.Rect({0, 10, 0, 10}, plot, {0, 0}, {25, 25}, false, {true, true});
  EXPECT_DOUBLE_EQ(z.FactorX(), 4);
  EXPECT_DOUBLE_EQ(w.xmin, 0.0);
  EXPECT_DOUBLE_EQ(w.xmax, 2.5);
  EXPECT_DOUBLE_EQ(w.ymin, 7.5);
  EXPECT_DOUBLE_EQ(w.ymax, 10.0);
  // Far beyond the table: held at 10.
  TGraphZoom big;
  big.Rect({0, 10, 0, 10}, plot, {0, 0}, {10, 10}, false, {true, true});
  big.Rect({0, 1, 0, 1}, plot, {0, 0}, {10, 10}, false, {true, true});
  EXPECT_DOUBLE_EQ(big.FactorX(), 10);
  // Smaller than 10 pixels: a step in at the release point.
  TGraphZoom small;
  small.Rect({0, 10, 0, 10}, plot, {0, 0}, {5, 50}, false, {true, true});
  EXPECT_DOUBLE_EQ(small.FactorX(), 1.5);
}

}  // namespace
}  // namespace kinevo

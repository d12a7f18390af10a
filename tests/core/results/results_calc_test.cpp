#include "core/results/results_calc.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <numbers>

#include "series_source.h"

namespace kinevo {
namespace {

using test::SeriesSource;
constexpr double kPi = std::numbers::pi;

void ExpectRel(double got, double want, double rel, const char* what, int row) {
  EXPECT_LE(std::fabs(got - want), rel * std::max(1.0, std::fabs(want))) << what << " row " << row;
}

// A point thrown across the picture: uniformly accelerated in both picture
// directions, marked at exact positions on images 5, 6, ... (every image).
struct Throw {
  double x0 = -0.3, y0 = 0.1, vx = 0.4, vy = 1.1, ax = 0.2, ay = -2.45;  // fractions, s
  double X(double t) const { return x0 + vx * t + 0.5 * ax * t * t; }
  double Y(double t) const { return y0 + vy * t + 0.5 * ay * t * t; }
};

TEST(ResultsCalc, UniformAccelerationIsExactInEveryRow) {
  for (int smooth : {0}) {
    for (double angle : {0.0, 0.35}) {
      SCOPED_TRACE(testing::Message() << "smoothing " << smooth << " angle " << angle);
      SeriesSource src;
      src.scale = {2.0, 1.5};
      src.angle = angle;
      src.period = 0.02;
      Throw th;
      for (int k = 0; k < 60; ++k) src.Mark(0, 5 + k, th.X(k * 0.02), th.Y(k * 0.02));
      TResCalc calc(src);
      calc.SetSmoothingFlags(smooth);
      ASSERT_TRUE(calc.Update(true));
      const TCalcul& r = calc.Active();
      ASSERT_EQ(r.RowCount(), 60);
      const double c = std::cos(angle), s = std::sin(angle);
      for (int row = 0; row < 60; ++row) {
        const double t = row * 0.02;
        EXPECT_NEAR(r.RowTime(row), t, 1e-15);
        // Picture axes, metres.
        const double vx = 2.0 * (th.vx + th.ax * t), vy = 1.5 * (th.vy + th.ay * t);
        const double ax = 2.0 * th.ax, ay = 1.5 * th.ay;
        ExpectRel(r.Value(cfPicture, 0, qtVx, row), vx, 1e-9, "vx'", row);
        ExpectRel(r.Value(cfPicture, 0, qtVy, row), vy, 1e-9, "vy'", row);
        ExpectRel(r.Value(cfPicture, 0, qtAx, row), ax, 1e-9, "ax'", row);
        ExpectRel(r.Value(cfPicture, 0, qtAy, row), ay, 1e-9, "ay'", row);
        ExpectRel(r.Value(cfAxes, 0, qtVx, row), vx * c + vy * s, 1e-9, "vx", row);
        ExpectRel(r.Value(cfAxes, 0, qtVy, row), vy * c - vx * s, 1e-9, "vy", row);
        ExpectRel(r.Value(cfAxes, 0, qtAx, row), ax * c + ay * s, 1e-9, "ax", row);
        ExpectRel(r.Value(cfAxes, 0, qtAy, row), ay * c - ax * s, 1e-9, "ay", row);
        ExpectRel(r.Value(cfAxes, 0, qtV, row), std::hypot(vx, vy), 1e-9, "v", row);
        ExpectRel(r.Value(cfAxes, 0, qtA, row), std::hypot(ax, ay), 1e-9, "a", row);
        // Positions.
        const double X = 2.0 * th.X(t), Y = 1.5 * th.Y(t);
        ExpectRel(r.Value(cfAxes, 0, qtX, row), X * c + Y * s, 1e-12, "x", row);
        ExpectRel(r.Value(cfAxes, 0, qtY, row), Y * c - X * s, 1e-12, "y", row);
        ExpectRel(r.Value(cfPicture, 0, qtX, row), X, 1e-12, "x'", row);
      }
    }
  }
}

TEST(ResultsCalc, SmoothingKeepsAStrongParabolaExact) {
  // The vertical fall selects a degree-2 fit: the smoothed speed and
  // acceleration are exact too.  (The gentle horizontal curvature of the same
  // throw counts as a straight motion once smoothed, by design.)
  SeriesSource src;
  src.scale = {2.0, 1.5};
  src.period = 0.02;
  Throw th;
  for (int k = 0; k < 60; ++k) src.Mark(0, k, th.X(k * 0.02), th.Y(k * 0.02));
  TResCalc calc(src);
  calc.SetSmoothingFlags(TCalcul::kSmoothSpeed | TCalcul::kSmoothAcceleration);
  ASSERT_TRUE(calc.Update(true));
  for (int row = 0; row < 60; ++row) {
    const double t = row * 0.02;
    ExpectRel(calc.Active().Value(cfPicture, 0, qtVy, row), 1.5 * (th.vy + th.ay * t), 1e-9, "vy'",
              row);
    ExpectRel(calc.Active().Value(cfPicture, 0, qtAy, row), 1.5 * th.ay, 1e-9, "ay'", row);
  }
  // Smoothing only the speeds: the accelerations are the plain differences
  // of the plain speeds (exact here), the speeds smoothed.
  calc.SetSmoothingFlags(TCalcul::kSmoothSpeed);
  ASSERT_TRUE(calc.Update(true));
  for (int row = 0; row < 60; ++row)
    ExpectRel(calc.Active().Value(cfPicture, 0, qtAx, row), 2.0 * th.ax, 1e-9, "ax'", row);
}

TEST(ResultsCalc, DirectionFlagsFlipComponentsNotMagnitudes) {
  SeriesSource src;
  src.scale = {3.0, 3.0};
  Throw th;
  for (int k = 0; k < 10; ++k) src.Mark(0, k, th.X(k * 0.04), th.Y(k * 0.04));
  TResCalc calc(src);
  ASSERT_TRUE(calc.Update(true));
  const TCalcul& r = calc.Active();
  std::vector<double> x, vx, ax, y, v, a;
  for (int row = 0; row < 10; ++row) {
    x.push_back(r.Value(cfAxes, 0, qtX, row));
    y.push_back(r.Value(cfAxes, 0, qtY, row));
    vx.push_back(r.Value(cfAxes, 0, qtVx, row));
    ax.push_back(r.Value(cfAxes, 0, qtAx, row));
    v.push_back(r.Value(cfAxes, 0, qtV, row));
    a.push_back(r.Value(cfAxes, 0, qtA, row));
    // Angle 0, both flags on: x = ScaleX·X.
    EXPECT_DOUBLE_EQ(x[row], 3.0 * th.X(row * 0.04));
  }
  src.directX = false;
  calc.Invalidate(rtActive);
  ASSERT_TRUE(calc.Update(true));
  for (int row = 0; row < 10; ++row) {
    EXPECT_DOUBLE_EQ(r.Value(cfAxes, 0, qtX, row), -x[row]);
    EXPECT_DOUBLE_EQ(r.Value(cfAxes, 0, qtVx, row), -vx[row]);
    EXPECT_DOUBLE_EQ(r.Value(cfAxes, 0, qtAx, row), -ax[row]);
    EXPECT_DOUBLE_EQ(r.Value(cfAxes, 0, qtY, row), y[row]);
    EXPECT_DOUBLE_EQ(r.Value(cfAxes, 0, qtV, row), v[row]);
    EXPECT_DOUBLE_EQ(r.Value(cfAxes, 0, qtA, row), a[row]);
    // The picture frame is never flipped.
    EXPECT_DOUBLE_EQ(r.Value(cfPicture, 0, qtX, row), x[row]);
  }
}

TEST(ResultsCalc, CircularMotionAngleIsUnwrapped) {
  // Counter-clockwise circle of radius 0.2 around the origin, starting at
  // angle 2.5 rad: it crosses the ±π line twice within 40 images.
  SeriesSource src;
  src.scale = {1.0, 1.0};
  src.period = 0.1;
  const double w = 1.5;  // rad/s
  for (int k = 0; k < 40; ++k) {
    const double th = 2.5 + w * k * 0.1;
    src.Mark(0, k, 0.2 * std::cos(th), 0.2 * std::sin(th));
  }
  TResCalc calc(src);
  ASSERT_TRUE(calc.Update(true));
  const TCalcul& r = calc.Active();
  EXPECT_NEAR(r.Value(cfAxes, 0, qtTheta, 0), 2.5, 1e-12);
  for (int row = 1; row < 40; ++row) {
    const double step = r.Value(cfAxes, 0, qtTheta, row) - r.Value(cfAxes, 0, qtTheta, row - 1);
    EXPECT_NEAR(step, w * 0.1, 1e-9) << row;
    EXPECT_NEAR(r.Value(cfAxes, 0, qtR, row), 0.2, 1e-12);
    EXPECT_NEAR(r.Value(cfAxes, 0, qtOmega, row), w, 1e-9);
  }
  EXPECT_GT(r.Value(cfAxes, 0, qtTheta, 39), 2.5 + 5.0);

  // Clockwise through the same line: the angle keeps falling.
  SeriesSource back;
  back.period = 0.1;
  for (int k = 0; k < 20; ++k) {
    const double th = -2.8 - 0.3 * k;
    back.Mark(0, k, 0.3 * std::cos(th), 0.3 * std::sin(th));
  }
  TResCalc calc2(back);
  ASSERT_TRUE(calc2.Update(true));
  for (int row = 1; row < 20; ++row)
    EXPECT_NEAR(calc2.Active().Value(cfAxes, 0, qtTheta, row) -
                    calc2.Active().Value(cfAxes, 0, qtTheta, row - 1),
                -0.3, 1e-9);
}

TEST(ResultsCalc, RowsAreTheUnionOfMarkedImagesInTimeOrder) {
  SeriesSource src;
  src.period = 0.04;
  // System 0 on images 10, 11, 13, 14; system 1 on 12, 13, 14, 15.
  for (int img : {10, 11, 13, 14}) src.Mark(0, img, img * 0.01, 0.0);
  for (int img : {12, 13, 14, 15}) src.Mark(1, img, 0.0, img * 0.01);
  src.shifts[15] = 2;  // a gap opened before image 15
  TResCalc calc(src);
  ASSERT_EQ(calc.Compute(), ccOk);
  const TCalcul& r = calc.Active();
  ASSERT_EQ(r.RowCount(), 6);
  EXPECT_EQ(r.SystemsCount(), 2);
  const std::vector<double> times = {0, 0.04, 0.08, 0.12, 0.16, 0.28};
  for (int row = 0; row < 6; ++row) EXPECT_NEAR(r.RowTime(row), times[row], 1e-15);
  EXPECT_EQ(r.RowImages(0), (std::vector<int32_t>{0, 1, -1, 3, 4, -1}));
  EXPECT_EQ(r.RowImages(1), (std::vector<int32_t>{-1, -1, 2, 3, 4, 7}));
  EXPECT_EQ(r.MarksCount(0), 4);
  EXPECT_EQ(r.MarksCount(1), 4);
  EXPECT_EQ(r.MarksCount(2), 0);
  EXPECT_EQ(r.RowList(), (std::vector<int32_t>{0, 1, 2, 3, 4, 5}));
  // Reads outside the table give 0, never an error.
  EXPECT_EQ(r.RowTime(6), 0.0);
  EXPECT_EQ(r.RowTime(-1), 0.0);
  EXPECT_EQ(r.Value(cfAxes, 2, qtX, 0), 0.0);
  EXPECT_EQ(r.Value(cfAxes, 0, qtX, 99), 0.0);
  EXPECT_EQ(r.Value(cfAxes, 0, 9, 0), 0.0);
  EXPECT_EQ(r.Value(7, 0, qtX, 0), 0.0);
  EXPECT_TRUE(r.RowImages(5).empty());
  // The gap of two image periods shows in the derivative's time step.
  ASSERT_EQ(calc.ComputeDerivatives(rtActive, 0), ccOk);
  // System 1: y = 0.12, 0.13, 0.14, 0.15 at time indices 2, 3, 4, 7.
  EXPECT_NEAR(r.Value(cfAxes, 1, qtVy, 4), (0.15 - 0.13) / (4 * 0.04), 1e-12);
  // Unmarked rows stay 0.
  EXPECT_EQ(r.Value(cfAxes, 1, qtVy, 0), 0.0);

  // Quantity matrices and extremes.
  const auto xs = r.QuantityRows(cfAxes, qtX);
  ASSERT_EQ(xs.size(), 2u);
  EXPECT_DOUBLE_EQ(xs[0][3], 0.13);
  EXPECT_DOUBLE_EQ(r.MaxValue(cfAxes, 0, qtX), 0.14);
  EXPECT_DOUBLE_EQ(r.MinValue(cfAxes, 0, qtX), 0.10);
  EXPECT_DOUBLE_EQ(r.MaxValue(cfAxes, qtY), 0.15);
  EXPECT_DOUBLE_EQ(r.MinValue(cfAxes, 0, qtTime), 0.0);
  EXPECT_DOUBLE_EQ(r.MaxValue(cfAxes, 1, qtTime), 0.28);
  EXPECT_EQ(r.MaxValue(cfAxes, 5, qtX), -1e100);
  EXPECT_EQ(r.MinValue(cfAxes, 5, qtX), 1e100);
}

TEST(ResultsCalc, RelativeTrajectoriesAndCurvePoints) {
  SeriesSource src;
  for (int img : {0, 1, 2, 3}) src.Mark(0, img, 0.1 * img, 0.5);
  for (int img : {1, 2, 4}) src.Mark(1, img, 0.05, 0.1 * img);
  TResCalc calc(src);
  ASSERT_EQ(calc.Compute(), ccOk);
  const TCalcul& r = calc.Active();

  auto self = r.RelativeTrajectory(0, 0, false);
  ASSERT_EQ(self.size(), 1u);
  EXPECT_EQ(self[0].x, 0.0);
  EXPECT_EQ(self[0].label, 1);
  EXPECT_EQ(r.RelativeTrajectory(0, 0, true)[0].label, 0);

  auto own = r.RelativeTrajectory(1, -1, false);
  ASSERT_EQ(own.size(), 3u);
  EXPECT_EQ(own[2].label, 5);  // row 4
  EXPECT_DOUBLE_EQ(own[2].y, 0.4);

  auto rel = r.RelativeTrajectory(0, 1, true);  // rows 1 and 2 only
  ASSERT_EQ(rel.size(), 2u);
  EXPECT_EQ(rel[0].label, 1);
  EXPECT_DOUBLE_EQ(rel[0].x, 0.1 - 0.05);
  EXPECT_DOUBLE_EQ(rel[1].y, 0.5 - 0.2);
  EXPECT_TRUE(r.RelativeTrajectory(0, 7, false).empty());
  EXPECT_TRUE(r.RelativeTrajectory(-1, 0, false).empty());

  auto pts = r.CurvePoints(cfAxes, 1, qtTime, qtY, false);
  ASSERT_EQ(pts.size(), 3u);
  EXPECT_DOUBLE_EQ(pts[1].x, 2 * 0.04);
  EXPECT_DOUBLE_EQ(pts[1].y, 0.2);
  EXPECT_EQ(pts[1].label, 3);
  EXPECT_TRUE(r.CurvePoints(cfAxes, 3, qtTime, qtY, false).empty());
}

TEST(ResultsCalc, BadInputGivesCodesNotNumbers) {
  SeriesSource src;
  for (int img : {0, 1, 2}) src.Mark(0, img, 0.1 * img, 0.0);
  TResCalc calc(src);

  // No video.
  src.open = false;
  EXPECT_EQ(calc.Compute(), ccNoVideo);
  EXPECT_FALSE(calc.Update(false));
  EXPECT_EQ(calc.LastCode(), ccNoVideo);
  EXPECT_TRUE(calc.IsStale());
  src.open = true;

  // Degenerate scales: not positive, not a number, huge.
  for (auto scale : {std::pair{-1.0, -1.0}, std::pair{1.0, 0.0}, std::pair{std::nan(""), 1.0},
                     std::pair{1.0, 1e200}}) {
    src.scale = scale;
    EXPECT_EQ(calc.Compute(), ccBadScale);
    EXPECT_TRUE(calc.IsStale());
    EXPECT_FALSE(calc.Update(true));
  }
  src.scale = {1.0, 1.0};

  // A zero image period cannot divide the differences.
  src.period = 0.0;
  EXPECT_FALSE(calc.Update(true));
  EXPECT_EQ(calc.LastCode(), ccBadPeriod);
  EXPECT_FALSE(calc.Active().HasDerivatives());
  src.period = 0.04;
  calc.Invalidate(rtBoth);
  EXPECT_TRUE(calc.Update(true));

  // A system with fewer than three marks: code 2, update fails.
  src.Mark(1, 1, 0.3, 0.3);
  src.Mark(1, 2, 0.3, 0.4);
  calc.Invalidate(rtActive);
  EXPECT_FALSE(calc.Update(true));
  EXPECT_EQ(calc.LastCode(), 2);
  // ... while positions alone still compute.
  calc.Invalidate(rtActive);
  EXPECT_TRUE(calc.Update(false));

  // All marks on one image: a single row, derivatives refused.
  SeriesSource one;
  one.Mark(0, 4, 0.1, 0.1);
  one.Mark(1, 4, 0.2, 0.1);
  TResCalc calc1(one);
  EXPECT_EQ(calc1.Compute(), ccOk);
  EXPECT_EQ(calc1.Active().RowCount(), 1);
  EXPECT_EQ(calc1.ComputeDerivatives(rtActive, 3), 2);

  // Positions that are not numbers (a damaged document): refused by the
  // derivative, and no number is invented.
  SeriesSource bad;
  for (int img : {0, 1, 2, 3}) bad.Mark(0, img, 0.1 * img, 0.0);
  bad.Mark(0, 2, std::nan(""), 0.0);
  TResCalc calc2(bad);
  EXPECT_FALSE(calc2.Update(true));
  EXPECT_NE(calc2.LastCode(), 0);
  EXPECT_TRUE(std::isnan(calc2.Active().Value(cfAxes, 0, qtX, 2)));
  EXPECT_EQ(
      calc2.Failure().cause,
      "La marque de l'image 2 n'a pas de position : ses coordonnées ne sont pas des nombres.");

  // No marks at all: no rows, no derivatives.
  SeriesSource none;
  TResCalc calc3(none);
  EXPECT_EQ(calc3.Compute(), ccOk);
  EXPECT_EQ(calc3.Active().RowCount(), 0);
  EXPECT_NE(calc3.ComputeDerivatives(rtActive, 0), 0);
}

TEST(ResultsCalc, InvalidationTargetsFollowTheActiveMode) {
  SeriesSource src;
  for (int img : {0, 1, 2}) {
    src.Mark(0, img, 0.1 * img, 0.0);
    src.Mark(0, img, 0.0, 0.1 * img, true);
  }
  TResCalc calc(src);
  EXPECT_TRUE(calc.IsStale(rtBoth));
  ASSERT_EQ(calc.Compute(rtBoth), ccOk);
  EXPECT_FALSE(calc.IsStale(rtBoth));

  calc.Invalidate(rtActive);  // Grid is active
  EXPECT_TRUE(calc.IsStale(rtGrid));
  EXPECT_FALSE(calc.IsStale(rtLayer));
  EXPECT_TRUE(calc.IsStale(rtBoth));
  ASSERT_EQ(calc.Compute(rtGrid), ccOk);

  src.layerActive = true;
  calc.Invalidate(rtActive);
  EXPECT_TRUE(calc.IsStale(rtLayer));
  EXPECT_TRUE(calc.IsStale(rtActive));
  EXPECT_FALSE(calc.IsStale(rtGrid));
  ASSERT_TRUE(calc.Update(true));
  // The active results are the Layer ones.
  EXPECT_DOUBLE_EQ(calc.Active().Value(cfAxes, 0, qtY, 2), 0.2);
  EXPECT_DOUBLE_EQ(calc.Grid().Value(cfAxes, 0, qtX, 2), 0.2);

  // Changing the smoothing invalidates both; the same flags do nothing.
  calc.SetSmoothingFlags(0);
  EXPECT_FALSE(calc.IsStale(rtBoth));
  calc.SetSmoothingFlags(TCalcul::kSmoothSpeed);
  EXPECT_TRUE(calc.IsStale(rtGrid));
  EXPECT_TRUE(calc.IsStale(rtLayer));

  // Update does nothing when the results are fresh ...
  int resets = 0;
  ASSERT_TRUE(calc.Update(true, [&] { ++resets; }));
  ASSERT_TRUE(calc.Update(true, [&] { ++resets; }));
  EXPECT_EQ(resets, 1);
  // ... and a stale result is never shown: marks changed, then updated.
  src.Mark(0, 3, 0.0, 0.9, true);
  calc.Invalidate(rtLayer);
  ASSERT_TRUE(calc.Update(false));
  EXPECT_EQ(calc.Active().RowCount(), 4);
}

TEST(ResultsCalc, AngleOfAPointAtRestAndOfRotatedAxes) {
  // A point at the origin: atan2(0, 0) = 0, R = 0, ω = 0.
  SeriesSource src;
  for (int img : {0, 1, 2, 3}) src.Mark(0, img, 0.0, 0.0);
  TResCalc calc(src);
  ASSERT_TRUE(calc.Update(true));
  for (int row = 0; row < 4; ++row) {
    EXPECT_EQ(calc.Active().Value(cfAxes, 0, qtTheta, row), 0.0);
    EXPECT_EQ(calc.Active().Value(cfAxes, 0, qtR, row), 0.0);
    EXPECT_EQ(calc.Active().Value(cfAxes, 0, qtOmega, row), 0.0);
  }
  // Rotated axes: θ measured from the reference frame's x axis.
  src.angle = kPi / 2;
  src.Mark(0, 0, 0.0, 0.5);
  src.Mark(0, 1, 0.0, 0.5);
  src.Mark(0, 2, 0.0, 0.5);
  src.Mark(0, 3, 0.0, 0.5);
  calc.Invalidate(rtActive);
  ASSERT_TRUE(calc.Update(true));
  EXPECT_NEAR(calc.Active().Value(cfAxes, 0, qtTheta, 0), 0.0, 1e-12);
  EXPECT_NEAR(calc.Active().Value(cfAxes, 0, qtX, 0), 0.5, 1e-12);
}

}  // namespace
}  // namespace kinevo

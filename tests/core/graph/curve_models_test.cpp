#include "core/graph/curve_models.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <vector>

#include "core/graph/least_squares.h"

namespace kinevo {
namespace {

constexpr double kPi = std::numbers::pi;

TEST(CurveModels, LinearModelsFitAsTheirDefinitionsSay) {
  std::vector<double> p;
  // Constant: the mean, and no correlation since the model has no variance.
  const std::vector<double> x3 = {1, 2, 3};
  ASSERT_EQ(FitModel(mkConstant, x3, std::vector<double>{1, 2, 3}, p), 0);
  EXPECT_DOUBLE_EQ(p[0], 2.0);
  EXPECT_EQ(p[1], 0.0);
  std::vector<double> m;
  for (double t : x3) m.push_back(ModelValue(mkConstant, p, t));
  EXPECT_EQ(FitStatistics(std::vector<double>{1, 2, 3}, m).correlation, 0.0);

  // Proportional: ratio of the means, not the least-squares slope.
  ASSERT_EQ(FitModel(mkProportional, x3, std::vector<double>{2, 4, 7}, p), 0);
  EXPECT_NEAR(p[1], 13.0 / 6.0, 1e-15);
  EXPECT_EQ(p[0], 0.0);
  // ... and with a zero mean abscissa the parameters stay.
  p = {0.0, 5.0};
  EXPECT_NE(
      FitModel(mkProportional, std::vector<double>{-1, 0, 1}, std::vector<double>{1, 2, 3}, p), 0);
  EXPECT_EQ(p, (std::vector<double>{0.0, 5.0}));

  // Affine and parabola recover exact data.
  const std::vector<double> x = {-1, 0, 0.5, 2, 3};
  std::vector<double> y;
  for (double t : x) y.push_back(1.5 - 2.0 * t + 0.25 * t * t);
  ASSERT_EQ(FitModel(mkParabola, x, y, p), 0);
  EXPECT_NEAR(p[0], 1.5, 1e-12);
  EXPECT_NEAR(p[1], -2.0, 1e-12);
  EXPECT_NEAR(p[2], 0.25, 1e-12);
  y.clear();
  for (double t : x) y.push_back(0.5 + 3.0 * t);
  ASSERT_EQ(FitModel(mkAffine, x, y, p), 0);
  EXPECT_NEAR(p[0], 0.5, 1e-12);
  EXPECT_NEAR(p[1], 3.0, 1e-12);
  // A parabola through two points is their mean.
  ASSERT_EQ(FitModel(mkParabola, std::vector<double>{0, 1}, std::vector<double>{2, 4}, p), 0);
  EXPECT_EQ(p, (std::vector<double>{3.0, 0.0, 0.0}));
  // All abscissas equal: code 4, parameters unchanged.
  p = {7.0, 8.0};
  EXPECT_EQ(FitModel(mkAffine, std::vector<double>{2, 2, 2}, std::vector<double>{1, 2, 3}, p), 4);
  EXPECT_EQ(p, (std::vector<double>{7.0, 8.0}));
}

TEST(CurveModels, ExponentialStartFollowsTheSenseOfTheLargerChange) {
  // Second half rises more than the first: start from (y0, yN − y0, +1).
  auto p = InitialParameters(mkExponential, std::vector<double>{0, 1, 2, 3, 4},
                             std::vector<double>{1, 1.5, 2.5, 5, 10});
  EXPECT_EQ(p, (std::vector<double>{1.0, 9.0, 1.0}));
  // Rising less in the second half: from (yN, −|yN − y0|, −1).
  p = InitialParameters(mkExponential, std::vector<double>{0, 1, 2, 3, 4},
                        std::vector<double>{1, 5, 7.5, 8.5, 9});
  EXPECT_EQ(p, (std::vector<double>{9.0, -8.0, -1.0}));
  // Falling data: the mirror image, a decay from (yN, |yN − y0|, −1) ...
  p = InitialParameters(mkExponential, std::vector<double>{0, 1, 2, 3, 4},
                        std::vector<double>{10, 5, 2.5, 1.5, 1});
  EXPECT_EQ(p, (std::vector<double>{1.0, 9.0, -1.0}));
  // ... and an ever faster fall from (y0, −|yN − y0|, +1).
  p = InitialParameters(mkExponential, std::vector<double>{0, 1, 2, 3, 4},
                        std::vector<double>{9, 8.5, 7.5, 5, 1});
  EXPECT_EQ(p, (std::vector<double>{9.0, -8.0, 1.0}));
  EXPECT_TRUE(
      InitialParameters(mkExponential, std::vector<double>{}, std::vector<double>{}).empty());
}

TEST(CurveModels, SinusoidStartEstimatesFrequencyFromZeroCrossings) {
  // y' = sin(2t): crossings every π/2, so ω = π / (π/2) = 2 (to sampling).
  std::vector<double> x, y;
  for (int i = 0; i <= 100; ++i) {
    x.push_back(0.05 * i + 0.01);
    y.push_back(3.0 + std::sin(2.0 * x.back()));
  }
  auto p = InitialParameters(mkSinus, x, y);
  ASSERT_EQ(p.size(), 4u);
  EXPECT_NEAR(p[0], 3.0, 1e-3);
  EXPECT_NEAR(p[1], 1.0, 1e-3);
  EXPECT_NEAR(p[2], 2.0, 0.05);
  // The phase of the first mark (0.02), brought back to t = 0.
  EXPECT_NEAR(p[3], 0.0, 1e-3);
  // A wave falling through its first mark takes the other arcsine branch.
  std::vector<double> falling;
  for (double t : x) falling.push_back(3.0 + std::sin(2.0 * t + 2.5));
  EXPECT_NEAR(InitialParameters(mkSinus, x, falling)[3], 2.5, 1e-3);
  // Damped kinds: offset at the mean, damping −0.05.
  p = InitialParameters(mkSinusAe, x, y);
  ASSERT_EQ(p.size(), 5u);
  double mean = 0;
  for (double v : y) mean += v;
  EXPECT_DOUBLE_EQ(p[0], mean / y.size());
  EXPECT_EQ(p[4], -0.05);

  // Fewer than two sign changes: 2π / max(x).
  p = InitialParameters(mkSinus, std::vector<double>{0, 1, 2, 4}, std::vector<double>{0, 1, 2, 3});
  EXPECT_NEAR(p[2], 2.0 * kPi / 4.0, 1e-15);
  // max(x) = 0: frequency 0; amplitude 0: phase 0.
  p = InitialParameters(mkSinus, std::vector<double>{-2, -1, 0}, std::vector<double>{1, 1, 1});
  EXPECT_EQ(p[2], 0.0);
  EXPECT_EQ(p[3], 0.0);

  // A sample exactly at zero counts as a sign change on both sides.
  EXPECT_NEAR(
      ZeroCrossingFrequency(std::vector<double>{0, 1, 2, 3}, std::vector<double>{-1, 0, 1, 1}, 9.0),
      kPi / 1.0, 1e-15);
  EXPECT_EQ(ZeroCrossingFrequency(std::vector<double>{0, 1}, std::vector<double>{-1, 1}, 9.0), 9.0);
}

TEST(CurveModels, AnalyticDerivativesMatchFiniteDifferences) {
  struct Probe {
    int kind;
    std::vector<double> q;
  };
  const std::vector<Probe> probes = {
      {mkExponential, {0.3, -1.2, 0.4}},
      {mkSinus, {1.1, 2.3, 0.4}},
      {mkSinusAe, {1.1, 2.3, 0.4, -0.3}},
      {mkSinusAl, {1.1, 2.3, 0.4, -0.08}},  // stops near t = 12.5 − something
  };
  for (const Probe& pr : probes) {
    const TModelFunction f(pr.kind, pr.q);
    for (double x : {0.0, 0.7, 2.9, 5.5, 11.0, 14.0}) {
      double grad[4];
      f.Value(x, grad);
      for (size_t j = 0; j < pr.q.size(); ++j) {
        auto qp = pr.q, qm = pr.q;
        const double h = 1e-6 * std::max(1.0, std::fabs(pr.q[j]));
        qp[j] += h;
        qm[j] -= h;
        const double fd =
            (TModelFunction(pr.kind, qp).Value(x) - TModelFunction(pr.kind, qm).Value(x)) / (2 * h);
        EXPECT_NEAR(grad[j], fd, 1e-5 * (1.0 + std::fabs(fd)))
            << "kind " << pr.kind << " x " << x << " parameter " << j;
      }
    }
  }
}

TEST(CurveModels, LinearlyDampedSinusoidStopsAtATurningPoint) {
  const std::vector<double> q = {1.0, 2.0, 0.3, -0.1};  // envelope vanishes at t = 10
  const TModelFunction f(mkSinusAl, q);
  ASSERT_TRUE(f.Stops());
  const double ts = f.StopTime();
  const double h = kPi / (2 * 2.0);
  EXPECT_GE(ts, 10.0 - 2 * h);
  EXPECT_LE(ts, 10.0);
  // At the stop the speed is zero and the value lies in the friction band.
  auto g = [&](double t) { return std::sin(2.0 * t + 0.3) * (1.0 - 0.1 * t); };
  EXPECT_NEAR((g(ts + 1e-6) - g(ts - 1e-6)) / 2e-6, 0.0, 1e-5);
  EXPECT_LE(std::fabs(f.Value(ts)), kPi / 2 * 0.1 / 2.0 + 1e-9);
  // Before: the damped sinusoid; after: the value reached, continuously.
  EXPECT_NEAR(f.Value(ts - 1.0), g(ts - 1.0), 1e-15);
  EXPECT_NEAR(f.Value(ts - 1e-9), f.Value(ts + 1e-9), 1e-8);
  EXPECT_EQ(f.Value(ts + 1.0), f.Value(ts));
  EXPECT_EQ(f.Value(100.0), f.Value(ts));

  // No damping, or an envelope that grows: the plain sinusoid, no stop.
  for (double k : {0.0, 0.1}) {
    const TModelFunction free(mkSinusAl, std::vector<double>{1.0, 2.0, 0.3, k});
    EXPECT_FALSE(free.Stops());
    EXPECT_NEAR(free.Value(30.0), std::sin(60.3) * (1 + k * 30.0), 1e-12);
  }
  // Model values add the offset.
  EXPECT_NEAR(ModelValue(mkSinusAl, std::vector<double>{5.0, 1.0, 2.0, 0.3, -0.1}, 1.0),
              5.0 + g(1.0), 1e-15);
}

TEST(CurveModels, DryFrictionCoefficientsOfTheLinearDamping) {
  // c0 = 0.5, A = 2, ω = 3, φ = 0.25, k = −0.1.
  const auto f = DryFrictionCoefficients(std::vector<double>{0.5, 2.0, 3.0, 0.25, -0.1});
  EXPECT_DOUBLE_EQ(f.r, 9.0);
  EXPECT_NEAR(f.b, kPi / 2 * 2.0 * 3.0 * 0.1, 1e-15);
  EXPECT_DOUBLE_EQ(f.c, 4.5);
  EXPECT_NEAR(f.y0, 2.0 * std::sin(0.25) + 0.5, 1e-15);
  EXPECT_NEAR(f.dy0, 2.0 * (3.0 * std::cos(0.25) - 0.1 * std::sin(0.25)), 1e-15);
  // Model without enough parameters: zeros, no read past the end.
  EXPECT_EQ(DryFrictionCoefficients(std::vector<double>{1.0}).r, 0.0);
  EXPECT_TRUE(std::isnan(ModelValue(mkSinusAl, std::vector<double>{1.0}, 0.0)));
  EXPECT_TRUE(std::isnan(ModelValue(mkNone, std::vector<double>{1.0, 2.0}, 0.0)));
}

}  // namespace
}  // namespace kinevo

#include "core/results/deriv.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <vector>

namespace kinevo {
namespace {

std::vector<double> Iota(int n, double start = 0.0) {
  std::vector<double> v(n);
  for (int i = 0; i < n; ++i) v[i] = start + i;
  return v;
}

void ExpectAll(const std::vector<double>& v, const std::vector<double>& want, double tol) {
  ASSERT_EQ(v.size(), want.size());
  for (size_t i = 0; i < v.size(); ++i)
    EXPECT_NEAR(v[i], want[i], tol * (1.0 + std::fabs(want[i]))) << "index " << i;
}

// Least-squares slope of three points, written out.
double Slope3(const double* x, const double* z) {
  const double mx = (x[0] + x[1] + x[2]) / 3, mz = (z[0] + z[1] + z[2]) / 3;
  double num = 0, den = 0;
  for (int k = 0; k < 3; ++k) {
    num += (x[k] - mx) * (z[k] - mz);
    den += (x[k] - mx) * (x[k] - mx);
  }
  return num / den;
}

TEST(Deriv, FiniteDifferencesAreExactForLinesAndParabolas) {
  TDeriv d;
  d.Load(Iota(5), std::vector<double>{0, 1, 2, 3, 4}, 0.04);
  ASSERT_EQ(d.Derive(false), dcOk);
  ExpectAll(d.First(), std::vector<double>(5, 25.0), 1e-12);
  ExpectAll(d.Second(), std::vector<double>(5, 0.0), 1e-12);

  d.Load(Iota(5), std::vector<double>{0, 1, 4, 9, 16}, 1.0);
  ASSERT_EQ(d.Derive(false), dcOk);
  ExpectAll(d.First(), {0, 2, 4, 6, 8}, 1e-12);
  ExpectAll(d.Second(), std::vector<double>(5, 2.0), 1e-12);
}

TEST(Deriv, MissingImageWidensTheCentralDifference) {
  TDeriv d;
  d.Load(std::vector<double>{0, 1, 3, 4}, std::vector<double>{0, 1, 3, 4}, 0.5);
  ASSERT_EQ(d.Derive(false), dcOk);
  // Central difference at x = 1: (3 − 0) / (3 − 0) / 0.5.
  ExpectAll(d.First(), {2, 2, 2, 2}, 1e-12);
  d.Load(std::vector<double>{0, 1, 3, 4}, std::vector<double>{0, 1, 9, 16}, 1.0);
  ASSERT_EQ(d.Derive(false), dcOk);
  EXPECT_NEAR(d.First()[1], 9.0 / 3.0, 1e-12);
  EXPECT_NEAR(d.First()[2], 15.0 / 3.0, 1e-12);
  // The end differences stay exact for the parabola across the gap.
  EXPECT_NEAR(d.First()[0], 0.0, 1e-12);
  EXPECT_NEAR(d.First()[3], 8.0, 1e-12);
  // Missing image right after the first one, uniformly accelerated motion:
  // ends exact too.
  d.Load(std::vector<double>{0, 2, 3, 4, 6}, std::vector<double>{1, 5, 10, 17, 37}, 1.0);
  ASSERT_EQ(d.Derive(false), dcOk);
  EXPECT_NEAR(d.First()[0], 0.0, 1e-12);  // y = 1 + t²
  EXPECT_NEAR(d.First()[4], 12.0, 1e-12);
}

TEST(Deriv, RefusesTooFewOrUnorderedSamples) {
  TDeriv d;
  for (bool smooth : {false, true}) {
    d.Load(std::vector<double>{0, 1}, std::vector<double>{3, 4}, 1.0);
    EXPECT_EQ(d.Derive(smooth), dcTooFewSamples);
    EXPECT_EQ(d.First(), (std::vector<double>{0, 0}));
    EXPECT_EQ(d.Second(), (std::vector<double>{0, 0}));
    d.Load(std::vector<double>{0, 1, 1, 2}, std::vector<double>{3, 4, 5, 6}, 1.0);
    EXPECT_EQ(d.Derive(smooth), pfSameAbscissa);
    d.Load(Iota(4), std::vector<double>{0, std::numeric_limits<double>::quiet_NaN(), 1, 2}, 1.0);
    EXPECT_EQ(d.Derive(smooth), pfSingular);
  }
}

TEST(Deriv, SmoothingKeepsUniformAccelerationExact) {
  // A parabola selects degree 2: d1 mixes the exact polynomial derivative
  // with exact differences; d1 is a line, so d2 is its sliding slope.
  for (double start : {0.0, 1e6}) {
    SCOPED_TRACE(start);
    auto x = Iota(30, start);
    std::vector<double> y, v, a;
    const double D = 0.02;
    for (double xi : x) {
      const double t = (xi - start) * D;
      y.push_back(0.1 + 0.3 * t - 4.9 * t * t);
      v.push_back(0.3 - 9.8 * t);
      a.push_back(-9.8);
    }
    TDeriv d;
    d.Load(x, y, D);
    ASSERT_EQ(d.Derive(true), dcOk);
    ExpectAll(d.First(), v, 1e-9);
    ExpectAll(d.Second(), a, 1e-9);
  }
}

TEST(Deriv, SmoothingOfAStraightMotion) {
  // Three samples of a line: the selection stops at degree 1, d1 is the
  // slope everywhere, its spread is 0 and d2 = −0.02 × differences of a
  // constant = 0.
  TDeriv d;
  d.Load(std::vector<double>{0, 1, 2}, std::vector<double>{0.0, 0.5, 1.0}, 0.1);
  ASSERT_EQ(d.Derive(true), dcOk);
  ExpectAll(d.First(), {5, 5, 5}, 1e-12);
  ExpectAll(d.Second(), {0, 0, 0}, 1e-12);

  // A long line: d1 is constant, its spread under 0.1, and d2 is 0.
  auto x = Iota(20);
  std::vector<double> y;
  for (double xi : x) y.push_back(2.0 * xi);
  d.Load(x, y, 1.0);
  ASSERT_EQ(d.Derive(true), dcOk);
  ExpectAll(d.First(), std::vector<double>(20, 2.0), 1e-12);
  ExpectAll(d.Second(), std::vector<double>(20, 0.0), 1e-12);
}

TEST(Deriv, ObjectAtRestUsesTheSlidingSlope) {
  // Jitter within 0.01: counted as constant (j = 0).
  const std::vector<double> x = {0, 1, 2, 4, 5, 6};
  const std::vector<double> y = {0.500, 0.503, 0.498, 0.501, 0.506, 0.499};
  const double D = 0.04;
  TDeriv d;
  d.Load(x, y, D);
  ASSERT_EQ(d.Derive(true), dcOk);
  // Independent: 3-point least-squares slopes.
  std::vector<double> s(6);
  s[0] = s[1] = Slope3(&x[0], &y[0]) / D;
  for (int i = 2; i <= 4; ++i) s[i] = Slope3(&x[i - 1], &y[i - 1]) / D;
  s[5] = s[4];
  ExpectAll(d.First(), s, 1e-12);
  // d2 = −0.02 × three-point differences of d1.
  std::vector<double> f(6);
  f[0] = (-3 * s[0] + 4 * s[1] - s[2]) / (x[2] - x[0]) / D;
  for (int i = 1; i <= 4; ++i) f[i] = (s[i + 1] - s[i - 1]) / (x[i + 1] - x[i - 1]) / D;
  f[5] = (s[3] - 4 * s[4] + 3 * s[5]) / (x[5] - x[3]) / D;
  for (double& v : f) v *= -0.02;
  ExpectAll(d.Second(), f, 1e-12);
}

TEST(Deriv, CubicMotionMixesPolynomialAndDifferences) {
  // An odd cubic around the middle: lines and parabolas explain under half
  // of it, the cubic all of it, so degree 3 is selected and
  // d1 = 1.02·P' − 0.02·F with the exact P' = 3(t − 5.5)² − 30.
  auto x = Iota(12);
  std::vector<double> y;
  for (double t : x) y.push_back((t - 5.5) * (t - 5.5) * (t - 5.5) - 30.0 * (t - 5.5));
  TDeriv d, plain;
  d.Load(x, y, 1.0);
  plain.Load(x, y, 1.0);
  ASSERT_EQ(d.Derive(true), dcOk);
  ASSERT_EQ(plain.Derive(false), dcOk);
  for (size_t i = 0; i < x.size(); ++i) {
    const double p = 3.0 * (x[i] - 5.5) * (x[i] - 5.5) - 30.0;
    EXPECT_NEAR(d.First()[i], 1.02 * p - 0.02 * plain.First()[i], 1e-9) << i;
  }
  // The plain differences of a cubic are not exact, so the mixing shows.
  EXPECT_GT(std::fabs(d.First()[0] - (3.0 * 5.5 * 5.5 - 30.0)), 1e-3);
}

TEST(Deriv, IrregularMotionFallsBackToDifferences) {
  // Noise: no polynomial of degree ≤ 4 explains 99 %, d1 = F(y).
  std::mt19937 gen(3);
  std::uniform_real_distribution<double> u(-1.0, 1.0);
  auto x = Iota(40);
  std::vector<double> y;
  for (size_t i = 0; i < x.size(); ++i) y.push_back(u(gen));
  TDeriv d, plain;
  d.Load(x, y, 0.5);
  plain.Load(x, y, 0.5);
  ASSERT_EQ(d.Derive(true), dcOk);
  ASSERT_EQ(plain.Derive(false), dcOk);
  ExpectAll(d.First(), plain.First(), 1e-12);
  // Building blocks on their own.
  const auto mixed = TDeriv::Mix(std::vector<double>{1.0, 2.0}, std::vector<double>{3.0, -1.0});
  EXPECT_NEAR(mixed[0], 1.02 - 0.06, 1e-15);
  EXPECT_NEAR(mixed[1], 2.04 + 0.02, 1e-15);
  const auto pd = d.PolynomialDerivative(std::vector<double>{7.0});
  EXPECT_EQ(pd, std::vector<double>(40, 0.0));
  const auto pd2 = d.PolynomialDerivative(std::vector<double>{7.0, 1.0, 0.5});
  EXPECT_NEAR(pd2[4], (1.0 + 4.0) / 0.5, 1e-12);
}

TEST(Deriv, ApplyRepeatsTheStepsOfEveryBranch) {
  // Series that take each branch of the smoothing; run again through the
  // decisions recorded, the same ordinates give the same derivatives, and
  // other ordinates a result linear in them.
  auto x = Iota(16);
  std::vector<std::vector<double>> series(6);
  std::mt19937 gen(5);
  std::uniform_real_distribution<double> noise(-1.0, 1.0);
  for (double t : x) {
    series[0].push_back(0.5 + 0.001 * noise(gen));                            // at rest
    series[1].push_back(0.2 * t + 0.001 * noise(gen));                        // line, steady d1
    series[2].push_back(0.3 * t * t);                                         // parabola
    series[3].push_back((t - 7.5) * (t - 7.5) * (t - 7.5) - 60 * (t - 7.5));  // cubic
    series[4].push_back(noise(gen));                                          // irregular
    series[5].push_back(t < 8 ? 0.0 : 3.0 * (t - 8));                         // line, broken d1
  }
  for (size_t k = 0; k < series.size(); ++k) {
    SCOPED_TRACE(k);
    for (bool smooth : {false, true}) {
      TDeriv d;
      d.Load(x, series[k], 0.1);
      ASSERT_EQ(d.Derive(smooth), dcOk);
      std::vector<double> d1, d2, e1, e2, f1, f2, sum(x.size());
      d.Apply(series[k], d1, d2);
      ExpectAll(d1, d.First(), 1e-9);
      ExpectAll(d2, d.Second(), 1e-9);
      std::vector<double> other(x.size());
      for (size_t i = 0; i < x.size(); ++i) {
        other[i] = noise(gen);
        sum[i] = series[k][i] + 2.0 * other[i];
      }
      d.Apply(other, e1, e2);
      d.Apply(sum, f1, f2);
      for (size_t i = 0; i < x.size(); ++i) {
        EXPECT_NEAR(f1[i], d1[i] + 2.0 * e1[i], 1e-8 * (1 + std::fabs(f1[i])));
        EXPECT_NEAR(f2[i], d2[i] + 2.0 * e2[i], 1e-8 * (1 + std::fabs(f2[i])));
      }
    }
  }
}

TEST(Deriv, VariancesOfThePlainDifferences) {
  // d1[0] = (−3·y0 + 4·y1 − y2) / 2, d1[i] = (y[i+1] − y[i−1]) / 2: with
  // u = 1 everywhere the variances are 26/4 and 2/4; d2 of the middle
  // sample is (d1[3] − d1[1]) / 2 = (y4 − y2 − y2 + y0) / 4 → 6/16.
  TDeriv d;
  d.Load(Iota(5), std::vector<double>{0, 1, 4, 9, 16}, 1.0);
  ASSERT_EQ(d.Derive(false), dcOk);
  std::vector<double> v1, v2;
  d.Variances(std::vector<double>(5, 1.0), v1, v2);
  EXPECT_NEAR(v1[0], 6.5, 1e-12);
  EXPECT_NEAR(v1[2], 0.5, 1e-12);
  EXPECT_NEAR(v1[4], 6.5, 1e-12);
  EXPECT_NEAR(v2[2], 6.0 / 16.0, 1e-12);
  // Each sample counts with its own uncertainty: only y1 uncertain.
  d.Variances(std::vector<double>{0, 2, 0, 0, 0}, v1, v2);
  EXPECT_NEAR(v1[0], 4.0 * 4.0 * 4.0 / 4.0, 1e-12);
  EXPECT_NEAR(v1[1], 0.0, 1e-12);
  EXPECT_NEAR(v1[2], 1.0, 1e-12);
}

}  // namespace
}  // namespace kinevo

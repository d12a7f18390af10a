#include "core/graph/least_squares.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <vector>

namespace kinevo {
namespace {

std::vector<double> Range(int n, double start = 0.0, double step = 1.0) {
  std::vector<double> v(n);
  for (int i = 0; i < n; ++i) v[i] = start + step * i;
  return v;
}

TEST(PolynomialFit, RecoversExactPolynomialsAsPowerCoefficients) {
  const std::vector<double> truth = {1.0, -2.0, 0.5, 0.1};
  for (double start : {0.0, -7.0, 3.5}) {
    auto x = Range(12, start, 0.75);
    std::vector<double> y;
    for (double v : x) y.push_back(PolynomialValue(truth, v));
    for (int m = 4; m <= 6; ++m) {
      std::vector<double> c;
      ASSERT_EQ(PolynomialFit(m, x, y, c), pfOk);
      ASSERT_EQ(c.size(), static_cast<size_t>(m));
      for (int k = 0; k < m; ++k) {
        const double want = k < 4 ? truth[k] : 0.0;
        EXPECT_NEAR(c[k], want, 1e-9 * (1 + std::fabs(want))) << "start " << start << " m " << m;
      }
    }
  }
}

TEST(PolynomialFit, NoisyFitSatisfiesTheNormalEquations) {
  // The least-squares residual is orthogonal to every basis power: checked
  // with plain sums, independently of the Chebyshev route.
  std::mt19937 gen(7);
  std::normal_distribution<double> noise(0.0, 0.3);
  auto x = Range(40, -3.0, 0.2);
  std::vector<double> y;
  for (double v : x) y.push_back(2.0 - v + 0.3 * v * v + noise(gen));
  std::vector<double> c;
  ASSERT_EQ(PolynomialFit(3, x, y, c), pfOk);
  for (int k = 0; k < 3; ++k) {
    double dot = 0.0, scale = 0.0;
    for (size_t i = 0; i < x.size(); ++i) {
      const double r = y[i] - PolynomialValue(c, x[i]);
      dot += r * std::pow(x[i], k);
      scale += std::fabs(y[i] * std::pow(x[i], k));
    }
    EXPECT_LT(std::fabs(dot), 1e-10 * scale) << "power " << k;
  }
}

TEST(PolynomialFit, AdjustsOrRefusesDegenerateInput) {
  std::vector<double> c = {9.0, 9.0};
  // Two points and three coefficients: one coefficient, the mean.
  ASSERT_EQ(PolynomialFit(3, std::vector<double>{1, 2}, std::vector<double>{4, 8}, c), pfOk);
  ASSERT_EQ(c.size(), 1u);
  EXPECT_DOUBLE_EQ(c[0], 6.0);

  c = {9.0, 9.0};
  EXPECT_EQ(PolynomialFit(2, std::vector<double>{1}, std::vector<double>{1}, c), pfTooFewPoints);
  EXPECT_EQ(PolynomialFit(2, std::vector<double>{}, std::vector<double>{}, c), pfTooFewPoints);
  EXPECT_EQ(PolynomialFit(0, Range(4), Range(4), c), pfNoCoefficient);
  EXPECT_EQ(PolynomialFit(3, std::vector<double>{2, 2, 2, 2}, Range(4), c), pfSameAbscissa);
  // Failed fits leave the coefficients alone.
  EXPECT_EQ(c, (std::vector<double>{9.0, 9.0}));

  // Values that are not numbers make the equations unsolvable, never a
  // coefficient that is not a number.
  auto y = Range(5);
  y[2] = std::numeric_limits<double>::quiet_NaN();
  EXPECT_EQ(PolynomialFit(2, Range(5), y, c), pfSingular);
  auto x = Range(5);
  x[4] = std::numeric_limits<double>::infinity();
  EXPECT_EQ(PolynomialFit(2, x, Range(5), c), pfSingular);
  EXPECT_EQ(c, (std::vector<double>{9.0, 9.0}));
}

TEST(PolynomialFit, ExplainedRatioIsTheCoefficientOfDetermination) {
  TLeastSquares fit;
  auto x = Range(6);
  // Centred straight line: everything explained.
  std::vector<double> y = {-2.5, -1.5, -0.5, 0.5, 1.5, 2.5};
  ASSERT_EQ(fit.Fit(2, x, y), pfOk);
  EXPECT_NEAR(fit.ExplainedRatio(), 1.0, 1e-12);
  // A centred parabola seen through a line: the line explains nothing.
  std::vector<double> p = {6.25, 2.25, 0.25, 0.25, 2.25, 6.25};
  for (double& v : p) v -= 17.5 / 6.0;
  ASSERT_EQ(fit.Fit(2, x, p), pfOk);
  EXPECT_NEAR(fit.ExplainedRatio(), 0.0, 1e-12);
  ASSERT_EQ(fit.Fit(3, x, p), pfOk);
  EXPECT_NEAR(fit.ExplainedRatio(), 1.0, 1e-12);
  // Zero ordinates: ratio 0.
  ASSERT_EQ(fit.Fit(2, x, std::vector<double>(6, 0.0)), pfOk);
  EXPECT_EQ(fit.ExplainedRatio(), 0.0);
  // A failed fit keeps the ratio and coefficients of the last good one.
  ASSERT_EQ(fit.Fit(2, x, y), pfOk);
  const auto before = fit.Coefficients();
  EXPECT_EQ(fit.Fit(2, std::vector<double>(6, 1.0), y), pfSameAbscissa);
  EXPECT_EQ(fit.Coefficients(), before);
  EXPECT_NEAR(fit.ExplainedRatio(), 1.0, 1e-12);
}

TEST(PolynomialFit, StaysAccurateForAbscissasFarFromZero) {
  // Time indices of a long video: a line over [100000, 100002].
  std::vector<double> x = {100000, 100001, 100002};
  std::vector<double> y = {3.0, 3.5, 4.0};
  std::vector<double> c;
  ASSERT_EQ(PolynomialFit(2, x, y, c), pfOk);
  EXPECT_NEAR(c[1], 0.5, 1e-9);
  EXPECT_NEAR(PolynomialValue(c, 100001), 3.5, 1e-6);
}

TEST(FitStatistics, ValuesOfSimpleCases) {
  const std::vector<double> y = {1, 2, 3, 4};
  // Model equal to the data.
  auto st = FitStatistics(y, y);
  EXPECT_DOUBLE_EQ(st.correlation, 1.0);
  EXPECT_EQ(st.rmsDeviation, 0.0);
  EXPECT_EQ(st.relativePrecision, 0.0);

  // A model with no variance: correlation 0.
  st = FitStatistics(y, std::vector<double>(4, 2.5));
  EXPECT_EQ(st.correlation, 0.0);
  EXPECT_NEAR(st.rmsDeviation, std::sqrt(5.0 / 4.0), 1e-15);
  EXPECT_NEAR(st.relativePrecision, std::sqrt(5.0 / 30.0), 1e-15);

  // A stretched copy is fully correlated; the reversed one anti-correlated
  // (residuals −3, −1, 1, 3, Σr² = 20).
  st = FitStatistics(y, std::vector<double>{-2, 1, 4, 7});
  EXPECT_NEAR(st.correlation, 1.0, 1e-15);
  st = FitStatistics(y, std::vector<double>{4, 3, 2, 1});
  EXPECT_NEAR(st.correlation, -1.0, 1e-15);
  EXPECT_NEAR(st.rmsDeviation, std::sqrt(20.0 / 4.0), 1e-15);

  // Zero ordinates: no relative precision.
  st = FitStatistics(std::vector<double>(3, 0.0), std::vector<double>{1, 2, 3});
  EXPECT_EQ(st.relativePrecision, -1.0);
  EXPECT_NEAR(st.rmsDeviation, std::sqrt(14.0 / 3.0), 1e-15);

  // Lengths differ: the shorter counts.
  st = FitStatistics(y, std::vector<double>{1, 2});
  EXPECT_EQ(st.rmsDeviation, 0.0);
  // No point at all.
  st = FitStatistics(std::vector<double>{}, std::vector<double>{});
  EXPECT_EQ(st.rmsDeviation, -1.0);
  EXPECT_EQ(st.relativePrecision, -1.0);

  // A model value that is not a number gives −1 for all three.
  st = FitStatistics(y, std::vector<double>{1, std::nan(""), 3, 4});
  EXPECT_EQ(st.correlation, -1.0);
  EXPECT_EQ(st.rmsDeviation, -1.0);
  EXPECT_EQ(st.relativePrecision, -1.0);
}

TEST(FitStatistics, AConstantModelHasNoCorrelation) {
  // The mean of three values 0.1 is 0.10000000000000002: the model's spread
  // about it is rounding, not variance.
  const std::vector<double> y{1, 2, 3.5}, m{0.1, 0.1, 0.1};
  EXPECT_EQ(FitStatistics(y, m).correlation, 0.0);
  // Nor has data that does not change.
  EXPECT_EQ(FitStatistics(std::vector<double>{0.1, 0.1, 0.1}, y).correlation, 0.0);
  // A real spread keeps its correlation.
  EXPECT_NEAR(FitStatistics(y, std::vector<double>{1, 2, 3.5}).correlation, 1.0, 1e-12);
}

}  // namespace
}  // namespace kinevo

#include "core/graph/marquardt.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <numbers>
#include <random>
#include <vector>

#include "core/graph/curve_models.h"

namespace kinevo {
namespace {

constexpr double kPi = std::numbers::pi;

// The model functions written out again, independently of curve_models, for
// generating data and for the χ² of the checks.  Kind 8 is used here only
// where its motion does not stop within the data.
double Truth(int kind, const std::vector<double>& p, double x) {
  switch (kind) {
    case mkExponential:
      return p[0] + p[1] * std::exp(p[2] * x);
    case mkSinus:
      return p[0] + p[1] * std::sin(p[2] * x + p[3]);
    case mkSinusAe:
      return p[0] + p[1] * std::sin(p[2] * x + p[3]) * std::exp(p[4] * x);
    case mkSinusAl:
      return p[0] + p[1] * std::sin(p[2] * x + p[3]) * (1.0 + p[4] * x);
  }
  return std::nan("");
}

double Chi2(int kind, const std::vector<double>& p, const std::vector<double>& x,
            const std::vector<double>& y) {
  double s = 0.0;
  for (size_t i = 0; i < x.size(); ++i) {
    const double r = y[i] - Truth(kind, p, x[i]);
    s += r * r;
  }
  return s;
}

std::vector<double> Grid(double from, double to, double step) {
  std::vector<double> v;
  for (int i = 0; from + i * step <= to + 1e-12; ++i) v.push_back(from + i * step);
  return v;
}

// Phase that makes the oscillating part of a damped sinusoid sum to zero over
// the samples, so that the offset fixed at the mean of the data is the true
// offset: Σ sin(c·t + d)·env(t) = cos d·S + sin d·C = 0.
double ZeroMeanPhase(const std::vector<double>& x, double c,
                     const std::function<double(double)>& env) {
  double s = 0.0, co = 0.0;
  for (double t : x) {
    s += std::sin(c * t) * env(t);
    co += std::cos(c * t) * env(t);
  }
  return std::atan(-s / co);
}

struct Case {
  const char* name;
  int kind;
  std::vector<double> x;
  std::vector<double> p;  // true model parameters
};

std::vector<Case> Cases() {
  std::vector<Case> cases;
  cases.push_back({"rising exponential", mkExponential, Grid(0, 4, 0.1), {1.0, 2.0, 0.5}});
  cases.push_back({"saturating exponential", mkExponential, Grid(0, 4, 0.1), {3.0, -2.0, -0.8}});
  cases.push_back({"decaying exponential", mkExponential, Grid(0, 4, 0.1), {1.0, 9.0, -1.2}});
  cases.push_back({"accelerating fall", mkExponential, Grid(0, 3, 0.1), {4.0, -0.5, 0.9}});
  // Peak and trough fall at the same distance from a sample, so the offset
  // (max + min) / 2 of the data is the true one.
  cases.push_back({"sinusoid", mkSinus, Grid(0, 4, 0.05), {0.5, 2.0, kPi, 0.3}});
  {
    auto x = Grid(0, 6, 0.05);
    const double c = 3.0, k = -0.2;
    const double d = ZeroMeanPhase(x, c, [&](double t) { return std::exp(k * t); });
    cases.push_back({"exponentially damped sinusoid", mkSinusAe, x, {0.7, 1.5, c, d, k}});
  }
  {
    auto x = Grid(0, 8, 0.05);
    const double w = 2.5, k = -0.05;  // the motion stops after t = 18, outside the data
    const double d = ZeroMeanPhase(x, w, [&](double t) { return 1.0 + k * t; });
    cases.push_back({"linearly damped sinusoid", mkSinusAl, x, {-0.4, 1.2, w, d, k}});
  }
  return cases;
}

double AngleDistance(double a, double b) { return std::fabs(std::remainder(a - b, 2.0 * kPi)); }

TEST(NonLinearFit, RecoversNoiselessModelsFromTheirInitialValues) {
  for (const Case& c : Cases()) {
    SCOPED_TRACE(c.name);
    std::vector<double> y;
    for (double t : c.x) y.push_back(Truth(c.kind, c.p, t));
    std::vector<double> p;
    EXPECT_EQ(FitModel(c.kind, c.x, y, p), nlOk);
    ASSERT_EQ(p.size(), c.p.size());
    for (size_t j = 0; j < p.size(); ++j) {
      const bool phase = HasFixedOffset(c.kind) && j == 3;
      const double err = phase ? AngleDistance(p[j], c.p[j]) : std::fabs(p[j] - c.p[j]);
      EXPECT_LE(err, 1e-6 * std::fabs(c.p[j]))
          << "parameter " << j << " = " << p[j] << ", expected " << c.p[j];
    }
  }
}

TEST(NonLinearFit, NoisyResultIsALocalMinimumOfTheResiduals) {
  std::mt19937 gen(12345);
  std::normal_distribution<double> noise(0.0, 0.05);
  for (const Case& c : Cases()) {
    SCOPED_TRACE(c.name);
    std::vector<double> y;
    for (double t : c.x) y.push_back(Truth(c.kind, c.p, t) + noise(gen));
    std::vector<double> p;
    const int code = FitModel(c.kind, c.x, y, p);
    EXPECT_EQ(code, nlOk);
    const double best = Chi2(c.kind, p, c.x, y);
    ASSERT_TRUE(std::isfinite(best));
    // Every point of a 3^m grid around the result, the fixed offset of the
    // sinusoids excepted, has a residual sum at least as large.
    const int first = HasFixedOffset(c.kind) ? 1 : 0;
    const int m = static_cast<int>(p.size()) - first;
    int combos = 1;
    for (int j = 0; j < m; ++j) combos *= 3;
    for (int combo = 0; combo < combos; ++combo) {
      std::vector<double> q = p;
      int code3 = combo;
      for (int j = 0; j < m; ++j, code3 /= 3) {
        const double h = 1e-3 * std::max(std::fabs(p[first + j]), 0.1);
        q[first + j] += (code3 % 3 - 1) * h;
      }
      EXPECT_GE(Chi2(c.kind, q, c.x, y), best * (1.0 - 1e-12)) << "grid point " << combo;
    }
  }
}

TEST(NonLinearFit, ReportsBadInputByCodes) {
  auto x = Grid(0, 2, 0.1);
  std::vector<double> y(x.size(), 1.0);

  // Unknown kind or wrong parameter count: nothing is done.
  std::vector<double> p = {1.0, 2.0};
  EXPECT_EQ(NonLinearFit(x, y, mkAffine, p), nlArithmetic);
  EXPECT_EQ(NonLinearFit(x, y, mkExponential, p), nlArithmetic);
  EXPECT_EQ(p, (std::vector<double>{1.0, 2.0}));

  // A value that is not a number in the data.
  y[3] = std::numeric_limits<double>::quiet_NaN();
  p = {1.0, 1.0, 1.0};
  EXPECT_EQ(NonLinearFit(x, y, mkExponential, p), nlArithmetic);
  for (double v : p) EXPECT_TRUE(std::isfinite(v));

  // A sinusoid of zero amplitude has no slope along its frequency and phase:
  // the curvature matrix is singular even with damping.
  p = {0.0, 0.0, 1.0, 0.5};
  EXPECT_EQ(NonLinearFit(x, std::vector<double>(x.size(), 1.0), mkSinus, p), nlSingular);

  // Starting exactly at the solution is a success, not a stalled search.
  std::vector<double> yl;
  for (double t : x) yl.push_back(2.0 + std::exp(-t));
  p = {2.0, 1.0, -1.0};
  EXPECT_EQ(NonLinearFit(x, yl, mkExponential, p), nlOk);
  EXPECT_EQ(p, (std::vector<double>{2.0, 1.0, -1.0}));

  // Huge ordinates: the fit ends with a code, with numbers in p.
  std::vector<double> huge(x.size(), 1e200);
  p = InitialParameters(mkSinus, x, huge);
  const int code = NonLinearFit(x, huge, mkSinus, p);
  if (code == nlOk) {
    for (double v : p) EXPECT_TRUE(std::isfinite(v));
  }
}

TEST(GoldenLineSearch, FindsTheMinimumAlongTheStep) {
  double t = 0, v = 0;
  ASSERT_EQ(GoldenLineSearch([](double s) { return (s - 3.0) * (s - 3.0) + 1.0; }, 0.01, t, v), 0);
  EXPECT_NEAR(t, 3.0, 0.06);
  EXPECT_LT(v, 1.004);
  // Minimum behind the start: the bracket turns round.
  ASSERT_EQ(GoldenLineSearch([](double s) { return (s + 2.0) * (s + 2.0); }, 0.01, t, v), 0);
  EXPECT_NEAR(t, -2.0, 0.05);
  // Tighter tolerance, tighter result.
  ASSERT_EQ(GoldenLineSearch([](double s) { return std::cosh(s - 0.7); }, 1e-6, t, v), 0);
  EXPECT_NEAR(t, 0.7, 1e-4);
  // A flat function ends at once with its value.
  ASSERT_EQ(GoldenLineSearch([](double) { return 5.0; }, 0.01, t, v), 0);
  EXPECT_EQ(v, 5.0);
  // A function that falls for ever ends too (the bracket walk is bounded).
  ASSERT_EQ(GoldenLineSearch([](double s) { return -s; }, 0.01, t, v), 0);
  EXPECT_GT(t, 1.0);
}

TEST(GaussJordan, SolvesAndDetectsSingularMatrices) {
  std::vector<double> a = {2, 1, -1, -3, -1, 2, -2, 1, 2};
  std::vector<double> b = {8, -11, -3};
  const auto a0 = a;
  ASSERT_EQ(GaussJordan(a, b, 3), 0);
  EXPECT_NEAR(b[0], 2.0, 1e-12);
  EXPECT_NEAR(b[1], 3.0, 1e-12);
  EXPECT_NEAR(b[2], -1.0, 1e-12);
  // a now holds the inverse.
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j) {
      double s = 0;
      for (int k = 0; k < 3; ++k) s += a0[i * 3 + k] * a[k * 3 + j];
      EXPECT_NEAR(s, i == j ? 1.0 : 0.0, 1e-12);
    }
  std::vector<double> sing = {1, 2, 2, 4};
  std::vector<double> rhs = {1, 2};
  EXPECT_EQ(GaussJordan(sing, rhs, 2), nlSingular);
}

}  // namespace
}  // namespace kinevo

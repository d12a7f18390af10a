// The curve models against data with a known answer, fitted as the results
// window fits them: marks exactly on a curve give back its parameters, the
// sinusoids at every phase, damped or with dry friction, with a positive
// amplitude and angular frequency and a phase in (−π, π]; and over many
// noisy data sets the standard uncertainties cover the truth as often as a
// standard uncertainty should.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <numbers>
#include <random>
#include <string>
#include <vector>

#include "core/graph/curve_models.h"
#include "core/graph/graph_model_element.h"

namespace kinevo {
namespace {

constexpr double kPi = std::numbers::pi;

// Marks every 0.04 s on a curve, from t = 0.
std::vector<TWorldPoint> Marks(int n, const std::function<double(double)>& f) {
  std::vector<TWorldPoint> pts;
  for (int i = 0; i < n; ++i) pts.push_back({0.04 * i, f(0.04 * i)});
  return pts;
}

// Fits `kind` as the window does and checks every parameter against the
// truth to 1e-6 relative (1e-6 absolute for a true value of 0).
void ExpectExact(const std::string& name, int kind, const std::vector<TWorldPoint>& pts,
                 const std::vector<double>& truth) {
  SCOPED_TRACE(name);
  TGModele m(pts, 0);
  m.SetModelKind(kind);
  EXPECT_EQ(m.FitCode(), 0);
  const std::vector<double>& p = m.Parameters();
  ASSERT_EQ(p.size(), truth.size());
  for (std::size_t i = 0; i < p.size(); ++i) {
    double d = p[i] - truth[i];
    if (HasFixedOffset(kind) && i == 3) {
      // The phase, in (−π, π], is the true one to a whole turn.
      EXPECT_GT(p[i], -kPi);
      EXPECT_LE(p[i], kPi);
      d = std::remainder(d, 2 * kPi);
    }
    EXPECT_LE(std::fabs(d), 1e-6 * (truth[i] == 0.0 ? 1.0 : std::fabs(truth[i])))
        << "parameter " << i << " = " << p[i] << ", true " << truth[i];
  }
  EXPECT_LT(m.Statistics().rmsDeviation, 1e-9);
}

TEST(ModelFidelity, ExactMarksGiveEveryParameter) {
  ExpectExact("constant", mkConstant, Marks(30, [](double) { return 1.7; }), {1.7, 0.0});
  ExpectExact("proportional", mkProportional, Marks(30, [](double t) { return 2.5 * t; }),
              {0.0, 2.5});
  ExpectExact("line", mkAffine, Marks(30, [](double t) { return 0.3 - 2.5 * t; }), {0.3, -2.5});
  ExpectExact("parabola", mkParabola,
              Marks(30, [](double t) { return 1.2 + 3.1 * t - 4.905 * t * t; }),
              {1.2, 3.1, -4.905});
  ExpectExact("exponential", mkExponential,
              Marks(50, [](double t) { return 0.4 + 1.5 * std::exp(-2.2 * t); }), {0.4, 1.5, -2.2});

  // x = 2 + 0.5·sin(6t + φ) at twelve phases around the circle: the start
  // must not take the arcsine branch of a wave that falls.
  for (int k = -5; k <= 6; ++k) {
    const double phi = k * kPi / 6;
    ExpectExact("sine at " + std::to_string(30 * k) + "°", mkSinus,
                Marks(50, [phi](double t) { return 2 + 0.5 * std::sin(6 * t + phi); }),
                {2.0, 0.5, 6.0, phi});
  }
  // Damped: the centre of the oscillation is not the mean of the marks.
  ExpectExact("damped sine", mkSinusAe,
              Marks(75, [](double t) { return 3 + std::sin(9 * t + 0.7) * std::exp(-1.2 * t); }),
              {3.0, 1.0, 9.0, 0.7, -1.2});
  ExpectExact(
      "damped sine falling first", mkSinusAe,
      Marks(75, [](double t) { return -0.4 + 0.25 * std::sin(4 * t + 2.6) * std::exp(-0.3 * t); }),
      {-0.4, 0.25, 4.0, 2.6, -0.3});
  // Dry friction: the amplitude falls by the same amount each half period
  // (sampled before the motion stops).
  ExpectExact(
      "dry friction", mkSinusAl,
      Marks(150, [](double t) { return 0.2 + 0.8 * std::sin(5 * t - 2.2) * (1 - 0.08 * t); }),
      {0.2, 0.8, 5.0, -2.2, -0.08});
  // ... and through its stop (near 12.4 s), on the model's own curve.
  const std::vector<double> stopping{0.2, 0.8, 5.0, -2.2, -0.08};
  ExpectExact("dry friction until it stops", mkSinusAl,
              Marks(375, [&](double t) { return ModelValue(mkSinusAl, stopping, t); }), stopping);
}

TEST(ModelFidelity, SinusoidsEndWithAPositiveAmplitudeAndFrequency) {
  // Started from a negative amplitude and frequency, the same curve is
  // written with positive ones and a phase in (−π, π].
  std::vector<double> p{1.0, -2.0, -3.0, 0.5, -0.1};
  const double before = ModelValue(mkSinusAe, p, 0.37);
  NormaliseSinusoid(p);
  EXPECT_EQ(p[1], 2.0);
  EXPECT_EQ(p[2], 3.0);
  EXPECT_GT(p[3], -kPi);
  EXPECT_LE(p[3], kPi);
  EXPECT_NEAR(ModelValue(mkSinusAe, p, 0.37), before, 1e-12);
  EXPECT_EQ(WrapPhase(-kPi), kPi);
  EXPECT_NEAR(WrapPhase(7.0), 7.0 - 2 * kPi, 1e-15);
}

TEST(ModelFidelity, UncertaintiesOfADampedSineCoverTheTruth) {
  // 200 noisy copies of x = 3 + sin(9t + 0.7)·e^(−1.2t): each parameter's
  // truth lies within one standard uncertainty in about 68 % of the fits.
  const std::vector<double> truth{3.0, 1.0, 9.0, 0.7, -1.2};
  std::vector<int> covered(truth.size(), 0);
  constexpr int kSeeds = 200;
  for (int seed = 1; seed <= kSeeds; ++seed) {
    std::mt19937 gen(static_cast<unsigned>(seed));
    std::normal_distribution<double> noise(0.0, 0.03);
    auto pts = Marks(75, [](double t) { return 3 + std::sin(9 * t + 0.7) * std::exp(-1.2 * t); });
    for (auto& p : pts) p.y += noise(gen);
    TGModele m(pts, 0);
    m.SetModelKind(mkSinusAe);
    const auto shown = m.DisplayedParameters();
    ASSERT_EQ(shown.size(), truth.size());
    for (std::size_t i = 0; i < truth.size(); ++i) {
      double d = shown[i].value - truth[i];
      if (i == 3) d = std::remainder(d, 2 * kPi);  // the phase
      if (std::fabs(d) <= shown[i].uncertainty) ++covered[i];
    }
  }
  for (std::size_t i = 0; i < truth.size(); ++i) {
    const double share = covered[i] / double(kSeeds);
    EXPECT_GE(share, 0.61) << "parameter " << i;
    EXPECT_LE(share, 0.75) << "parameter " << i;
  }
}

TEST(ModelFidelity, WeightedFitsUseThePointsUncertainties) {
  // The constant of three points weighted 1, 1 and 1/4 is their weighted
  // mean (1 + 2 + 4/4) / 2.25, of uncertainty 1/√2.25, whatever the scatter.
  TGModele mean({{0, 1.0}, {1, 2.0}, {2, 4.0}}, 0);
  mean.SetPointUncertainties({1.0, 1.0, 2.0});
  mean.SetModelKind(mkConstant);
  ASSERT_EQ(mean.FitCode(), 0);
  EXPECT_NEAR(mean.Parameters()[0], 4.0 / 2.25, 1e-12);
  EXPECT_NEAR(mean.DisplayedParameters()[0].uncertainty, 1.0 / 1.5, 1e-12);
  const TChiSquare& c = mean.ChiSquareStatistics();
  const double r = 4.0 / 2.25;
  EXPECT_NEAR(c.chi2, (1 - r) * (1 - r) + (2 - r) * (2 - r) + (4 - r) * (4 - r) / 4, 1e-12);
  EXPECT_EQ(c.ndf, 2);
  EXPECT_NEAR(c.reduced, c.chi2 / 2, 1e-15);

  // A damped sine, each point with its own noise (0.01 to 0.05): the
  // non-linear weighted fit finds it, its χ² matches the noise, and the
  // statistics say so.
  std::mt19937 gen(7);
  auto pts = Marks(80, [](double t) { return 3 + std::sin(9 * t + 0.7) * std::exp(-1.2 * t); });
  std::vector<double> u;
  for (std::size_t i = 0; i < pts.size(); ++i) {
    u.push_back(0.01 + 0.04 * (i % 5) / 4.0);
    pts[i].y += std::normal_distribution<double>(0.0, u.back())(gen);
  }
  TGModele sine(pts, 0);
  sine.SetPointUncertainties(u);
  sine.SetModelKind(mkSinusAe);
  ASSERT_EQ(sine.FitCode(), 0);
  const std::vector<double> truth{3.0, 1.0, 9.0, 0.7, -1.2};
  const auto shown = sine.DisplayedParameters();
  for (std::size_t i = 0; i < truth.size(); ++i)
    EXPECT_NEAR(shown[i].value, truth[i], 4 * shown[i].uncertainty) << "parameter " << i;
  const TChiSquare& s = sine.ChiSquareStatistics();
  EXPECT_EQ(s.ndf, 75);
  EXPECT_TRUE(s.compatible) << s.reduced;
  const auto lines = sine.StatisticsLines();
  EXPECT_NE(std::find(lines.begin(), lines.end(), "Le modèle est compatible avec les mesures"),
            lines.end());
  // Uncertainties stated ten times too large: χ²/ndf near 0.01, refused.
  for (double& v : u) v *= 10;
  sine.SetPointUncertainties(u);
  sine.SetModelKind(mkSinusAe);
  EXPECT_FALSE(sine.ChiSquareStatistics().compatible);
  EXPECT_LT(sine.ChiSquareStatistics().reduced, 0.05);
}

}  // namespace
}  // namespace kinevo

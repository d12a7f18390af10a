#include "core/graph/graph_model_element.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <random>
#include <string>
#include <vector>

#include "core/common/number_format.h"
#include "core/graph/curve_models.h"
#include "core/graph/fit_uncertainty.h"
#include "support/recording_canvas.h"

namespace kinevo {
namespace {

constexpr double kPi = std::numbers::pi;

std::vector<TWorldPoint> Sample(int n, double t0, double dt, double (*f)(double)) {
  std::vector<TWorldPoint> pts;
  for (int i = 0; i < n; ++i) pts.push_back({t0 + i * dt, f(t0 + i * dt)});
  return pts;
}

// A model element on a 400 × 200 plot at (75, 20) over the given window.
std::unique_ptr<TGModele> Element(std::vector<TWorldPoint> pts, int masked,
                                  TWorldWindow w = {0, 10, 0, 10}) {
  auto m = std::make_unique<TGModele>(std::move(pts), masked);
  m->SetWorld(w, {75, 20, 400, 200});
  m->SetShown(true);
  return m;
}

// Least squares of a line computed here from its textbook formulas.
struct LineFit {
  double slope, intercept, slopeError, interceptError;
};
LineFit TextbookLine(const std::vector<TWorldPoint>& pts) {
  const double n = static_cast<double>(pts.size());
  double mx = 0, my = 0;
  for (const auto& p : pts) mx += p.x / n, my += p.y / n;
  double sxx = 0, sxy = 0;
  for (const auto& p : pts) sxx += (p.x - mx) * (p.x - mx), sxy += (p.x - mx) * (p.y - my);
  LineFit f;
  f.slope = sxy / sxx;
  f.intercept = my - f.slope * mx;
  double ssr = 0, sx2 = 0;
  for (const auto& p : pts) {
    const double r = p.y - f.intercept - f.slope * p.x;
    ssr += r * r;
    sx2 += p.x * p.x;
  }
  const double s = std::sqrt(ssr / (n - 2));
  f.slopeError = s / std::sqrt(sxx);
  f.interceptError = s * std::sqrt(sx2 / (n * sxx));
  return f;
}

std::vector<TWorldPoint> NoisyLine(unsigned seed, double sigma) {
  std::mt19937 gen(seed);
  std::normal_distribution<double> noise(0.0, sigma);
  std::vector<TWorldPoint> pts;
  for (int i = 0; i < 30; ++i) {
    const double t = 0.04 * i;
    pts.push_back({t, 0.3 + 2.5 * t + noise(gen)});
  }
  return pts;
}

TEST(ModelElement, ExactDataGiveTheirParameters) {
  // A ball in free fall, positions exact: y = 1.2 + 3.1 t − g/2 t².
  constexpr double g = 9.81;
  auto fall =
      Element(Sample(25, 0.0, 0.04, [](double t) { return 1.2 + 3.1 * t - g / 2 * t * t; }), 0);
  fall->SetModelKind(mkParabola);
  EXPECT_EQ(fall->FitCode(), 0);
  EXPECT_NEAR(fall->Parameters()[2] / (-g / 2), 1.0, 1e-9);
  EXPECT_NEAR(fall->Statistics().rmsDeviation, 0.0, 1e-9);
  // Exact data leave no residual, hence no uncertainty.
  for (const auto& p : fall->DisplayedParameters()) EXPECT_LT(p.uncertainty, 1e-9) << p.name;

  // A sinusoid sampled every eighth of a period from one of its peaks: the
  // extremes are in the samples, so the offset is exact.
  const double omega = 3.0, phi = 0.7;
  std::vector<TWorldPoint> pts;
  for (int k = 0; k < 40; ++k) {
    const double t = (kPi / 2 - phi + k * kPi / 4) / omega;
    pts.push_back({t, 0.5 + 2.0 * std::sin(omega * t + phi)});
  }
  auto wave = Element(pts, 0);
  wave->SetModelKind(mkSinus);
  const auto& q = wave->Parameters();
  EXPECT_NEAR(q[0], 0.5, 1e-12);
  EXPECT_NEAR(q[1], 2.0, 1e-6);
  EXPECT_NEAR(q[2], omega, 1e-6);
  EXPECT_NEAR(std::remainder(q[3] - phi, 2 * kPi), 0.0, 1e-6);
}

TEST(ModelElement, MaskedEndsStayOutOfTheFit) {
  auto pts = Sample(6, 0.0, 1.0, [](double t) { return 2.0 * t; });
  pts.front().y = 100;  // outliers at both ends
  pts.back().y = -100;
  auto m = Element(pts, 1);
  ASSERT_EQ(m->DataX().size(), 4u);
  m->SetModelKind(mkAffine);
  EXPECT_NEAR(m->Parameters()[0], 0.0, 1e-12);
  EXPECT_NEAR(m->Parameters()[1], 2.0, 1e-12);
  EXPECT_NEAR(m->Statistics().correlation, 1.0, 1e-12);
}

TEST(ModelElement, SlopeUncertaintyIsTheTextbookStandardError) {
  const auto pts = NoisyLine(7, 0.05);
  auto m = Element(pts, 0);
  m->SetModelKind(mkAffine);
  const LineFit ref = TextbookLine(pts);
  const auto shown = m->DisplayedParameters();
  ASSERT_EQ(shown.size(), 2u);
  EXPECT_NEAR(shown[1].value, ref.slope, 1e-9);
  EXPECT_NEAR(shown[1].uncertainty / ref.slopeError, 1.0, 1e-6);
  EXPECT_NEAR(shown[0].uncertainty / ref.interceptError, 1.0, 1e-6);

  // Over many noise draws the slopes spread as much as the uncertainty says.
  const int seeds = 200;
  double sum = 0, sum2 = 0, reported = 0;
  for (int seed = 0; seed < seeds; ++seed) {
    auto e = Element(NoisyLine(1000 + seed, 0.05), 0);
    e->SetModelKind(mkAffine);
    const double b = e->Parameters()[1];
    sum += b;
    sum2 += b * b;
    reported += e->DisplayedParameters()[1].uncertainty;
  }
  const double mean = sum / seeds;
  const double spread = std::sqrt((sum2 - seeds * mean * mean) / (seeds - 1));
  EXPECT_NEAR(spread / (reported / seeds), 1.0, 0.15);
}

TEST(ModelElement, ParabolaCovarianceMatchesTheNormalEquations) {
  // Far from the origin, where the powers of t are nearly collinear.
  std::mt19937 gen(3);
  std::normal_distribution<double> noise(0.0, 0.02);
  std::vector<double> x, y;
  for (int i = 0; i < 20; ++i) {
    x.push_back(10.0 + 0.1 * i);
    y.push_back(1.0 - 0.5 * x.back() + 0.2 * x.back() * x.back() + noise(gen));
  }
  std::vector<double> p;
  ASSERT_EQ(FitModel(mkParabola, x, y, p), 0);
  // (XᵀX)⁻¹ by Cramer's rule on the raw powers, scaled by χ²/(n − 3).
  double s[5] = {}, chi2 = 0;
  for (std::size_t i = 0; i < x.size(); ++i) {
    for (int k = 0; k < 5; ++k) s[k] += std::pow(x[i], k);
    const double r = y[i] - ModelValue(mkParabola, p, x[i]);
    chi2 += r * r;
  }
  const double a[3][3] = {{s[0], s[1], s[2]}, {s[1], s[2], s[3]}, {s[2], s[3], s[4]}};
  const double det = a[0][0] * (a[1][1] * a[2][2] - a[1][2] * a[2][1]) -
                     a[0][1] * (a[1][0] * a[2][2] - a[1][2] * a[2][0]) +
                     a[0][2] * (a[1][0] * a[2][1] - a[1][1] * a[2][0]);
  const double inv22 = (a[0][0] * a[1][1] - a[0][1] * a[1][0]) / det;
  const double inv00 = (a[1][1] * a[2][2] - a[1][2] * a[2][1]) / det;
  const double s2 = chi2 / (x.size() - 3.0);
  const auto u = ParameterUncertainties(mkParabola, x, y, p);
  EXPECT_NEAR(u[2] / std::sqrt(inv22 * s2), 1.0, 1e-5);
  EXPECT_NEAR(u[0] / std::sqrt(inv00 * s2), 1.0, 1e-4);
  // Too few points for any residual freedom: no uncertainty.
  const auto none = ParameterUncertainties(mkParabola, std::vector<double>{0, 1, 2},
                                           std::vector<double>{1, 2, 5}, p);
  EXPECT_TRUE(std::isnan(none[2]));
}

TEST(ModelElement, LinesOfTheEquationAndStatistics) {
  ScopedDecimalSeparator comma(',');
  auto m = Element({{1, 1}, {2, 2}, {3, 3.5}, {4, 3.9}}, 0);
  m->abscissaName = "x";
  m->ordinateName = "y";
  EXPECT_TRUE(m->EquationLines().empty());  // no model yet
  m->SetModelKind(mkAffine);
  auto eq = m->EquationLines();
  ASSERT_EQ(eq.size(), 3u);
  EXPECT_EQ(eq[0], "Modèle: y = r + b.x");
  EXPECT_EQ(eq[1], "r = " + FormatNumber(0, m->Parameters()[0]));
  EXPECT_EQ(eq[2].substr(0, 4), "b = ");
  auto st = m->StatisticsLines();
  ASSERT_EQ(st.size(), 6u);
  EXPECT_EQ(st[0], "Incertitudes sur les ordonnées: ");
  EXPECT_EQ(st[1].substr(0, 24), "- précision relative = ");
  EXPECT_EQ(st[1].back(), '%');
  EXPECT_EQ(st[2].substr(0, 29), "- écart quadratique moyen = ");
  EXPECT_EQ(st[3].substr(0, 32), "- coefficient de corrélation = ");
  EXPECT_EQ(st[5], "- incertitude-type sur b = " +
                       FormatUncertainty(m->DisplayedParameters()[1].uncertainty));
  const std::string hint = m->HintText();
  EXPECT_EQ(hint.substr(0, eq[0].size() + 2), eq[0] + "\r\r");

  m->SetModelKind(mkProportional);
  EXPECT_EQ(m->EquationLines()[0], "Modèle: y = b.x");
  m->SetModelKind(mkSinusAe);
  EXPECT_EQ(m->EquationLines()[0], "Modèle: y = r + b.sin(c.x + d).exp(k.x)");
  m->SetModelKind(mkParabola);
  EXPECT_EQ(m->EquationLines()[0], "Modèle: y = r + b.x + c.x²");
  EXPECT_EQ(m->StatisticsLines().size(), 3u + 3u);  // no correlation line

  // The dry friction shows its oscillator's coefficients.
  auto d = Element(
      Sample(60, 0.0, 0.1, [](double t) { return 0.2 + std::sin(4 * t + 0.3) * (1 - 0.05 * t); }),
      0);
  d->ordinateName = "y";
  d->SetModelKind(mkSinusAl);
  eq = d->EquationLines();
  ASSERT_EQ(eq.size(), 6u);
  EXPECT_EQ(eq[0], "Modèle: y\" + r.y + b.Sign(y') = c");
  EXPECT_EQ(eq[4].substr(0, 7), "y(0) = ");
  EXPECT_EQ(eq[5].substr(0, 8), "y'(0) = ");
  const TDryFriction f = DryFrictionCoefficients(d->Parameters());
  EXPECT_EQ(eq[1], "r = " + FormatNumber(0, f.r));
  EXPECT_FALSE(d->ButtonsApply());
}

TEST(ModelElement, ParametersCarryTheirUnits) {
  // x(t) in metres against seconds.
  auto m = Element(Sample(20, 0.0, 0.1, [](double t) { return 0.5 * std::sin(6 * t + 1) + 2; }), 0);
  m->ordinateName = "x";
  m->abscissaUnit = "s";
  m->ordinateUnit = "m";
  auto units = [&](int kind) {
    m->SetModelKind(kind);
    std::vector<std::string> u;
    for (const auto& p : m->DisplayedParameters()) u.push_back(p.name + ":" + p.unit);
    return u;
  };
  using V = std::vector<std::string>;
  EXPECT_EQ(units(mkAffine), (V{"r:m", "b:m/s"}));
  EXPECT_EQ(units(mkConstant), (V{"r:m"}));
  EXPECT_EQ(units(mkProportional), (V{"b:m/s"}));
  EXPECT_EQ(units(mkParabola), (V{"r:m", "b:m/s", "c:m/s²"}));
  EXPECT_EQ(units(mkExponential), (V{"r:m", "b:m", "c:s⁻¹"}));
  EXPECT_EQ(units(mkSinus), (V{"r:m", "b:m", "c:rad/s", "d:rad"}));
  EXPECT_EQ(units(mkSinusAe), (V{"r:m", "b:m", "c:rad/s", "d:rad", "k:s⁻¹"}));
  EXPECT_EQ(units(mkSinusAl), (V{"r:s⁻²", "b:m/s²", "c:m/s²", "x(0):m", "x'(0):m/s"}));
  // y against x: the slope has no unit; an unknown unit gives none.
  m->abscissaUnit = "m";
  EXPECT_EQ(units(mkParabola), (V{"r:m", "b:", "c:m⁻¹"}));
  m->ordinateUnit = "";
  EXPECT_EQ(units(mkAffine), (V{"r:", "b:"}));
}

TEST(ModelElement, BoxLinesAndAHandChange) {
  ScopedDecimalSeparator comma(',');
  auto m = Element(NoisyLine(3, 0.05), 0);
  m->ordinateName = "x";
  m->abscissaUnit = "s";
  m->ordinateUnit = "m";
  m->SetModelKind(mkAffine);
  const auto shown = m->DisplayedParameters();
  auto box = m->BoxLines();
  ASSERT_EQ(box.size(), 4u);
  EXPECT_EQ(box[0], "Modèle: x = r + b.t");
  EXPECT_EQ(box[2], "b = " + FormatMeasured(shown[1].value, shown[1].uncertainty) + " ± " +
                        FormatUncertainty(shown[1].uncertainty) + " m/s");
  EXPECT_EQ(box[3],
            "écart quadratique moyen = " + FormatGeneral(m->Statistics().rmsDeviation, 3) + " m");
  auto stats = m->StatisticsLines();
  EXPECT_EQ(stats.back(),
            "- incertitude-type sur b = " + FormatUncertainty(shown[1].uncertainty) + " m/s");

  // By hand, the uncertainties no longer describe the parameters.
  m->SetParameter(1, 2.0);
  EXPECT_TRUE(m->HandSet());
  box = m->BoxLines();
  EXPECT_EQ(box[2], "b = 2,000 m/s");
  EXPECT_EQ(box.back(), kHandSetModel);
  stats = m->StatisticsLines();
  EXPECT_EQ(stats.back(), kHandSetModel);
  for (const auto& l : stats) EXPECT_EQ(l.find("incertitude-type"), std::string::npos) << l;
  // The next fit brings them back.
  m->SetModelKind(mkAffine);
  EXPECT_FALSE(m->HandSet());
  EXPECT_NE(m->StatisticsLines().back().find("incertitude-type sur b"), std::string::npos);
  // Digits follow the uncertainty.
  EXPECT_EQ(FormatMeasured(2.000412, 0.0012), "2,0004");
  EXPECT_EQ(FormatMeasured(1234.4, 12), "1234");
  EXPECT_EQ(FormatMeasured(2.5, 0.0), FormatNumber(0, 2.5));
}

TEST(ModelElement, UncertaintyText) {
  ScopedDecimalSeparator comma(',');
  EXPECT_EQ(FormatUncertainty(0.004), "0,0040");
  EXPECT_EQ(FormatUncertainty(0.0996), "0,10");
  EXPECT_EQ(FormatUncertainty(1.234), "1,2");
  EXPECT_EQ(FormatUncertainty(12345.0), "12000");
  EXPECT_EQ(FormatUncertainty(1.5e-7), "1,5E-7");
  EXPECT_EQ(FormatUncertainty(NAN), "#Nombre!");
}

TEST(ModelElement, DrawsOneColumnPerPixelInsideThePlot) {
  auto m = Element(Sample(5, 0, 2, [](double t) { return 1.0 + t; }), 0);
  test::RecordingCanvas canvas;
  m->Draw(canvas, {TGraphUtils{}, 0});
  EXPECT_TRUE(canvas.Of("polyline").empty());  // kind 9 draws nothing
  m->SetModelKind(mkAffine);
  const auto path = m->Path();
  ASSERT_EQ(path.size(), 1u);
  ASSERT_EQ(path[0].size(), 401u);
  EXPECT_EQ(path[0].front(), (TPixel{75, 200}));  // y = 1 at x = 0
  // Above the plot the curve is cut at its border.
  EXPECT_EQ(path[0].back().y, 19);
  m->Draw(canvas, {TGraphUtils{}, 0});
  EXPECT_EQ(canvas.Of("polyline").size(), 1u);
}

TEST(ModelElement, DraggingTheCurveChangesTheGrabbedParameter) {
  // y = 1 + 0.5 t on a 400 × 200 plot over 0..10 × 0..10: 40 px per unit
  // across, 20 px per unit up.
  auto m = Element(Sample(5, 0, 2, [](double t) { return 1.0 + 0.5 * t; }), 0);
  m->SetModelKind(mkAffine);
  int changes = 0;
  TConnection c = m->OnChange.Connect([&] { ++changes; });
  auto at = [&](double t) {
    return WorldToPixel(m->Plot(), m->World(), t, ModelValue(mkAffine, m->Parameters(), t));
  };
  // The middle translates: 20 px up is one unit more on the intercept.
  TPixel p = at(5.0);
  EXPECT_EQ(m->HandleAt(p), mhTranslate);
  EXPECT_EQ(m->ParameterAt(p), 0);
  m->MouseDown(p);
  m->MouseMove({}, {p.x, p.y - 20});
  m->MouseUp();
  EXPECT_NEAR(m->Parameters()[0], 2.0, 1e-9);
  EXPECT_NEAR(m->Parameters()[1], 0.5, 1e-12);
  EXPECT_EQ(changes, 1);

  // Near the right end it turns about the left end, which stays.
  p = at(9.0);
  EXPECT_EQ(m->HandleAt(p), mhRotate);
  const double leftBefore = ModelValue(mkAffine, m->Parameters(), 0.0);
  m->MouseDown(p);
  m->MouseMove({}, {p.x, p.y + 40});
  m->MouseUp();
  EXPECT_NEAR(ModelValue(mkAffine, m->Parameters(), 0.0), leftBefore, 1e-9);
  EXPECT_LT(m->Parameters()[1], 0.5);
  // Off the curve nothing is grabbed.
  EXPECT_EQ(m->HandleAt({p.x, p.y - 60}), mhNone);

  // A sinusoid's amplitude dragged past zero stays at zero, the opposite
  // extremum where it was.
  auto w = Element(Sample(80, 0, 0.125, [](double t) { return 5.0 + 2.0 * std::sin(2 * t); }), 0);
  w->SetModelKind(mkSinus);
  const auto& q = w->Parameters();
  const double peakT = (kPi / 2 - q[3]) / q[2] + 2 * kPi / q[2];
  const TPixel peak = WorldToPixel(w->Plot(), w->World(), peakT, q[0] + q[1]);
  ASSERT_EQ(w->HandleAt(peak), mhAmplitude);
  const double trough = q[0] - q[1];
  w->MouseDown(peak);
  w->MouseMove({}, {peak.x, peak.y + 200});
  w->MouseUp();
  EXPECT_EQ(w->Parameters()[1], 0.0);
  EXPECT_NEAR(w->Parameters()[0], trough, 1e-9);
}

}  // namespace
}  // namespace kinevo

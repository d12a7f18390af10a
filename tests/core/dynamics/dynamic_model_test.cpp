// The dynamic model against motions whose marks the tests compute
// themselves: free fall and throws (exact), quadratic drag (integrated
// independently with a much finer step), a spring; and the failures.
#include "core/dynamics/dynamic_model.h"

#include <gtest/gtest.h>

#include <cmath>

namespace kinevo {
namespace {

struct TMarks {
  std::vector<double> t, x, y;
};

std::vector<TDynamicParameter> Start(double x0, double y0, double vx0, double vy0,
                                     std::vector<TDynamicParameter> more = {}) {
  std::vector<TDynamicParameter> p = {{"x0", x0}, {"y0", y0}, {"vx0", vx0}, {"vy0", vy0}};
  p.insert(p.end(), more.begin(), more.end());
  return p;
}

// A throw at 25 images/s, or at irregular times (a variable-rate file).
TMarks Throw(double g, bool irregular) {
  TMarks m;
  double t = 0.3;
  for (int i = 0; i < 40; ++i) {
    m.t.push_back(t);
    const double u = t - 0.3;
    m.x.push_back(0.12 + 1.7 * u);
    m.y.push_back(0.4 + 3.1 * u - g * u * u / 2);
    t += irregular ? 0.02 + 0.03 * ((i * 7) % 5) / 4.0 : 0.04;
  }
  return m;
}

TEST(DynamicModel, FreeFallAndThrowsFromExactMarks) {
  for (bool irregular : {false, true}) {
    SCOPED_TRACE(irregular ? "irregular times" : "25 images/s");
    const TMarks m = Throw(9.81, irregular);
    TDynamicModel model;
    ASSERT_TRUE(model.SetModel("0", "-g", Start(m.x[0], m.y[0], 0, 0, {{"g", 9.81}})));
    model.Find("vx0")->fitted = model.Find("vy0")->fitted = true;
    const auto fit = model.Fit(m.t, 0, m.x, m.y);
    ASSERT_TRUE(fit) << fit.error().Text();
    EXPECT_LT(fit.value().rms, 1e-6);
    EXPECT_LT(model.Rms(m.t, 0, m.x, m.y), 1e-6);
    EXPECT_NEAR(model.Find("vx0")->value, 1.7, 1e-7);

    // g itself, from a poor start, launched from an image in the middle.
    model.Find("g")->value = 4;
    model.Find("g")->fitted = model.Find("x0")->fitted = model.Find("y0")->fitted = true;
    model.Find("x0")->value = m.x[20];
    model.Find("y0")->value = m.y[20];
    const auto g = model.Fit(m.t, 20, m.x, m.y);
    ASSERT_TRUE(g) << g.error().Text();
    EXPECT_NEAR(model.Find("g")->value / 9.81, 1, 1e-6);
    ASSERT_EQ(g.value().values.size(), 5u);
    EXPECT_EQ(g.value().values[4].name, "g");
    EXPECT_TRUE(std::isfinite(g.value().values[4].uncertainty));
  }
}

TEST(DynamicModel, QuadraticDragGivesItsCoefficientBack) {
  // The marks: an independent midpoint integration with a step 1000 times
  // finer than the images'.
  const double k = 0.35, g = 9.81;
  TMarks m;
  double x = 0, y = 0, vx = 6, vy = 8, t = 0;
  const double dt = 0.04 / 1000;
  for (int i = 0; i < 45; ++i) {
    m.t.push_back(t);
    m.x.push_back(x);
    m.y.push_back(y);
    for (int s = 0; s < 1000; ++s) {
      auto acc = [&](double ux, double uy, double& ax, double& ay) {
        const double v = std::hypot(ux, uy);
        ax = -k * v * ux;
        ay = -g - k * v * uy;
      };
      double ax, ay;
      acc(vx, vy, ax, ay);
      const double mx = vx + ax * dt / 2, my = vy + ay * dt / 2;
      acc(mx, my, ax, ay);
      x += mx * dt;
      y += my * dt;
      vx += ax * dt;
      vy += ay * dt;
      t += dt;
    }
  }
  TDynamicModel model;
  ASSERT_TRUE(model.SetModel("-k*v*vx/m", "-g-k*v*vy/m",
                             Start(0, 0, 5, 5, {{"g", g}, {"k", 0.05}, {"m", 1}})));
  for (const char* name : {"k", "vx0", "vy0"}) model.Find(name)->fitted = true;
  const auto fit = model.Fit(m.t, 0, m.x, m.y);
  ASSERT_TRUE(fit) << fit.error().Text();
  EXPECT_NEAR(model.Find("k")->value / k, 1, 0.01);
  EXPECT_NEAR(model.Find("vy0")->value, 8, 0.01);
}

TEST(DynamicModel, SpringGivesOmegaSquared) {
  const double w2 = 12.3, xe = 0.25;
  TMarks m;
  for (int i = 0; i < 60; ++i) {
    const double t = i / 30.0;
    m.t.push_back(t);
    m.x.push_back(xe + 0.1 * std::cos(std::sqrt(w2) * t));
    m.y.push_back(0);
  }
  TDynamicModel model;
  ASSERT_TRUE(model.SetModel("-(k/m)*(x-xe)", "0",
                             Start(m.x[0], 0, 0, 0, {{"k", 10}, {"m", 1}, {"xe", xe}})));
  model.Find("k")->fitted = true;
  const auto fit = model.Fit(m.t, 0, m.x, m.y);
  ASSERT_TRUE(fit) << fit.error().Text();
  EXPECT_NEAR(model.Find("k")->value / w2, 1, 1e-6);
}

TEST(DynamicModel, FailuresAreSaidNotCrashed) {
  TDynamicModel model;
  // A formula that does not parse, or names nothing known.
  const TStatus unknown = model.SetModel("0", "-q", Start(0, 0, 0, 0));
  ASSERT_FALSE(unknown);
  EXPECT_NE(unknown.error().reason.find("ay"), std::string::npos);
  EXPECT_FALSE(unknown.error().cause.empty());
  EXPECT_FALSE(model.SetModel("(1", "0", Start(0, 0, 0, 0)));

  // A model that runs away: the images before it are kept, the rest are
  // not numbers, and the time is said.
  std::vector<double> times;
  for (int i = 0; i < 50; ++i) times.push_back(i * 0.1);
  ASSERT_TRUE(model.SetModel("0", "y*y*1000", Start(0, 1, 0, 0)));
  const TSimulation sim = model.Simulate(times, 0);
  ASSERT_FALSE(sim.status);
  EXPECT_EQ(sim.status.error().reason.rfind("Le modèle diverge à t = ", 0), 0u)
      << sim.status.error().reason;
  EXPECT_TRUE(std::isfinite(sim.states[0].y));
  EXPECT_TRUE(std::isnan(sim.states[49].y));
  // A formula that cannot be evaluated on the way (a logarithm past t = 1)
  // says so too, with the formula's own message.
  ASSERT_TRUE(model.SetModel("0", "ln(1-t)", Start(0, 0, 0, 0)));
  const TSimulation log = model.Simulate(times, 0);
  ASSERT_FALSE(log.status);
  EXPECT_FALSE(log.status.error().cause.empty());
  EXPECT_TRUE(std::isfinite(log.states[9].y));
  EXPECT_TRUE(std::isnan(log.states[11].y));
  std::vector<double> xs(times.size(), 0.0), ys(times.size(), 0.0);
  model.Find("vy0")->fitted = true;
  EXPECT_FALSE(model.Fit(times, 0, xs, ys));
}

// Formulas the processor runs compiled and formulas the interpreter runs
// (a function is never compiled) give the same model to the last bit; a
// compiled formula that fails says why in the interpreter's words.
TEST(DynamicModel, CompiledAndInterpretedFormulasAgree) {
  std::vector<double> times;
  for (int i = 0; i < 200; ++i) times.push_back(i * 0.01);
  const auto parameters = Start(0.1, 0.2, 3, 4, {{"k", 0.05}, {"m", 0.5}, {"g", 9.81}});
  TDynamicModel compiled, interpreted;
  ASSERT_TRUE(compiled.SetModel("-k*v*vx/m", "-g-k*v*vy/m", parameters));
  ASSERT_TRUE(
      interpreted.SetModel("-k*sqrt(vx^2+vy^2)*vx/m", "-g-k*sqrt(vx^2+vy^2)*vy/m", parameters));
  const TSimulation a = compiled.Simulate(times, 50), b = interpreted.Simulate(times, 50);
  ASSERT_TRUE(a.status) << a.status.error().reason << a.status.error().cause;
  ASSERT_TRUE(b.status) << b.status.error().reason;
  for (std::size_t i = 0; i < times.size(); ++i) {
    ASSERT_EQ(a.states[i].x, b.states[i].x) << i;
    ASSERT_EQ(a.states[i].vy, b.states[i].vy) << i;
  }
  // A parameter changed in place is read by the compiled code at once.
  compiled.Find("k")->value = 0;
  EXPECT_NEAR(compiled.Simulate(times, 0).states[100].x, 0.1 + 3 * 1.0, 1e-12);

  ASSERT_TRUE(compiled.SetModel("0", "1/(t-t)", parameters));
  const TSimulation failed = compiled.Simulate(times, 0);
  ASSERT_FALSE(failed.status);
  EXPECT_EQ(failed.status.error().cause, "Division par zéro.");
  EXPECT_TRUE(std::isnan(failed.states[1].y));
}

}  // namespace
}  // namespace kinevo

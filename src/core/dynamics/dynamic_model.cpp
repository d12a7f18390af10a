#include "core/dynamics/dynamic_model.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "core/common/math_utils.h"
#include "core/common/number_format.h"
#include "core/graph/marquardt.h"

namespace kinevo {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
// The names of the state in the formulas.
enum TStateName : int32_t { tgT, tgX, tgY, tgVx, tgVy, tgV, tgParameters };
constexpr const char* kStateNames[tgParameters] = {"t", "x", "y", "vx", "vy", "v"};

// Finite and within 1e100 (not IsHuge), written so that it costs no call:
// it is asked at every step.
bool Sane(const TDynamicState& s) {
  return std::fabs(s.x) <= 1e100 && std::fabs(s.y) <= 1e100 && std::fabs(s.vx) <= 1e100 &&
         std::fabs(s.vy) <= 1e100;
}

TDynamicState Advanced(const TDynamicState& s, double h, double dx, double dy, double dvx,
                       double dvy) {
  return {s.t + h, s.x + h * dx, s.y + h * dy, s.vx + h * dvx, s.vy + h * dvy};
}

}  // namespace

TStatus TDynamicModel::SetModel(const std::string& ax, const std::string& ay,
                                std::vector<TDynamicParameter> parameters) {
  parameters_ = std::move(parameters);
  // Every name is bound to where its value lives: the state being
  // evaluated and the parameters' values.
  auto answer = [this](const TParser&, TVariableQuery& q) {
    if (q.Indexed || !q.Analysing) return;
    const double* state[tgParameters] = {&current_.t,  &current_.x,  &current_.y,
                                         &current_.vx, &current_.vy, &speed_};
    for (int32_t i = 0; i < tgParameters; ++i)
      if (q.Name == kStateNames[i]) q.Address = state[i];
    for (std::size_t i = 0; i < parameters_.size() && q.Address == nullptr; ++i)
      if (q.Name == parameters_[i].name) q.Address = &parameters_[i].value;
    q.Found = q.Address != nullptr;
    if (q.Found) q.Value = *q.Address;
  };
  for (auto [parser, text, name] : {std::tuple{&ax_, &ax, "ax"}, std::tuple{&ay_, &ay, "ay"}}) {
    parser->OnVariable = answer;
    parser->SetFormula(*text);
    if (!parser->Analyse())
      return TError{std::string("La formule de ") + name + " ne peut pas être lue.",
                    parser->ErrorMessage()};
    // The state in the processor's registers where the formula allows it
    // (the integration is a chain of a million dependent evaluations); the
    // interpreter otherwise.
    const double* arguments[] = {&current_.t,  &current_.x,  &current_.y,
                                 &current_.vx, &current_.vy, &speed_};
    parser->CompileNative(arguments);
  }
  return {};
}

TDynamicParameter* TDynamicModel::Find(const std::string& name) {
  for (TDynamicParameter& p : parameters_)
    if (p.name == name) return &p;
  return nullptr;
}

inline TDynamicModel::TAcceleration TDynamicModel::Acceleration(const TDynamicState& s) {
  // Components stay below 1e100 (checked at each step), so the squares
  // cannot overflow, and sqrt is several times quicker than hypot.
  const double v = std::sqrt(s.vx * s.vx + s.vy * s.vy);
  // The compiled formulas take the state in registers: the integration is
  // a chain of dependent operations, and a detour through memory
  // lengthens each link.
  TAcceleration a{ax_.NativeValue(s.t, s.x, s.y, s.vx, s.vy, v),
                  ay_.NativeValue(s.t, s.x, s.y, s.vx, s.vy, v)};
  if (!std::isnan(a.x) && !std::isnan(a.y)) return a;
  // Not compiled, or in doubt: the formulas read the state where it is.
  current_ = s;
  speed_ = v;
  a = {ax_.Value(), ay_.Value()};
  if ((std::isnan(a.x) || std::isnan(a.y)) && failure_.empty())
    failure_ = (std::isnan(a.x) ? ax_ : ay_).ErrorMessage();
  return a;
}

bool TDynamicModel::Step(TDynamicState& s, double h) {
  // A failed formula gives NaN, which spreads through the stages: it is
  // looked for once, at the end.
  const TAcceleration a1 = Acceleration(s);
  const TDynamicState s2 = Advanced(s, h / 2, s.vx, s.vy, a1.x, a1.y);
  const TAcceleration a2 = Acceleration(s2);
  const TDynamicState s3 = Advanced(s, h / 2, s2.vx, s2.vy, a2.x, a2.y);
  const TAcceleration a3 = Acceleration(s3);
  const TDynamicState s4 = Advanced(s, h, s3.vx, s3.vy, a3.x, a3.y);
  const TAcceleration a4 = Acceleration(s4);
  if (std::isnan(a1.x + a1.y + a2.x + a2.y + a3.x + a3.y + a4.x + a4.y)) return false;
  s = {s.t + h, s.x + h / 6 * (s.vx + 2 * s2.vx + 2 * s3.vx + s4.vx),
       s.y + h / 6 * (s.vy + 2 * s2.vy + 2 * s3.vy + s4.vy),
       s.vx + h / 6 * (a1.x + 2 * a2.x + 2 * a3.x + a4.x),
       s.vy + h / 6 * (a1.y + 2 * a2.y + 2 * a3.y + a4.y)};
  return Sane(s);
}

TSimulation TDynamicModel::Simulate(std::span<const double> times, int from) {
  TSimulation out;
  ClearWideRegisters();  // a million dependent operations follow
  const int n = static_cast<int>(times.size());
  for (double t : times) out.states.push_back({t, kNaN, kNaN, kNaN, kNaN});
  if (from < 0 || from >= n || parameters_.size() < 4) {
    out.status = TError{"Le modèle n'a pas d'image de départ.", {}};
    return out;
  }
  const TDynamicState start{times[static_cast<std::size_t>(from)], parameters_[0].value,
                            parameters_[1].value, parameters_[2].value, parameters_[3].value};
  out.states[static_cast<std::size_t>(from)] = start;
  double diverged = kNaN;
  // Forwards from the starting image, then backwards.
  for (int dir : {1, -1}) {
    TDynamicState s = start;
    for (int k = from + dir; k >= 0 && k < n; k += dir) {
      const double next = times[static_cast<std::size_t>(k)];
      const double h = (next - s.t) / kStepsPerImage;
      failure_.clear();
      bool ok = Sane(s);
      for (int i = 0; i < kStepsPerImage && ok; ++i) ok = Step(s, h);
      if (!ok) {
        if (!(std::fabs(s.t - start.t) >= std::fabs(diverged - start.t))) diverged = s.t;
        break;
      }
      s.t = next;
      out.states[static_cast<std::size_t>(k)] = s;
    }
  }
  if (!std::isnan(diverged))
    out.status =
        TError{"Le modèle diverge à t = " + FloatToText(diverged, 6, '.') + " s.", failure_};
  return out;
}

bool TDynamicModel::Residuals(std::span<const double> times, int from, std::span<const double> xs,
                              std::span<const double> ys, std::vector<double>& r) {
  const TSimulation sim = Simulate(times, from);
  if (!sim.status) return false;
  r.clear();
  for (std::size_t i = 0; i < times.size(); ++i) {
    if (!std::isfinite(xs[i]) || !std::isfinite(ys[i])) continue;
    r.push_back(sim.states[i].x - xs[i]);
    r.push_back(sim.states[i].y - ys[i]);
  }
  return true;
}

double TDynamicModel::Rms(std::span<const double> times, int from, std::span<const double> xs,
                          std::span<const double> ys) {
  std::vector<double> r;
  if (!Residuals(times, from, xs, ys, r) || r.empty()) return kNaN;
  double sum = 0;
  for (double v : r) sum += v * v;
  return std::sqrt(sum / static_cast<double>(r.size() / 2));
}

TResult<TDynamicFit> TDynamicModel::Fit(std::span<const double> times, int from,
                                        std::span<const double> xs, std::span<const double> ys) {
  std::vector<std::size_t> ticked;
  for (std::size_t i = 0; i < parameters_.size(); ++i)
    if (parameters_[i].fitted) ticked.push_back(i);
  const int m = static_cast<int>(ticked.size());
  if (m == 0) return TError{"Aucun paramètre à ajuster n'est coché.", {}};
  std::vector<double> r;
  auto cost = [&](double& c) {
    if (!Residuals(times, from, xs, ys, r)) return false;
    c = 0;
    for (double v : r) c += v * v;
    return std::isfinite(c);
  };
  double c0 = 0;
  if (!cost(c0)) {
    const TSimulation sim = Simulate(times, from);
    return sim.status ? TError{"Le modèle ne peut pas être calculé aux valeurs de départ.", {}}
                      : sim.status.error().Within("L'ajustement du modèle a échoué.");
  }
  const std::size_t rows = r.size();
  if (rows / 2 < static_cast<std::size_t>(m) || rows == 0)
    return TError{"L'ajustement du modèle a échoué.",
                  "moins de points marqués que de paramètres à ajuster"};

  // The Jacobian of the residuals by central differences.
  std::vector<double> jac(rows * static_cast<std::size_t>(m));
  auto jacobian = [&]() {
    std::vector<double> plus, minus;
    for (int j = 0; j < m; ++j) {
      double& p = parameters_[ticked[static_cast<std::size_t>(j)]].value;
      const double keep = p, h = 1e-6 * std::max(std::fabs(p), 1e-2);
      p = keep + h;
      const bool a = Residuals(times, from, xs, ys, plus);
      p = keep - h;
      const bool b = Residuals(times, from, xs, ys, minus);
      p = keep;
      if (!a || !b || plus.size() != rows || minus.size() != rows) return false;
      for (std::size_t i = 0; i < rows; ++i)
        jac[i * static_cast<std::size_t>(m) + static_cast<std::size_t>(j)] =
            (plus[i] - minus[i]) / (2 * h);
    }
    return Residuals(times, from, xs, ys, r);
  };
  auto normal = [&](std::vector<double>& a, std::vector<double>& g) {
    a.assign(static_cast<std::size_t>(m * m), 0.0);
    g.assign(static_cast<std::size_t>(m), 0.0);
    for (std::size_t i = 0; i < rows; ++i)
      for (int j = 0; j < m; ++j) {
        const double jij = jac[i * static_cast<std::size_t>(m) + static_cast<std::size_t>(j)];
        g[static_cast<std::size_t>(j)] -= jij * r[i];
        for (int k = 0; k < m; ++k)
          a[static_cast<std::size_t>(j * m + k)] +=
              jij * jac[i * static_cast<std::size_t>(m) + static_cast<std::size_t>(k)];
      }
  };

  double lambda = 1e-3, c = c0;
  std::vector<double> a, g;
  for (int iteration = 0; iteration < 200; ++iteration) {
    if (!jacobian()) break;
    normal(a, g);
    bool accepted = false;
    while (!accepted && lambda < 1e12) {
      std::vector<double> damped = a, step = g;
      for (int j = 0; j < m; ++j) damped[static_cast<std::size_t>(j * m + j)] *= 1 + lambda;
      if (GaussJordan(damped, step, m) != 0) {
        lambda *= 10;
        continue;
      }
      std::vector<double> keep;
      for (int j = 0; j < m; ++j) {
        double& p = parameters_[ticked[static_cast<std::size_t>(j)]].value;
        keep.push_back(p);
        p += step[static_cast<std::size_t>(j)];
      }
      double next = 0;
      if (cost(next) && next <= c) {
        accepted = true;
        const double gain = c - next;
        c = next;
        lambda = std::max(lambda / 10, 1e-12);
        if (gain <= 1e-14 * c || c < 1e-30) iteration = 200;
      } else {
        for (int j = 0; j < m; ++j)
          parameters_[ticked[static_cast<std::size_t>(j)]].value = keep[j];
        lambda *= 10;
      }
    }
    if (!accepted) break;
  }
  Residuals(times, from, xs, ys, r);

  // Standard uncertainties: the inverse of JᵀJ scaled by the residual
  // variance, with 2·(marks) − (fitted parameters) degrees of freedom.
  TDynamicFit fit;
  const double dof = static_cast<double>(rows) - m;
  const bool invertible = jacobian() && (normal(a, g), GaussJordan(a, g, m) == 0) && dof > 0;
  for (int j = 0; j < m; ++j) {
    const TDynamicParameter& p = parameters_[ticked[static_cast<std::size_t>(j)]];
    const double variance = invertible ? a[static_cast<std::size_t>(j * m + j)] * c / dof : kNaN;
    fit.values.push_back({p.name, p.value, variance >= 0 ? std::sqrt(variance) : kNaN});
  }
  fit.rms = std::sqrt(c / static_cast<double>(rows / 2));
  return fit;
}

}  // namespace kinevo

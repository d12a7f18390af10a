#include "core/graph/curve_models.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

#include "core/common/math_utils.h"
#include "core/graph/least_squares.h"
#include "core/graph/marquardt.h"

namespace kinevo {

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kHalfPi = std::numbers::pi / 2.0;

int Sign(double v) { return v > 0.0 ? 1 : (v < 0.0 ? -1 : 0); }

double MeanOf(std::span<const double> v) {
  double s = 0.0;
  for (double d : v) s += d;
  return v.empty() ? kNaN : s / static_cast<double>(v.size());
}

double MaxOf(std::span<const double> v) {
  double m = -1.7e308;
  for (double d : v) m = std::max(m, d);
  return m;
}

double MinOf(std::span<const double> v) {
  double m = 1.7e308;
  for (double d : v) m = std::min(m, d);
  return m;
}

// Amplitude, angular frequency and phase of a sinusoid start, from the data
// with the offset removed.  The arcsine gives two phases for the first
// value; the first slope tells which: the wave rises through the first
// sample on one and falls on the other.  The phase found is that of the
// first abscissa, brought back to t = 0.
void SinusStart(std::span<const double> x, const std::vector<double>& yp, double& amplitude,
                double& omega, double& phase) {
  amplitude = std::fabs(MaxOf(yp));
  const double xmax = MaxOf(x);
  omega = IsZero(xmax) ? 0.0 : ZeroCrossingFrequency(x, yp, 2.0 * std::numbers::pi / xmax);
  phase = 0.0;
  if (IsZero(amplitude)) return;
  phase = std::asin(std::clamp(yp[0] / amplitude, -1.0, 1.0));
  if (yp.size() >= 2 && yp[1] < yp[0]) phase = std::numbers::pi - phase;
  phase = WrapPhase(phase - omega * x[0]);
}

// Σ (yi − model(xi))² of a parameter set (infinite when not a number).
double SumOfSquares(int kind, std::span<const double> x, std::span<const double> y,
                    std::span<const double> p) {
  double s = 0.0;
  for (size_t i = 0; i < x.size(); ++i) {
    const double r = y[i] - ModelValue(kind, p, x[i]);
    s += r * r;
  }
  return std::isfinite(s) ? s : std::numeric_limits<double>::infinity();
}

}  // namespace

int ModelParameterCount(int kind) {
  switch (kind) {
    case mkAffine:
    case mkConstant:
    case mkProportional:
      return 2;
    case mkExponential:
    case mkParabola:
      return 3;
    case mkSinus:
      return 4;
    case mkSinusAe:
    case mkSinusAl:
      return 5;
    default:
      return 0;
  }
}

int MarquardtParameterCount(int kind) {
  switch (kind) {
    case mkExponential:
    case mkSinus:
      return 3;
    case mkSinusAe:
    case mkSinusAl:
      return 4;
    default:
      return 0;
  }
}

bool HasFixedOffset(int kind) { return kind == mkSinus || kind == mkSinusAe || kind == mkSinusAl; }

TModelFunction::TModelFunction(int kind, std::span<const double> q) : kind_(kind) {
  const size_t m = std::min<size_t>(q.size(), 4);
  for (size_t j = 0; j < m; ++j) q_[j] = q[j];
  if (kind_ != mkSinusAl) return;

  // Linear damping: the envelope 1 + k·t vanishes at t0 = −1/k.  The motion
  // stops at the last turning point before t0 (a zero of the derivative),
  // and keeps the value reached there.  A growing envelope (k > 0) never
  // stops.
  const double amp = q_[0], omega = q_[1], phi = q_[2], k = q_[3];
  if (IsZero(k) || !(k < 0.0) || !(omega > 0.0) || !std::isfinite(amp) || !std::isfinite(omega) ||
      !std::isfinite(phi) || !std::isfinite(k))
    return;
  const double t0 = -1.0 / k;
  const double h = std::numbers::pi / (2.0 * omega);
  auto derivative = [&](double t) {
    return omega * std::cos(omega * t + phi) * (1.0 + k * t) + k * std::sin(omega * t + phi);
  };
  auto value = [&](double t) { return amp * std::sin(omega * t + phi) * (1.0 + k * t); };
  // A turning point is a stop when the value there lies in the friction
  // band of the dry-friction oscillator, (π/2)·|A·k|/ω around the offset.
  const double band = kHalfPi * std::fabs(amp * k) / omega;

  TRootResult r = RootSearch(derivative, t0 - 2.0 * h, t0 - h, 1e-9, 24);
  if (r.found && std::fabs(value(r.root)) <= band * (1.0 + 1e-9)) {
    stopTime_ = r.root;
  } else {
    r = RootSearch(derivative, t0 - h, t0, 1e-9, 30);
    // Without a turning point the envelope's zero is where it stops.
    stopTime_ = r.found ? r.root : t0;
  }
  stops_ = std::isfinite(stopTime_);
  stopValue_ = value(stopTime_);
}

double TModelFunction::Value(double x, double* grad) const {
  switch (kind_) {
    case mkExponential: {
      const double r = q_[0], b = q_[1], c = q_[2];
      const double e = std::exp(c * x);
      if (grad) {
        grad[0] = 1.0;
        grad[1] = e;
        grad[2] = b * x * e;
      }
      return r + b * e;
    }
    case mkSinus: {
      const double b = q_[0], c = q_[1], d = q_[2];
      const double s = std::sin(c * x + d), co = std::cos(c * x + d);
      if (grad) {
        grad[0] = s;
        grad[1] = b * x * co;
        grad[2] = b * co;
      }
      return b * s;
    }
    case mkSinusAe: {
      const double b = q_[0], c = q_[1], d = q_[2], k = q_[3];
      const double s = std::sin(c * x + d), co = std::cos(c * x + d), e = std::exp(k * x);
      if (grad) {
        grad[0] = s * e;
        grad[1] = b * x * co * e;
        grad[2] = b * co * e;
        grad[3] = b * s * e * x;
      }
      return b * s * e;
    }
    case mkSinusAl: {
      const double amp = q_[0], omega = q_[1], phi = q_[2], k = q_[3];
      // After the stop the value of the stop time holds; its derivatives are
      // taken at that fixed time (the stop is a turning point, so moving it
      // does not change the value to first order).
      const double t = (stops_ && x >= stopTime_) ? stopTime_ : x;
      const double s = std::sin(omega * t + phi), co = std::cos(omega * t + phi);
      const double env = IsZero(k) ? 1.0 : 1.0 + k * t;
      if (grad) {
        grad[0] = s * env;
        grad[1] = amp * t * co * env;
        grad[2] = amp * co * env;
        grad[3] = amp * s * t;
      }
      return (stops_ && x >= stopTime_) ? stopValue_ : amp * s * env;
    }
    default:
      if (grad) grad[0] = grad[1] = grad[2] = grad[3] = kNaN;
      return kNaN;
  }
}

double ModelValue(int kind, std::span<const double> p, double x) {
  if (static_cast<int>(p.size()) < ModelParameterCount(kind) || ModelParameterCount(kind) == 0)
    return kNaN;
  switch (kind) {
    case mkAffine:
      return p[0] + p[1] * x;
    case mkConstant:
      return p[0];
    case mkParabola:
      return p[0] + p[1] * x + p[2] * x * x;
    case mkProportional:
      return p[1] * x;
    case mkExponential:
      return TModelFunction(kind, p).Value(x);
    default:  // the sinusoids: offset plus the fitted function
      return p[0] + TModelFunction(kind, p.subspan(1)).Value(x);
  }
}

double ZeroCrossingFrequency(std::span<const double> x, std::span<const double> yp,
                             double fallback) {
  const size_t n = std::min(x.size(), yp.size());
  int crossings = 0;
  double first = 0.0;
  for (size_t j = 1; j < n; ++j) {
    if (Sign(yp[j - 1]) == Sign(yp[j])) continue;
    const double at = (x[j - 1] + x[j]) / 2.0;
    if (++crossings == 1) {
      first = at;
      continue;
    }
    const double h = at - first;
    return h == 0.0 ? fallback : std::numbers::pi / h;
  }
  return fallback;
}

std::vector<double> InitialParameters(int kind, std::span<const double> x,
                                      std::span<const double> y) {
  const size_t n = std::min(x.size(), y.size());
  if (n == 0) return {};
  x = x.first(n);
  y = y.first(n);
  switch (kind) {
    case mkExponential: {
      const double y0 = y[0], yN = y[n - 1], ym = y[(n - 1) / 2];
      const double delta = std::fabs(yN - y0);
      if (yN >= y0) {
        // Rising: faster in the second half (convex) r + Δ·exp(t), else
        // saturating r − Δ·exp(−t).
        if ((yN - ym) > (ym - y0)) return {y0, delta, 1.0};
        return {yN, -delta, -1.0};
      }
      // Falling data start from the mirror image of the same rule: a decay
      // (falling less in the second half) as yN + Δ·exp(−t), an ever faster
      // fall as y0 − Δ·exp(t).  The rising rule alone would start a decay
      // from a growing exponential, from which the fit does not recover.
      if ((ym - yN) > (y0 - ym)) return {y0, -delta, 1.0};
      return {yN, delta, -1.0};
    }
    case mkSinus:
    case mkSinusAe:
    case mkSinusAl: {
      const double offset = kind == mkSinus ? (MaxOf(y) + MinOf(y)) / 2.0 : MeanOf(y);
      std::vector<double> yp(y.begin(), y.end());
      for (double& v : yp) v -= offset;
      double b, c, d;
      SinusStart(x, yp, b, c, d);
      if (kind == mkSinus) return {offset, b, c, d};
      return {offset, b, c, d, -0.05};
    }
    default:
      return {};
  }
}

std::string FitFailureText(int kind, int code) {
  const bool linear =
      kind == mkAffine || kind == mkParabola || kind == mkConstant || kind == mkProportional;
  // The codes of the polynomial fit and of the non-linear one overlap.
  if (linear || code == pfTooFewPoints || code == pfNoCoefficient) {
    switch (code) {
      case pfSingular:
        return "les points ne déterminent pas le modèle (système singulier)";
      case pfTooFewPoints:
        return "trop peu de points pour ce modèle";
      case pfNoCoefficient:
        return "ce modèle n'a aucun paramètre à ajuster";
      case pfSameAbscissa:
        return "tous les points ont la même abscisse";
    }
  } else {
    switch (code) {
      case nlSingular:
        return "les points ne déterminent pas le modèle (système singulier)";
      case nlDampingExceeded:
      case nlIterationLimit:
        return "l'ajustement ne converge pas vers une solution";
      case nlArithmetic:
        return "un calcul a donné une valeur qui n'est pas un nombre";
    }
  }
  return "erreur de calcul " + std::to_string(code);
}

int FitModel(int kind, std::span<const double> x, std::span<const double> y,
             std::vector<double>& p) {
  const int count = ModelParameterCount(kind);
  if (count == 0) return pfNoCoefficient;
  p.resize(count, 0.0);
  const size_t n = std::min(x.size(), y.size());
  x = x.first(n);
  y = y.first(n);

  auto polynomial = [&](int m) {
    std::vector<double> c;
    const int code = PolynomialFit(m, x, y, c);
    if (code != pfOk) return code;
    for (int j = 0; j < m; ++j) p[j] = j < static_cast<int>(c.size()) ? c[j] : 0.0;
    return code;
  };

  switch (kind) {
    case mkAffine:
      return polynomial(2);
    case mkParabola:
      return polynomial(3);
    case mkConstant: {
      const int code = polynomial(1);
      p[1] = 0.0;
      return code;
    }
    case mkProportional: {
      if (n == 0) return pfTooFewPoints;
      // The ratio of the means (not a least-squares slope through 0).
      const double mx = MeanOf(x), my = MeanOf(y);
      if (IsZero(mx) || !(std::fabs(my) <= 1e100) || !std::isfinite(mx)) return pfSingular;
      p[1] = my / mx;
      p[0] = 0.0;
      return pfOk;
    }
    default:
      break;
  }

  std::vector<double> start = InitialParameters(kind, x, y);
  if (start.empty()) return pfTooFewPoints;
  p = start;
  int code = NonLinearFit(x, y, kind, p);
  if (!HasFixedOffset(kind)) return code;
  NormaliseSinusoid(p);
  // The offset of the start is an estimate: the middle of the extreme
  // samples, or the mean, which is not the centre of a damped oscillation.
  // A last fit lets it move with the other parameters.
  std::vector<double> joint = p;
  const int jointCode = NonLinearFit(x, y, kind, joint, true);
  NormaliseSinusoid(joint);
  if (SumOfSquares(kind, x, y, joint) <= SumOfSquares(kind, x, y, p)) {
    p = std::move(joint);
    code = jointCode;
  }
  // A fit that ended on a zero amplitude or angular frequency starts the
  // model again from the data's estimates of them.
  if (!(p[1] > 0.0) || !(p[2] > 0.0)) {
    std::vector<double> yp(y.begin(), y.end());
    for (double& v : yp) v -= p[0];
    double b, c, d;
    SinusStart(x, yp, b, c, d);
    if (!(p[1] > 0.0)) p[1] = b;
    if (!(p[2] > 0.0)) p[2] = c;
  }
  return code;
}

void NormaliseSinusoid(std::vector<double>& p) {
  if (p.size() < 4) return;
  // b·sin(−ω·t + φ) = b·sin(ω·t + π − φ), and the damping factors do not
  // depend on the sign of ω.
  if (p[2] < 0.0) {
    p[2] = -p[2];
    p[3] = std::numbers::pi - p[3];
  }
  // −b·sin(θ) = b·sin(θ + π).
  if (p[1] < 0.0) {
    p[1] = -p[1];
    p[3] += std::numbers::pi;
  }
  p[3] = WrapPhase(p[3]);
}

double WrapPhase(double a) {
  if (!std::isfinite(a)) return a;
  a = std::remainder(a, 2.0 * std::numbers::pi);  // in [−π, π]
  return a <= -std::numbers::pi ? a + 2.0 * std::numbers::pi : a;
}

TDryFriction DryFrictionCoefficients(std::span<const double> p) {
  TDryFriction f;
  if (p.size() < 5) return f;
  const double c0 = p[0], amp = p[1], omega = p[2], phi = p[3], k = p[4];
  f.r = omega * omega;
  f.b = -kHalfPi * amp * omega * k;
  f.c = omega * omega * c0;
  f.y0 = amp * std::sin(phi) + c0;
  f.dy0 = amp * (omega * std::cos(phi) + k * std::sin(phi));
  return f;
}

}  // namespace kinevo

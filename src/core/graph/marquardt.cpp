#include "core/graph/marquardt.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "core/graph/curve_models.h"

namespace kinevo {

namespace {

constexpr double kChi2Cap = 1e30;
constexpr double kGold = 1.618033988749895;
constexpr double kSection = 0.38196601125010515;         // 2 − golden ratio
constexpr double kMinTolerance = 1.4901161193847656e-8;  // 2^-26
constexpr double kPivotEpsilon = 2.220446049250313e-16;
constexpr int kMaxSectionSteps = 100;
constexpr double kMinInterval = 1e-10;
constexpr int kMaxBracketSteps = 200;
constexpr int kMaxIterations = 50;

bool AllFinite(const std::vector<double>& v) {
  return std::all_of(v.begin(), v.end(), [](double d) { return std::isfinite(d); });
}

// The data of one fit (a fixed offset already removed) and its χ².  With
// `offsetInQ` the first parameter is the offset of a sinusoid, fitted with
// the others.
class TChi2 {
 public:
  TChi2(int kind, std::span<const double> x, std::vector<double> y, bool offsetInQ)
      : kind_(kind), x_(x), y_(std::move(y)), offset_(offsetInQ ? 1 : 0) {}

  // Σ (yi − f(xi; q))², cut at 1e30 (also for a value that is not a number).
  double operator()(std::span<const double> q) const {
    const TModelFunction f(kind_, q.subspan(offset_));
    const double c = offset_ ? q[0] : 0.0;
    double sum = 0.0;
    for (size_t i = 0; i < y_.size(); ++i) {
      const double r = y_[i] - c - f.Value(x_[i]);
      sum += r * r;
      if (!(sum <= kChi2Cap)) return kChi2Cap;
    }
    return sum;
  }

  // Curvature matrix α and gradient β at q.
  void Curvature(std::span<const double> q, std::vector<double>& alpha,
                 std::vector<double>& beta) const {
    const int m = static_cast<int>(q.size());
    const TModelFunction f(kind_, q.subspan(offset_));
    const double c = offset_ ? q[0] : 0.0;
    alpha.assign(static_cast<size_t>(m) * m, 0.0);
    beta.assign(m, 0.0);
    double grad[5];
    grad[0] = 1.0;  // ∂/∂offset, when it is fitted
    for (size_t i = 0; i < y_.size(); ++i) {
      const double r = y_[i] - c - f.Value(x_[i], grad + offset_);
      for (int j = 0; j < m; ++j) {
        beta[j] += r * grad[j];
        for (int k = 0; k <= j; ++k) alpha[j * m + k] += grad[j] * grad[k];
      }
    }
    for (int j = 0; j < m; ++j)
      for (int k = j + 1; k < m; ++k) alpha[j * m + k] = alpha[k * m + j];
  }

 private:
  int kind_;
  std::span<const double> x_;
  std::vector<double> y_;
  int offset_;
};

}  // namespace

int GaussJordan(std::vector<double>& a, std::vector<double>& b, int m) {
  std::vector<int> indxc(m), indxr(m), ipiv(m, 0);
  for (int i = 0; i < m; ++i) {
    double big = 0.0;
    int irow = -1, icol = -1;
    for (int j = 0; j < m; ++j) {
      if (ipiv[j] == 1) continue;
      for (int k = 0; k < m; ++k) {
        if (ipiv[k] == 0 && std::fabs(a[j * m + k]) >= big) {
          big = std::fabs(a[j * m + k]);
          irow = j;
          icol = k;
        }
      }
    }
    if (irow < 0 || !(big >= kPivotEpsilon)) return nlSingular;
    ++ipiv[icol];
    if (irow != icol) {
      for (int l = 0; l < m; ++l) std::swap(a[irow * m + l], a[icol * m + l]);
      std::swap(b[irow], b[icol]);
    }
    indxr[i] = irow;
    indxc[i] = icol;
    const double pivinv = 1.0 / a[icol * m + icol];
    a[icol * m + icol] = 1.0;
    for (int l = 0; l < m; ++l) a[icol * m + l] *= pivinv;
    b[icol] *= pivinv;
    for (int ll = 0; ll < m; ++ll) {
      if (ll == icol) continue;
      const double dum = a[ll * m + icol];
      a[ll * m + icol] = 0.0;
      for (int l = 0; l < m; ++l) a[ll * m + l] -= a[icol * m + l] * dum;
      b[ll] -= b[icol] * dum;
    }
  }
  for (int l = m - 1; l >= 0; --l) {
    if (indxr[l] != indxc[l])
      for (int k = 0; k < m; ++k) std::swap(a[k * m + indxr[l]], a[k * m + indxc[l]]);
  }
  return 0;
}

int GoldenLineSearch(const std::function<double(double)>& g, double tolerance, double& t,
                     double& value) {
  // Bracket a minimum, starting from 0 and 1 and walking downhill.
  double a = 0.0, b = 1.0;
  double ga = g(a), gb = g(b);
  if (ga < gb) {
    std::swap(a, b);
    std::swap(ga, gb);
  }
  double c = b + kGold * (b - a);
  double gc = g(c);
  // The walk grows geometrically; a bound on it keeps a function that falls
  // for ever (or overflows) from looping.
  for (int steps = 0; gc < gb && steps < kMaxBracketSteps; ++steps) {
    // (a, b, c) := (b, c, c + φ·(c − b))
    const double next = c + kGold * (c - b);
    a = b;
    ga = gb;
    b = c;
    gb = gc;
    c = next;
    gc = g(c);
  }
  if (a > c) {
    std::swap(a, c);
    std::swap(ga, gc);
  }

  // Golden section inside [a, c] around b.
  const double tol = std::max(tolerance, kMinTolerance);
  double x0 = a, x3 = c, x1, x2;
  if (std::fabs(c - b) > std::fabs(b - a)) {
    x1 = b;
    x2 = b + kSection * (c - b);
  } else {
    x2 = b;
    x1 = b - kSection * (b - a);
  }
  double f1 = g(x1), f2 = g(x2);
  int steps = 0;
  // The relative test alone never ends when the minimum lies at t = 0 (a
  // flat χ² along a null step): an interval below 1e-10 ends it too.
  while (std::fabs(x3 - x0) > tol * (std::fabs(x1) + std::fabs(x2)) &&
         std::fabs(x3 - x0) > kMinInterval) {
    if (++steps > kMaxSectionSteps) return nlIterationLimit;
    if (f2 < f1) {
      x0 = x1;
      x1 = x2;
      x2 = (1.0 - kSection) * x2 + kSection * x3;
      f1 = f2;
      f2 = g(x2);
    } else {
      x3 = x2;
      x2 = x1;
      x1 = (1.0 - kSection) * x1 + kSection * x0;
      f2 = f1;
      f1 = g(x1);
    }
  }
  if (f1 < f2) {
    t = x1;
    value = f1;
  } else {
    t = x2;
    value = f2;
  }
  return 0;
}

int NonLinearFit(std::span<const double> x, std::span<const double> y, int kind,
                 std::vector<double>& p, bool freeOffset) {
  if (MarquardtParameterCount(kind) == 0 || static_cast<int>(p.size()) != ModelParameterCount(kind))
    return nlArithmetic;
  const bool fitsOffset = freeOffset && HasFixedOffset(kind);
  const int m = MarquardtParameterCount(kind) + (fitsOffset ? 1 : 0);
  const size_t n = std::min(x.size(), y.size());
  const int first = HasFixedOffset(kind) && !fitsOffset ? 1 : 0;
  const double offset = first ? p[0] : 0.0;

  std::vector<double> yc(y.begin(), y.begin() + static_cast<std::ptrdiff_t>(n));
  if (first)
    for (double& v : yc) v -= offset;
  const TChi2 chi2(kind, x.first(n), std::move(yc), fitsOffset);

  std::vector<double> q(p.begin() + first, p.end());
  auto publish = [&](const std::vector<double>& values) {
    std::copy(values.begin(), values.end(), p.begin() + first);
  };
  if (!AllFinite(q)) return nlArithmetic;

  double lambda = 0.01;
  double chi2Old = chi2(q);
  bool converged = false;
  std::vector<double> saved, alpha, beta, work, delta, trial(m);

  for (int iteration = 1;; ++iteration) {
    saved = q;
    chi2.Curvature(q, alpha, beta);
    if (!AllFinite(alpha) || !AllFinite(beta)) {
      publish(q);
      return nlArithmetic;
    }

    if (converged) {
      // Last pass: a plain Gauss–Newton step from the converged point.
      work = alpha;
      delta = beta;
      const int code = GaussJordan(work, delta, m);
      if (code == 0 && AllFinite(delta)) {
        for (int j = 0; j < m; ++j) trial[j] = saved[j] + delta[j];
        // The undamped step is kept only when it does not make the fit worse.
        if (chi2(trial) <= chi2Old) q = trial;
      }
      publish(q);
      return code == 0 && !AllFinite(delta) ? nlArithmetic : code;
    }

    double chi2New = chi2Old;
    for (;;) {
      work = alpha;
      for (int j = 0; j < m; ++j) work[j * m + j] *= 1.0 + lambda;
      delta = beta;
      if (GaussJordan(work, delta, m) != 0) {
        publish(q);
        return nlSingular;
      }
      if (!AllFinite(delta)) {
        publish(q);
        return nlArithmetic;
      }
      auto along = [&](double t) {
        for (int j = 0; j < m; ++j) trial[j] = saved[j] + t * delta[j];
        return chi2(trial);
      };
      double t = 0.0, value = 0.0;
      if (GoldenLineSearch(along, 0.01, t, value) != 0) {
        q = saved;
        publish(q);
        return nlIterationLimit;
      }
      for (int j = 0; j < m; ++j) q[j] = saved[j] + t * delta[j];
      chi2New = value;
      // A χ² of exactly 0 cannot decrease any more: accept it too.
      if (chi2New - chi2Old < 1e-10 * chi2Old || chi2New == 0.0) break;
      lambda *= 10.0;
      if (lambda > 1000.0) {
        // The rejected trial is worse than the saved point: keep the latter.
        q = saved;
        publish(q);
        return nlDampingExceeded;
      }
    }

    converged = true;
    for (int j = 0; j < m; ++j) {
      if (!(std::fabs(q[j] - saved[j]) < std::max(1e-5 * std::fabs(saved[j]), 1e-5))) {
        converged = false;
        break;
      }
    }
    lambda *= 0.1;
    chi2Old = chi2New;
    if (iteration + 1 > kMaxIterations) {
      publish(q);
      return nlIterationLimit;
    }
  }
}

}  // namespace kinevo

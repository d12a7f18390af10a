#include "core/results/deriv.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace kinevo {

namespace {

double MeanOf(std::span<const double> z) {
  double s = 0.0;
  for (double v : z) s += v;
  return z.empty() ? 0.0 : s / static_cast<double>(z.size());
}

// Root mean square of z less its mean.
double Spread(std::span<const double> z) {
  const double m = MeanOf(z);
  double s = 0.0;
  for (double v : z) s += (v - m) * (v - m);
  return z.empty() ? 0.0 : std::sqrt(s / static_cast<double>(z.size()));
}

// Derivative at a of the parabola through (a, za), (b, zb), (c, zc).  With
// equal steps h this is (−3·za + 4·zb − zc) / 2h at the first sample and
// (zc − 4·zb + 3·za) / 2h at the last; unlike that short form it stays exact
// for lines and parabolas when an image is missing near the end.
double EndDifference(double a, double b, double c, double za, double zb, double zc) {
  return za * (2.0 * a - b - c) / ((a - b) * (a - c)) + zb * (a - c) / ((b - a) * (b - c)) +
         zc * (a - b) / ((c - a) * (c - b));
}

}  // namespace

void TDeriv::Load(std::span<const double> x, std::span<const double> y, double divisor) {
  const size_t n = std::min(x.size(), y.size());
  x_.resize(n);
  const double x0 = n > 0 ? x[0] : 0.0;
  for (size_t i = 0; i < n; ++i) x_[i] = x[i] - x0;
  y_.assign(y.begin(), y.begin() + static_cast<std::ptrdiff_t>(n));
  divisor_ = divisor;
  d1_.assign(n, 0.0);
  d2_.assign(n, 0.0);
}

std::vector<double> TDeriv::FiniteDifferences(std::span<const double> z) const {
  const size_t n = x_.size();
  std::vector<double> f(n, 0.0);
  if (n < 3 || z.size() < n) return f;
  const double d = divisor_;
  f[0] = EndDifference(x_[0], x_[1], x_[2], z[0], z[1], z[2]) / d;
  for (size_t i = 1; i + 1 < n; ++i) f[i] = (z[i + 1] - z[i - 1]) / (x_[i + 1] - x_[i - 1]) / d;
  f[n - 1] = EndDifference(x_[n - 1], x_[n - 2], x_[n - 3], z[n - 1], z[n - 2], z[n - 3]) / d;
  return f;
}

std::vector<double> TDeriv::PolynomialDerivative(std::span<const double> coefs) const {
  const int m = static_cast<int>(coefs.size());
  std::vector<double> p(x_.size(), 0.0);
  for (size_t i = 0; i < x_.size(); ++i) {
    double s = 0.0;
    for (int e = m - 1; e >= 1; --e) s = s * x_[i] + e * coefs[e];
    p[i] = s / divisor_;
  }
  return p;
}

std::vector<double> TDeriv::SlidingSlope(std::span<const double> z) {
  const size_t n = x_.size();
  std::vector<double> s(n, 0.0);
  if (n < 3 || z.size() < n) return s;
  window_.resize(3);
  // Fits a line to samples from..from+2 (mean removed).  For three distinct
  // abscissas and finite values the fit cannot fail; should it fail, the
  // slope is not a number rather than that of another window.
  bool ok = false;
  auto fitWindow = [&](size_t from) {
    const double m = (z[from] + z[from + 1] + z[from + 2]) / 3.0;
    for (size_t k = 0; k < 3; ++k) window_[k] = z[from + k] - m;
    ok = fit_.Fit(2, std::span<const double>(x_).subspan(from, 3), window_) == pfOk;
  };
  // Derivative of the last fitted line at sample `at`.
  auto slopeAt = [&](size_t at) {
    if (!ok) return std::numeric_limits<double>::quiet_NaN();
    const auto& c = fit_.Coefficients();
    double v = 0.0;
    for (int e = static_cast<int>(c.size()) - 1; e >= 1; --e) v = v * x_[at] + e * c[e];
    return v / divisor_;
  };
  fitWindow(0);
  s[0] = slopeAt(0);
  s[1] = slopeAt(1);
  double last = slopeAt(2);
  for (size_t i = 2; i + 1 < n; ++i) {
    fitWindow(i - 1);
    s[i] = slopeAt(i);
    last = slopeAt(i + 1);
  }
  s[n - 1] = last;
  return s;
}

std::vector<double> TDeriv::Mix(std::span<const double> p, std::span<const double> f) {
  const size_t n = std::min(p.size(), f.size());
  std::vector<double> b(n);
  for (size_t i = 0; i < n; ++i) b[i] = p[i] + 0.02 * (p[i] - f[i]);
  return b;
}

int TDeriv::SelectDegree(std::span<const double> z, int& j, std::vector<double>& coefs) {
  const double m = MeanOf(z);
  std::vector<double> zc(z.begin(), z.end());
  for (double& v : zc) v -= m;
  for (j = 1; j <= 4; ++j) {
    const int code = fit_.Fit(j + 1, x_, zc);
    if (code != pfOk) return code;
    if (fit_.ExplainedRatio() > 0.99) break;
  }
  j = std::min(j, 4);
  coefs = fit_.Coefficients();
  return pfOk;
}

int TDeriv::Derive(bool smooth) {
  const size_t n = x_.size();
  path_ = TPath{};
  path_.smooth = smooth;
  if (n < 3) return dcTooFewSamples;
  // Two samples on one time index would divide by zero.
  for (size_t i = 1; i < n; ++i)
    if (!(x_[i] > x_[i - 1])) return pfSameAbscissa;
  // Values that are not numbers cannot be derived.
  for (double v : y_)
    if (!std::isfinite(v)) return pfSingular;

  if (!smooth) {
    d1_ = FiniteDifferences(y_);
    d2_ = FiniteDifferences(d1_);
    return dcOk;
  }

  // Stage one: the first derivative.
  int j = 0;
  std::vector<double> coefs;
  if (Spread(y_) >= 0.01) {
    const int code = SelectDegree(y_, j, coefs);
    if (code != pfOk) return code;
  }
  path_.first = j;
  if (j <= 1)
    d1_ = SlidingSlope(y_);
  else if (j <= 3)
    d1_ = Mix(PolynomialDerivative(coefs), FiniteDifferences(y_));
  else
    d1_ = FiniteDifferences(y_);

  // Stage two: the second derivative.
  auto damped = [&] {
    // The zero polynomial mixed with the differences of d1.
    const std::vector<double> zero(n, 0.0);
    d2_ = Mix(zero, FiniteDifferences(d1_));
    path_.step = ssDamped;
  };
  if (j == 0) {
    damped();
  } else if (j == 1) {
    if (Spread(d1_) < 0.1) {
      damped();
    } else {
      path_.redone = true;
      d1_ = FiniteDifferences(y_);
      d2_ = FiniteDifferences(d1_);
    }
  } else {
    int s = 0;
    std::vector<double> c2;
    const int code = SelectDegree(d1_, s, c2);
    if (code != pfOk) return code;
    path_.second = s;
    if (s == 1) {
      d2_ = SlidingSlope(d1_);
      path_.step = ssSliding;
    } else if (s <= 3) {
      d2_ = PolynomialDerivative(c2);
      path_.step = ssPolynomial;
    } else {
      d2_ = FiniteDifferences(d1_);
    }
  }
  return dcOk;
}

std::vector<double> TDeriv::FitCentred(std::span<const double> z, int m) {
  const double mean = MeanOf(z);
  std::vector<double> zc(z.begin(), z.end());
  for (double& v : zc) v -= mean;
  if (fit_.Fit(m, x_, zc) != pfOk) return {};
  return fit_.Coefficients();
}

void TDeriv::Apply(std::span<const double> z, std::vector<double>& d1, std::vector<double>& d2) {
  const TPath& p = path_;
  if (!p.smooth || p.redone) {
    d1 = FiniteDifferences(z);
    d2 = FiniteDifferences(d1);
    return;
  }
  const int j = p.first;
  if (j <= 1)
    d1 = SlidingSlope(z);
  else if (j <= 3)
    d1 = Mix(PolynomialDerivative(FitCentred(z, j + 1)), FiniteDifferences(z));
  else
    d1 = FiniteDifferences(z);
  switch (p.step) {
    case ssDamped:
      d2 = Mix(std::vector<double>(x_.size(), 0.0), FiniteDifferences(d1));
      break;
    case ssSliding:
      d2 = SlidingSlope(d1);
      break;
    case ssPolynomial:
      d2 = PolynomialDerivative(FitCentred(d1, p.second + 1));
      break;
    case ssDifferences:
      d2 = FiniteDifferences(d1);
      break;
  }
}

void TDeriv::Variances(std::span<const double> u, std::vector<double>& v1,
                       std::vector<double>& v2) {
  const size_t n = x_.size();
  v1.assign(n, 0.0);
  v2.assign(n, 0.0);
  std::vector<double> e(n, 0.0), c1, c2;
  // Column k of W, scaled by u[k], is the result of the steps on u[k] alone
  // at sample k: its squares add up the variances.
  for (size_t k = 0; k < n && k < u.size(); ++k) {
    if (u[k] == 0.0) continue;
    e[k] = u[k];
    Apply(e, c1, c2);
    e[k] = 0.0;
    for (size_t i = 0; i < n; ++i) {
      v1[i] += c1[i] * c1[i];
      v2[i] += c2[i] * c2[i];
    }
  }
}

}  // namespace kinevo

#include "core/graph/least_squares.h"

#include <algorithm>
#include <cmath>

#include "core/common/math_utils.h"

namespace kinevo {

namespace {

bool AllFinite(const std::vector<double>& v) {
  return std::all_of(v.begin(), v.end(), [](double d) { return std::isfinite(d); });
}

// Fills t[0..m-1] with T0(u) .. T(m-1)(u).
void Chebyshev(double u, int m, double* t) {
  t[0] = 1.0;
  if (m > 1) t[1] = u;
  for (int j = 2; j < m; ++j) t[j] = 2.0 * u * t[j - 1] - t[j - 2];
}

// Power coefficients of x for Σ a_j T_j(s·x + o).
std::vector<double> ChebyshevToPower(const std::vector<double>& a, double s, double o) {
  const int m = static_cast<int>(a.size());
  // Power coefficients (in u) of T_j, built by T_j = 2u·T(j−1) − T(j−2).
  std::vector<double> prev2(m, 0.0), prev1(m, 0.0), cur(m, 0.0), inU(m, 0.0);
  prev2[0] = 1.0;  // T0
  inU[0] += a[0];
  if (m > 1) {
    prev1[1] = 1.0;  // T1
    inU[1] += a[1];
  }
  for (int j = 2; j < m; ++j) {
    std::fill(cur.begin(), cur.end(), 0.0);
    for (int k = 0; k < j; ++k) cur[k + 1] += 2.0 * prev1[k];
    for (int k = 0; k <= j - 2; ++k) cur[k] -= prev2[k];
    for (int k = 0; k <= j; ++k) inU[k] += a[j] * cur[k];
    prev2.swap(prev1);
    prev1.swap(cur);
  }
  // Substitute u = s·x + o: u^k = Σ_i C(k, i)·s^i·o^(k−i)·x^i.
  std::vector<double> c(m, 0.0);
  std::vector<double> binom(m, 0.0);  // row k of Pascal's triangle
  for (int k = 0; k < m; ++k) {
    for (int i = k; i > 0; --i) binom[i] += binom[i - 1];
    binom[0] = 1.0;
    if (inU[k] == 0.0) continue;
    double sPow = 1.0;
    for (int i = 0; i <= k; ++i) {
      c[i] += inU[k] * binom[i] * sPow * std::pow(o, k - i);
      sPow *= s;
    }
  }
  return c;
}

}  // namespace

int TLeastSquares::Fit(int m, std::span<const double> x, std::span<const double> y) {
  const int n = static_cast<int>(std::min(x.size(), y.size()));
  if (n < 2) return pfTooFewPoints;
  if (n < m) m = n - 1;
  if (m < 1) return pfNoCoefficient;

  double xmin = x[0], xmax = x[0];
  for (int i = 1; i < n; ++i) {
    xmin = std::min(xmin, x[i]);
    xmax = std::max(xmax, x[i]);
  }
  const double range = xmax - xmin;
  if (IsZero(range)) return pfSameAbscissa;
  if (!std::isfinite(range)) return pfSingular;
  const double s = 2.0 / range;
  const double o = -(xmax + xmin) * s / 2.0;

  cheb_.resize(m);
  normal_.resize(m);
  for (auto& row : normal_) row.assign(m, 0.0);
  rhs_.assign(m, 0.0);
  for (int i = 0; i < n; ++i) {
    Chebyshev(s * x[i] + o, m, cheb_.data());
    for (int r = 0; r < m; ++r) {
      rhs_[r] += cheb_[r] * y[i];
      for (int c = 0; c <= r; ++c) normal_[r][c] += cheb_[r] * cheb_[c];
    }
  }
  for (int r = 0; r < m; ++r)
    for (int c = r + 1; c < m; ++c) normal_[r][c] = normal_[c][r];
  // Data that are not numbers make the equations unsolvable.
  if (!AllFinite(rhs_)) return pfSingular;
  for (const auto& row : normal_)
    if (!AllFinite(row)) return pfSingular;

  if (SolveLinear(normal_, rhs_, solution_) != 0 || static_cast<int>(solution_.size()) != m ||
      !AllFinite(solution_))
    return pfSingular;

  // Explained ratio from the Chebyshev form, which is the accurate one.
  double sumFit = 0.0, sumData = 0.0;
  for (int i = 0; i < n; ++i) {
    Chebyshev(s * x[i] + o, m, cheb_.data());
    double v = 0.0;
    for (int j = 0; j < m; ++j) v += solution_[j] * cheb_[j];
    sumFit += v * v;
    sumData += y[i] * y[i];
  }
  explained_ = IsZero(sumData) ? 0.0 : sumFit / sumData;
  coefs_ = ChebyshevToPower(solution_, s, o);
  return pfOk;
}

int PolynomialFit(int m, std::span<const double> x, std::span<const double> y,
                  std::vector<double>& coefs) {
  TLeastSquares fit;
  const int code = fit.Fit(m, x, y);
  if (code == pfOk) coefs = fit.Coefficients();
  return code;
}

double PolynomialValue(std::span<const double> coefs, double x) {
  double v = 0.0;
  for (size_t k = coefs.size(); k-- > 0;) v = v * x + coefs[k];
  return v;
}

TFitStatistics FitStatistics(std::span<const double> y, std::span<const double> model) {
  TFitStatistics st;
  const size_t k = std::min(y.size(), model.size());
  if (k == 0) {
    st.correlation = 0.0;
    return st;
  }
  double my = 0.0, mm = 0.0;
  for (size_t i = 0; i < k; ++i) {
    my += y[i];
    mm += model[i];
  }
  my /= static_cast<double>(k);
  mm /= static_cast<double>(k);
  double sxy = 0.0, syy = 0.0, smm = 0.0, sres = 0.0, sy2 = 0.0;
  for (size_t i = 0; i < k; ++i) {
    const double dy = y[i] - my, dm = model[i] - mm, r = y[i] - model[i];
    sxy += dy * dm;
    syy += dy * dy;
    smm += dm * dm;
    sres += r * r;
    sy2 += y[i] * y[i];
  }
  // A sum of squares that is only the rounding of equal values (the mean of
  // a constant model differs from its value in the last bit) is zero too.
  const double k2 = static_cast<double>(k);
  auto none = [k2](double sumSquares, double mean) {
    return IsZero(sumSquares) || IsNegligible(std::sqrt(sumSquares / k2), mean);
  };
  st.correlation = (none(syy, my) || none(smm, mm)) ? 0.0 : sxy / std::sqrt(syy * smm);
  st.rmsDeviation = std::sqrt(sres / static_cast<double>(k));
  st.relativePrecision = IsZero(sy2) ? -1.0 : std::sqrt(sres / sy2);
  if (!std::isfinite(st.correlation) || !std::isfinite(st.rmsDeviation) ||
      !std::isfinite(st.relativePrecision)) {
    st.correlation = st.rmsDeviation = st.relativePrecision = -1.0;
  }
  return st;
}

}  // namespace kinevo

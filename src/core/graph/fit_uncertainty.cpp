#include "core/graph/fit_uncertainty.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "core/graph/curve_models.h"
#include "core/graph/marquardt.h"

namespace kinevo {

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// The slots of the parameter array that are estimated by the least-squares
// fits (the proportional model is handled apart).
std::vector<int> FreeSlots(int kind) {
  switch (kind) {
    case mkAffine:
      return {0, 1};
    case mkConstant:
      return {0};
    case mkParabola:
    case mkExponential:
      return {0, 1, 2};
    case mkSinus:
      return {0, 1, 2, 3};
    case mkSinusAe:
    case mkSinusAl:
      return {0, 1, 2, 3, 4};
    default:
      return {};
  }
}

bool IsPolynomial(int kind) { return kind == mkAffine || kind == mkConstant || kind == mkParabola; }

double Binomial(int n, int k) {
  double r = 1.0;
  for (int i = 1; i <= k; ++i) r = r * (n - k + i) / i;
  return r;
}

// (JᵀJ)⁻¹ with the columns scaled to unit norm first, which keeps the
// elimination well conditioned when the parameters have very different
// magnitudes.  False when singular.
bool InverseNormal(const std::vector<std::vector<double>>& columns, std::vector<double>& inv) {
  const int m = static_cast<int>(columns.size());
  std::vector<double> norm(m);
  for (int j = 0; j < m; ++j) {
    double s = 0.0;
    for (double v : columns[j]) s += v * v;
    norm[j] = std::sqrt(s);
    if (!(norm[j] > 0.0) || !std::isfinite(norm[j])) return false;
  }
  const size_t n = columns.empty() ? 0 : columns[0].size();
  inv.assign(static_cast<size_t>(m) * m, 0.0);
  for (int j = 0; j < m; ++j)
    for (int k = 0; k <= j; ++k) {
      double s = 0.0;
      for (size_t i = 0; i < n; ++i) s += columns[j][i] * columns[k][i];
      inv[j * m + k] = inv[k * m + j] = s / (norm[j] * norm[k]);
    }
  std::vector<double> rhs(m, 0.0);
  if (GaussJordan(inv, rhs, m) != 0) return false;
  for (int j = 0; j < m; ++j)
    for (int k = 0; k < m; ++k) inv[j * m + k] /= norm[j] * norm[k];
  return std::all_of(inv.begin(), inv.end(), [](double v) { return std::isfinite(v); });
}

}  // namespace

int EstimatedParameterCount(int kind) {
  return kind == mkProportional ? 1 : static_cast<int>(FreeSlots(kind).size());
}

bool ParameterCovariance(int kind, std::span<const double> x, std::span<const double> y,
                         std::span<const double> p, std::vector<double>& cov,
                         std::span<const double> sigma) {
  const int size = ModelParameterCount(kind);
  cov.assign(static_cast<size_t>(size) * size, kNaN);
  const size_t n = std::min(x.size(), y.size());
  const int estimated = EstimatedParameterCount(kind);
  if (size == 0 || static_cast<int>(p.size()) < size || estimated == 0 ||
      static_cast<int>(n) <= estimated)
    return false;
  x = x.first(n);
  y = y.first(n);
  const bool weighted = !sigma.empty();
  if (weighted && sigma.size() < n) return false;
  // Each row of the Jacobian divided by its point's uncertainty: JᵀWJ.
  auto weight = [&](size_t i) { return weighted ? 1.0 / sigma[i] : 1.0; };

  double chi2 = 0.0;
  for (size_t i = 0; i < n; ++i) {
    const double r = y[i] - ModelValue(kind, p, x[i]);
    chi2 += r * r;
  }
  // With the points' own uncertainties the covariance is (JᵀWJ)⁻¹ as it
  // stands; without, the scatter of the points stands for them.
  const double s2 = weighted ? 1.0 : chi2 / static_cast<double>(n - estimated);
  if (!std::isfinite(s2)) return false;

  if (kind == mkProportional && weighted) {
    // The weighted slope Σ(x·y/σ²) / Σ(x²/σ²) has the variance 1 / Σ(x²/σ²).
    double sxx = 0.0;
    for (size_t i = 0; i < n; ++i) sxx += x[i] * x[i] * weight(i) * weight(i);
    std::fill(cov.begin(), cov.end(), 0.0);
    cov[1 * size + 1] = 1.0 / sxx;
    return std::isfinite(cov[3]);
  }
  if (kind == mkProportional) {
    double mx = 0.0;
    for (double v : x) mx += v;
    mx /= static_cast<double>(n);
    if (mx == 0.0) return false;
    std::fill(cov.begin(), cov.end(), 0.0);
    cov[1 * size + 1] = s2 / (static_cast<double>(n) * mx * mx);
    return std::isfinite(cov[3]);
  }

  const std::vector<int> slots = FreeSlots(kind);
  const int m = static_cast<int>(slots.size());
  std::vector<std::vector<double>> columns(m, std::vector<double>(n));
  // The polynomials are differentiated in powers of x − x̄, whose columns
  // are far from collinear, and brought back to powers of x below.
  double centre = 0.0;
  if (IsPolynomial(kind)) {
    for (double v : x) centre += v;
    centre /= static_cast<double>(n);
    for (size_t i = 0; i < n; ++i) {
      const double u = x[i] - centre;
      double power = 1.0;
      for (int j = 0; j < m; ++j, power *= u) columns[j][i] = power * weight(i);
    }
  } else {
    const bool offset = HasFixedOffset(kind);
    const TModelFunction f(kind, p.subspan(offset ? 1 : 0));
    double grad[4];
    for (size_t i = 0; i < n; ++i) {
      f.Value(x[i], grad);
      int j = 0;
      if (offset) columns[j++][i] = weight(i);
      for (int g = 0; j < m; ++j, ++g) columns[j][i] = grad[g] * weight(i);
    }
  }

  std::vector<double> inv;
  if (!InverseNormal(columns, inv)) return false;
  std::vector<double> c(static_cast<size_t>(m) * m);
  for (int j = 0; j < m * m; ++j) c[j] = inv[j] * s2;

  if (IsPolynomial(kind)) {
    // a_j are the coefficients of (x − x̄)^j; the coefficient of x^k is
    // Σ_{j ≥ k} a_j·C(j, k)·(−x̄)^(j−k): p = T·a, so cov(p) = T·cov(a)·Tᵀ.
    std::vector<double> t(static_cast<size_t>(m) * m, 0.0);
    for (int k = 0; k < m; ++k)
      for (int j = k; j < m; ++j) t[k * m + j] = Binomial(j, k) * std::pow(-centre, j - k);
    std::vector<double> tc(static_cast<size_t>(m) * m, 0.0), out(static_cast<size_t>(m) * m, 0.0);
    for (int i = 0; i < m; ++i)
      for (int j = 0; j < m; ++j)
        for (int k = 0; k < m; ++k) tc[i * m + j] += t[i * m + k] * c[k * m + j];
    for (int i = 0; i < m; ++i)
      for (int j = 0; j < m; ++j)
        for (int k = 0; k < m; ++k) out[i * m + j] += tc[i * m + k] * t[j * m + k];
    c = std::move(out);
  }

  std::fill(cov.begin(), cov.end(), 0.0);
  for (int j = 0; j < m; ++j)
    for (int k = 0; k < m; ++k) cov[slots[j] * size + slots[k]] = c[j * m + k];
  return true;
}

std::vector<double> ParameterUncertainties(int kind, std::span<const double> x,
                                           std::span<const double> y, std::span<const double> p,
                                           std::span<const double> sigma) {
  std::vector<double> cov;
  ParameterCovariance(kind, x, y, p, cov, sigma);
  const int size = ModelParameterCount(kind);
  std::vector<double> u(size);
  for (int j = 0; j < size; ++j) {
    const double v = cov[j * size + j];
    u[j] = v >= 0.0 ? std::sqrt(v) : kNaN;
  }
  return u;
}

std::vector<double> PropagatedUncertainties(
    std::span<const double> p, std::span<const double> cov,
    const std::function<std::vector<double>(std::span<const double>)>& g) {
  const size_t m = p.size();
  const size_t outputs = g(p).size();
  // G[o][j] = ∂g_o/∂p_j by central differences.
  std::vector<double> jac(outputs * m, 0.0);
  std::vector<double> q(p.begin(), p.end());
  for (size_t j = 0; j < m; ++j) {
    const double h = 1e-6 * std::max(std::fabs(p[j]), 1e-3);
    q[j] = p[j] + h;
    const std::vector<double> up = g(q);
    q[j] = p[j] - h;
    const std::vector<double> down = g(q);
    q[j] = p[j];
    for (size_t o = 0; o < outputs; ++o) jac[o * m + j] = (up[o] - down[o]) / (2.0 * h);
  }
  std::vector<double> u(outputs, kNaN);
  if (cov.size() != m * m) return u;
  for (size_t o = 0; o < outputs; ++o) {
    double v = 0.0;
    for (size_t j = 0; j < m; ++j)
      for (size_t k = 0; k < m; ++k) v += jac[o * m + j] * cov[j * m + k] * jac[o * m + k];
    if (v >= 0.0) u[o] = std::sqrt(v);
  }
  return u;
}

namespace {

// ∂f/∂p of the model at x for every slot of the parameter array (0 for the
// slots that are not parameters).
std::vector<double> SlotGradient(int kind, std::span<const double> p, double x) {
  const int size = ModelParameterCount(kind);
  std::vector<double> g(static_cast<size_t>(size), 0.0);
  switch (kind) {
    case mkAffine:
    case mkConstant:
    case mkParabola: {
      double power = 1.0;
      for (int slot : FreeSlots(kind)) {
        g[static_cast<size_t>(slot)] = power;
        power *= x;
      }
      return g;
    }
    case mkProportional:
      g[1] = x;
      return g;
    default:
      break;
  }
  const bool offset = HasFixedOffset(kind);
  const TModelFunction f(kind, p.subspan(offset ? 1 : 0));
  double grad[4] = {0, 0, 0, 0};
  f.Value(x, grad);
  int j = 0;
  if (offset) g[static_cast<size_t>(j++)] = 1.0;
  for (int k = 0; j < size; ++j, ++k) g[static_cast<size_t>(j)] = grad[k];
  return g;
}

double WeightedChi2(int kind, std::span<const double> x, std::span<const double> y,
                    std::span<const double> sigma, std::span<const double> p) {
  double chi2 = 0.0;
  for (size_t i = 0; i < x.size(); ++i) {
    const double r = (y[i] - ModelValue(kind, p, x[i])) / sigma[i];
    chi2 += r * r;
  }
  return std::isfinite(chi2) ? chi2 : kNaN;
}

}  // namespace

int WeightedFit(int kind, std::span<const double> x, std::span<const double> y,
                std::span<const double> sigma, std::vector<double>& p) {
  const size_t n = std::min({x.size(), y.size(), sigma.size()});
  const int size = ModelParameterCount(kind);
  if (size == 0 || static_cast<int>(p.size()) < size) return wfNoModel;
  if (!std::all_of(sigma.begin(), sigma.begin() + static_cast<std::ptrdiff_t>(n),
                   [](double u) { return u > 0.0 && std::isfinite(u); }))
    return wfNoUncertainty;
  x = x.first(n);
  y = y.first(n);
  sigma = sigma.first(n);
  // Gauss–Newton from the unweighted fit, p ← p + (JᵀWJ)⁻¹·JᵀW·r, the step
  // halved while it does not lower χ².  One step is exact for the linear
  // models.
  double chi2 = WeightedChi2(kind, x, y, sigma, p);
  for (int iteration = 0; iteration < 100; ++iteration) {
    std::vector<double> cov;
    if (!ParameterCovariance(kind, x, y, p, cov, sigma)) return wfSingular;
    std::vector<double> jwr(static_cast<size_t>(size), 0.0);
    for (size_t i = 0; i < n; ++i) {
      const double r = (y[i] - ModelValue(kind, p, x[i])) / (sigma[i] * sigma[i]);
      const std::vector<double> g = SlotGradient(kind, p, x[i]);
      for (int j = 0; j < size; ++j) jwr[static_cast<size_t>(j)] += g[static_cast<size_t>(j)] * r;
    }
    std::vector<double> step(static_cast<size_t>(size), 0.0);
    for (int j = 0; j < size; ++j)
      for (int k = 0; k < size; ++k)
        step[static_cast<size_t>(j)] += cov[static_cast<size_t>(j * size + k)] * jwr[k];
    std::vector<double> q(p);
    double factor = 1.0, next = kNaN;
    for (int halving = 0; halving < 30; ++halving, factor /= 2.0) {
      for (int j = 0; j < size; ++j) q[j] = p[j] + factor * step[j];
      next = WeightedChi2(kind, x, y, sigma, q);
      if (next <= chi2) break;
    }
    if (!(next <= chi2)) break;  // no step lowers χ²: at the minimum
    p = q;
    const bool settled = chi2 - next <= 1e-12 * (1.0 + chi2);
    chi2 = next;
    if (settled) break;
  }
  if (HasFixedOffset(kind)) NormaliseSinusoid(p);
  return std::isfinite(chi2) ? wfOk : wfSingular;
}

TChiSquare ChiSquare(int kind, std::span<const double> x, std::span<const double> y,
                     std::span<const double> sigma, std::span<const double> p) {
  TChiSquare c;
  const size_t n = std::min({x.size(), y.size(), sigma.size()});
  c.ndf = static_cast<int>(n) - EstimatedParameterCount(kind);
  if (c.ndf <= 0 || ModelParameterCount(kind) == 0) return c;
  c.chi2 = WeightedChi2(kind, x.first(n), y.first(n), sigma.first(n), p);
  c.reduced = c.chi2 / c.ndf;
  c.compatible = std::fabs(c.reduced - 1.0) <= 2.0 * std::sqrt(2.0 / c.ndf);
  return c;
}

std::string CompatibilityText(const TChiSquare& c) {
  return c.compatible ? "Le modèle est compatible avec les mesures"
                      : "Le modèle n'est pas compatible avec les mesures";
}

}  // namespace kinevo

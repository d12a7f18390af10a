#include "core/marking/lens.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <string>

namespace kinevo {

TLensModel::TLensModel(double width, double height, double k1, double k2)
    : cx_(width / 2.0),
      cy_(height / 2.0),
      unit_(std::hypot(width, height) / 2.0),
      k1_(k1),
      k2_(k2) {}

TWorldPoint TLensModel::Correct(const TWorldPoint& shown) const {
  if (!(unit_ > 0.0)) return shown;
  const double ux = (shown.x - cx_) / unit_, uy = (shown.y - cy_) / unit_;
  const double f = Factor(ux * ux + uy * uy);
  return {cx_ + unit_ * ux * f, cy_ + unit_ * uy * f};
}

namespace {

// The smallest positive radius where r·(1 + k1·r² + k2·r⁴) stops growing
// (1 + 3·k1·r² + 5·k2·r⁴ = 0), or infinity when it grows for ever.
double TurningRadius(double k1, double k2) {
  const double a = 5.0 * k2, b = 3.0 * k1, c = 1.0;
  double best = std::numeric_limits<double>::infinity();
  auto consider = [&](double u) {
    if (u > 0.0 && std::isfinite(u)) best = std::min(best, std::sqrt(u));
  };
  if (a == 0.0) {
    if (b < 0.0) consider(-c / b);
    return best;
  }
  const double disc = b * b - 4.0 * a * c;
  if (disc < 0.0) return best;
  // The stable pair of roots of a·u² + b·u + c.
  const double q = -0.5 * (b + std::copysign(std::sqrt(disc), b));
  if (q != 0.0) {
    consider(q / a);
    consider(c / q);
  }
  return best;
}

}  // namespace

TWorldPoint TLensModel::Distort(const TWorldPoint& corrected) const {
  if (!(unit_ > 0.0)) return corrected;
  const double vx = (corrected.x - cx_) / unit_, vy = (corrected.y - cy_) / unit_;
  const double s = std::hypot(vx, vy);
  if (s == 0.0) return corrected;
  auto f = [&](double r) { return r * Factor(r * r) - s; };
  auto df = [&](double r) { return 1.0 + r * r * (3.0 * k1_ + 5.0 * k2_ * r * r); };
  // Bracket the radius: f(0) = -s < 0, and f grows up to the turning radius.
  double lo = 0.0, hi = TurningRadius(k1_, k2_);
  if (std::isfinite(hi)) {
    if (f(hi) <= 0.0) lo = hi;  // beyond what the lens shows
  } else {
    hi = std::max(s, 1.0);
    while (f(hi) < 0.0 && hi < 1e12) hi *= 2.0;
  }
  double r = std::clamp(s, lo, hi);
  // Newton's iterations, kept inside the bracket by bisection.
  for (int i = 0; i < 100 && hi - lo > 1e-15 * std::max(1.0, hi); ++i) {
    const double fr = f(r);
    if (fr == 0.0) break;
    (fr < 0.0 ? lo : hi) = r;
    const double d = df(r);
    double next = d > 0.0 ? r - fr / d : 0.5 * (lo + hi);
    if (!(next > lo && next < hi)) next = 0.5 * (lo + hi);
    if (std::abs(next - r) <= 1e-16 * std::max(1.0, r)) {
      r = next;
      break;
    }
    r = next;
  }
  const double scale = r / s;
  return {cx_ + unit_ * vx * scale, cy_ + unit_ * vy * scale};
}

namespace {

using TLines = std::vector<std::vector<TWorldPoint>>;

// The total least squares line of points: their centroid and the angle of
// the line's direction.
struct TLineFit {
  double mx = 0.0, my = 0.0, theta = 0.0;
};

TLineFit FitLine(const std::vector<TWorldPoint>& points) {
  TLineFit f;
  const double n = static_cast<double>(points.size());
  for (const TWorldPoint& p : points) {
    f.mx += p.x / n;
    f.my += p.y / n;
  }
  double sxx = 0.0, sxy = 0.0, syy = 0.0;
  for (const TWorldPoint& p : points) {
    sxx += (p.x - f.mx) * (p.x - f.mx);
    sxy += (p.x - f.mx) * (p.y - f.my);
    syy += (p.y - f.my) * (p.y - f.my);
  }
  f.theta = 0.5 * std::atan2(2.0 * sxy, sxx - syy);
  return f;
}

// Each corrected point's signed distance to the total least squares line of
// its own line's corrected points, in units of the half-diagonal.  The
// normal is oriented along each line's first-to-last direction, so that it
// does not flip between two close values of k (the numerical derivatives).
void StraightnessResiduals(const TLines& normalised, double k1, double k2,
                           std::vector<double>& out) {
  out.clear();
  std::vector<TWorldPoint> q;
  for (const auto& line : normalised) {
    q.clear();
    for (const TWorldPoint& u : line) {
      const double r2 = u.x * u.x + u.y * u.y;
      const double f = 1.0 + r2 * (k1 + k2 * r2);
      q.push_back({u.x * f, u.y * f});
    }
    const TLineFit fit = FitLine(q);
    double ax = std::cos(fit.theta), ay = std::sin(fit.theta);
    if (ax * (q.back().x - q.front().x) + ay * (q.back().y - q.front().y) < 0.0) {
      ax = -ax;
      ay = -ay;
    }
    for (const TWorldPoint& p : q) out.push_back(-ay * (p.x - fit.mx) + ax * (p.y - fit.my));
  }
}

// Lines nearer the centre than this (in half-diagonals) pass through it.
constexpr double kNearCentre = 0.02;

// The distance from the centre of the picture to the total least squares
// line of `line` as shown, in half-diagonals.
double CentreDistance(const std::vector<TWorldPoint>& line) {
  const TLineFit fit = FitLine(line);
  return std::abs(std::sin(fit.theta) * fit.mx - std::cos(fit.theta) * fit.my);
}

double SumOfSquares(const std::vector<double>& r) {
  double s = 0.0;
  for (double v : r) s += v * v;
  return s;
}

}  // namespace

std::array<TWorldPoint, 2> StraightenedLine(const TLensModel& lens,
                                            const std::vector<TWorldPoint>& shown) {
  std::vector<TWorldPoint> corrected;
  corrected.reserve(shown.size());
  for (const TWorldPoint& p : shown) corrected.push_back(lens.Correct(p));
  const TLineFit f = FitLine(corrected);
  const double ux = std::cos(f.theta), uy = std::sin(f.theta);
  auto foot = [&](const TWorldPoint& p) {
    const double t = (p.x - f.mx) * ux + (p.y - f.my) * uy;
    return TWorldPoint{f.mx + t * ux, f.my + t * uy};
  };
  return {foot(corrected.front()), foot(corrected.back())};
}

TResult<TLensFit> EstimateLens(double width, double height, const TLines& lines) {
  if (!(width > 0.0 && height > 0.0 && std::isfinite(width) && std::isfinite(height)))
    return Fail("La taille de l'image est incorrecte.");
  if (lines.size() < 2)
    return Fail("Il faut au moins deux lignes droites pour estimer la correction de l'objectif.");
  const double cx = width / 2.0, cy = height / 2.0, unit = std::hypot(width, height) / 2.0;
  TLines normalised;
  for (std::size_t l = 0; l < lines.size(); ++l) {
    const auto& line = lines[l];
    const std::string name = "La ligne " + std::to_string(l + 1);
    if (line.size() < 3)
      return Fail(name + " n'a que " + std::to_string(line.size()) +
                  " point(s) : il en faut au moins trois.");
    for (std::size_t i = 0; i < line.size(); ++i) {
      if (!std::isfinite(line[i].x) || !std::isfinite(line[i].y))
        return Fail(name + " a un point qui n'est pas un nombre.");
      for (std::size_t j = 0; j < i; ++j)
        if (std::hypot(line[i].x - line[j].x, line[i].y - line[j].y) < 1e-6)
          return Fail(name + " a deux points confondus (points " + std::to_string(j + 1) + " et " +
                      std::to_string(i + 1) + ").");
    }
    normalised.emplace_back();
    for (const TWorldPoint& p : line)
      normalised.back().push_back({(p.x - cx) / unit, (p.y - cy) / unit});
  }

  // Levenberg–Marquardt on (k1, k2), with central differences for the
  // derivatives of the residuals.
  constexpr double kStep = 1e-4;
  std::vector<double> r, rp, rm;
  std::array<std::vector<double>, 2> jac;
  auto jacobian = [&](double k1, double k2) {
    for (int c = 0; c < 2; ++c) {
      StraightnessResiduals(normalised, k1 + (c == 0 ? kStep : 0.0), k2 + (c == 1 ? kStep : 0.0),
                            rp);
      StraightnessResiduals(normalised, k1 - (c == 0 ? kStep : 0.0), k2 - (c == 1 ? kStep : 0.0),
                            rm);
      jac[c].resize(rp.size());
      for (std::size_t i = 0; i < rp.size(); ++i) jac[c][i] = (rp[i] - rm[i]) / (2.0 * kStep);
    }
  };
  // A line through the centre stays straight whatever the lens: it says
  // nothing of k1 and k2, and lines that all do would give a lens fitted to
  // the clicks' noise alone.
  if (std::all_of(normalised.begin(), normalised.end(),
                  [](const auto& line) { return CentreDistance(line) < kNearCentre; }))
    return Fail(
        "Ces lignes restent droites quelle que soit la correction (elles passent par le "
        "centre de l'image) : choisissez des bords droits éloignés du centre.");

  double k1 = 0.0, k2 = 0.0;
  StraightnessResiduals(normalised, k1, k2, r);
  double cost = SumOfSquares(r);
  double lambda = 1e-3;
  for (int iter = 0; iter < 200; ++iter) {
    jacobian(k1, k2);
    double a11 = 0.0, a12 = 0.0, a22 = 0.0, g1 = 0.0, g2 = 0.0;
    for (std::size_t i = 0; i < r.size(); ++i) {
      a11 += jac[0][i] * jac[0][i];
      a12 += jac[0][i] * jac[1][i];
      a22 += jac[1][i] * jac[1][i];
      g1 += jac[0][i] * r[i];
      g2 += jac[1][i] * r[i];
    }
    bool improved = false;
    while (lambda < 1e12) {
      const double b11 = a11 + lambda * std::max(a11, 1e-12);
      const double b22 = a22 + lambda * std::max(a22, 1e-12);
      const double det = b11 * b22 - a12 * a12;
      if (det <= 0.0) {
        lambda *= 10.0;
        continue;
      }
      const double d1 = -(b22 * g1 - a12 * g2) / det;
      const double d2 = -(b11 * g2 - a12 * g1) / det;
      StraightnessResiduals(normalised, k1 + d1, k2 + d2, rp);
      const double trial = SumOfSquares(rp);
      if (trial < cost) {
        k1 += d1;
        k2 += d2;
        r.swap(rp);
        const double gain = cost - trial;
        cost = trial;
        lambda = std::max(lambda / 10.0, 1e-12);
        improved = gain > 1e-15 * cost && std::hypot(d1, d2) > 1e-12;
        break;
      }
      lambda *= 10.0;
    }
    if (!improved) break;
  }
  TLensFit fit;
  fit.k1 = k1;
  fit.k2 = k2;
  fit.residual = unit * std::sqrt(cost / static_cast<double>(r.size()));
  return fit;
}

}  // namespace kinevo

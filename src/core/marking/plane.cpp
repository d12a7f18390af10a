#include "core/marking/plane.h"

#include <algorithm>
#include <cmath>

namespace kinevo {

namespace {

// The inverse of a 3×3 matrix by its adjugate (all zeros when singular).
std::array<double, 9> Inverse(const std::array<double, 9>& m) {
  const std::array<double, 9> adj{
      m[4] * m[8] - m[5] * m[7], m[2] * m[7] - m[1] * m[8], m[1] * m[5] - m[2] * m[4],
      m[5] * m[6] - m[3] * m[8], m[0] * m[8] - m[2] * m[6], m[2] * m[3] - m[0] * m[5],
      m[3] * m[7] - m[4] * m[6], m[1] * m[6] - m[0] * m[7], m[0] * m[4] - m[1] * m[3]};
  const double det = m[0] * adj[0] + m[1] * adj[3] + m[2] * adj[6];
  std::array<double, 9> inv{};
  if (det == 0.0) return inv;
  for (int i = 0; i < 9; ++i) inv[i] = adj[i] / det;
  return inv;
}

double Cross(const TWorldPoint& o, const TWorldPoint& a, const TWorldPoint& b) {
  return (a.x - o.x) * (b.y - o.y) - (a.y - o.y) * (b.x - o.x);
}

// Solves a·x = b (8×8) by Gaussian elimination with partial pivoting; false
// when the system is singular.
bool Solve8(std::array<std::array<double, 9>, 8>& a, std::array<double, 8>& x) {
  for (int c = 0; c < 8; ++c) {
    int pivot = c;
    for (int r = c + 1; r < 8; ++r)
      if (std::abs(a[r][c]) > std::abs(a[pivot][c])) pivot = r;
    if (std::abs(a[pivot][c]) < 1e-14) return false;
    std::swap(a[c], a[pivot]);
    for (int r = c + 1; r < 8; ++r) {
      const double f = a[r][c] / a[c][c];
      for (int k = c; k < 9; ++k) a[r][k] -= f * a[c][k];
    }
  }
  for (int r = 7; r >= 0; --r) {
    double s = a[r][8];
    for (int k = r + 1; k < 8; ++k) s -= a[r][k] * x[k];
    x[r] = s / a[r][r];
  }
  return true;
}

}  // namespace

THomography::THomography(const std::array<double, 9>& m) : m_(m), inverse_(Inverse(m)) {}

TWorldPoint THomography::Apply(const std::array<double, 9>& m, const TWorldPoint& p) {
  // The matrices are scaled so that w > 0 on the side that is seen; the
  // inverse, divided by the determinant, keeps that for the plane's points.
  const double w = m[6] * p.x + m[7] * p.y + m[8];
  if (!(w > 0.0)) return {NAN, NAN};
  return {(m[0] * p.x + m[1] * p.y + m[2]) / w, (m[3] * p.x + m[4] * p.y + m[5]) / w};
}

TWorldPoint THomography::Map(const TWorldPoint& p) const { return Apply(m_, p); }

TWorldPoint THomography::InverseMap(const TWorldPoint& q) const { return Apply(inverse_, q); }

TResult<THomography> CalibratePlane(const std::array<TWorldPoint, 4>& picture, double width,
                                    double height) {
  if (!(width > 0.0 && height > 0.0 && std::isfinite(width) && std::isfinite(height)))
    return Fail("La taille du plan doit être positive.");
  for (const TWorldPoint& p : picture)
    if (!std::isfinite(p.x) || !std::isfinite(p.y))
      return Fail("Un point de l'étalonnage du plan n'est pas un nombre.");
  // Three points in a line, within a relative tolerance (two points at the
  // same place are in a line with any third).
  for (int skip = 0; skip < 4; ++skip) {
    std::array<TWorldPoint, 3> t;
    for (int i = 0, n = 0; i < 4; ++i)
      if (i != skip) t[n++] = picture[i];
    const double a = std::hypot(t[1].x - t[0].x, t[1].y - t[0].y);
    const double b = std::hypot(t[2].x - t[0].x, t[2].y - t[0].y);
    const double c = std::hypot(t[2].x - t[1].x, t[2].y - t[1].y);
    const double longest = std::max({a, b, c});
    if (longest == 0.0 || std::abs(Cross(t[0], t[1], t[2])) <= 1e-9 * longest * longest)
      return Fail("Trois des quatre points de l'étalonnage du plan sont alignés.");
  }
  // A view of a rectangle is a convex quadrilateral with its corners in turn:
  // each corner turns the same way.
  int positive = 0;
  for (int i = 0; i < 4; ++i)
    if (Cross(picture[i], picture[(i + 1) % 4], picture[(i + 2) % 4]) > 0.0) ++positive;
  if (positive != 0 && positive != 4)
    return Fail(
        "Les quatre points de l'étalonnage du plan forment un quadrilatère croisé ou creux : "
        "donnez l'origine, le point de l'axe x, le coin opposé puis le point de l'axe y, "
        "dans cet ordre autour du rectangle.");

  // The picture points moved to their centroid and scaled to a mean
  // distance of √2 (Hartley's normalisation), so that the system stays well
  // conditioned for pictures of any size.
  double mx = 0.0, my = 0.0;
  for (const TWorldPoint& p : picture) {
    mx += p.x / 4.0;
    my += p.y / 4.0;
  }
  double spread = 0.0;
  for (const TWorldPoint& p : picture) spread += std::hypot(p.x - mx, p.y - my) / 4.0;
  const double s = std::sqrt(2.0) / spread;
  const std::array<TWorldPoint, 4> plane{
      TWorldPoint{0.0, 0.0}, {width, 0.0}, {width, height}, {0.0, height}};
  // h11 x + h12 y + h13 − h31 x X − h32 y X = X, and the same for Y, with h33 = 1.
  std::array<std::array<double, 9>, 8> a{};
  for (int i = 0; i < 4; ++i) {
    const double x = s * (picture[i].x - mx), y = s * (picture[i].y - my);
    const double X = plane[i].x, Y = plane[i].y;
    a[2 * i] = {x, y, 1.0, 0.0, 0.0, 0.0, -x * X, -y * X, X};
    a[2 * i + 1] = {0.0, 0.0, 0.0, x, y, 1.0, -x * Y, -y * Y, Y};
  }
  std::array<double, 8> h{};
  if (!Solve8(a, h)) return Fail("Trois des quatre points de l'étalonnage du plan sont alignés.");
  // Back to picture pixels: H = H' · N, N the normalisation.  With h33 = 1,
  // w is 1 at the points' centroid, inside the quadrilateral: positive on
  // the side of the horizon that is seen.
  const std::array<double, 9> n{s, 0.0, -s * mx, 0.0, s, -s * my, 0.0, 0.0, 1.0};
  const std::array<double, 9> hn{h[0], h[1], h[2], h[3], h[4], h[5], h[6], h[7], 1.0};
  std::array<double, 9> m{};
  for (int r = 0; r < 3; ++r)
    for (int c = 0; c < 3; ++c)
      for (int k = 0; k < 3; ++k) m[3 * r + c] += hn[3 * r + k] * n[3 * k + c];
  return THomography(m);
}

}  // namespace kinevo

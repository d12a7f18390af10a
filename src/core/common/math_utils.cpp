#include "core/common/math_utils.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>

namespace kinevo {

void ClearWideRegisters() {
#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
  static const bool wide = __builtin_cpu_supports("avx");
  if (wide) asm volatile("vzeroupper");
#endif
}

bool IsZero(double x) { return std::fabs(x) < 1e-100; }
bool IsHuge(double x) { return std::fabs(x) > 1e100; }

bool IsNegligible(double v, double scale) {
  constexpr double kRounding = 1e-11;
  return std::fabs(v) <= kRounding * std::fabs(scale);
}

bool SamePoint(const TWorldPoint& a, const TWorldPoint& b) {
  return IsZero(a.x - b.x) && IsZero(a.y - b.y);
}

int Magnitude(int64_t n) {
  int m = 0;
  while (n >= 10) {
    n /= 10;
    ++m;
  }
  return m;
}

// ---------------------------------------------------------------- angles

namespace {
// Brings x near [0, 2π] in one step, so that the subtracting loops below run
// a few times only whatever the size of x.
double Reduce(double x) {
  if (std::fabs(x) > 64.0 * kTwoPi) x = std::fmod(x, kTwoPi);
  return x;
}
}  // namespace

double WrapPositive(double x) {
  if (!std::isfinite(x)) return std::numeric_limits<double>::quiet_NaN();
  x = Reduce(x);
  while (x > kTwoPi) x -= kTwoPi;
  while (x < 0) x += kTwoPi;
  return x;
}

double AddAngles(double a, double b) {
  double c = a + b;
  if (!std::isfinite(c)) return std::numeric_limits<double>::quiet_NaN();
  c = Reduce(c);
  while (c < -std::numbers::pi) c += kTwoPi;
  while (c > std::numbers::pi) c -= kTwoPi;
  return c;
}

double AngleAtVertex(const TPixel& p1, const TPixel& p2, const TPixel& p3) {
  const double ux = double(p2.x) - p1.x, uy = double(p2.y) - p1.y;
  const double vx = double(p3.x) - p2.x, vy = double(p3.y) - p2.y;
  const double cross = ux * vy - uy * vx;
  const double dot = ux * vx + uy * vy;
  if (dot == 0) return cross < 0 ? -std::numbers::pi / 2 : std::numbers::pi / 2;
  return std::atan2(-dot, cross);
}

// ---------------------------------------------------------------- distances

double Distance(const TWorldPoint& a, const TWorldPoint& b) {
  return std::hypot(b.x - a.x, b.y - a.y);
}

double Distance(const TPixel& a, const TPixel& b) {
  return std::hypot(double(b.x) - a.x, double(b.y) - a.y);
}

// ---------------------------------------------------------------- arrays

double MaxValue(const std::vector<double>& a) {
  double m = -1.7e308;
  for (double v : a) m = std::max(m, v);
  return m;
}

double MinValue(const std::vector<double>& a) {
  double m = 1.7e308;
  for (double v : a) m = std::min(m, v);
  return m;
}

int32_t MaxValue(const std::vector<int32_t>& a) {
  int32_t m = -2147483647;
  for (int32_t v : a) m = std::max(m, v);
  return m;
}

int32_t MinValue(const std::vector<int32_t>& a) {
  int32_t m = 2147483647;
  for (int32_t v : a) m = std::min(m, v);
  return m;
}

double Mean(const std::vector<double>& a) {
  if (a.empty()) return std::numeric_limits<double>::quiet_NaN();
  double s = 0;
  for (double v : a) s += v;
  return s / static_cast<double>(a.size());
}

TWorldWindow BoundingBox(const std::vector<TWorldPoint>& points) {
  TWorldWindow w{1e100, -1e100, 1e100, -1e100};
  for (const auto& p : points) {
    w.xmin = std::min(w.xmin, p.x);
    w.xmax = std::max(w.xmax, p.x);
    w.ymin = std::min(w.ymin, p.y);
    w.ymax = std::max(w.ymax, p.y);
  }
  return w;
}

// ---------------------------------------------------------------- pixel geometry

bool NearPoint(const TPixel& p, const TPixel& c, int t) {
  const long h = std::max(6, t) / 2;
  return std::labs(long(p.x) - c.x) <= h && std::labs(long(p.y) - c.y) <= h;
}

bool NearSegment(const TPixel& p, const TPixel& a, const TPixel& b, int t) {
  const long h = std::max(6, t) / 2;
  // Quick refusal outside the segment's box widened by the tolerance.
  if (p.x < std::min(a.x, b.x) - h || p.x > std::max(a.x, b.x) + h ||
      p.y < std::min(a.y, b.y) - h || p.y > std::max(a.y, b.y) + h)
    return false;
  const long dx = long(b.x) - a.x, dy = long(b.y) - a.y;
  const long n = std::max(std::labs(dx), std::labs(dy));
  if (n == 0) return NearPoint(p, a, t);
  for (long i = 0; i <= n; ++i) {
    const TPixel q{a.x + static_cast<int>(std::lround(double(i) * dx / n)),
                   a.y + static_cast<int>(std::lround(double(i) * dy / n))};
    if (NearPoint(p, q, t)) return true;
  }
  return false;
}

int SegmentHandle(const TPixel& p, const TPixel& a, const TPixel& b, int t) {
  const bool shortSegment = std::labs(long(b.x) - a.x) < t && std::labs(long(b.y) - a.y) < t;
  if (shortSegment && NearSegment(p, a, b, t)) return -1;
  if (NearPoint(p, a, t)) return 0;
  if (NearPoint(p, b, t)) return 1;
  if (!shortSegment && NearSegment(p, a, b, t)) return -1;
  return -2;
}

bool PointInRect(const TPixel& p, const TPixelRect& r) {
  return p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom;
}

bool NearRectBorder(const TPixel& p, const TPixelRect& r, int t) {
  const TPixel tl{r.left, r.top}, tr{r.right, r.top}, br{r.right, r.bottom}, bl{r.left, r.bottom};
  return NearSegment(p, tl, tr, t) || NearSegment(p, tr, br, t) || NearSegment(p, br, bl, t) ||
         NearSegment(p, bl, tl, t);
}

unsigned RegionCode(double x, double y, const TWorldWindow& w) {
  unsigned c = 0;
  if (x < w.xmin)
    c |= rcLeft;
  else if (x > w.xmax)
    c |= rcRight;
  if (y < w.ymin)
    c |= rcBottom;
  else if (y > w.ymax)
    c |= rcTop;
  return c;
}

bool ClipSegment(TWorldPoint& a, TWorldPoint& b, const TWorldWindow& w) {
  TWorldPoint p = a, q = b;
  unsigned cp = RegionCode(p.x, p.y, w), cq = RegionCode(q.x, q.y, w);
  // Each pass moves one end onto a window edge; four edges bound the passes.
  for (int pass = 0; pass < 8; ++pass) {
    if ((cp | cq) == 0) {
      a = p;
      b = q;
      return true;
    }
    if ((cp & cq) != 0) return false;
    const unsigned out = cp != 0 ? cp : cq;
    double x = 0, y = 0;
    if (out & rcTop) {
      x = p.x + (q.x - p.x) * (w.ymax - p.y) / (q.y - p.y);
      y = w.ymax;
    } else if (out & rcBottom) {
      x = p.x + (q.x - p.x) * (w.ymin - p.y) / (q.y - p.y);
      y = w.ymin;
    } else if (out & rcRight) {
      y = p.y + (q.y - p.y) * (w.xmax - p.x) / (q.x - p.x);
      x = w.xmax;
    } else {
      y = p.y + (q.y - p.y) * (w.xmin - p.x) / (q.x - p.x);
      x = w.xmin;
    }
    if (out == cp) {
      p = {x, y};
      cp = RegionCode(x, y, w);
    } else {
      q = {x, y};
      cq = RegionCode(x, y, w);
    }
  }
  return false;
}

// ---------------------------------------------------------------- linear algebra

int SolveLinear(const std::vector<std::vector<double>>& a, const std::vector<double>& b,
                std::vector<double>& x) {
  x.clear();
  const std::size_t n = b.size();
  if (n == 0 || a.size() != n) return 1;
  std::vector<std::vector<double>> m(n);
  // Largest coefficient of each row: a pivot that small next to its row is
  // rounding noise, and the matrix is singular.
  std::vector<double> rowScale(n, 0.0);
  for (std::size_t i = 0; i < n; ++i) {
    if (a[i].size() != n) return 1;
    m[i] = a[i];
    m[i].push_back(b[i]);
    for (double v : a[i]) {
      if (!std::isfinite(v)) return 1;
      rowScale[i] = std::max(rowScale[i], std::fabs(v));
    }
    if (IsZero(rowScale[i])) return 1;
  }
  const double eps = static_cast<double>(n) * std::numeric_limits<double>::epsilon();
  for (std::size_t k = 0; k < n; ++k) {
    std::size_t piv = k;
    for (std::size_t i = k + 1; i < n; ++i)
      if (std::fabs(m[i][k]) > std::fabs(m[piv][k])) piv = i;
    if (IsZero(m[piv][k]) || std::fabs(m[piv][k]) <= eps * rowScale[piv]) return 1;
    std::swap(m[k], m[piv]);
    std::swap(rowScale[k], rowScale[piv]);
    for (std::size_t i = k + 1; i < n; ++i) {
      const double f = m[i][k] / m[k][k];
      if (f == 0) continue;
      for (std::size_t j = k; j <= n; ++j) m[i][j] -= f * m[k][j];
    }
  }
  std::vector<double> r(n);
  for (std::size_t k = n; k-- > 0;) {
    double s = m[k][n];
    for (std::size_t j = k + 1; j < n; ++j) s -= m[k][j] * r[j];
    r[k] = s / m[k][k];
    if (!std::isfinite(r[k])) return 1;
  }
  x = std::move(r);
  return 0;
}

// ---------------------------------------------------------------- root search

TRootResult RootSearch(const std::function<double(double)>& f, double lo, double hi,
                       double tolerance, int maxSteps) {
  if (!(lo < hi) || !f) return {};
  try {
    auto eval = [&f](double v, double& out) {
      out = f(v);
      return std::isfinite(out);
    };
    double flo = 0, fhi = 0;
    if (!eval(lo, flo) || !eval(hi, fhi)) return {};
    if ((flo > 0 && fhi > 0) || (flo < 0 && fhi < 0)) return {};
    if (std::fabs(flo) <= tolerance) return {true, lo};
    if (std::fabs(fhi) <= tolerance) return {true, hi};
    double mid = lo;
    for (int step = 0; step <= maxSteps; ++step) {
      mid = 0.5 * (lo + hi);
      double fm = 0;
      if (!eval(mid, fm)) return {};
      if (std::fabs(fm) <= tolerance) break;
      if ((fm < 0) == (flo < 0)) {
        lo = mid;
        flo = fm;
      } else {
        hi = mid;
      }
    }
    return {true, mid};
  } catch (...) {
    return {};
  }
}

}  // namespace kinevo

#pragma once
// Numeric and geometry helpers shared by the marking data, the tracking, the
// results, the formulas and the graphs.  Free functions without state (the
// decimal separator is the program-wide setting of number_format.h).
//
// Failures never raise: degenerate input gives a documented value (NaN, a
// bound, or a result code).
#include <cstdint>
#include <functional>
#include <numbers>
#include <string>
#include <vector>

#include "core/common/picture_coord.h"

namespace kinevo {

// A point in world (physical) units.
struct TWorldPoint {
  double x = 0.0;
  double y = 0.0;
  friend bool operator==(const TWorldPoint&, const TWorldPoint&) = default;
};

// A world rectangle, in the order xmin, xmax, ymin, ymax.
struct TWorldWindow {
  double xmin = 0.0;
  double xmax = 100.0;
  double ymin = 0.0;
  double ymax = 100.0;
  friend bool operator==(const TWorldWindow&, const TWorldWindow&) = default;
};

// ---------------------------------------------------------------- comparisons

// The program-wide tests for degenerate values: |x| < 1e-100 and |x| > 1e100.
bool IsZero(double x);
bool IsHuge(double x);

// This program's own floating point uses the processor's older vector
// instructions, which run several times slower after code that left the
// upper halves of the wider registers in use (some painting and copying
// routines of the libraries do): a long computation starts by clearing
// them.  Nothing happens on processors without those registers.
void ClearWideRegisters();
// Two floats are "the same" when they differ by less than 1e-100.
inline bool SameValue(double a, double b) { return IsZero(a - b); }
bool SamePoint(const TWorldPoint& a, const TWorldPoint& b);
inline bool SamePoint(const TPixel& a, const TPixel& b) { return a == b; }

// Whether v is no more than the rounding residue of arithmetic on values of
// magnitude `scale` (|v| <= 1e-11·|scale|): the exact value it stands for is
// 0.  Used where an absolute test would take such residue for a real value
// (a constant that differs by 1e-16 from itself, 0 computed as 1e-17).
bool IsNegligible(double v, double scale);

// x clamped to [-2147483647, 2147483647], then rounded to the nearest
// integer, halves to even.  NaN gives 0.  Inline: a pan rounds two of them
// for every point of every curve.
inline int32_t RoundToInt(double x) {
  if (x != x) return 0;
  constexpr double kLimit = 2147483647.0;
  x = x < -kLimit ? -kLimit : x > kLimit ? kLimit : x;
  // Adding 1.5·2^52 leaves no bit below the units, so the sum is rounded
  // by the current rounding mode (to nearest, halves to even) like
  // nearbyint, without a call: exact for every |x| below 2^51.
  constexpr double kShift = 6755399441055744.0;
  return static_cast<int32_t>((x + kShift) - kShift);
}

// trunc(log10(n)) for n > 0 (0 for 1..9, 1 for 10..99 ...); 0 for n <= 0.
int Magnitude(int64_t n);

// ---------------------------------------------------------------- angles (radians)

constexpr double kTwoPi = 2.0 * std::numbers::pi;

// Into [0, 2π]: subtract 2π while above 2π, add 2π while below 0.
// NaN and infinities give NaN.
double WrapPositive(double x);
// a + b brought into [−π, π].  NaN and infinities give NaN.
double AddAngles(double a, double b);
// Turning angle at p2 of the path p1 -> p2 -> p3: atan2(−dot, cross) of
// u = p2 − p1 and v = p3 − p2, ±π/2 when dot = 0.
double AngleAtVertex(const TPixel& p1, const TPixel& p2, const TPixel& p3);
constexpr double RadToDeg(double r) { return r * 180.0 / std::numbers::pi; }
constexpr double DegToRad(double d) { return d * std::numbers::pi / 180.0; }

// ---------------------------------------------------------------- distances

double Distance(const TWorldPoint& a, const TWorldPoint& b);
double Distance(const TPixel& a, const TPixel& b);

// ---------------------------------------------------------------- arrays

// Largest element, −1.7e308 for an empty array (smallest, +1.7e308).
double MaxValue(const std::vector<double>& a);
double MinValue(const std::vector<double>& a);
// Integer arrays: −2147483647 and +2147483647 for an empty array.
int32_t MaxValue(const std::vector<int32_t>& a);
int32_t MinValue(const std::vector<int32_t>& a);
// sum / length; NaN for an empty array.
double Mean(const std::vector<double>& a);
// Widens `box` (xmin, xmax, ymin, ymax) to hold every point.  The default
// start is xmin = ymin = 1e100, xmax = ymax = −1e100, so an empty array
// leaves it "inverted".
TWorldWindow BoundingBox(const std::vector<TWorldPoint>& points);

// ---------------------------------------------------------------- pixel geometry

// p lies in the square centred on c of side max(6, t) (half-side rounded down).
bool NearPoint(const TPixel& p, const TPixel& c, int t);
// p is near one of the pixels of the segment a-b rasterised one pixel per
// step along its longer axis.
bool NearSegment(const TPixel& p, const TPixel& a, const TPixel& b, int t);
// 0 when p is near a, 1 near b, −1 near the body of the segment, −2 otherwise.
// For a short segment (both extents under t) the body is tested first.
int SegmentHandle(const TPixel& p, const TPixel& a, const TPixel& b, int t);

// Inside test of a rectangle, right and bottom excluded.
bool PointInRect(const TPixel& p, const TPixelRect& r);
// p is near (as NearSegment) one of the four sides of r, drawn through its
// corners (left, top) and (right, bottom).
bool NearRectBorder(const TPixel& p, const TPixelRect& r, int t);

// Four-bit region code of (x, y) against the window: 1 left, 2 right,
// 4 bottom (y < ymin), 8 top (y > ymax).
enum TRegionCode : unsigned { rcLeft = 1, rcRight = 2, rcBottom = 4, rcTop = 8 };
unsigned RegionCode(double x, double y, const TWorldWindow& w);
// Clips the segment a-b to the window (Cohen–Sutherland).  Returns false,
// leaving a and b alone, when nothing of it is inside.
bool ClipSegment(TWorldPoint& a, TWorldPoint& b, const TWorldWindow& w);

// ---------------------------------------------------------------- linear algebra

// Solves A·x = b (A is n×n, row by row) by Gaussian elimination with partial
// pivoting.  Returns 1 when the system is singular (x is then left empty),
// 0 otherwise.  A and b are not changed.  Mismatched sizes count as singular.
int SolveLinear(const std::vector<std::vector<double>>& a, const std::vector<double>& b,
                std::vector<double>& x);

// ---------------------------------------------------------------- root search

struct TRootResult {
  bool found = false;
  double root = 0.0;
};

// Bisection on [lo, hi].  Not found when lo >= hi, when f(lo) and f(hi)
// have the same strict sign, or when f throws or returns NaN or an infinity.
// lo or hi is the root when |f| there is within the tolerance; otherwise the
// interval is halved (keeping the half whose ends have opposite signs) until
// |f(mid)| <= tolerance or maxSteps + 1 midpoints were tried; the root is the
// last midpoint.
TRootResult RootSearch(const std::function<double(double)>& f, double lo, double hi,
                       double tolerance, int maxSteps);

}  // namespace kinevo

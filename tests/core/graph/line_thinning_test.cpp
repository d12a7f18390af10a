// The thinning of long lines before they are stroked: far fewer points,
// none of the dropped ones farther than the tolerance from what is drawn.
#include "core/graph/line_thinning.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

namespace kinevo {
namespace {

double SegmentDistance(TWorldPoint p, TWorldPoint a, TWorldPoint b) {
  const double dx = b.x - a.x, dy = b.y - a.y, len2 = dx * dx + dy * dy;
  const double u =
      len2 > 0 ? std::clamp(((p.x - a.x) * dx + (p.y - a.y) * dy) / len2, 0.0, 1.0) : 0;
  return std::hypot(p.x - (a.x + u * dx), p.y - (a.y + u * dy));
}

std::vector<TWorldPoint> Thinned(const std::vector<TWorldPoint>& line, double tolerance) {
  TLineThinner thinner(tolerance);
  std::vector<TWorldPoint> out;
  for (const TWorldPoint& p : line) thinner.Add(p, out);
  thinner.End(out);
  return out;
}

// The farthest of `line`'s points from the kept polyline.
double Stray(const std::vector<TWorldPoint>& line, const std::vector<TWorldPoint>& kept) {
  double worst = 0;
  for (const TWorldPoint& p : line) {
    double best = HUGE_VAL;
    for (std::size_t k = 0; k + 1 < kept.size(); ++k)
      best = std::min(best, SegmentDistance(p, kept[k], kept[k + 1]));
    worst = std::max(worst, best);
  }
  return worst;
}

TEST(LineThinning, AModelCurveKeepsItsShapeWithAFewPoints) {
  // A damped oscillation over 900 pixels, 10,000 points as a model gives.
  std::vector<TWorldPoint> line;
  for (int i = 0; i < 10000; ++i) {
    const double t = i / 10000.0;
    line.push_back({75 + 900 * t, 350 - 250 * std::exp(-2 * t) * std::cos(40 * t)});
  }
  const std::vector<TWorldPoint> kept = Thinned(line, 0.25);
  EXPECT_LT(kept.size(), 600u);
  EXPECT_GT(kept.size(), 20u);
  EXPECT_EQ(kept.front().x, line.front().x);
  EXPECT_EQ(kept.back().y, line.back().y);
  EXPECT_LE(Stray(line, kept), 0.25 + 1e-9);
}

TEST(LineThinning, StraightRunsTurnsAndNewLines) {
  TLineThinner thinner(0.5);
  std::vector<TWorldPoint> out;
  // Along a line with wobbles smaller than the tolerance: its two ends.
  for (int i = 0; i <= 100; ++i) thinner.Add({i * 1.0, 10 + 0.05 * std::sin(i * 1.7)}, out);
  thinner.End(out);
  ASSERT_EQ(out.size(), 2u);
  EXPECT_EQ(out[1].x, 100);
  // Out along a line and back along it: the turn is kept (a dropped point
  // lies beside the drawn segment, not beyond its end).
  out.clear();
  std::vector<TWorldPoint> line;
  for (int i = 0; i <= 50; ++i) line.push_back({i * 2.0, i * 1.0});
  for (int i = 49; i >= 10; --i) line.push_back({i * 2.0, i * 1.0});
  for (const TWorldPoint& p : line) thinner.Add(p, out);
  thinner.End(out);
  ASSERT_EQ(out.size(), 3u);
  EXPECT_EQ(out[1].x, 100);
  EXPECT_EQ(out[2].x, 20);
  EXPECT_LE(Stray(line, out), 0.5);
  // A single point is a line of one point.
  out.clear();
  thinner.Add({3, 4}, out);
  thinner.End(out);
  EXPECT_EQ(out.size(), 1u);
}

}  // namespace
}  // namespace kinevo

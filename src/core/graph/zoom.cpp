#include "core/graph/zoom.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace kinevo {
namespace {

constexpr double kEps = 1e-5;
constexpr double kLowest = kZoomLevels.front();
constexpr double kHighest = kZoomLevels.back();

// Index of the first level strictly above the factor (size when none).
std::size_t NextAbove(double factor) {
  std::size_t i = 0;
  while (i < kZoomLevels.size() && factor > kZoomLevels[i] - kEps) ++i;
  return i;
}

// Index of the level just below the factor (-1 when none).
int NextBelow(double factor) {
  int i = 0;
  while (i < static_cast<int>(kZoomLevels.size()) && !(kZoomLevels[i] + kEps > factor)) ++i;
  return i - 1;
}

}  // namespace

double ZoomStep(double factor, bool in, bool fine) {
  if (in) {
    const std::size_t up = NextAbove(factor);
    if (up >= kZoomLevels.size()) return kHighest;
    if (!fine) return kZoomLevels[up];
    const double current = up > 0 ? kZoomLevels[up - 1] : kLowest;
    return std::min(kHighest, factor + 0.1 * (kZoomLevels[up] - current));
  }
  const int down = NextBelow(factor);
  if (down < 0) return kLowest;
  if (!fine) return kZoomLevels[static_cast<std::size_t>(down)];
  const std::size_t up = static_cast<std::size_t>(down) + 1;
  const double current = up < kZoomLevels.size() ? kZoomLevels[up] : kHighest;
  return std::max(kLowest, factor - 0.1 * (current - kZoomLevels[static_cast<std::size_t>(down)]));
}

void ScaleAbout(double& min, double& max, double p, double oldFactor, double newFactor) {
  const double k = oldFactor / newFactor;
  min = p + (min - p) * k;
  max = p + (max - p) * k;
}

TWorldWindow TGraphZoom::Step(const TWorldWindow& w, TWorldPoint p, bool in, bool fine,
                              bool equalScale, TZoomAxes axes) {
  TWorldWindow r = w;
  if (equalScale || axes.x) {
    const double n = ZoomStep(fx_, in, fine);
    ScaleAbout(r.xmin, r.xmax, p.x, fx_, n);
    fx_ = n;
  }
  if (equalScale || axes.y) {
    const double n = ZoomStep(fy_, in, fine);
    ScaleAbout(r.ymin, r.ymax, p.y, fy_, n);
    fy_ = n;
  }
  return r;
}

TWorldWindow TGraphZoom::Rect(const TWorldWindow& w, const TPlotRect& plot, TPixel from, TPixel to,
                              bool equalScale, TZoomAxes axes) {
  const int rw = std::abs(to.x - from.x), rh = std::abs(to.y - from.y);
  if (rw < kMinRect || rh < kMinRect || plot.width <= 0 || plot.height <= 0)
    return Step(w, PixelToWorld(plot, w, to.x, to.y), true, false, equalScale, axes);
  const TWorldPoint c = PixelToWorld(plot, w, (from.x + to.x) / 2.0, (from.y + to.y) / 2.0);
  auto clamp = [](double f) { return std::clamp(f, kLowest, kHighest); };
  double nx = fx_, ny = fy_;
  if (equalScale) {
    const double k = std::min(double(plot.height) / rh, double(plot.width) / rw);
    nx = clamp(fx_ * k);
    ny = clamp(fy_ * k);
  } else {
    if (axes.x) nx = clamp(fx_ * plot.width / rw);
    if (axes.y) ny = clamp(fy_ * plot.height / rh);
  }
  // An axis the tool does not act on keeps its range.
  TWorldWindow r = w;
  if (equalScale || axes.x) {
    const double hx = fx_ / nx * 0.5 * (w.xmax - w.xmin);
    r.xmin = c.x - hx;
    r.xmax = c.x + hx;
  }
  if (equalScale || axes.y) {
    const double hy = fy_ / ny * 0.5 * (w.ymax - w.ymin);
    r.ymin = c.y - hy;
    r.ymax = c.y + hy;
  }
  fx_ = nx;
  fy_ = ny;
  return r;
}

}  // namespace kinevo

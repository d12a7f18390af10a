#include "core/graph/world_range.h"

#include <algorithm>
#include <cmath>

namespace kinevo {

TWorldPoint PixelToWorld(const TPlotRect& plot, const TWorldWindow& w, double px, double py) {
  if (plot.width <= 0 || plot.height <= 0) return {w.xmin, w.ymin};
  const double x = w.xmin + (px - plot.left) / plot.width * (w.xmax - w.xmin);
  const double y = w.ymin + (plot.height + plot.top - py) / plot.height * (w.ymax - w.ymin);
  return {x, y};
}

void WorldToPixelF(const TPlotRect& plot, const TWorldWindow& w, double x, double y, double& px,
                   double& py) {
  TPixelMap(plot, w).MapF(x, y, px, py);
}

TPixel WorldToPixel(const TPlotRect& plot, const TWorldWindow& w, double x, double y) {
  return TPixelMap(plot, w).Map(x, y);
}

bool WidenAxisRange(double& min, double& max, double m, TAxisRule rule) {
  if (!std::isfinite(min) || !std::isfinite(max) || min > max) return false;
  if (IsZero(max) && IsZero(min)) {
    max += 1e-50;
    min -= 1e-50;
  } else if (IsZero(max - min) ||
             IsNegligible(max - min, std::max(std::fabs(min), std::fabs(max)))) {
    // Equal bounds, to the rounding of the values: a spread of 1e-16 would
    // otherwise give a window too thin for its labels.  The window is the
    // value ± the margin fraction of it, with no margin added on top, so a
    // point at rest reads c ± 5 %.
    const double d = std::fabs(m * max);
    max += d;
    min -= d;
    if (!rule.includeZero && !rule.fromZero) return std::isfinite(min) && std::isfinite(max);
  }
  if (rule.includeZero || rule.fromZero) {
    if (min > 0)
      min = 0;
    else if (max < 0)
      max = 0;
  }
  const double r = max - min;
  min -= m * r;
  max += m * r;
  if (rule.fromZero) min = 0;
  return std::isfinite(min) && std::isfinite(max) && max > min;
}

TWorldWindow FitRange(const TWorldWindow& extremes, double m, TAxisRule x, TAxisRule y) {
  TWorldWindow w = extremes;
  if (!WidenAxisRange(w.ymin, w.ymax, m, y) || !WidenAxisRange(w.xmin, w.xmax, m, x))
    return kDefaultWorld;
  return w;
}

void WidenToAtLeast(double& min, double& max, double span) {
  if (min > max || !(max - min < span)) return;
  const double extra = (span - (max - min)) / 2;
  min -= extra;
  max += extra;
}

TWorldWindow MakeIsotropic(const TWorldWindow& w, int plotWidth, int plotHeight) {
  if (plotWidth <= 0 || plotHeight <= 0) return w;
  const double ux = (w.xmax - w.xmin) / plotWidth;
  const double uy = (w.ymax - w.ymin) / plotHeight;
  TWorldWindow r = w;
  if (ux < uy) {
    const double half = uy * plotWidth / 2, c = (w.xmin + w.xmax) / 2;
    r.xmin = c - half;
    r.xmax = c + half;
  } else if (uy < ux) {
    const double half = ux * plotHeight / 2, c = (w.ymin + w.ymax) / 2;
    r.ymin = c - half;
    r.ymax = c + half;
  }
  return r;
}

void FoldWindow(TWorldWindow& box, const TWorldWindow& other) {
  box.xmin = std::min(box.xmin, other.xmin);
  box.xmax = std::max(box.xmax, other.xmax);
  box.ymin = std::min(box.ymin, other.ymin);
  box.ymax = std::max(box.ymax, other.ymax);
}

bool IsEmptyBox(const TWorldWindow& w) { return w.xmin > w.xmax || w.ymin > w.ymax; }

}  // namespace kinevo

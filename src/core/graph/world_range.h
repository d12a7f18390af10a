#pragma once
// The world window of a graph: conversions between world units and pixels of
// the plot, and the rules that choose the window from the data (range
// widening, FitRange, the trajectory's minimum span and equal scales).
#include "core/common/math_utils.h"
#include "core/common/picture_coord.h"

namespace kinevo {

// The plot area inside a graph's margins, in pixels.
struct TPlotRect {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
  int Right() const { return left + width; }
  int Bottom() const { return top + height; }
  TPixelRect Rect() const { return {left, top, left + width, top + height}; }
  friend bool operator==(const TPlotRect&, const TPlotRect&) = default;
};

// The window that means "nothing sensible could be computed".
inline constexpr TWorldWindow kDefaultWorld{0.0, 100.0, 0.0, 100.0};

// Pixel <-> world through a plot rectangle; y grows upwards in the world.
// Pixels are rounded to the nearest integer; a plot without width or height
// maps everything to its corner.
TWorldPoint PixelToWorld(const TPlotRect& plot, const TWorldWindow& w, double px, double py);
TPixel WorldToPixel(const TPlotRect& plot, const TWorldWindow& w, double x, double y);
// Without rounding, for drawing at sub-pixel precision.
void WorldToPixelF(const TPlotRect& plot, const TWorldWindow& w, double x, double y, double& px,
                   double& py);

// The same mapping set up once for many points (every point of a curve at
// each step of a pan): the same arithmetic, so the same pixels, without a
// call and the degenerate-window tests per point.
class TPixelMap {
 public:
  TPixelMap(const TPlotRect& plot, const TWorldWindow& w)
      : xmin_(w.xmin),
        ymin_(w.ymin),
        dx_(w.xmax - w.xmin),
        dy_(w.ymax - w.ymin),
        left_(plot.left),
        top_(plot.top),
        width_(plot.width),
        height_(plot.height),
        flatX_(IsZero(dx_)),
        flatY_(IsZero(dy_)) {}
  void MapF(double x, double y, double& px, double& py) const {
    px = flatX_ ? left_ : left_ + (x - xmin_) / dx_ * width_;
    py = flatY_ ? top_ + height_ : top_ + height_ - (y - ymin_) / dy_ * height_;
  }
  TPixel Map(double x, double y) const {
    double px, py;
    MapF(x, y, px, py);
    return {RoundToInt(px), RoundToInt(py)};
  }

 private:
  double xmin_, ymin_, dx_, dy_;
  double left_, top_, width_, height_;
  bool flatX_, flatY_;
};

// How one axis is widened: `includeZero` pulls the nearer bound to 0,
// `fromZero` also forces the lower bound to 0 after the margin.
struct TAxisRule {
  bool includeZero = false;
  bool fromZero = false;
};

// The range widening of one axis with margin fraction m (see FitRange).
// Returns false when the arithmetic failed or the range is empty (no data:
// min > max).
bool WidenAxisRange(double& min, double& max, double m, TAxisRule rule);

// The window shown for data whose extremes are `extremes`: widening of y
// first, then x, with margin m.  Any failure (not-a-number, infinite or
// missing data) gives kDefaultWorld.
TWorldWindow FitRange(const TWorldWindow& extremes, double m, TAxisRule x, TAxisRule y);

// Widens [min, max] about its centre to at least `span` (both sides
// equally); an empty range (min > max) is left alone.
void WidenToAtLeast(double& min, double& max, double span);

// Widens the axis whose units per pixel are smaller, about its centre, so
// that both axes have the same units per pixel over a plot of that size.
TWorldWindow MakeIsotropic(const TWorldWindow& w, int plotWidth, int plotHeight);

// Bounding box of extremes: folds (xmin, xmax, ymin, ymax) of another box
// into `box`.
void FoldWindow(TWorldWindow& box, const TWorldWindow& other);
// The box that holds nothing yet (xmin = ymin = 1e100, xmax = ymax = -1e100).
inline constexpr TWorldWindow kEmptyBox{1e100, -1e100, 1e100, -1e100};
bool IsEmptyBox(const TWorldWindow& w);

}  // namespace kinevo

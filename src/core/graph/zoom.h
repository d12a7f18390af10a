#pragma once
// The zoom tool of a graph (named apart from the video view's zoom): zoom
// factors per axis held to a table of levels, a step in or out at a clicked
// point, a finer step with Ctrl, and zooming to a dragged rectangle.
#include <array>

#include "core/common/math_utils.h"
#include "core/graph/world_range.h"

namespace kinevo {

inline constexpr std::array<double, 17> kZoomLevels{
    0.0625, 0.0833, 0.125, 0.167, 0.25, 0.333, 0.5, 0.667, 1, 1.5, 2, 2.5, 3, 3.5, 4, 6, 10};

// The factor after a step: `in` goes to the next level strictly above,
// otherwise to the level below; `fine` moves a tenth of the gap between
// the neighbouring levels.  Held to the ends of the table.
double ZoomStep(double factor, bool in, bool fine);

// The window scaled about p when a factor goes from `oldFactor` to
// `newFactor` (per axis).
void ScaleAbout(double& min, double& max, double p, double oldFactor, double newFactor);

struct TZoomAxes {
  bool x = true;  // IsZoomX
  bool y = true;  // IsZoomY
};

class TGraphZoom {
 public:
  static constexpr int kMinRect = 10;  // smaller drags are clicks

  double FactorX() const { return fx_; }
  double FactorY() const { return fy_; }
  void Reset() { fx_ = fy_ = 1.0; }

  // A click at world point p: left zooms in, right zooms out.  Acts on each
  // axis where `equalScale` or the axis flag holds.
  TWorldWindow Step(const TWorldWindow& w, TWorldPoint p, bool in, bool fine, bool equalScale,
                    TZoomAxes axes);
  // A dragged rectangle (pixels) over the plot; falls back to a step zoom in
  // at its end when it is smaller than kMinRect either way.
  TWorldWindow Rect(const TWorldWindow& w, const TPlotRect& plot, TPixel from, TPixel to,
                    bool equalScale, TZoomAxes axes);

 private:
  double fx_ = 1.0, fy_ = 1.0;
};

}  // namespace kinevo

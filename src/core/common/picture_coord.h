#pragma once
// A position on the picture as fractions of its width and height, from the
// top-left corner, y downwards.  Every mark, origin, scale point and layer
// position is stored in this form.
//
// Coordinates are continuous: pixel i covers [i, i + 1), so the centre of
// pixel i is at i + 0.5.  A click on a pixel of the view means the centre
// of that pixel, and a tracker reports the centre of what it follows in the
// same way, so that a click and a tracker agree on the same object.
#include <cmath>

namespace kinevo {

struct TPictureCoord {
  double x = 0.0;
  double y = 0.0;
  friend bool operator==(const TPictureCoord&, const TPictureCoord&) = default;
};

// A pixel position on the view or on the picture.
struct TPixel {
  int x = 0;
  int y = 0;
  friend bool operator==(const TPixel&, const TPixel&) = default;
};

// The index of the pixel that holds continuous coordinate v.  A position on
// a pixel's left or top edge belongs to that pixel, even with the rounding
// of the fractions it is stored as (0.29 × 100 is not quite 29).
inline int PixelHolding(double v) {
  constexpr double kEdge = 1e-7;
  return static_cast<int>(std::floor(v + kEdge));
}

// The mapping between the view's pixels and the picture: `scale` view
// pixels per unit of picture position, `offset` the picture position at the
// view's left (top) edge.
struct TViewMapping {
  double scaleX = 0.0, scaleY = 0.0;
  double offsetX = 0.0, offsetY = 0.0;

  // The centre of view pixel (x, y) on the picture, bounded to [0, 1].
  TPictureCoord ToPicture(double x, double y) const {
    if (scaleX == 0.0 || scaleY == 0.0) return {0.0, 0.0};
    auto bounded = [](double v) { return v < 0.0 ? 0.0 : (v > 1.0 ? 1.0 : v); };
    return {bounded((x + 0.5) / scaleX + offsetX), bounded((y + 0.5) / scaleY + offsetY)};
  }
  // The view pixel that holds picture position p.
  TPixel ToView(const TPictureCoord& p) const {
    return {PixelHolding((p.x - offsetX) * scaleX), PixelHolding((p.y - offsetY) * scaleY)};
  }
};

struct TPixelRect {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;
  int Width() const { return right - left; }
  int Height() const { return bottom - top; }
  friend bool operator==(const TPixelRect&, const TPixelRect&) = default;
};

}  // namespace kinevo

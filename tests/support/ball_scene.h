#pragma once
// Pictures of a thrown ball for the tracking tests: a red disc drawn with
// anti-aliased edges (each pixel covered in part takes that part of the
// ball's colour) on a light background, optionally behind a screen of
// another colour.  Positions are continuous picture pixels, pixel (i, j)
// being the unit square whose top-left corner is (i, j); the truth a
// tracker should report for a disc centred at (cx, cy) is (cx, cy).
#include <algorithm>
#include <cmath>

#include "core/common/image.h"

namespace kinevo::test {

constexpr TColor kBallColour = RGBColor(220, 30, 30);
constexpr TColor kSceneBackground = RGBColor(235, 235, 225);
constexpr TColor kScreenColour = RGBColor(40, 110, 60);

struct TScreenRect {
  int left = 0, top = 0, right = 0, bottom = 0;  // right and bottom excluded
};

inline TColor MixColour(TColor a, TColor b, double t) {
  auto mix = [t](int x, int y) { return static_cast<uint8_t>(std::lround(x + (y - x) * t)); };
  return RGBColor(mix(RedOf(a), RedOf(b)), mix(GreenOf(a), GreenOf(b)), mix(BlueOf(a), BlueOf(b)));
}

// Draws the disc with 4 × 4 samples per pixel on its edge.
inline void DrawSoftDisc(Image& img, double cx, double cy, double r, TColor colour) {
  const int x0 = std::max(0, static_cast<int>(std::floor(cx - r - 1)));
  const int x1 = std::min(img.Width() - 1, static_cast<int>(std::ceil(cx + r + 1)));
  const int y0 = std::max(0, static_cast<int>(std::floor(cy - r - 1)));
  const int y1 = std::min(img.Height() - 1, static_cast<int>(std::ceil(cy + r + 1)));
  for (int y = y0; y <= y1; ++y) {
    for (int x = x0; x <= x1; ++x) {
      int inside = 0;
      for (int sy = 0; sy < 4; ++sy)
        for (int sx = 0; sx < 4; ++sx) {
          const double px = x + (sx + 0.5) / 4 - cx, py = y + (sy + 0.5) / 4 - cy;
          if (px * px + py * py <= r * r) ++inside;
        }
      if (inside > 0) img.SetPixel(x, y, MixColour(img.Pixel(x, y), colour, inside / 16.0));
    }
  }
}

// The scene: background, ball, then the screen in front of it.
inline Image BallScene(int width, int height, double cx, double cy, double r,
                       const TScreenRect* screen = nullptr) {
  Image img(width, height, kSceneBackground);
  DrawSoftDisc(img, cx, cy, r, kBallColour);
  if (screen != nullptr)
    for (int y = std::max(screen->top, 0); y < std::min(screen->bottom, height); ++y)
      for (int x = std::max(screen->left, 0); x < std::min(screen->right, width); ++x)
        img.SetPixel(x, y, kScreenColour);
  return img;
}

}  // namespace kinevo::test

#pragma once
// Pictures for the appearance tracker's tests: grey textured balls moving
// over a grey textured scene whose light grows over the run, with motion
// blur (each image averages the ball over the half of the image interval
// around its time), optionally behind a screen.  Ball and scene have the
// same mean grey, so nothing but their texture tells them apart.
//
// Positions are continuous picture pixels (pixel i covers [i, i + 1)); the
// truth of image k is each ball's centre at the middle of its exposure.
#include <algorithm>
#include <cmath>
#include <functional>
#include <vector>

#include "core/common/image.h"
#include "core/tracking/mean_shift.h"

namespace kinevo::test {

struct TGreyBall {
  std::function<TPixelF(double)> path;  // centre at a time counted in images
  double radius = 14.0;
  double phase = 0.0;  // changes the texture: two balls look different
};

struct TGreyScene {
  int width = 320, height = 240, images = 30;
  std::vector<TGreyBall> balls;
  double brightening = 0.4;             // the light grows by this fraction over the run
  double exposure = 0.5;                // of the image interval: the blur
  int screenLeft = 0, screenRight = 0;  // a screen over these columns (none when equal)

  // The scene's own texture: mean 110, blobs of a few pixels to tens.
  static double Background(double x, double y) {
    return 110 + 28 * std::sin(0.21 * x + 0.5 * std::sin(0.05 * y)) * std::cos(0.17 * y) +
           14 * std::sin(0.043 * x - 0.061 * y + 1.0);
  }
  // The ball's texture around its centre: the same mean, other patterns.
  static double BallLook(double u, double v, double phase) {
    return 110 + 30 * std::sin(0.45 * u + phase) * std::cos(0.38 * v - phase) +
           18 * (u + v > 0 ? 1 : -1) * std::cos(0.2 * (u - v));
  }
  static double ScreenLook(double x, double y) { return 110 + 20 * std::sin(0.3 * x + 0.2 * y); }

  double Gain(int k) const { return 1.0 + brightening * k / std::max(images - 1, 1); }
  TPixelF Truth(int ball, int k) const { return balls[static_cast<std::size_t>(ball)].path(k); }
  bool Screened(double x) const { return x >= screenLeft && x < screenRight; }

  Image Picture(int k) const {
    std::vector<double> v(static_cast<std::size_t>(width) * height);
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x)
        v[static_cast<std::size_t>(y) * width + x] = Background(x + 0.5, y + 0.5);
    for (const TGreyBall& b : balls) DrawBall(b, k, v);
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x)
        if (Screened(x + 0.5))
          v[static_cast<std::size_t>(y) * width + x] = ScreenLook(x + 0.5, y + 0.5);
    Image img(width, height);
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x) {
        const auto g = static_cast<uint8_t>(std::clamp(
            std::lround(v[static_cast<std::size_t>(y) * width + x] * Gain(k)), 0L, 255L));
        img.SetPixel(x, y, RGBColor(g, g, g));
      }
    return img;
  }

  // A contour just inside ball `ball` on image k (picture positions).
  std::vector<TPictureCoord> Contour(int ball, int k, double inset = 1.0) const {
    const TPixelF c = Truth(ball, k);
    const double r = balls[static_cast<std::size_t>(ball)].radius - inset;
    std::vector<TPictureCoord> out;
    for (int i = 0; i < 32; ++i) {
      const double a = 2 * M_PI * i / 32;
      out.push_back({(c.x + r * std::cos(a)) / width, (c.y + r * std::sin(a)) / height});
    }
    return out;
  }

 private:
  // 8 moments of the exposure, 4 × 4 samples per pixel.
  void DrawBall(const TGreyBall& b, int k, std::vector<double>& v) const {
    constexpr int kMoments = 8, kSamples = 4;
    const TPixelF from = b.path(k - exposure / 2), to = b.path(k + exposure / 2);
    const int x0 = std::max(0, static_cast<int>(std::min(from.x, to.x) - b.radius - 1));
    const int x1 = std::min(width - 1, static_cast<int>(std::max(from.x, to.x) + b.radius + 1));
    const int y0 = std::max(0, static_cast<int>(std::min(from.y, to.y) - b.radius - 1));
    const int y1 = std::min(height - 1, static_cast<int>(std::max(from.y, to.y) + b.radius + 1));
    for (int y = y0; y <= y1; ++y)
      for (int x = x0; x <= x1; ++x) {
        double sum = 0.0;
        for (int m = 0; m < kMoments; ++m) {
          const TPixelF c = b.path(k + exposure * ((m + 0.5) / kMoments - 0.5));
          for (int sy = 0; sy < kSamples; ++sy)
            for (int sx = 0; sx < kSamples; ++sx) {
              const double u = x + (sx + 0.5) / kSamples - c.x, w = y + (sy + 0.5) / kSamples - c.y;
              sum += u * u + w * w <= b.radius * b.radius
                         ? BallLook(u, w, b.phase)
                         : v[static_cast<std::size_t>(y) * width + x];
            }
        }
        v[static_cast<std::size_t>(y) * width + x] = sum / (kMoments * kSamples * kSamples);
      }
  }
};

}  // namespace kinevo::test

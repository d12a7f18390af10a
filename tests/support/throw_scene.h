#pragma once
// A generated throw for the chronophotograph and annotated video tests: a
// red ball (radius 9) flies along a parabola over a textured background on
// 20 pictures of 320 x 240 (see throw_document.h for its video and
// document: 100 pixels per metre, 0.04 s between images).
#include <string>

#include "support/ball_scene.h"

namespace kinevo::test {

struct Throw {
  static constexpr int kWidth = 320, kHeight = 240, kImages = 20;
  static constexpr double kRadius = 9.0;
  static constexpr double kPeriod = 0.04;
  static constexpr double kPixelsPerMetre = 100.0;
  // The centre on image i, in picture pixels (y downwards).
  static double X(int i) { return 30.0 + 13.0 * i; }
  static double Y(int i) { return 200.0 - 25.0 * i + 1.25 * i * i; }
  // Pixel speeds (pixels per second, y downwards): x is uniform, y a
  // parabola, so these are the exact derivatives.
  static double Vx(int) { return 13.0 / kPeriod; }
  static double Vy(int i) { return (-25.0 + 2.5 * i) / kPeriod; }

  // The still background: stripes and a gradient, far from the ball's red.
  static TColor Background(int x, int y) {
    const bool stripe = ((x / 6) + (y / 6)) % 2 == 0;
    const int v = (3 * x + 5 * y) % 24;
    return stripe ? RGBColor(60 + v, 120, 170) : RGBColor(150, 190 - v, 110);
  }
  static Image Picture(int i) {
    Image img(kWidth, kHeight);
    for (int y = 0; y < kHeight; ++y)
      for (int x = 0; x < kWidth; ++x) img.SetPixel(x, y, Background(x, y));
    DrawSoftDisc(img, X(i), Y(i), kRadius, kBallColour);
    return img;
  }
};

}  // namespace kinevo::test

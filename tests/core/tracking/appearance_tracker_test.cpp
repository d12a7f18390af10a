// The appearance tracker: the correlation's invariance to light, its
// sub-pixel peak, and runs over generated grey scenes (light growing by
// 40 %, motion blur) against the true centres, where the colour tracker
// loses the ball.
#include "core/tracking/appearance_tracker.h"

#include <gtest/gtest.h>

#include <cmath>

#include "support/grey_ball_scene.h"

namespace kinevo {
namespace {

using test::TGreyBall;
using test::TGreyScene;

// A thrown ball: 8 px per image across, up then down.
TGreyScene ThrownBall() {
  TGreyScene s;
  s.balls.push_back({[](double t) {
                       return TPixelF{40.0 + 8.0 * t, 60.0 + 8.0 * t - 0.3 * t * t};
                     },
                     14.0, 0.0});
  return s;
}

struct TErrors {
  double mean = 0.0, worst = 0.0;
};

TErrors Errors(const std::vector<double>& e) {
  TErrors out;
  for (double v : e) {
    out.mean += v / static_cast<double>(e.size());
    out.worst = std::max(out.worst, v);
  }
  return out;
}

TEST(Ncc, ScoresLookAlikeWhateverTheLightAndRefusesFlatPictures) {
  const TGreyScene scene = ThrownBall();
  const Image picture = scene.Picture(0);
  TPlanes all, cut;
  ExtractPlanes(picture, {0, 0, picture.Width(), picture.Height()}, false, all);
  ExtractPlanes(picture, {100, 80, 124, 100}, false, cut);
  TNccTemplate t;
  ASSERT_TRUE(t.Set(cut, std::vector<uint8_t>(24 * 20, 1)));
  // Brighter and with more contrast: the same look.
  for (float& v : all.values) v = 1.4f * v + 12.0f;
  TZoneSums sums;
  sums.Build(all);
  EXPECT_NEAR(t.Score(all, sums, 100, 80), 1.0, 1e-5);
  EXPECT_LT(t.Score(all, sums, 115, 80), 0.5);  // half a stripe away
  // A flat part of the picture matches nothing; a flat template is refused.
  for (int y = 0; y < 40; ++y)
    for (int x = 0; x < 40; ++x) all.Row(0, y)[x] = 90.0f;
  sums.Build(all);
  EXPECT_EQ(t.Score(all, sums, 5, 5), 0.0);
  TPlanes flat;
  flat.Resize(10, 10, 1);
  EXPECT_FALSE(t.Set(flat, std::vector<uint8_t>(100, 1)));
}

TEST(Ncc, ParabolaFindsTheTopBetweenSamples) {
  // Samples of 1 - (x - 0.3)² at -1, 0, 1: the top is at 0.3.
  auto f = [](double x) { return 1.0 - (x - 0.3) * (x - 0.3); };
  EXPECT_NEAR(ParabolaPeak(f(-1), f(0), f(1)), 0.3, 1e-12);
  EXPECT_EQ(ParabolaPeak(0.5, 0.2, 0.5), 0.0);    // a valley is no peak
  EXPECT_EQ(ParabolaPeak(2.0, 1.0, -3.0), -0.5);  // bounded to half a pixel
}

TEST(AppearanceTracker, FollowsAGreyBallThroughLightAndBlurWithinHalfAPixel) {
  const TGreyScene scene = ThrownBall();
  TAppearanceTracker tracker;
  tracker.SetRadius(30);
  ASSERT_TRUE(tracker.SetModel(scene.Picture(0), scene.Contour(0, 0)));
  EXPECT_EQ(tracker.Factor(), 2);
  std::vector<double> errors;
  for (int k = 1; k < scene.images; ++k) {
    tracker.Track(scene.Picture(k), 0.7);
    const TPixelF p = tracker.LastPosition(), truth = scene.Truth(0, k);
    errors.push_back(std::hypot(p.x - truth.x, p.y - truth.y));
    EXPECT_GT(tracker.LastSimilarity(), 0.7) << k;
  }
  const TErrors e = Errors(errors);
  std::printf("appearance: mean %.3f px, worst %.3f px\n", e.mean, e.worst);
  EXPECT_LT(e.mean, 0.5);
  EXPECT_LT(e.worst, 1.5);
}

TEST(AppearanceTracker, TheColourTrackerLosesTheGreyBall) {
  // Expected: the ball has the scene's own greys, so no colour draws the
  // mean-shift window to it.
  const TGreyScene scene = ThrownBall();
  TMeanShift colour;
  colour.SetRadius(30);
  TPixel p;
  ASSERT_TRUE(colour.SetModel(scene.Picture(0), scene.Contour(0, 0), p));
  colour.SetBinCount(20);
  colour.BuildModel();
  double last = 0.0;
  for (int k = 1; k < scene.images; ++k) {
    colour.Track(scene.Picture(k), p, 10);
    const TPixelF truth = scene.Truth(0, k);
    last = std::hypot(colour.LastPosition().x - truth.x, colour.LastPosition().y - truth.y);
  }
  std::printf("colour: last error %.1f px\n", last);
  EXPECT_GT(last, 14.0);  // more than the ball's radius: lost
}

TEST(AppearanceTracker, InRgbFollowsAnObjectOnlyItsColoursTellApart) {
  // Red and green halves of the same grey on a grey scene: nothing to see
  // in grey (the coarse grey pass has nothing either), all in colour.
  constexpr int kW = 200, kH = 120;
  auto picture = [](int k) {
    Image img(kW, kH, RGBColor(100, 100, 100));
    for (int y = 40; y < 70; ++y)
      for (int x = 30 + 5 * k; x < 60 + 5 * k; ++x)
        img.SetPixel(x, y, x - 5 * k < 45 ? RGBColor(160, 70, 70) : RGBColor(70, 145, 85));
    return img;
  };
  const std::vector<TPictureCoord> contour{{28.0 / kW, 38.0 / kH},
                                           {62.0 / kW, 38.0 / kH},
                                           {62.0 / kW, 72.0 / kH},
                                           {28.0 / kW, 72.0 / kH}};
  TAppearanceTracker grey;
  EXPECT_FALSE(grey.SetModel(picture(0), contour));  // flat in grey: nothing to match
  TAppearanceTracker rgb;
  rgb.UseRGB = true;
  ASSERT_TRUE(rgb.SetModel(picture(0), contour));
  EXPECT_EQ(rgb.Factor(), 1);  // the grey coarse pass would see nothing
  const TPixelF start = rgb.ModelCentre();
  for (int k = 1; k <= 8; ++k) {
    rgb.Track(picture(k), 0.7);
    EXPECT_NEAR(rgb.LastPosition().x, start.x + 5 * k, 0.2) << k;
    EXPECT_NEAR(rgb.LastPosition().y, start.y, 0.2) << k;
    EXPECT_GT(rgb.LastSimilarity(), 0.95) << k;
  }
}

}  // namespace
}  // namespace kinevo

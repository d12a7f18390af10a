// The lens correction and the plane calibration: recovering a known lens
// from straightened lines, the inverse of the radial model, and the
// homography of the four points with its refusals.
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "core/marking/lens.h"
#include "core/marking/measure_map.h"
#include "core/marking/plane.h"

using namespace kinevo;

namespace {

constexpr double kW = 640.0, kH = 480.0;

// Lines straight in reality, as a lens (k1, k2) shows them on a kW×kH
// picture: points along straight segments of the corrected picture passed
// through the inverse of the model, with Gaussian noise of `noise` pixels;
// `points` points per segment.
std::vector<std::vector<TWorldPoint>> BentLines(double k1, double k2, double noise,
                                                unsigned seed = 7, int points = 15) {
  const TLensModel lens(kW, kH, k1, k2);
  std::mt19937 random(seed);
  std::normal_distribution<double> gauss(0.0, noise);
  const std::vector<std::pair<TWorldPoint, TWorldPoint>> segments{
      {{-20, 30}, {660, 50}},     // near the top, slightly tilted
      {{-10, 460}, {650, 440}},   // near the bottom
      {{40, -20}, {60, 500}},     // near the left
      {{600, 500}, {580, -30}}};  // near the right, drawn upwards
  std::vector<std::vector<TWorldPoint>> lines;
  for (const auto& [a, b] : segments) {
    lines.emplace_back();
    for (int i = 0; i < points; ++i) {
      const double t = i / (points - 1.0);
      TWorldPoint p = lens.Distort({a.x + t * (b.x - a.x), a.y + t * (b.y - a.y)});
      if (noise > 0.0) p = {p.x + gauss(random), p.y + gauss(random)};
      lines.back().push_back(p);
    }
  }
  return lines;
}

}  // namespace

TEST(LensTest, CorrectAndDistortAreInverse) {
  for (const auto& [k1, k2] : {std::pair{-0.25, 0.05}, {0.15, 0.02}, {-0.08, -0.01}}) {
    const TLensModel lens(kW, kH, k1, k2);
    for (double x = 0.0; x <= kW; x += 40.0)
      for (double y = 0.0; y <= kH; y += 40.0) {
        const TWorldPoint shown{x + 0.3, y + 0.7};
        const TWorldPoint back = lens.Distort(lens.Correct(shown));
        EXPECT_NEAR(back.x, shown.x, 1e-9) << k1 << " " << k2;
        EXPECT_NEAR(back.y, shown.y, 1e-9) << k1 << " " << k2;
      }
  }
  // The model itself: a corner of the picture is at half-diagonal 1, so it
  // moves by the factor 1 + k1 + k2; the centre does not move.
  const TLensModel lens(kW, kH, -0.2, 0.05);
  const TWorldPoint corner = lens.Correct({kW, kH});
  EXPECT_NEAR(corner.x, kW / 2 + kW / 2 * 0.85, 1e-9);
  EXPECT_NEAR(corner.y, kH / 2 + kH / 2 * 0.85, 1e-9);
  EXPECT_EQ(lens.Correct({kW / 2, kH / 2}), (TWorldPoint{kW / 2, kH / 2}));
  // Beyond what a strong barrel shows, the farthest point it shows.
  const TLensModel barrel(kW, kH, -0.5, 0.0);
  const TWorldPoint far = barrel.Distort({kW / 2 + 1000.0, kH / 2});
  const double turning = std::sqrt(1.0 / 1.5) * 400.0;  // half-diagonal 400 px
  EXPECT_NEAR(far.x, kW / 2 + turning, 1e-6);
  EXPECT_NEAR(far.y, kH / 2, 1e-9);
}

TEST(LensTest, RecoversTheLensFromBentLines) {
  // A barrel, as phones' wide lenses have (the picture's edges squeezed
  // towards the centre, so the correction pushes them out), and a
  // pincushion.
  for (const auto& [k1, k2] : {std::pair{0.2, 0.05}, {-0.18, 0.04}}) {
    const auto exact = EstimateLens(kW, kH, BentLines(k1, k2, 0.0));
    ASSERT_TRUE(exact.ok()) << exact.error().Text();
    EXPECT_NEAR(exact->k1, k1, 1e-6);
    EXPECT_NEAR(exact->k2, k2, 1e-6);
    EXPECT_LT(exact->residual, 1e-6);
  }
  // Points are never exact: 0.02 pixel of noise on 40 points per edge,
  // whatever the draw.  k2 is the less certain of the two (k1 and k2 partly
  // stand in for each other); the residual is about the noise.
  for (unsigned seed = 1; seed <= 5; ++seed) {
    const auto noisy = EstimateLens(kW, kH, BentLines(0.2, 0.05, 0.02, seed, 40));
    ASSERT_TRUE(noisy.ok()) << noisy.error().Text();
    EXPECT_NEAR(noisy->k1, 0.2, 0.05 * 0.2) << seed;
    EXPECT_NEAR(noisy->k2, 0.05, 0.05 * 0.05) << seed;
    EXPECT_GT(noisy->residual, 0.01) << seed;
    EXPECT_LT(noisy->residual, 0.04) << seed;
  }
}

TEST(LensTest, RefusesWhatCannotGiveALens) {
  auto lines = BentLines(-0.18, 0.04, 0.0);
  EXPECT_FALSE(EstimateLens(kW, kH, {lines[0]}).ok());
  auto shortLine = lines;
  shortLine[1].resize(2);
  const auto refused = EstimateLens(kW, kH, shortLine);
  ASSERT_FALSE(refused.ok());
  EXPECT_NE(refused.error().reason.find("La ligne 2"), std::string::npos);
  auto twice = lines;
  twice[0][5] = twice[0][2];
  EXPECT_FALSE(EstimateLens(kW, kH, twice).ok());
  EXPECT_FALSE(EstimateLens(0.0, kH, lines).ok());
  // Lines through the centre stay straight whatever the lens.
  const std::vector<std::vector<TWorldPoint>> radial{{{20, 15}, {170, 127.5}, {500, 375}},
                                                     {{320, 10}, {320, 200}, {320, 470}}};
  EXPECT_FALSE(EstimateLens(kW, kH, radial).ok());
  // Even with the clicks' noise, which alone would bend them a little.
  const std::vector<std::vector<TWorldPoint>> noisyRadial{
      {{20.3, 14.8}, {170, 127.9}, {500.2, 374.6}}, {{319.6, 10}, {320.4, 200}, {319.8, 470}}};
  EXPECT_FALSE(EstimateLens(kW, kH, noisyRadial).ok());
}

TEST(PlaneTest, MapsTheFourPointsOntoTheRectangle) {
  // A rectangle 2 m × 1.5 m seen at an angle (y downwards on the picture).
  const std::array<TWorldPoint, 4> picture{
      TWorldPoint{102.25, 401.5}, {548.0, 377.75}, {505.5, 88.0}, {151.0, 61.25}};
  const auto h = CalibratePlane(picture, 2.0, 1.5);
  ASSERT_TRUE(h.ok()) << h.error().Text();
  const std::array<TWorldPoint, 4> plane{TWorldPoint{0.0, 0.0}, {2.0, 0.0}, {2.0, 1.5}, {0.0, 1.5}};
  for (int i = 0; i < 4; ++i) {
    const TWorldPoint q = h->Map(picture[i]);
    EXPECT_NEAR(q.x, plane[i].x, 1e-9);
    EXPECT_NEAR(q.y, plane[i].y, 1e-9);
    const TWorldPoint p = h->InverseMap(plane[i]);
    EXPECT_NEAR(p.x, picture[i].x, 1e-9);
    EXPECT_NEAR(p.y, picture[i].y, 1e-9);
  }
  // A perspective keeps lines and meeting points: where the picture's
  // diagonals cross is the rectangle's centre.
  const TWorldPoint a = picture[0], c = picture[2], b = picture[1], d = picture[3];
  const double t = ((b.x - a.x) * (d.y - b.y) - (b.y - a.y) * (d.x - b.x)) /
                   ((c.x - a.x) * (d.y - b.y) - (c.y - a.y) * (d.x - b.x));
  const TWorldPoint centre = h->Map({a.x + t * (c.x - a.x), a.y + t * (c.y - a.y)});
  EXPECT_NEAR(centre.x, 1.0, 1e-9);
  EXPECT_NEAR(centre.y, 0.75, 1e-9);
  // And any point goes there and back.
  for (const TWorldPoint& p : {TWorldPoint{300, 200}, TWorldPoint{10, 470}}) {
    const TWorldPoint back = h->InverseMap(h->Map(p));
    EXPECT_NEAR(back.x, p.x, 1e-9);
    EXPECT_NEAR(back.y, p.y, 1e-9);
  }
}

TEST(PlaneTest, RefusesPointsThatAreNoViewOfARectangle) {
  const std::array<TWorldPoint, 4> good{TWorldPoint{100, 400}, {550, 380}, {500, 90}, {150, 60}};
  auto reason = [](const TResult<THomography>& r) { return r.ok() ? "" : r.error().reason; };
  EXPECT_NE(reason(CalibratePlane(good, 0.0, 1.0)).find("taille"), std::string::npos);
  EXPECT_NE(reason(CalibratePlane(good, 1.0, -1.0)).find("taille"), std::string::npos);
  auto aligned = good;
  aligned[2] = {325, 390};  // on the line of the first two
  EXPECT_NE(reason(CalibratePlane(aligned, 1.0, 1.0)).find("alignés"), std::string::npos);
  auto same = good;
  same[3] = same[0];
  EXPECT_NE(reason(CalibratePlane(same, 1.0, 1.0)).find("alignés"), std::string::npos);
  // The corner and the y axis point swapped: a crossed quadrilateral.
  const std::array<TWorldPoint, 4> crossed{good[0], good[1], good[3], good[2]};
  EXPECT_NE(reason(CalibratePlane(crossed, 1.0, 1.0)).find("croisé"), std::string::npos);
  // A dart: one corner inside the triangle of the other three.
  auto dart = good;
  dart[2] = {200, 330};
  EXPECT_NE(reason(CalibratePlane(dart, 1.0, 1.0)).find("croisé"), std::string::npos);
  // The same rectangle seen mirrored is still a view of it.
  std::array<TWorldPoint, 4> mirrored = good;
  for (auto& p : mirrored) p.x = 640 - p.x;
  EXPECT_TRUE(CalibratePlane(mirrored, 1.0, 1.0).ok());
}

// Up the picture, a plane seen at an angle goes away to its horizon; beyond
// it, and for the plane's points behind the camera, there is nothing to map
// (the matrix alone would give points mirrored through the horizon).  Both
// turning senses of the quadrilateral.
TEST(PlaneTest, NothingIsMappedBeyondTheHorizon) {
  const std::array<TWorldPoint, 4> seen{
      TWorldPoint{102.25, 401.5}, {548.0, 377.75}, {505.5, 88.0}, {151.0, 61.25}};
  std::array<TWorldPoint, 4> mirrored = seen;
  for (auto& p : mirrored) p.x = 640 - p.x;
  for (const auto& picture : {seen, mirrored}) {
    const auto h = CalibratePlane(picture, 2.0, 1.5);
    ASSERT_TRUE(h.ok());
    // Along a column of the picture, upwards: the plane's y grows until the
    // horizon, then there is no plane point any more.
    double lastY = -INFINITY;
    bool beyond = false;
    for (double y = 400.0; y > -20000.0; y -= 50.0) {
      const TWorldPoint q = h->Map({320.0, y});
      if (std::isnan(q.x)) {
        EXPECT_TRUE(std::isnan(q.y));
        beyond = true;
        continue;
      }
      ASSERT_FALSE(beyond) << y;  // never back on the plane
      EXPECT_GT(q.y, lastY) << y;
      lastY = q.y;
      const TWorldPoint back = h->InverseMap(q);
      EXPECT_NEAR(back.y, y, 1e-6 * std::max(1.0, std::abs(y)));
    }
    EXPECT_TRUE(beyond);
    // Along the plane's y axis, backwards: the picture's y grows until the
    // point is under the camera, then the plane's points cannot be seen.
    double lastPictureY = -INFINITY;
    beyond = false;
    for (double y = 0.0; y > -1e6; y = y * 1.5 - 0.1) {
      const TWorldPoint p = h->InverseMap({1.0, y});
      if (std::isnan(p.x)) {
        beyond = true;
        continue;
      }
      ASSERT_FALSE(beyond) << y;
      EXPECT_GT(p.y, lastPictureY) << y;
      lastPictureY = p.y;
    }
    EXPECT_TRUE(beyond);
  }
}

TEST(MeasureMapTest, RefusesALensThatScramblesThePicture) {
  EXPECT_TRUE(CheckLens(0.0, 0.0));
  EXPECT_TRUE(CheckLens(0.25, 0.05));  // a phone's barrel
  EXPECT_TRUE(CheckLens(-0.3, 0.0));   // 1 − 0.9 at the corners
  EXPECT_FALSE(CheckLens(-0.34, 0.0));
  // Growing at both ends but not in between: 1 − 2.4·s + 1.42·s² dips
  // below zero around s = 0.85.
  EXPECT_TRUE(CheckLens(-0.8, 0.32));
  EXPECT_FALSE(CheckLens(-0.8, 0.284));
  EXPECT_FALSE(CheckLens(std::nan(""), 0.0));
  EXPECT_FALSE(CheckLens(0.1, INFINITY));
}

TEST(MeasureMapTest, MapsShownPositionsAndTheirUncertainties) {
  TMeasureCalibration c;
  // Off: positions and a pixel's uncertainty in picture fractions, as
  // they are shown.
  const TMeasureMap none(c, kW, kH);
  EXPECT_EQ(none.Corrected({0.1, 0.9}), (TPictureCoord{0.1, 0.9}));
  EXPECT_EQ(none.Uncertainty({0.1, 0.9}, 2.0), (TWorldPoint{2.0 / kW, 2.0 / kH}));

  // The plane alone, square to the camera: 1.5 m over 300 pixels, 1 m over
  // 250 pixels upwards, so 5 mm and 4 mm per pixel.
  c.plane = {
      true,
      {{{160 / kW, 360 / kH}, {460 / kW, 360 / kH}, {460 / kW, 110 / kH}, {160 / kW, 110 / kH}}},
      1.5,
      1.0};
  const TMeasureMap flat(c, kW, kH);
  ASSERT_FALSE(flat.Failed()) << flat.Failure();
  const TWorldPoint q = flat.ToPlane({(160.0 + 150.0) / kW, (360.0 - 125.0) / kH});
  EXPECT_NEAR(q.x, 0.75, 1e-12);
  EXPECT_NEAR(q.y, 0.5, 1e-12);
  const TWorldPoint u = flat.Uncertainty({0.5, 0.5}, 2.0);
  EXPECT_NEAR(u.x, 2 * 0.005, 1e-9);
  EXPECT_NEAR(u.y, 2 * 0.004, 1e-9);

  // Through a barrel: the four shown points go to the corners exactly, and
  // a pixel near the picture's edge, stretched by the correction, weighs
  // more than one in the middle.
  const TLensModel lens(kW, kH, 0.2, 0.04);
  c.lens = {true, 0.2, 0.04};
  const TWorldPoint corners[4] = {{0, 0}, {1.5, 0}, {1.5, 1.0}, {0, 1.0}};
  const TWorldPoint pixels[4] = {{160, 360}, {460, 360}, {460, 110}, {160, 110}};
  for (int i = 0; i < 4; ++i) {
    const TWorldPoint shown = lens.Distort(pixels[i]);
    c.plane.points[static_cast<std::size_t>(i)] = {shown.x / kW, shown.y / kH};
  }
  const TMeasureMap bent(c, kW, kH);
  ASSERT_FALSE(bent.Failed()) << bent.Failure();
  for (int i = 0; i < 4; ++i) {
    const TWorldPoint p = bent.ToPlane(c.plane.points[static_cast<std::size_t>(i)]);
    EXPECT_NEAR(p.x, corners[i].x, 1e-9) << i;
    EXPECT_NEAR(p.y, corners[i].y, 1e-9) << i;
  }
  EXPECT_GT(bent.Uncertainty({0.02, 0.5}, 1.0).x, 1.2 * bent.Uncertainty({0.5, 0.5}, 1.0).x);
  // Corrected alone gives the lens model's answer in fractions.
  const TPictureCoord corrected = bent.Corrected({0.05, 0.1});
  const TWorldPoint expected = lens.Correct({0.05 * kW, 0.1 * kH});
  EXPECT_NEAR(corrected.x * kW, expected.x, 1e-9);
  EXPECT_NEAR(corrected.y * kH, expected.y, 1e-9);

  // A picture without a size measures nothing.
  EXPECT_TRUE(TMeasureMap(c, 0, 0).Failed());
}

// The plane seen through a lens: a plane point's place on the picture is
// the inverse of the measure, and the grid drawn over the picture goes
// through the four clicked points.
TEST(PlaneGridTest, ShownInvertsTheMeasureAndTheGridMeetsTheClickedPoints) {
  TMeasureCalibration c;
  c.lens = {true, 0.12, 0.01};
  c.plane = {true, {{{0.2, 0.85}, {0.82, 0.8}, {0.74, 0.25}, {0.26, 0.3}}}, 2.0, 1.5};
  const TMeasureMap map(c, kW, kH);
  ASSERT_FALSE(map.Failed()) << map.Failure();
  for (double x = 0.05; x < 1.0; x += 0.1)
    for (double y = 0.05; y < 1.0; y += 0.1) {
      const TPictureCoord back = map.Shown(map.ToPlane({x, y}));
      EXPECT_NEAR(back.x, x, 1e-9);
      EXPECT_NEAR(back.y, y, 1e-9);
    }
  const std::vector<TGridLine> grid = PlaneGridLines(map, c.plane);
  auto passes = [&](const TPictureCoord& p, bool axis, bool edge) {
    int lines = 0;
    for (const TGridLine& l : grid) {
      if (l.axis != axis || l.edge != edge) continue;
      for (const TPictureCoord& q : l.points)
        if (std::hypot(q.x - p.x, q.y - p.y) < 1e-9) {
          ++lines;
          break;
        }
    }
    return lines;
  };
  EXPECT_EQ(passes(c.plane.points[0], true, false), 2);  // origin: both axes
  EXPECT_EQ(passes(c.plane.points[2], false, true), 2);  // opposite corner: both far edges
  // Every point of the grid is on the picture.
  for (const TGridLine& l : grid)
    for (const TPictureCoord& q : l.points) {
      EXPECT_TRUE(q.x >= 0 && q.x <= 1 && q.y >= 0 && q.y <= 1);
    }
  c.plane.on = false;
  EXPECT_TRUE(PlaneGridLines(TMeasureMap(c, kW, kH), c.plane).empty());
}

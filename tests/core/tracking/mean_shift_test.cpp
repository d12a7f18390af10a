// The mean-shift tracker on synthetic pictures: model, window size, ban
// zones, and tracking of a disc on a textured background.
#include "core/tracking/mean_shift.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <random>

namespace kinevo {
namespace {

constexpr TColor kRed1 = RGBColor(230, 25, 20);
constexpr TColor kRed2 = RGBColor(200, 40, 30);

// A textured background: every pixel one of a few greys, greens and blues.
Image Background(int w, int h, unsigned seed) {
  static const TColor palette[] = {RGBColor(90, 90, 90),  RGBColor(150, 150, 150),
                                   RGBColor(40, 120, 50), RGBColor(60, 170, 80),
                                   RGBColor(40, 60, 160), RGBColor(200, 200, 210)};
  std::mt19937 gen(seed);
  std::uniform_int_distribution<int> pick(0, 5);
  Image img(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) img.SetPixel(x, y, palette[pick(gen)]);
  return img;
}

// A disc of two alternating colours centred on (cx, cy).
void Disc(Image& img, int cx, int cy, int r, TColor a = kRed1, TColor b = kRed2) {
  for (int y = cy - r; y <= cy + r; ++y)
    for (int x = cx - r; x <= cx + r; ++x)
      if ((x - cx) * (x - cx) + (y - cy) * (y - cy) <= r * r)
        img.SetPixel(x, y, ((x + y) % 2 == 0) ? a : b);
}

// A regular polygon of radius r around (cx, cy), in picture positions.
TPicturePolygon Circle(double cx, double cy, double r, int w, int h, int points = 24) {
  TPicturePolygon poly;
  for (int k = 0; k < points; ++k) {
    const double a = 2.0 * 3.14159265358979 * k / points;
    poly.push_back({(cx + r * std::cos(a)) / w, (cy + r * std::sin(a)) / h});
  }
  return poly;
}

// A rectangle with corners (x0, y0) and (x1, y1), in picture positions.
TPicturePolygon Box(double x0, double y0, double x1, double y1, int w, int h) {
  return {{x0 / w, y0 / h}, {x1 / w, y0 / h}, {x1 / w, y1 / h}, {x0 / w, y1 / h}};
}

int Distance(const TPixel& a, int x, int y) {
  return std::max(std::abs(a.x - x), std::abs(a.y - y));
}

TEST(MeanShiftModel, WindowSizeRule) {
  TMeanShift ms;
  Image pic = Background(200, 200, 1);
  TPixel start;
  // A 30 × 20 model (corners 10..39, 10..29 included).
  ASSERT_TRUE(ms.SetModel(pic, Box(10, 10, 39, 29, 200, 200), start));
  ASSERT_EQ(ms.ModelWidth(), 30);
  ASSERT_EQ(ms.ModelHeight(), 20);
  ms.SetRadius(10);
  EXPECT_EQ(ms.WindowSize(), 37);  // trunc(36) = 36, made odd
  ms.SetRadius(40);
  EXPECT_EQ(ms.WindowSize(), 81);
  ms.SetRadius(5);
  EXPECT_EQ(ms.Radius(), 10);
  ms.SetRadius(1000);
  EXPECT_EQ(ms.Radius(), 100);
  EXPECT_EQ(ms.WindowSize(), 201);
  // A long model: 1.2 × 100 = 120, made 121.
  ASSERT_TRUE(ms.SetModel(pic, Box(10, 10, 109, 19, 200, 200), start));
  ms.SetRadius(10);
  EXPECT_EQ(ms.WindowSize(), 121);
}

TEST(MeanShiftModel, RejectsContoursThatEncloseNothing) {
  TMeanShift ms;
  Image pic = Background(100, 100, 2);
  TPixel start{-1, -1};
  EXPECT_FALSE(ms.SetModel(pic, {}, start));
  EXPECT_FALSE(ms.SetModel(pic, {{0.3, 0.3}}, start));
  EXPECT_FALSE(ms.SetModel(pic, {{0.3, 0.3}, {0.3, 0.3}}, start));
  // Points that round to the same pixel count once.
  EXPECT_FALSE(ms.SetModel(pic, {{0.300, 0.3}, {0.301, 0.3}, {0.302, 0.3}}, start));
  // A segment, or points on one line, enclose no pixel.
  EXPECT_FALSE(ms.SetModel(pic, {{0.1, 0.1}, {0.5, 0.5}}, start));
  EXPECT_FALSE(ms.SetModel(pic, {{0.1, 0.1}, {0.3, 0.3}, {0.5, 0.5}}, start));
  EXPECT_FALSE(ms.SetModel(Image(), Box(10, 10, 30, 30, 100, 100), start));
  EXPECT_EQ(start, (TPixel{-1, -1}));
  EXPECT_EQ(ms.ModelWidth(), 0);
  // Without a model Track leaves the point alone.
  TPixel p{50, 50};
  EXPECT_EQ(ms.Track(pic, p, 10), 0);
  EXPECT_EQ(p, (TPixel{50, 50}));

  // A failed call keeps the previous model.
  ASSERT_TRUE(ms.SetModel(pic, Box(10, 10, 29, 19, 100, 100), start));
  EXPECT_FALSE(ms.SetModel(pic, {{0.5, 0.5}}, start));
  EXPECT_EQ(ms.ModelWidth(), 20);
}

TEST(MeanShiftModel, MaskBitmapAndStartPoint) {
  TMeanShift ms;
  Image pic = Background(100, 80, 3);
  TPixel start;
  // Closing point repeated, and a repeated vertex: both dropped.
  TPicturePolygon c = Box(10, 20, 30, 30, 100, 80);
  c.insert(c.begin() + 1, c[1]);
  c.push_back(c[0]);
  ASSERT_TRUE(ms.SetModel(pic, c, start));
  EXPECT_EQ(ms.ModelBox(), (TPixelRect{10, 20, 30, 30}));
  ASSERT_EQ(ms.ModelWidth(), 21);
  ASSERT_EQ(ms.ModelHeight(), 11);
  // Inside: columns 10..29 and rows 20..29 (right and bottom borders out).
  int count = 0;
  for (int i = 0; i < 11; ++i)
    for (int j = 0; j < 21; ++j) {
      const bool inside = i < 10 && j < 20;
      EXPECT_EQ(ms.ModelMask().At(i, j) != 0, inside) << i << "," << j;
      count += ms.ModelMask().At(i, j) != 0;
    }
  EXPECT_EQ(count, 200);
  // Centroid: mean column 9.5 → 10 (halves to even), mean row 4.5 → 4.
  EXPECT_EQ(start, (TPixel{20, 24}));
  // The bitmap is the box cut from the picture.
  EXPECT_EQ(ms.ModelBitmap().Pixel(0, 0), pic.Pixel(10, 20));
  EXPECT_EQ(ms.ModelBitmap().Pixel(20, 10), pic.Pixel(30, 30));
}

TEST(MeanShiftModel, BanZonesAreFilledAndOutlined) {
  TMeanShift ms;
  ms.SetBanZones({Box(2, 1, 5, 3, 10, 10), {{0.8, 0.8}, {1.5, 0.8}, {1.5, 1.5}}}, 10, 10);
  ASSERT_EQ(ms.BanZones().size(), 2u);
  EXPECT_EQ(ms.BanZones()[0][2], (TPixel{5, 3}));
  // Positions outside the picture are bounded to it.
  EXPECT_EQ(ms.BanZones()[1][1], (TPixel{10, 8}));

  std::vector<uint8_t> fill, outlined;
  TMeanShift::FillPolygon(ms.BanZones()[0], 10, 10, fill, false);
  TMeanShift::FillPolygon(ms.BanZones()[0], 10, 10, outlined, true);
  ASSERT_EQ(fill.size(), 100u);
  for (int y = 0; y < 10; ++y)
    for (int x = 0; x < 10; ++x) {
      const bool interior = x >= 2 && x < 5 && y >= 1 && y < 3;
      const bool edge = x >= 2 && x <= 5 && y >= 1 && y <= 3;
      EXPECT_EQ(fill[y * 10 + x] != 0, interior) << x << "," << y;
      EXPECT_EQ(outlined[y * 10 + x] != 0, edge) << x << "," << y;
    }
}

// Tracks a disc from its contour on image 0 to a moved copy on a new
// background; returns the found point.
TPixel TrackMovedDisc(TMeanShift& ms, int dx, int dy, int* iterations = nullptr) {
  const int W = 200, H = 160, cx = 100, cy = 80, r = 12;
  Image first = Background(W, H, 11);
  Disc(first, cx, cy, r);
  TPixel p;
  EXPECT_TRUE(ms.SetModel(first, Circle(cx, cy, r - 1, W, H), p));
  ms.SetBinCount(20);
  ms.BuildModel();
  EXPECT_LE(Distance(p, cx, cy), 1);
  Image next = Background(W, H, 12 + static_cast<unsigned>(dx * 41 + dy));
  Disc(next, cx + dx, cy + dy, r);
  const int n = ms.Track(next, p, 10);
  if (iterations) *iterations = n;
  return p;
}

TEST(MeanShiftTracking, DiscConvergesWithinOnePixelForOffsetsUpToTheRadius) {
  const std::pair<int, int> offsets[] = {{0, 0},   {3, -2},  {8, 5},    {-12, 9}, {20, 0},
                                         {0, -20}, {-20, 0}, {14, -14}, {-19, 6}, {17, 10}};
  for (bool rgb : {false, true}) {
    for (auto [dx, dy] : offsets) {
      TMeanShift ms;
      ms.UseRGB = rgb;
      ms.SetRadius(20);
      int n = 0;
      const TPixel p = TrackMovedDisc(ms, dx, dy, &n);
      EXPECT_LE(Distance(p, 100 + dx, 80 + dy), 1)
          << (rgb ? "RGB" : "Luv") << " offset " << dx << "," << dy << " found " << p.x << ","
          << p.y << " in " << n << " steps";
      EXPECT_LE(n, 10);
    }
  }
  // Switching the colour space after the model was built rebuilds it.
  TMeanShift ms;
  ms.SetRadius(20);
  ms.UseRGB = true;
  const TPixel p = TrackMovedDisc(ms, 6, 6);
  EXPECT_LE(Distance(p, 106, 86), 1);
  ms.UseRGB = false;
  TPixel q{100, 80};
  Image next = Background(200, 160, 5);
  Disc(next, 96, 84, 12);
  ms.Track(next, q, 10);
  EXPECT_LE(Distance(q, 96, 84), 1);
  EXPECT_GT(ms.ModelHistogram()[static_cast<std::size_t>(ms.Bins().ColourBin(kRed1, false))], 0.0);
}

TEST(MeanShiftTracking, ObjectColoursAbsentFromTheCornersStillAttract) {
  // The red disc never appears in the window's corners (the background):
  // its colours carry the most weight instead of none.
  TMeanShift ms;
  ms.SetRadius(20);
  const TPixel p = TrackMovedDisc(ms, 5, -4);
  const int redBin = ms.Bins().ColourBin(kRed1, false);
  EXPECT_EQ(ms.CornerWeights()[static_cast<std::size_t>(redBin)], 0.0);
  EXPECT_GT(ms.ModelHistogram()[static_cast<std::size_t>(redBin)], 0.0);
  EXPECT_LE(Distance(p, 105, 76), 1);
}

TEST(MeanShiftTracking, ObjectAbsentFromTheWindowStaysPut) {
  const int W = 200, H = 160;
  Image first = Background(W, H, 21);
  Disc(first, 100, 80, 12);
  TMeanShift ms;
  ms.SetRadius(20);
  TPixel p;
  ASSERT_TRUE(ms.SetModel(first, Circle(100, 80, 11, W, H), p));
  ms.BuildModel();
  const TPixel before = p;
  // The disc has gone (or is beyond the window): no weight anywhere.
  for (int shift : {0, 40}) {
    Image next = Background(W, H, 22);
    if (shift) Disc(next, 100 + shift, 80, 12);
    p = before;
    EXPECT_EQ(ms.Track(next, p, 10), 1);
    EXPECT_EQ(p, before);
  }
  // A point far outside the picture sees only the free colour.
  for (TPixel far : {TPixel{-500, 80}, TPixel{100, 2000000000}, TPixel{-2147483647, -2147483647}}) {
    p = far;
    EXPECT_EQ(ms.Track(first, p, 10), 1);
    EXPECT_EQ(p, far);
  }
}

TEST(MeanShiftTracking, ObjectPartlyOutsideDoesNotDriftOutward) {
  const int W = 160, H = 120, r = 12;
  Image first = Background(W, H, 31);
  Disc(first, 30, 60, r);
  for (bool rgb : {false, true}) {
    TMeanShift ms;
    ms.UseRGB = rgb;
    ms.SetRadius(30);
    TPixel p;
    ASSERT_TRUE(ms.SetModel(first, Circle(30, 60, r - 1, W, H), p));
    ms.BuildModel();
    // The disc leaves through the left border; its centre ends 6 pixels out.
    int lastX = p.x;
    for (int k = 1; k <= 6; ++k) {
      const int cx = std::max(30 - 6 * k, -6);
      Image next = Background(W, H, 31 + static_cast<unsigned>(k));
      Disc(next, cx, 60, r);
      ms.Track(next, p, 10);
      // The point follows the visible part: between the true centre and the
      // visible part's far edge, never beyond the picture.
      EXPECT_GE(p.x, std::max(cx, 0) - 1) << "image " << k;
      EXPECT_LE(p.x, cx + r) << "image " << k;
      EXPECT_LE(std::abs(p.y - 60), 1) << "image " << k;
      lastX = p.x;
    }
    // Staying on the last picture does not walk the point out.
    Image still = Background(W, H, 99);
    Disc(still, -6, 60, r);
    for (int k = 0; k < 5; ++k) ms.Track(still, p, 10);
    EXPECT_GE(p.x, 0);
    EXPECT_GE(p.x, lastX - 1);
  }
}

TEST(MeanShiftTracking, DarkObjectAtTheBorderIsNotDrawnOutside) {
  // A near-black object fills the L*u*v* bin whose out-of-gamut neighbour is
  // the first empty bin; the area outside the picture must still be neutral.
  const int W = 160, H = 120;
  const TColor dark1 = RGBColor(1, 1, 1), dark2 = RGBColor(2, 1, 1);
  Image first = Background(W, H, 41);
  Disc(first, 26, 60, 12, dark1, dark2);
  TMeanShift ms;
  ms.SetRadius(30);
  TPixel p;
  ASSERT_TRUE(ms.SetModel(first, Circle(26, 60, 11, W, H), p));
  ms.BuildModel();
  const int freeBin = ms.Bins().ColourBin(ms.FreeColourLuv(), false);
  EXPECT_EQ(ms.ModelHistogram()[static_cast<std::size_t>(freeBin)], 0.0);
  Image next = Background(W, H, 42);
  Disc(next, 14, 60, 12, dark1, dark2);
  ms.Track(next, p, 10);
  EXPECT_LE(Distance(p, 14, 60), 1);
}

TEST(MeanShiftTracking, BanZoneOverADecoyKeepsTheTracker) {
  const int W = 200, H = 150, r = 10;
  Image first = Background(W, H, 51);
  Disc(first, 90, 75, r);
  Image next = Background(W, H, 52);
  Disc(next, 94, 75, r);
  Disc(next, 118, 75, 9);  // a decoy of the object's colours in the background

  auto run = [&](bool ban) {
    TMeanShift ms;
    ms.SetRadius(25);
    if (ban) ms.SetBanZones({Box(106, 62, 130, 88, W, H)}, W, H);
    TPixel p;
    EXPECT_TRUE(ms.SetModel(first, Circle(90, 75, r - 1, W, H), p));
    ms.BuildModel();
    ms.Track(next, p, 10);
    return p;
  };
  const TPixel captured = run(false);
  const TPixel kept = run(true);
  EXPECT_GT(Distance(captured, 94, 75), 1) << "the decoy should pull an unguarded tracker";
  EXPECT_LE(Distance(kept, 94, 75), 1) << kept.x << "," << kept.y;
}

TEST(MeanShiftTracking, LargeWindowShrinksDownToTheObject) {
  // Radius 100 with a 10 × 10 model: S = 201, ratio 20.1; the window shrinks
  // 180, 144, 100, 60, 30, 12, then 10, and the step at 10 is the last.
  const int W = 400, H = 400;
  Image pic = Background(W, H, 61);
  for (int y = 200; y < 210; ++y)
    for (int x = 200; x < 210; ++x) pic.SetPixel(x, y, kRed1);
  TMeanShift ms;
  ms.SetRadius(100);
  TPixel p;
  ASSERT_TRUE(ms.SetModel(pic, Box(200, 200, 209, 209, W, H), p));
  ms.BuildModel();
  EXPECT_EQ(ms.WindowSize(), 201);
  EXPECT_EQ(ms.Track(pic, p, 10), 8);
  EXPECT_EQ(ms.LastWindowSize(), 10);
  EXPECT_LE(Distance(p, 204, 204), 1);
}

TEST(MeanShiftTracking, EachPixelIsConvertedAtMostOncePerImage) {
  TMeanShift ms;
  ms.SetRadius(20);
  int n = 0;
  TrackMovedDisc(ms, 20, 0, &n);
  ASSERT_GT(n, 1);
  const long long s = ms.WindowSize();
  // Several windows were looked at, but only their union was converted.
  EXPECT_LT(ms.LastConvertedPixels(), n * (s - 1) * (s - 1));
  EXPECT_LE(ms.LastConvertedPixels(), 200LL * 160);
  EXPECT_GE(ms.LastConvertedPixels(), (s - 1) * (s - 1));
}

}  // namespace
}  // namespace kinevo

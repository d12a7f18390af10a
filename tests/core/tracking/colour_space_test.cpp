// Colour spaces, quantisation, histograms and the free colour.
#include "core/tracking/colour_space.h"

#include <gtest/gtest.h>

#include <numeric>

namespace kinevo {
namespace {

TBinMatrix Matrix(int rows, int cols, int32_t fill = 0) {
  TBinMatrix m;
  m.Resize(rows, cols);
  std::fill(m.bins.begin(), m.bins.end(), fill);
  return m;
}

TEST(ColourSpace, RgbToLuvMatchesReferenceValues) {
  // Black is the origin of the space.
  TLuv black = RgbToLuv(0, 0, 0);
  EXPECT_EQ(black.L, 0.0);
  EXPECT_EQ(black.u, 0.0);
  EXPECT_EQ(black.v, 0.0);

  // White: L* = 116 × 1^0.33333333333 − 16 = 100; u*, v* vanish (the white point).
  TLuv white = RgbToLuv(255, 255, 255);
  EXPECT_NEAR(white.L, 100.0, 1e-9);
  EXPECT_NEAR(white.u, 0.0, 1e-6);
  EXPECT_NEAR(white.v, 0.0, 1e-6);

  // Values computed independently from the conversion's constants.
  struct Case {
    uint8_t r, g, b;
    double L, u, v;
  };
  const Case cases[] = {
      {255, 0, 0, 53.22202513214292, 175.20548332511572, 37.704966464968706},
      {0, 255, 0, 87.74670231829369, -83.13763039345203, 107.4144039421046},
      {0, 0, 255, 32.28027600091105, -9.39360846509168, -130.32360735804713},
      {128, 64, 32, 61.24358320026995, 37.1848661325479, 32.04534333384386},
      // Dark enough for the linear part of L* (y <= 0.008856).
      {2, 0, 0, 1.5055, 4.956065735774854, 1.0665664613864478},
  };
  for (const Case& c : cases) {
    TLuv luv = RgbToLuv(c.r, c.g, c.b);
    EXPECT_NEAR(luv.L, c.L, 1e-9) << int(c.r) << "," << int(c.g) << "," << int(c.b);
    EXPECT_NEAR(luv.u, c.u, 1e-9) << int(c.r) << "," << int(c.g) << "," << int(c.b);
    EXPECT_NEAR(luv.v, c.v, 1e-9) << int(c.r) << "," << int(c.g) << "," << int(c.b);
  }
}

TEST(ColourSpace, LuvToRgbInvertsTheConversion) {
  EXPECT_EQ(LuvToRgb({0.05, 30.0, 30.0}), RGBColor(0, 0, 0));
  const TColor colours[] = {RGBColor(255, 0, 0),   RGBColor(0, 255, 0),    RGBColor(0, 0, 255),
                            RGBColor(128, 64, 32), RGBColor(20, 200, 180), RGBColor(240, 240, 240),
                            RGBColor(5, 3, 2)};
  for (TColor c : colours) {
    const TColor back = LuvToRgb(RgbToLuv(RedOf(c), GreenOf(c), BlueOf(c)));
    EXPECT_NEAR(RedOf(back), RedOf(c), 2) << std::hex << c;
    EXPECT_NEAR(GreenOf(back), GreenOf(c), 2) << std::hex << c;
    EXPECT_NEAR(BlueOf(back), BlueOf(c), 2) << std::hex << c;
  }
  // Out-of-gamut values are bounded to [0, 255].
  const TColor vivid = LuvToRgb({50.0, 250.0, -200.0});
  EXPECT_EQ(GreenOf(vivid), 0);
  EXPECT_EQ(BlueOf(vivid), 255);
}

TEST(ColourSpace, BinsTruncateAndBound) {
  TColourBins bins(20);
  EXPECT_EQ(bins.BinTotal(), 8000);
  EXPECT_DOUBLE_EQ(bins.RedFactor(), 20.0 / 256.0);
  EXPECT_DOUBLE_EQ(bins.UFactor(), 20.0 / 258.343113734);
  // Negative u* has no offset: −30 and 5 share bin 0.
  EXPECT_EQ(bins.ChannelBin(-30.0, bins.UFactor()), 0);
  EXPECT_EQ(bins.ChannelBin(5.0, bins.UFactor()), 0);
  EXPECT_EQ(bins.ChannelBin(13.0, bins.UFactor()), 1);
  // White falls into the last L* bin, black into bin 0.
  EXPECT_EQ(bins.LuvBin(RgbToLuv(255, 255, 255)), bins.Index(19, 0, 0));
  EXPECT_EQ(bins.LuvBin(RgbToLuv(0, 0, 0)), 0);
  // RGB: 255 × 20 / 256 = 19.9 → 19; 12 × 20 / 256 = 0.94 → 0; 13 → 1.
  EXPECT_EQ(bins.RgbBin(255, 12, 13), bins.Index(19, 0, 1));
  // Changing the count changes the factors.
  bins.SetBinCount(4);
  EXPECT_EQ(bins.RgbBin(255, 64, 63), bins.Index(3, 1, 0));
  bins.SetBinCount(0);
  EXPECT_EQ(bins.BinCount(), 1);
}

TEST(KernelHistogramTest, SinglePixelAndEmptyMatrixGiveEmptyHistograms) {
  THistogram h;
  KernelHistogram(Matrix(1, 1, 5), nullptr, false, 27, h);
  ASSERT_EQ(h.size(), 27u);
  EXPECT_EQ(std::accumulate(h.begin(), h.end(), 0.0), 0.0);
  KernelHistogram(TBinMatrix{}, nullptr, true, 27, h);
  EXPECT_EQ(std::accumulate(h.begin(), h.end(), 0.0), 0.0);
}

TEST(KernelHistogramTest, EpanechnikovWeightsAndNormalisation) {
  // 3 × 3: centre weight 1, edge midpoints 1 − 1/2, corners 0.
  TBinMatrix m = Matrix(3, 3, 2);                         // edges in bin 2
  m.At(1, 1) = 1;                                         // centre
  m.At(0, 0) = m.At(0, 2) = m.At(2, 0) = m.At(2, 2) = 3;  // corners
  THistogram h;
  KernelHistogram(m, nullptr, true, 8, h);
  EXPECT_DOUBLE_EQ(h[1], 1.0 / 3.0);
  EXPECT_DOUBLE_EQ(h[2], 2.0 / 3.0);
  EXPECT_EQ(h[3], 0.0);  // the corners do not contribute

  // Without the kernel every pixel weighs 1.
  KernelHistogram(m, nullptr, false, 8, h);
  EXPECT_DOUBLE_EQ(h[1], 1.0 / 9.0);
  EXPECT_DOUBLE_EQ(h[2], 4.0 / 9.0);
  EXPECT_DOUBLE_EQ(h[3], 4.0 / 9.0);

  // A single row: cy = 0, weights 0, 0.75, 1, 0.75, 0.
  TBinMatrix row = Matrix(1, 5);
  for (int j = 0; j < 5; ++j) row.At(0, j) = j;
  KernelHistogram(row, nullptr, true, 8, h);
  EXPECT_EQ(h[0], 0.0);
  EXPECT_DOUBLE_EQ(h[1], 0.75 / 2.5);
  EXPECT_DOUBLE_EQ(h[2], 1.0 / 2.5);
  EXPECT_EQ(h[4], 0.0);
}

TEST(KernelHistogramTest, MaskSelectsPixelsAndMayBeLarger) {
  TBinMatrix m = Matrix(2, 3, 0);
  m.At(0, 0) = 4;
  m.At(1, 2) = 5;
  TMask mask;
  mask.Resize(4, 4, 0);  // larger than the matrix: its top-left part is read
  mask.values[0] = 1;    // (0, 0)
  mask.values[4 + 2] = 0;
  mask.values[4 + 1] = 1;  // (1, 1)
  THistogram h;
  KernelHistogram(m, &mask, false, 8, h);
  EXPECT_DOUBLE_EQ(h[4], 0.5);
  EXPECT_DOUBLE_EQ(h[0], 0.5);
  EXPECT_EQ(h[5], 0.0);

  // A mask that selects nothing leaves the histogram unnormalised and empty.
  mask.Resize(2, 3, 0);
  KernelHistogram(m, &mask, true, 8, h);
  EXPECT_EQ(std::accumulate(h.begin(), h.end(), 0.0), 0.0);
}

TEST(CornerHistogramTest, CountsOnlyTheFourCorners) {
  // 11 × 11 window, object 5 × 4: inner box 5 ± 2.4 → columns and rows 2..7
  // (5 div 2 = 4 div 2 = 2).  Corners: {0, 1, 8, 9, 10}² = 25 pixels.
  TBinMatrix m = Matrix(11, 11, 1);
  for (int i : {0, 1, 8, 9, 10})
    for (int j : {0, 1, 8, 9, 10}) m.At(i, j) = 2;
  m.At(5, 0) = 3;    // left edge, middle row: not a corner
  m.At(0, 5) = 3;    // top edge, middle column: not a corner
  m.At(10, 10) = 4;  // one corner pixel of its own
  THistogram h;
  CornerHistogram(m, 5, 4, 8, h);
  EXPECT_DOUBLE_EQ(h[2], 1.0 / 24.0);
  EXPECT_DOUBLE_EQ(h[4], 1.0);
  EXPECT_EQ(h[1], 0.0);
  EXPECT_EQ(h[3], 0.0);

  // An object as large as the window leaves no corner: every weight is 0.
  CornerHistogram(m, 11, 11, 8, h);
  EXPECT_EQ(std::accumulate(h.begin(), h.end(), 0.0), 0.0);
}

TEST(FreeColourTest, RgbTakesTheFirstEmptyBinCentre) {
  TColourBins bins(4);
  THistogram h(64, 0.0);
  h[0] = 0.5;
  h[bins.Index(0, 0, 2)] = 0.5;
  // First empty bin: (0, 0, 1), centre (32, 32, 96).
  EXPECT_EQ(bins.FreeColour(h, true), 32u + 256u * 32u + 65536u * 96u);
  // No empty bin: white.
  std::fill(h.begin(), h.end(), 1.0 / 64);
  EXPECT_EQ(bins.FreeColour(h, true), colors::White);
  EXPECT_EQ(bins.FreeColour(h, false), colors::White);
}

TEST(FreeColourTest, LuvColourNeverFallsIntoAnObjectBin) {
  TColourBins bins(20);
  THistogram h(8000, 0.0);
  // An empty model: the centre of bin 0, a near-black that stays in bin 0.
  const TColor first = bins.FreeColour(h, false);
  EXPECT_EQ(first, bins.BinColour(0, false));
  EXPECT_EQ(bins.ColourBin(first, false), 0);

  // A dark object fills bin 0.  The centre of the next empty bin, (0, 0, 1),
  // lies outside the RGB gamut and its colour comes back into bin 0: it must
  // not be chosen, or painted areas would look like the object.
  h[0] = 1.0;
  ASSERT_EQ(bins.ColourBin(bins.BinColour(1, false), false), 0);
  const TColor free = bins.FreeColour(h, false);
  EXPECT_EQ(h[static_cast<std::size_t>(bins.ColourBin(free, false))], 0.0);

  // Every bin full but one whose centre is an ordinary colour: that centre.
  std::fill(h.begin(), h.end(), 1.0);
  const int left = bins.ColourBin(RGBColor(120, 120, 120), false);
  h[static_cast<std::size_t>(left)] = 0.0;
  EXPECT_EQ(bins.ColourBin(bins.FreeColour(h, false), false), left);
}

}  // namespace
}  // namespace kinevo

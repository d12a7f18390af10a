// The time base read from a file's timestamps, and the quarter turns of
// pictures stored on their side.
#include "core/video/file_times.h"

#include <gtest/gtest.h>

#include <vector>

#include "core/video/picture_rotation.h"

using namespace kinevo;

TEST(FileTimes, VariableRateIsAnIntervalTenPercentFromTheMean) {
  EXPECT_FALSE(IsVariableRate(std::vector<double>{}));
  EXPECT_FALSE(IsVariableRate(std::vector<double>{0.0}));
  EXPECT_FALSE(IsVariableRate(std::vector<double>{0.0, 0.04, 0.08, 0.12}));
  // Mean 0.04: 0.0435 is 8.75 % off, 0.0445 is 11.25 % off.
  EXPECT_FALSE(IsVariableRate(std::vector<double>{0.0, 0.0365, 0.08, 0.12}));
  EXPECT_TRUE(IsVariableRate(std::vector<double>{0.0, 0.0445, 0.08, 0.12}));
  // One image lost among regular ones is a variable rate too.
  EXPECT_TRUE(IsVariableRate(std::vector<double>{0.0, 0.04, 0.12, 0.16, 0.20, 0.24}));
  EXPECT_DOUBLE_EQ(MeanInterval(std::vector<double>{0.0, 0.04, 0.12, 0.16}), 0.16 / 3);
}

TEST(FileTimes, TimesAreTheFilesScaledByATypedPeriodAndShifted) {
  const std::vector<double> t = {0.0, 0.03, 0.09, 0.12, 0.20};  // mean 0.05
  // The default period keeps the file's times exactly.
  for (int i = 0; i < 5; ++i) EXPECT_EQ(FileImageTime(t, i, 0, 0.05), t[i]) << i;
  // A slow-motion film: a period of 0.5 s gives times ten times longer,
  // whose mean interval is the period typed.
  EXPECT_NEAR(FileImageTime(t, 2, 0, 0.5), 0.9, 1e-12);
  EXPECT_NEAR((FileImageTime(t, 4, 0, 0.5) - FileImageTime(t, 0, 0, 0.5)) / 4, 0.5, 1e-12);
  // A hidden image before (shift -1) closes one period; a gap opened by
  // hand (+1) adds one.
  EXPECT_NEAR(FileImageTime(t, 3, -1, 0.05), 0.07, 1e-12);
  EXPECT_NEAR(FileImageTime(t, 3, 1, 0.05), 0.17, 1e-12);
  // Times measured from the first image, wherever the file starts.
  const std::vector<double> late = {10.0, 10.03, 10.09};
  EXPECT_NEAR(FileImageTime(late, 1, 0, 0.045), 0.03, 1e-12);
  // Past the last time, one mean interval per image.
  EXPECT_NEAR(FileImageTime(t, 6, 0, 0.05), 0.30, 1e-12);
}

namespace {
// A 3 x 2 picture whose pixel (x, y) holds the bytes 10x+y, 100, y.
std::vector<uint8_t> Numbered(int w, int h) {
  std::vector<uint8_t> p(static_cast<std::size_t>(w * h * 3));
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      uint8_t* px = &p[static_cast<std::size_t>((y * w + x) * 3)];
      px[0] = static_cast<uint8_t>(10 * x + y);
      px[1] = 100;
      px[2] = static_cast<uint8_t>(y);
    }
  return p;
}
int At(const std::vector<uint8_t>& p, int w, int x, int y) {
  return p[static_cast<std::size_t>((y * w + x) * 3)];
}
}  // namespace

// Gaps are measured against the median interval, so that a variable rate
// that drifts is no gap; a time that does not move on is a repeated image,
// merged with the pictures the back-end found repeated.
TEST(FileTimes, TimingIssuesListRepeatedImagesAndGaps) {
  EXPECT_FALSE(FindTimingIssues(std::vector<double>{}).Any());
  EXPECT_FALSE(FindTimingIssues(std::vector<double>{0, 0.03, 0.065, 0.1, 0.14, 0.185}).Any());
  const std::vector<double> times{0, 0.04, 0.08, 0.08, 0.12, 0.22, 0.26};
  const TTimingIssues issues = FindTimingIssues(times, std::vector<int32_t>{1, 3});
  EXPECT_EQ(issues.duplicates, (std::vector<int32_t>{1, 3}));
  EXPECT_EQ(issues.gaps, std::vector<int32_t>{5});
  EXPECT_EQ(TimingIssuesText(issues),
            "Images répétées (la même image deux fois, une image perdue) : 1, 3. Images manquantes "
            "(plus de 1,5 durée d'image depuis la précédente) avant les images : 5.");
  // 1.5 intervals exactly is still no gap.
  EXPECT_TRUE(FindTimingIssues(std::vector<double>{0, 1, 2, 3.5}).gaps.empty());
  EXPECT_EQ(IndexList({}), "-");
  // The window's bar lists a few and says how many there are.
  EXPECT_EQ(IndexList(std::vector<int32_t>{4, 9, 12}, 2), "4, 9 ... (3 en tout)");
  EXPECT_EQ(IndexList(std::vector<int32_t>{4, 9}, 2), "4, 9");
  EXPECT_TRUE(CaptureRateDiffers(240, 30));
  EXPECT_TRUE(CaptureRateDiffers(1, 30));
  EXPECT_FALSE(CaptureRateDiffers(30.1, 30));
  EXPECT_FALSE(CaptureRateDiffers(0, 30));
}

TEST(PictureRotation, QuarterTurnsPutEachPixelWhereAPlayerShowsIt) {
  const int w = 3, h = 2;
  const std::vector<uint8_t> src = Numbered(w, h);
  std::vector<uint8_t> dst(src.size());
  // Clockwise by 90: the bottom-left pixel comes to the top-left corner.
  RotatePicture(src.data(), w, h, w * 3, dst.data(), h * 3, 90);
  EXPECT_EQ(At(dst, h, 0, 0), 10 * 0 + 1);
  EXPECT_EQ(At(dst, h, 1, 0), 10 * 0 + 0);
  EXPECT_EQ(At(dst, h, 0, 2), 10 * 2 + 1);
  RotatePicture(src.data(), w, h, w * 3, dst.data(), h * 3, 270);
  EXPECT_EQ(At(dst, h, 0, 0), 10 * 2 + 0);
  EXPECT_EQ(At(dst, h, 1, 2), 10 * 0 + 1);
  RotatePicture(src.data(), w, h, w * 3, dst.data(), w * 3, 180);
  EXPECT_EQ(At(dst, w, 0, 0), 10 * 2 + 1);
  EXPECT_EQ(At(dst, w, 2, 1), 0);
  // Every byte of every pixel moves, and a wider destination row is kept.
  std::vector<uint8_t> padded(static_cast<std::size_t>(w * (h * 3 + 5)), 0xEE);
  RotatePicture(src.data(), w, h, w * 3, padded.data(), h * 3 + 5, 90);
  EXPECT_EQ(padded[2], 1);         // blue byte of the pixel from (0, 1)
  EXPECT_EQ(padded[h * 3], 0xEE);  // padding untouched
  int ww = w, hh = h;
  RotatedSize(270, ww, hh);
  EXPECT_EQ(ww, 2);
  EXPECT_EQ(hh, 3);
}

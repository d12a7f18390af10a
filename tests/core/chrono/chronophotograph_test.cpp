// The chronophotograph's picture and choice of images: object pixels
// copied from the chosen images of a generated throw, the still background
// everywhere else, and the marked images kept by the range and the step.
#include "core/chrono/chronophotograph.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <set>

#include "core/chrono/strobe_picture.h"
#include "core/common/palette.h"
#include "core/marking/marking_data.h"
#include "core/results/marking_source.h"
#include "core/results/results_calc.h"
#include "support/fake_view.h"
#include "support/scripted_dialog.h"
#include "support/throw_scene.h"

namespace kinevo {
namespace {

using T = test::Throw;

bool Near(TColor a, TColor b, int tolerance) {
  return std::abs(RedOf(a) - RedOf(b)) <= tolerance &&
         std::abs(GreenOf(a) - GreenOf(b)) <= tolerance &&
         std::abs(BlueOf(a) - BlueOf(b)) <= tolerance;
}

TImageReader ThrowReader(std::set<int32_t>* read = nullptr) {
  return [read](int32_t i, Image& p) {
    if (i < 0 || i >= T::kImages) return false;
    if (read != nullptr) read->insert(i);
    p = T::Picture(i);
    return true;
  };
}

TEST(StrobePicture, CopiesTheBallOfEveryChosenImageOverTheStillBackground) {
  const std::vector<int32_t> chosen{0, 2, 4, 6, 8, 10, 12, 14, 16, 18};
  const TResult<Image> picture = ComposeStrobePicture({chosen, -1, 40, true}, ThrowReader());
  ASSERT_TRUE(picture.ok()) << picture.error().Text();
  ASSERT_EQ(picture->Width(), T::kWidth);
  for (int i = 0; i < T::kImages; ++i) {
    const int x = static_cast<int>(T::X(i)), y = static_cast<int>(T::Y(i));
    if (i % 2 == 0)
      EXPECT_EQ(picture->Pixel(x, y), test::kBallColour) << "image " << i;
    else  // 13 pixels from the chosen balls on either side: ground only.
      EXPECT_EQ(picture->Pixel(x, y), T::Background(x, y)) << "image " << i;
  }
  // Far from the path, the ground is the background as filmed.
  for (const auto& [x, y] : {std::pair{5, 5}, {300, 230}, {160, 20}})
    EXPECT_EQ(picture->Pixel(x, y), T::Background(x, y));

  // Without the objects: the median alone, the ball gone everywhere.
  const TResult<Image> ground = ComposeStrobePicture({chosen, -1, 40, false}, ThrowReader());
  ASSERT_TRUE(ground.ok());
  for (int i = 0; i < T::kImages; i += 3) {
    const int x = static_cast<int>(T::X(i)), y = static_cast<int>(T::Y(i));
    EXPECT_TRUE(Near(ground->Pixel(x, y), T::Background(x, y), 1)) << "image " << i;
  }
}

TEST(StrobePicture, AThresholdAboveEveryDifferenceCopiesNothingAndAMissingImageFails) {
  const TResult<Image> none = ComposeStrobePicture({{0, 5, 10}, 10, 255, true}, ThrowReader());
  ASSERT_TRUE(none.ok());
  // The ground is image 10: its own ball only.
  EXPECT_EQ(none->Pixel(static_cast<int>(T::X(10)), static_cast<int>(T::Y(10))), test::kBallColour);
  EXPECT_EQ(none->Pixel(static_cast<int>(T::X(5)), static_cast<int>(T::Y(5))),
            T::Background(static_cast<int>(T::X(5)), static_cast<int>(T::Y(5))));

  const TResult<Image> failed = ComposeStrobePicture({{0, 5, 25}, -1, 40, true}, ThrowReader());
  ASSERT_FALSE(failed.ok());
  EXPECT_EQ(failed.error().reason, "Impossible de lire l'image 25 de la vidéo.");
  EXPECT_FALSE(ComposeStrobePicture({{}, -1, 40, true}, ThrowReader()).ok());
}

TEST(StrobePicture, TheMedianOfManyImagesIsTakenFromImagesSpreadOverTheChoice) {
  std::vector<int32_t> chosen;
  for (int i = 0; i < 300; ++i) chosen.push_back(i);
  const std::vector<int32_t> used = MedianImages(chosen);
  ASSERT_EQ(used.size(), static_cast<std::size_t>(kMedianPictures));
  EXPECT_EQ(used.front(), 0);
  EXPECT_EQ(used.back(), 299);
  for (std::size_t k = 1; k < used.size(); ++k) EXPECT_NEAR(used[k] - used[k - 1], 299 / 14.0, 1);
  // An even count takes the middle of the two middle values.
  const Image a(1, 1, RGBColor(10, 0, 0)), b(1, 1, RGBColor(20, 0, 0)),
      c(1, 1, RGBColor(200, 0, 0)), d(1, 1, RGBColor(250, 0, 0));
  EXPECT_EQ(RedOf(MedianPicture({d, a, c, b}).Pixel(0, 0)), 110);
  EXPECT_EQ(RedOf(MedianPicture({d, a, c}).Pixel(0, 0)), 200);
}

struct ChosenMarks : ::testing::Test {
  test::FakeView view{640, 480, 100};
  test::ScriptedDialog presenter;
  TUserDlg dialog{&presenter};
  TGraphUtils graph;
  TData data{view, dialog, graph};

  void SetUp() override {
    data.Reset();
    data.SetMarksNumberPerFrame(2);
    data.SetTool(otMarque);
  }
  void Mark(int image, int system, int x, int y) {
    view.current = image;
    data.SetCurrentMarkOrderNumber(system);
    data.MouseDown(0, false, x, y);
    data.MouseUp(0, false, x, y);
  }
};

TEST_F(ChosenMarks, TheRangeComesFirstThenOneImageEveryN) {
  for (int i = 3; i <= 14; ++i) Mark(i, 0, 10 * i, 100);
  Mark(20, 1, 300, 300);
  TChronoSettings s;
  EXPECT_EQ(ChosenImages(data, s).size(), 13u);
  s.systems = {0};
  s.first = 5;
  s.last = 13;
  s.every = 3;
  EXPECT_EQ(ChosenImages(data, s), (std::vector<int32_t>{5, 8, 11}));
  s.systems = {1};
  s.first = s.last = -1;
  EXPECT_EQ(ChosenImages(data, s), (std::vector<int32_t>{20}));

  // The plan places the marks in picture pixels and numbers them as the
  // view does (images in order, from 1).
  s.systems = {0};
  s.first = 5;
  s.last = 13;
  const TResult<TChronophotograph> plan = PlanChronophotograph(data, nullptr, 640, 480, s);
  ASSERT_TRUE(plan.ok()) << plan.error().Text();
  ASSERT_EQ(plan->marks.size(), 3u);
  EXPECT_NEAR(plan->marks[1].x, 80, 1);
  EXPECT_NEAR(plan->marks[1].y, 100, 1);
  EXPECT_EQ(plan->marks[1].number, "6");

  s.systems = {2};
  EXPECT_EQ(PlanChronophotograph(data, nullptr, 640, 480, s).error().reason,
            "Le point 3 n'existe pas.");
  s.systems = {0};
  s.first = 40;
  s.last = 50;
  EXPECT_FALSE(PlanChronophotograph(data, nullptr, 640, 480, s).ok());
  s.first = s.last = -1;
  s.vectors = cvSpeed;  // without results
  EXPECT_FALSE(PlanChronophotograph(data, nullptr, 640, 480, s).ok());
}

TEST_F(ChosenMarks, ArrowsOfAPlaneKeepTheDirectionOfTheMotionOnIt) {
  // The plane square to the camera over the whole 640 × 480 picture: 4 m
  // by 3 m, so 160 pixels per metre both ways.  The motion goes up at 45°.
  TMeasureCalibration c;
  c.plane = {true, {{{0, 1}, {1, 1}, {1, 0}, {0, 0}}}, 4.0, 3.0};
  data.SetCalibration(c);
  data.SetRequiredDuration(0.04);
  data.SetMarksNumberPerFrame(1);
  for (int i = 0; i < 8; ++i) Mark(i, 0, 100 + 10 * i, 400 - 10 * i);
  TMarkingResultsSource source{data, view};
  TResCalc calc{source};
  ASSERT_TRUE(calc.Update(true));
  TChronoSettings s;
  s.systems = {0};
  s.vectors = cvSpeed;
  const TResult<TChronophotograph> plan = PlanChronophotograph(data, &calc.Active(), 640, 480, s);
  ASSERT_TRUE(plan.ok()) << plan.error().Text();
  int arrows = 0;
  for (const TChronoMark& m : plan->marks)
    if (m.hasVector) {
      ++arrows;
      EXPECT_GT(m.vx, 0);
      EXPECT_NEAR(m.vy, -m.vx, 1e-9 * m.vx) << m.image;
    }
  EXPECT_GE(arrows, 6);
}

TEST(ScaleArrow, ItsValueIsOneTwoOrFiveTimesAPowerOfTen) {
  EXPECT_DOUBLE_EQ(RoundScaleValue(3.7), 2.0);
  EXPECT_DOUBLE_EQ(RoundScaleValue(0.74), 0.5);
  EXPECT_DOUBLE_EQ(RoundScaleValue(12.0), 10.0);
  EXPECT_DOUBLE_EQ(RoundScaleValue(5.0), 5.0);
  EXPECT_DOUBLE_EQ(RoundScaleValue(0.0), 0.0);
}

}  // namespace
}  // namespace kinevo

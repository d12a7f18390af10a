#include "core/marking/scale.h"

#include <gtest/gtest.h>

#include "marking_fixture.h"
#include "support/recording_canvas.h"

using namespace kinevo;
using kinevo::test::RecordingCanvas;
using kinevo::test::TestContext;

namespace {

struct ScaleTest : ::testing::Test {
  TestContext ctx;
  TEchelle scale{&ctx};
  void SetUp() override { ctx.objects.push_back(&scale); }
};

}  // namespace

TEST_F(ScaleTest, GeneralSegmentGivesSquarePixelFactors) {
  EXPECT_TRUE(scale.MouseDown(0, 160, 240));
  EXPECT_TRUE(scale.MouseDown(0, 480, 240));
  EXPECT_EQ(scale.ScalePointsNumber(), 2);
  EXPECT_FALSE(scale.IsScaleComplete());  // no length yet
  EXPECT_EQ(scale.GetScaleFactors(false, 640, 480), std::make_pair(0.0, 0.0));
  scale.SetScaleLength(1);
  EXPECT_TRUE(scale.IsScaleComplete());
  auto [kx, ky] = scale.GetScaleFactors(false, 640, 480);
  EXPECT_DOUBLE_EQ(kx, 2.0);
  EXPECT_DOUBLE_EQ(ky, 1.5);
  // A degenerate segment gives no factors.
  scale.SetSegment(skNormal, 2, {0.3, 0.3}, {0.3, 0.3});
  EXPECT_EQ(scale.GetScaleFactors(false, 640, 480), std::make_pair(-1.0, -1.0));
}

TEST_F(ScaleTest, SeparateScalesNeedBothSegments) {
  TEchelle sep(&ctx, true);
  EXPECT_EQ(sep.ScaleKind(), skVert);
  sep.SetScaleKind(skHoriz);
  sep.MouseDown(0, 64, 100);
  sep.MouseDown(0, 320, 300);  // y follows point 1: stays horizontal
  EXPECT_DOUBLE_EQ(sep.Point(skHoriz, 1).y, sep.Point(skHoriz, 0).y);
  sep.SetScaleHorizLength(2);
  auto f = sep.GetScaleFactors(true, 640, 480);
  EXPECT_DOUBLE_EQ(f.first, 2 / 0.4);
  EXPECT_EQ(f.second, -1);
  EXPECT_TRUE(sep.IsHorizComplete());
  EXPECT_FALSE(sep.IsScaleComplete());
  // Vertical segment completes it.
  sep.SetSegment(skVert, 2, {0.5, 0.1}, {0.5, 0.6});
  sep.SetScaleVertLength(1);
  EXPECT_TRUE(sep.IsScaleComplete());
  EXPECT_DOUBLE_EQ(sep.GetScaleFactors(true, 640, 480).second, 2.0);
  // A horizontal segment of zero width spoils both factors.
  sep.SetSegment(skHoriz, 2, {0.2, 0.5}, {0.2, 0.5});
  EXPECT_EQ(sep.GetScaleFactors(true, 640, 480), std::make_pair(-1.0, -1.0));
}

TEST_F(ScaleTest, SecondPointOnTheFirstPixelOrAxisIsIgnored) {
  scale.MouseDown(0, 100, 100);
  EXPECT_FALSE(scale.MouseDown(0, 100, 100));
  EXPECT_EQ(scale.ScalePointsNumber(), 1);
  TEchelle sep(&ctx, true);
  sep.SetScaleKind(skHoriz);
  sep.MouseDown(0, 100, 100);
  EXPECT_FALSE(sep.MouseDown(0, 100, 300));  // same x: no horizontal extent
  EXPECT_TRUE(sep.MouseDown(0, 200, 300));
  sep.SetScaleKind(skVert);
  sep.MouseDown(0, 50, 50);
  EXPECT_FALSE(sep.MouseDown(0, 90, 50));  // same y
  EXPECT_EQ(sep.ScaleVertPointsNumber(), 1);
}

TEST_F(ScaleTest, RemovingPointsIsRecordedOnlyForACompleteSegment) {
  scale.MouseDown(0, 100, 100);
  ctx.history.Clear();
  scale.RemoveLastPoint();  // half segment: not recorded
  EXPECT_EQ(scale.ScalePointsNumber(), 0);
  EXPECT_TRUE(ctx.history.Empty());
  scale.RemoveLastPoint();  // nothing left: nothing happens
  EXPECT_EQ(scale.ScalePointsNumber(), 0);

  scale.MouseDown(0, 100, 100);
  scale.MouseDown(0, 300, 200);
  const TPictureCoord p2 = scale.Point(skNormal, 1);
  ctx.invalidations.clear();
  EXPECT_FALSE(scale.MouseDown(1, 0, 0));  // right button
  EXPECT_EQ(scale.ScalePointsNumber(), 1);
  EXPECT_TRUE(ctx.Invalidated(rtBoth));
  EXPECT_EQ(ctx.history.UndoCaption(), "Annuler Effacer Echelle");
  ctx.history.Undo();
  EXPECT_EQ(scale.ScalePointsNumber(), 2);
  EXPECT_EQ(scale.Point(skNormal, 1), p2);
}

TEST_F(ScaleTest, DefiningIsOneUndoStepBackToNoPoints) {
  scale.MouseDown(0, 100, 100);
  scale.MouseDown(0, 300, 200);
  EXPECT_EQ(ctx.history.UndoCaption(), "Annuler Définir Echelle");
  ctx.history.Undo();
  EXPECT_EQ(scale.ScalePointsNumber(), 0);
  EXPECT_TRUE(ctx.history.Empty());
}

TEST_F(ScaleTest, DraggingEndsAndSegment) {
  scale.MouseDown(0, 100, 100);
  scale.MouseDown(0, 300, 100);
  ctx.history.Clear();
  // Press on nothing: no drag, nothing recorded.
  scale.MouseDown(0, 200, 300);
  EXPECT_EQ(scale.DragState(), TEchelle::kNoDrag);
  EXPECT_TRUE(ctx.history.Empty());
  // Within 3 pixels of point 2.
  scale.MouseDown(0, 302, 97);
  EXPECT_EQ(scale.DragState(), TEchelle::kDragPoint2);
  EXPECT_EQ(ctx.history.StepCount(), 1u);
  ctx.invalidations.clear();
  scale.MouseMove(400, 200);
  EXPECT_EQ(scale.ScreenPoint(skNormal, 1), (TPixel{400, 200}));
  EXPECT_TRUE(ctx.Invalidated(rtBoth));
  scale.MouseUp();
  EXPECT_EQ(ctx.history.UndoCaption(), "Annuler Modifier Echelle");
  // The body of the segment moves both ends.
  scale.MouseDown(0, 250, 150);
  EXPECT_EQ(scale.DragState(), TEchelle::kDragSegment);
  scale.MouseMove(260, 140);
  scale.MouseUp();
  EXPECT_EQ(scale.ScreenPoint(skNormal, 0), (TPixel{110, 90}));
  EXPECT_EQ(scale.ScreenPoint(skNormal, 1), (TPixel{410, 190}));
  EXPECT_EQ(ctx.history.UndoCaption(), "Annuler Déplacer Echelle");
  ctx.history.Undo();
  scale.RecomputePoints();  // the owner's reaction to an undone scale step
  EXPECT_EQ(scale.ScreenPoint(skNormal, 0), (TPixel{100, 100}));
  ctx.history.Undo();
  scale.RecomputePoints();
  EXPECT_EQ(scale.ScreenPoint(skNormal, 1), (TPixel{300, 100}));
}

TEST_F(ScaleTest, DraggingAnEndOfTheHorizontalSegmentKeepsItHorizontal) {
  TEchelle sep(&ctx, true);
  sep.SetScaleKind(skHoriz);
  sep.MouseDown(0, 100, 100);
  sep.MouseDown(0, 300, 100);
  sep.MouseDown(0, 100, 100);
  ASSERT_EQ(sep.DragState(), TEchelle::kDragPoint1);
  sep.MouseMove(50, 400);
  EXPECT_EQ(sep.ScreenPoint(skHoriz, 0), (TPixel{50, 100}));
  // A move along y alone leaves the x unchanged: ignored.
  ctx.invalidations.clear();
  sep.MouseMove(50, 10);
  EXPECT_TRUE(ctx.invalidations.empty());
}

TEST_F(ScaleTest, SegmentDragStoppedByTheBorderInvalidatesResults) {
  scale.MouseDown(0, 100, 100);
  scale.MouseDown(0, 300, 100);
  scale.MouseDown(0, 200, 100);
  ctx.invalidations.clear();
  scale.MouseMove(-200, 100);  // left end clamped at the border: shorter segment
  EXPECT_TRUE(ctx.Invalidated(rtBoth));
}

TEST_F(ScaleTest, HoverCursorsTellWhatAPressWouldDo) {
  scale.MouseMove(10, 10);
  EXPECT_EQ(ctx.view.cursor, "Echelle");
  scale.MouseDown(0, 100, 100);
  scale.MouseDown(0, 300, 300);
  scale.MouseMove(100, 100);
  EXPECT_EQ(ctx.view.cursor, "Nesw");  // point 1 above and left of point 2
  scale.MouseMove(200, 200);
  EXPECT_EQ(ctx.view.cursor, "Selection");
  scale.MouseMove(500, 20);
  EXPECT_EQ(ctx.view.cursor, "");
  scale.SetSegment(skNormal, 2, {0.5, 0.1}, {0.1, 0.5});
  scale.MouseMove(320, 48);
  EXPECT_EQ(ctx.view.cursor, "Nwse");
}

TEST_F(ScaleTest, LengthChangesInvalidateBothSetsOnlyWhenChanged) {
  scale.SetScaleLength(1.5);
  EXPECT_EQ(ctx.invalidations, std::vector<TResultsTarget>{rtBoth});
  scale.SetScaleLength(1.5);
  EXPECT_EQ(ctx.invalidations.size(), 1u);
  EXPECT_TRUE(ctx.history.Empty());
}

TEST_F(ScaleTest, DrawsTheCurrentSegmentWithOpenArrowHeads) {
  RecordingCanvas canvas;
  scale.Draw(canvas);
  EXPECT_TRUE(canvas.calls.empty());
  scale.MouseDown(0, 100, 100);
  scale.MouseMove(400, 100);
  scale.Draw(canvas);
  auto lines = canvas.Of("line");
  ASSERT_EQ(lines.size(), 3u);  // the rubber line and one head at point 1
  EXPECT_EQ(lines[0].points, (std::vector<TPixel>{{100, 100}, {400, 100}}));
  EXPECT_EQ(lines[1].points[0], (TPixel{100, 100}));
  // Head length 10 % of 300 = 30, capped at 20; half-width 10.
  EXPECT_EQ(lines[1].points[1], (TPixel{120, 110}));
  EXPECT_EQ(lines[2].points[1], (TPixel{120, 90}));
  EXPECT_EQ(lines[0].pen.color, colors::Yellow);
  EXPECT_EQ(lines[0].pen.width, 1);

  canvas.Clear();
  ctx.elementSize = 2;
  scale.MouseDown(0, 150, 100);
  scale.Draw(canvas);
  lines = canvas.Of("line");
  ASSERT_EQ(lines.size(), 5u);
  EXPECT_EQ(lines[0].pen.width, 5);
  // 50 pixels long: the head is at least 10 pixels.
  EXPECT_EQ(lines[1].points[1], (TPixel{110, 105}));
  EXPECT_EQ(lines[3].points[0], (TPixel{150, 100}));
  EXPECT_EQ(lines[3].points[1], (TPixel{140, 95}));
}

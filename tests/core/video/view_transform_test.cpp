// Screen transform, zoom steps, zoom tool, pan, scroll bars and the loupe.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "support/recording_canvas.h"
#include "video_fixture.h"

namespace kinevo {
namespace {

using test::VideoFixture;

TEST_F(VideoFixture, TransformAtFullViewMapsCentreAndBoundsOutsidePoints) {
  Open();
  EXPECT_EQ(video->ImageDuration(), 0.04);
  EXPECT_EQ(video->ZoomValue(), 100);
  // A view pixel means its centre; a position maps back to the pixel that
  // holds it.
  EXPECT_EQ(video->ScreenToPicture(320, 240), (TPictureCoord{320.5 / 640, 240.5 / 480}));
  EXPECT_EQ(video->PictureToScreen({0.5, 0.5}), (TPixel{320, 240}));
  EXPECT_EQ(video->ScreenToPicture(-50, 900), (TPictureCoord{0.0, 1.0}));
  EXPECT_EQ(video->ScreenToPicture(700, -1), (TPictureCoord{1.0, 0.0}));
  EXPECT_FALSE(video->VertBar().Visible);
  EXPECT_GT(marking.recomputes, 0);
}

TEST_F(VideoFixture, TransformFollowsTheVisiblePartAfterZoom) {
  Open(1280, 960, 10, 640, 480);
  video->ZoomAt(320, 240, 1, false, 100);  // 200 %, centred
  EXPECT_EQ(video->ZoomValue(), 200);
  EXPECT_EQ(video->VisibleRect(), (TPixelRect{320, 240, 960, 720}));
  // The view is now 620 x 460 beside the scroll bars.
  EXPECT_EQ(video->ViewWidth(), 620);
  EXPECT_EQ(video->ViewHeight(), 460);
  EXPECT_DOUBLE_EQ(video->ScaleX(), 1240);
  EXPECT_DOUBLE_EQ(video->OffsetX(), 0.25);
  const TPictureCoord c = video->ScreenToPicture(310, 230);
  EXPECT_DOUBLE_EQ(c.x, 0.25 + 310.5 / 1240);
  EXPECT_DOUBLE_EQ(c.y, 0.25 + 230.5 / 920);
  EXPECT_EQ(video->PictureToScreen({0.5, 0.5}), (TPixel{310, 230}));
  // Round trip of an arbitrary view pixel.
  EXPECT_EQ(video->PictureToScreen(video->ScreenToPicture(17, 401)), (TPixel{17, 401}));
}

TEST(Zoom, StepsByTableAndByTenWithCtrlWithinBounds) {
  TZoom z;
  std::vector<int> ins;
  for (int i = 0; i < 7; ++i) {
    z.ZoomIn(false);
    ins.push_back(z.Value());
  }
  EXPECT_EQ(ins, (std::vector<int>{200, 300, 400, 500, 600, 800, 800}));
  std::vector<int> outs;
  for (int i = 0; i < 7; ++i) {
    z.ZoomOut(false);
    outs.push_back(z.Value());
  }
  EXPECT_EQ(outs, (std::vector<int>{600, 500, 400, 300, 200, 100, 100}));
  z.ZoomIn(true);
  EXPECT_EQ(z.Value(), 110);
  z.ZoomOut(true);
  z.ZoomOut(true);
  EXPECT_EQ(z.Value(), 100);
  z.SetValue(795);
  z.ZoomIn(true);
  EXPECT_EQ(z.Value(), 800);
  z.SetValue(250);
  z.ZoomOut(false);
  EXPECT_EQ(z.Value(), 200);
  z.SetValue(201);
  z.ZoomOut(false);
  EXPECT_EQ(z.Value(), 200);
  z.SetValue(199);
  z.ZoomIn(false);
  EXPECT_EQ(z.Value(), 200);
  z.SetValue(130);
  z.Multiply(1.57);  // 204.1 -> 200
  EXPECT_EQ(z.Value(), 200);
  z.Multiply(100);
  EXPECT_EQ(z.Value(), 800);
}

TEST_F(VideoFixture, ZoomClickAtTheRightEdgeKeepsThePictureInside) {
  Open();
  video->SetTool(vtZoom);
  EXPECT_EQ(events.back(), "tool");
  video->MouseDown(mbLeft, {}, 639, 240);
  video->MouseUp(mbLeft, {}, 639, 240);
  EXPECT_EQ(video->ZoomValue(), 200);
  const TPixelRect r = video->VisibleRect();
  EXPECT_EQ(r.Width(), 320);
  EXPECT_EQ(r.left, 640 - 320);
  EXPECT_EQ(r.top, 120);
  EXPECT_TRUE(marking.log.empty());  // the zoom tool takes the mouse
  // Right click zooms out again; Ctrl gives the fine step.
  video->MouseDown(mbRight, {false, true, false}, 10, 10);
  video->MouseUp(mbRight, {false, true, false}, 10, 10);
  EXPECT_EQ(video->ZoomValue(), 190);
  video->MouseDown(mbRight, {}, 10, 10);
  video->MouseUp(mbRight, {}, 10, 10);
  EXPECT_EQ(video->ZoomValue(), 100);
  EXPECT_EQ(video->VisibleRect(), (TPixelRect{0, 0, 640, 480}));
}

TEST_F(VideoFixture, RubberBandZoomsOnTheBandAndANarrowBandIsAClick) {
  Open();
  video->SetTool(vtZoom);
  video->MouseDown(mbLeft, {}, 160, 120);
  video->MouseMove({}, 480, 360);
  test::RecordingCanvas canvas;
  ASSERT_TRUE(video->Paint(canvas));
  auto bands = canvas.Of("polyline");
  ASSERT_EQ(bands.size(), 1u);
  EXPECT_EQ(bands[0].pen.style, TPenStyle::psDot);
  EXPECT_EQ(bands[0].pen.color, RGBColor(128, 128, 128));
  EXPECT_EQ(bands[0].points.front(), (TPixel{160, 120}));
  EXPECT_EQ(bands[0].points.back(), (TPixel{160, 120}));
  video->MouseUp(mbLeft, {}, 480, 360);
  EXPECT_EQ(video->ZoomValue(), 200);
  EXPECT_EQ(video->VisibleRect(), (TPixelRect{160, 120, 480, 360}));

  video->ResetZoom();
  EXPECT_EQ(video->VisibleRect(), (TPixelRect{0, 0, 640, 480}));
  video->MouseDown(mbLeft, {}, 391, 100);
  video->MouseUp(mbLeft, {}, 400, 300);  // 9 x 200: a click at the release point
  EXPECT_EQ(video->ZoomValue(), 200);
  EXPECT_EQ(video->VisibleRect(), (TPixelRect{240, 180, 560, 420}));
}

TEST_F(VideoFixture, PanMovesOnlyAboveFullViewAndStaysInside) {
  Open();
  video->SetTool(vtPan);
  video->MouseDown(mbLeft, {}, 300, 300);
  video->MouseMove({}, 200, 100);
  video->MouseUp(mbLeft, {}, 200, 100);
  EXPECT_EQ(video->VisibleRect(), (TPixelRect{0, 0, 640, 480}));

  video->ZoomAt(320, 240, 1, false, 100);
  ASSERT_EQ(video->VisibleRect(), (TPixelRect{160, 120, 480, 360}));
  video->SetTool(vtPan);
  video->MouseDown(mbRight, {}, 300, 300);  // only the left button pans
  EXPECT_FALSE(video->Pan().Dragging);
  video->MouseDown(mbLeft, {}, 300, 300);
  video->MouseMove({}, 260, 280);  // 40 and 20 view pixels: 20 and 10 picture pixels
  EXPECT_EQ(video->VisibleRect(), (TPixelRect{180, 130, 500, 370}));
  video->MouseMove({}, -2000, -2000);
  EXPECT_EQ(video->VisibleRect(), (TPixelRect{320, 240, 640, 480}));
  video->MouseDown(mbLeft, {}, 0, 0);  // ignored while a pan runs
  EXPECT_EQ(video->Pan().LastPoint, (TPixel{-2000, -2000}));
  video->MouseUp(mbLeft, {}, 0, 0);
  EXPECT_FALSE(video->Pan().Dragging);
  EXPECT_TRUE(marking.log.empty());
}

TEST_F(VideoFixture, ScrollBarsFollowZoomAndMoveTheVisiblePart) {
  Open();
  video->ZoomAt(320, 240, 1, false, 100);
  video->ZoomAt(320, 240, 1, false, 200);  // 300 %
  EXPECT_EQ(video->ZoomValue(), 300);
  const auto& v = video->VertBar();
  const auto& h = video->HorzBar();
  ASSERT_TRUE(v.Visible);
  ASSERT_TRUE(h.Visible);
  EXPECT_EQ(v.ImgSize, 460 * 3);
  EXPECT_EQ(h.ImgSize, 620 * 3);
  EXPECT_EQ(v.Page, 460);
  EXPECT_EQ(v.LargeChange, 10);
  const TPixelRect r = video->VisibleRect();
  EXPECT_EQ(r.Width(), 213);
  EXPECT_EQ(v.ImgPos, static_cast<int>(std::lround(r.top / 480.0 * 1380)));
  // Moving the bar to its end shows the bottom of the picture.
  video->ScrollTo(true, v.ImgSize - v.Page);
  EXPECT_EQ(video->VisibleRect().bottom, 480);
  EXPECT_EQ(video->VisibleRect().left, r.left);
  video->ScrollTo(false, 0);
  EXPECT_EQ(video->VisibleRect().left, 0);
  // A notch of the wheel moves the vertical bar by three lines of 20 pixels.
  video->ScrollTo(true, 200);
  video->ScrollWheelUp();
  EXPECT_EQ(v.ImgPos, 140);
  video->ScrollWheelDown();
  video->ScrollWheelDown();
  EXPECT_EQ(v.ImgPos, 260);
  video->ResetZoom();
  EXPECT_FALSE(v.Visible);
  EXPECT_EQ(video->ViewWidth(), 640);
}

TEST(Loupe, FactorStepsBoundsAndMoving) {
  TLoupe l;
  l.SetBounds({500, 2, 628, 98}, 640, 480);
  EXPECT_EQ(l.SourceWidth(), 43);  // 128 x 100 / 300 rounded
  EXPECT_EQ(l.SourceHeight(), 32);
  std::vector<int> factors;
  for (int i = 0; i < 4; ++i) {
    l.MouseDown(mbLeft, 64, 48, {0, 0});
    factors.push_back(l.Factor());
  }
  EXPECT_EQ(factors, (std::vector<int>{400, 500, 600, 600}));
  EXPECT_EQ(l.SourceWidth(), 21);
  for (int i = 0; i < 6; ++i) l.MouseDown(mbRight, 64, 48, {0, 0});
  EXPECT_EQ(l.Factor(), 100);
  EXPECT_EQ(l.CursorName(64, 48), "Zoom");
  EXPECT_EQ(l.CursorName(5, 48), "SizeAll");
  // A press near the border moves it, always inside the view's area.
  l.MouseDown(mbLeft, 5, 48, {1000, 1000});
  EXPECT_TRUE(l.Moving);
  EXPECT_EQ(l.Factor(), 100);
  l.MouseMove({1100, 1000}, 640, 480);
  EXPECT_EQ(l.Bounds().left, 640 - 128);
  l.MouseMove({0, 0}, 640, 480);
  EXPECT_EQ(l.Bounds(), (TPixelRect{0, 0, 128, 96}));
  l.MouseUp();
  EXPECT_FALSE(l.Moving);
}

TEST_F(VideoFixture, LoupeSitsInTheTopRightAndMagnifiesTheBackBuffer) {
  Open();
  video->ShowLoupe(true);
  TLoupe& l = video->Loupe();
  EXPECT_TRUE(l.Visible);
  EXPECT_EQ(l.Bounds(), (TPixelRect{640 - 128 - 2, 2, 640 - 2, 98}));
  video->MouseMove({}, 100, 50);
  EXPECT_EQ(l.Center, (TPixel{100, 50}));
  test::RecordingCanvas view;
  ASSERT_TRUE(video->Paint(view));
  test::RecordingCanvas canvas;
  l.Paint(canvas, video->BackBuffer());
  auto stretch = canvas.Of("stretch");
  ASSERT_EQ(stretch.size(), 1u);
  EXPECT_EQ(stretch[0].imageWidth, 43);
  EXPECT_EQ(stretch[0].points[1], (TPixel{128, 96}));
  auto lines = canvas.Of("line");
  ASSERT_EQ(lines.size(), 12u);
  // White centre lines with a gap around (64, 48), black lines beside them.
  int white = 0;
  for (const auto& c : lines) {
    if (c.pen.color != colors::White) continue;
    ++white;
    if (c.points[0].x == c.points[1].x) {
      EXPECT_EQ(c.points[0].x, 64);
    } else {
      EXPECT_EQ(c.points[0].y, 48);
    }
  }
  EXPECT_EQ(white, 4);
  EXPECT_TRUE(std::any_of(lines.begin(), lines.end(), [](const test::DrawCall& c) {
    return c.pen.color == colors::Black && c.points[0] == TPixel{63, 0} &&
           c.points[1] == TPixel{63, 46};
  }));
  ASSERT_EQ(canvas.Of("rectangle").size(), 1u);
  // While the loupe is being moved, the view's mouse does not move its centre.
  l.Moving = true;
  video->MouseMove({}, 300, 300);
  EXPECT_EQ(l.Center, (TPixel{100, 50}));
  l.Moving = false;
  // Only Grid and Layer marking keep it.
  video->SetMode(vmMontage);
  EXPECT_FALSE(l.Visible);
}

}  // namespace
}  // namespace kinevo

namespace kinevo {
namespace {

// A warp that mirrors the picture left to right.
struct Mirror : IPictureWarp {
  TPictureCoord Corrected(const TPictureCoord& p) const override { return {1.0 - p.x, p.y}; }
  TPictureCoord Uncorrected(const TPictureCoord& p) const override { return {1.0 - p.x, p.y}; }
};

// The view shows the corrected picture: it draws positions, and takes its
// clicks, through the warp, and its picture is the warped one; without the
// warp everything is as before.
TEST_F(VideoFixture, AWarpedViewShowsTheCorrectedPictureAndMapsPositionsThroughIt) {
  Open(640, 480, 5, 320, 240);
  video->GoToImage(3);
  test::RecordingCanvas canvas;
  const int recomputes = marking.recomputes;
  video->SetWarp(std::make_shared<Mirror>());
  EXPECT_GT(marking.recomputes, recomputes);  // the marks move to the corrected picture
  // A position as shown is drawn where the mirror puts it, and a click
  // there gives it back.
  const TPixel at = video->PictureToScreen({0.25, 0.5});
  EXPECT_EQ(at, (TPixel{240, 120}));
  const TPictureCoord back = video->ScreenToPicture(at.x, at.y);
  EXPECT_NEAR(back.x, 0.25, 1.0 / 320);
  EXPECT_NEAR(back.y, 0.5, 1.0 / 240);
  // View pixel (x, y) shows what view pixel (319 - x, y) shows unwarped.
  ASSERT_TRUE(video->Paint(canvas));
  const Image warped = video->BackBuffer();
  video->SetWarp(nullptr);
  ASSERT_TRUE(video->Paint(canvas));
  const Image& plain = video->BackBuffer();
  for (int x : {0, 10, 100, 319}) EXPECT_EQ(warped.Pixel(x, 20), plain.Pixel(319 - x, 20)) << x;
  EXPECT_EQ(video->PictureToScreen({0.25, 0.5}), (TPixel{80, 120}));
}

}  // namespace
}  // namespace kinevo

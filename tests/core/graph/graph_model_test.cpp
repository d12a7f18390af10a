#include "core/graph/graph_model.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <tuple>

#include "core/common/number_format.h"
#include "support/recording_canvas.h"

namespace kinevo {
namespace {

using test::DrawCall;
using test::RecordingCanvas;

class GraphModelTest : public ::testing::Test {
 protected:
  GraphModelTest() {
    g.SetSize(495, 265);  // plot 400 x 200 at (75, 20)
    g.SetWorld({0, 10, 0, 10}, false);
  }
  TCurveInput Line(int n, int masked = 0) {
    TCurveInput in;
    for (int i = 0; i < n; ++i) in.points.push_back({double(i), double(i)});
    in.maskedAtEnds = masked;
    return in;
  }
  void ShowPointsAndSegments(int curve) {
    g.SetCourbeVisible(curve, ckPoints, true);
    g.SetCourbeVisible(curve, ckSegments, true, kDataDrawn);
  }
  TGraphUtils utils;
  TGraphModel g{utils};
};

TEST_F(GraphModelTest, MaskedEndsHideTheirPointsSegmentsAndReachTheModel) {
  const int c = g.AddCourbe(Line(5, 1));
  ShowPointsAndSegments(c);
  const TCourbe& k = g.Curve(c);
  ASSERT_EQ(k.points.size(), 5u);
  ASSERT_EQ(k.segments.size(), 4u);
  EXPECT_FALSE(k.points[0]->Shown());
  EXPECT_TRUE(k.points[1]->Shown());
  EXPECT_TRUE(k.points[3]->Shown());
  EXPECT_FALSE(k.points[4]->Shown());
  EXPECT_FALSE(k.segments[0]->Shown());
  EXPECT_TRUE(k.segments[1]->Shown());
  EXPECT_TRUE(k.segments[2]->Shown());
  EXPECT_FALSE(k.segments[3]->Shown());
  EXPECT_EQ(k.model->MaskedAtEnds(), 1);
  // The element list holds points, segments, the spline, then the model.
  EXPECT_EQ(g.Elements().size(), 5u + 4u + 1u + 1u);
  EXPECT_EQ(g.Elements().back()->Kind(), obModele);

  RecordingCanvas canvas;
  g.PaintElements(canvas);
  // One polyline for the shown segments: points 1, 2, 3.
  const auto lines = canvas.Of("polyline");
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0].points, (std::vector<TPixel>{{115, 200}, {155, 180}, {195, 160}}));
  EXPECT_EQ(lines[0].pen.color, kDefaultSegmentColour);
}

TEST_F(GraphModelTest, NewCurvesAreHiddenAndVisibilityFollowsTheKind) {
  const int c = g.AddCourbe(Line(4));
  EXPECT_TRUE(g.ShownCurves().empty());
  EXPECT_EQ(g.SingleCurve(), -1);
  g.SetCourbeVisible(c, ckPoints, true);
  EXPECT_EQ(g.SingleCurve(), c);
  const int d = g.AddCourbe(Line(4));
  g.SetCourbeVisible(d, ckPoints, true);
  EXPECT_EQ(g.SingleCurve(), -1);
  EXPECT_EQ(g.ShownCurves(), (std::vector<int>{0, 1}));
  // Only data segments were asked for: user-drawn ones stay off.
  g.SetCourbeVisible(c, ckSegments, true, kDataDrawn);
  EXPECT_TRUE(g.Curve(c).dataVisible[ckSegments]);
  EXPECT_FALSE(g.Curve(c).visible[ckSegments]);
  // Figures kinds go to the free curve, not to the data curves.
  g.SetCourbeVisible(c, ckAngles, true);
  EXPECT_FALSE(g.Curve(c).visible[ckAngles]);
  g.ClearGraph();
  EXPECT_EQ(g.CurveCount(), 0);
  EXPECT_TRUE(g.Elements().empty());
}

TEST_F(GraphModelTest, PointsDrawTheCurveSymbolAndTheHighlightedImage) {
  TCurveInput in = Line(3);
  in.rows = {10, 11, 12};
  in.numbers = {1, 2, 3};
  const int c = g.AddCourbe(in);
  g.SetCourbeVisible(c, ckPoints, true);
  g.SetCourbeColour(c, ckPoints, colors::Blue);
  g.SetCourbeSymbol(c, 14);  // the disc
  g.SetHighlightedRow(11);
  RecordingCanvas canvas;
  g.PaintElements(canvas);
  const auto ellipses = canvas.Of("ellipse");
  // Three discs and one ring around the point of row 11 at (115, 200).
  ASSERT_EQ(ellipses.size(), 4u);
  const auto ring = std::find_if(ellipses.begin(), ellipses.end(), [](const DrawCall& e) {
    return e.brush.style == TBrushStyle::bsClear;
  });
  ASSERT_NE(ring, ellipses.end());
  EXPECT_EQ((ring->points[0].x + ring->points[1].x - 1) / 2, 115);
  EXPECT_EQ((ring->points[0].y + ring->points[1].y - 1) / 2, 200);
  // Double click lookup: the point under a pixel and its image.
  const TGPoint* p = g.PointAt({116, 201});
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(p->row, 11);
  EXPECT_EQ(g.PointAt({300, 30}), nullptr);
}

TEST_F(GraphModelTest, UncertaintiesDrawErrorBarsAndWeightTheModel) {
  // World 0..10 over 200 pixels: ± 0.5 is ± 10 pixels around each point.
  TCurveInput in = Line(3);
  in.uncertainties = {0.5, 0.5, 0.0};
  in.uncertaintiesX = {0.0, 0.25, 0.0};
  const int c = g.AddCourbe(in);
  g.SetCourbeVisible(c, ckPoints, true);
  g.SetCourbeColour(c, ckPoints, colors::Blue);
  g.SetCourbeSymbol(c, 14);  // the disc, drawn without lines
  RecordingCanvas canvas;
  g.PaintElements(canvas);
  // Points 0 and 1 lie at (75, 220) and (115, 200): a vertical bar each,
  // in the point's colour, with a cap at both ends; point 1 also has a
  // horizontal bar of ± 10 pixels (40 per unit); the exact third point has
  // none.
  std::vector<DrawCall> bars, across, caps;
  for (const DrawCall& l : canvas.Of("line")) {
    if (l.pen.color != colors::Blue) continue;
    const int dx = std::abs(l.points[1].x - l.points[0].x);
    const int dy = std::abs(l.points[1].y - l.points[0].y);
    (dx == 0 && dy == 20 ? bars : dy == 0 && dx == 20 ? across : caps).push_back(l);
  }
  ASSERT_EQ(bars.size(), 2u);
  ASSERT_EQ(across.size(), 1u);
  EXPECT_EQ(caps.size(), 6u);
  for (const auto& [bar, x, y] : {std::tuple{bars[0], 75, 220}, std::tuple{bars[1], 115, 200}}) {
    EXPECT_EQ(bar.points[0].x, x);
    EXPECT_EQ(std::min(bar.points[0].y, bar.points[1].y), y - 10);
    EXPECT_EQ(std::max(bar.points[0].y, bar.points[1].y), y + 10);
  }
  EXPECT_EQ(across[0].points[0].y, 200);
  EXPECT_EQ(std::min(across[0].points[0].x, across[0].points[1].x), 105);
  EXPECT_TRUE(g.Curve(c).model->Weighted());
}

TEST_F(GraphModelTest, DenseCurvesDrawOneSymbolPerPixel) {
  TCurveInput in;
  for (int i = 0; i < 1000; ++i) in.points.push_back({i / 1000.0, 5});  // 40 pixels wide
  const int c = g.AddCourbe(in);
  g.SetCourbeVisible(c, ckPoints, true);
  RecordingCanvas canvas;
  g.PaintElements(canvas);
  EXPECT_EQ(canvas.Of("polygon").size(), 41u);
  // A second curve on the same pixels has its own symbols, at every paint
  // of a long session (the pixels already drawn are forgotten per curve).
  g.SetCourbeVisible(g.AddCourbe(in), ckPoints, true);
  for (int paint = 0; paint < 300; ++paint) {
    RecordingCanvas again;
    g.PaintElements(again);
    ASSERT_EQ(again.Of("polygon").size(), 82u) << "paint " << paint;
  }
}

TEST_F(GraphModelTest, AutoVectorScaleMakesTheLongestVectorATenthOfThePlot) {
  TCurveInput in = Line(4, 0);
  in.vectors.push_back({7, "m/s", {{2, 0}, {4, 0}, {0, -1}, {100, 0}}, 1});
  const int c = g.AddCourbe(in);
  g.SetCourbeVisible(c, ckVectors, true, kDataDrawn);
  g.AutoVectorScale();
  const TCourbe& k = g.Curve(c);
  // The masked last vector (100) does not set the scale: 4 is the longest.
  EXPECT_FALSE(k.vectors[3]->Shown());
  EXPECT_TRUE(k.vectors[1]->Shown());
  const TPixel from = k.vectors[1]->Pixels()[0];
  EXPECT_EQ(k.vectors[1]->Tip().x - from.x, 40);                       // 400 / 10
  EXPECT_EQ(k.vectors[2]->Tip().y - k.vectors[2]->Pixels()[0].y, 10);  // y down on screen
  // Bar value: 64 pixels / (0.025 × 400) = 6.4 m/s.
  EXPECT_DOUBLE_EQ(g.VectorScaleValue(), 6.4);
  EXPECT_EQ(g.ScaleBarText(), std::string("6") + DecimalSeparator() + "4 m/s");
  // The scale value may only change the factor from 0.2 to 10 times.
  EXPECT_FALSE(g.SetVectorScaleValue(6.4 / 11));
  EXPECT_FALSE(g.SetVectorScaleValue(6.4 * 6));
  EXPECT_FALSE(g.SetVectorScaleValue(0));
  EXPECT_DOUBLE_EQ(g.VectorScaleValue(), 6.4);
  EXPECT_TRUE(g.SetVectorScaleValue(3.2));
  EXPECT_EQ(k.vectors[1]->Tip().x - from.x, 80);
}

TEST_F(GraphModelTest, OnlyTheCurrentFamilyIsShown) {
  TCurveInput in = Line(3);
  in.vectors.push_back({1, "m/s", {{1, 0}, {1, 0}, {1, 0}}, 0});
  in.vectors.push_back({2, "m/s²", {{0, 1}, {0, 1}, {0, 1}}, 0});
  const int c = g.AddCourbe(in);
  g.SetCourbeVisible(c, ckVectors, true, kDataDrawn);
  auto shown = [&](int family) {
    int n = 0;
    for (const TGVecteur* v : g.Curve(c).vectors) n += v->Shown() && v->family == family;
    return n;
  };
  EXPECT_EQ(shown(1), 3);
  EXPECT_EQ(shown(2), 0);
  g.SelectFamily(1);
  EXPECT_EQ(shown(1), 0);
  EXPECT_EQ(shown(2), 3);
  g.SelectFamily(5);  // out of range: ignored
  EXPECT_EQ(g.CurrentFamily(), 1);
}

TEST_F(GraphModelTest, EqualScaleResizeKeepsUnitsPerPixelAboutTheCentre) {
  g.SetWorld({0, 4, 0, 2}, true);
  g.SetSize(495 + 200, 265 + 100);  // plot 600 x 300
  const TWorldWindow w = g.World();
  EXPECT_DOUBLE_EQ(w.xmax - w.xmin, 6.0);
  EXPECT_DOUBLE_EQ(w.ymax - w.ymin, 3.0);
  EXPECT_DOUBLE_EQ((w.xmin + w.xmax) / 2, 2.0);
  EXPECT_DOUBLE_EQ((w.ymin + w.ymax) / 2, 1.0);
}

TEST_F(GraphModelTest, ZoomAndPanToolsMoveTheWindow) {
  int changes = 0;
  TConnection heard = g.OnWorldChanged.Connect([&] { ++changes; });
  EXPECT_FALSE(g.SetTool(gtModifierModele));  // no model to adjust
  EXPECT_EQ(g.Tool(), gtNone);
  ASSERT_TRUE(g.SetTool(gtZoom));
  EXPECT_EQ(g.CursorName(), "Zoom");
  g.IsZoomX = false;
  EXPECT_EQ(g.CursorName(), "ZoomY");
  g.IsZoomX = true;
  // Left click in the middle: one level in about (5, 5).
  g.MouseDown(mbLeft, {}, 275, 120);
  g.MouseUp(mbLeft, {}, 275, 120);
  EXPECT_DOUBLE_EQ(g.Zoom().FactorX(), 1.5);
  EXPECT_NEAR(g.World().xmax - g.World().xmin, 10 / 1.5, 1e-12);
  EXPECT_EQ(changes, 1);

  g.SetWorld({0, 10, 0, 10}, false);
  ASSERT_TRUE(g.SetTool(gtPan));
  g.MouseDown(mbLeft, {}, 100, 100);
  // The plot follows the hand: 80 of the plot's 400 pixels move the
  // window by a fifth of its range.
  g.MouseMove({}, 180, 100);
  EXPECT_NEAR(g.World().xmin, -2.0, 1e-12);
  g.MouseMove({}, 180, 140);  // 40 of 200: a fifth upwards
  EXPECT_NEAR(g.World().ymin, 2.0, 1e-12);
  g.MouseUp(mbLeft, {}, 180, 140);
  EXPECT_EQ(g.DragState(), gdIdle);
}

TEST_F(GraphModelTest, MeasureToolShowsTheInfoOfTheElementUnderTheMouse) {
  const int c = g.AddCourbe(Line(3));
  g.SetCourbeVisible(c, ckPoints, true);
  ASSERT_TRUE(g.SetTool(gtMesurer));
  g.MouseMove({}, 115, 200);
  EXPECT_NE(g.HintText().find("Image 2"), std::string::npos);
  EXPECT_EQ(g.HintPosition(), (TPixel{115, 210}));
  EXPECT_EQ(g.CursorName(), "Detection");
  g.MouseMove({}, 400, 40);
  EXPECT_TRUE(g.HintText().empty());
  EXPECT_EQ(g.CursorName(), "");
}

TEST_F(GraphModelTest, CrossHairFillsTheBubbleInItsCorner) {
  ASSERT_TRUE(g.SetTool(gtReticule));
  g.MouseMove({}, 275, 120);
  ASSERT_TRUE(g.Bulle.Shown());
  EXPECT_EQ(g.Bulle.Lines().front(), "x = 5" + std::string(1, DecimalSeparator()) + "000");
  RecordingCanvas canvas;
  g.PaintElements(canvas);
  // Upper right corner: 2 pixels from the right edge, 1 from the top.
  bool box = false;
  for (const auto& r : canvas.Of("rectangle"))
    box |= r.brush.color == TBulle::kBackground && r.points[1].x == 495 - 2 && r.points[0].y == 1;
  EXPECT_TRUE(box);
  g.MouseMove({}, 10, 10);  // outside the plot
  EXPECT_FALSE(g.Bulle.Shown());
}

TEST_F(GraphModelTest, KeysMoveThePointerAndSpaceOpensTheMenu) {
  TPixel move;
  EXPECT_TRUE(g.KeyDown(vkLeft, {}, move));
  EXPECT_EQ(move, (TPixel{-1, 0}));
  TShiftState ctrl;
  ctrl.ctrl = true;
  EXPECT_TRUE(g.KeyDown(vkDown, ctrl, move));
  EXPECT_EQ(move, (TPixel{0, 10}));
  int clicks = 0;
  TConnection heard = g.OnObjectClick.Connect(
      [&](TMouseButton b, TGObjectType t) { clicks += b == mbRight && t == obNone; });
  EXPECT_TRUE(g.KeyDown(32, {}, move));
  EXPECT_EQ(clicks, 1);
}

TEST_F(GraphModelTest, BackgroundDrawsAxesWithTicksGridAndZeroLine) {
  g.SetWorld({-5, 5, 0, 100}, false);
  RecordingCanvas canvas;
  g.PaintBackground(canvas);
  std::vector<std::string> labels;
  for (const auto& t : canvas.Of("text")) labels.push_back(t.text);
  // Y labels 0, 20, ..., 100: one decimal when the largest bound is 100.
  EXPECT_NE(std::find(labels.begin(), labels.end(), "0" + std::string(1, DecimalSeparator()) + "0"),
            labels.end());
  // The zero line of X (min < 0 < max), width 3 at x = 275.
  bool zero = false;
  for (const auto& l : canvas.Of("line"))
    zero |= l.pen.width == 3 && l.points[0].x == 275 && l.points[1].x == 275;
  EXPECT_TRUE(zero);
  // The plot picture is stretched into the plot.
  const auto pics = canvas.Of("stretch");
  ASSERT_EQ(pics.size(), 1u);
  EXPECT_EQ(pics[0].imageWidth, 400);
  EXPECT_EQ(pics[0].imageHeight, 200);
}

TEST_F(GraphModelTest, SourcePictureFollowsOriginAndFlips) {
  // A 4 x 2 picture: left half red, right half blue; origin at its centre.
  auto pic = std::make_shared<Image>(4, 2, colors::Red);
  for (int y = 0; y < 2; ++y)
    for (int x = 2; x < 4; ++x) pic->SetPixel(x, y, colors::Blue);
  g.IsSourceImgVisible = true;
  g.SetWorld({-2, 2, -1, 1}, false);  // exactly the picture, 4 m by 2 m
  g.SetSourceImage({pic, {0.5, 0.5}, 4, 2, false, false, 0});
  EXPECT_EQ(g.PlotPicture().Pixel(10, 100), colors::Red);
  EXPECT_EQ(g.PlotPicture().Pixel(390, 100), colors::Blue);
  // The x axis reversed: the picture is flipped left to right.
  g.SetSourceImage({pic, {0.5, 0.5}, 4, 2, true, false, 0});
  EXPECT_EQ(g.PlotPicture().Pixel(10, 100), colors::Blue);
  // Outside the picture the gradient shows.
  g.SetWorld({10, 14, 10, 12}, false);
  EXPECT_EQ(g.PlotPicture().Pixel(10, 0), g.ColorBegin);
}

TEST_F(GraphModelTest, HiddenElementsTakeTheCurrentWindowWhenShown) {
  // Elements hidden while the window moves get their pixels when they are
  // shown again: the smooth curve, and points and segments unmasked later.
  const int c = g.AddCourbe(Line(6));
  ShowPointsAndSegments(c);
  const TCourbe& k = g.Curve(c);
  TGPoint& hidden = *k.points[2];
  hidden.SetMasked(true);
  k.segments[3]->SetMasked(true);
  g.SetWorld({-3, 7, 1, 4}, false);
  g.SetWorld({2, 9, -5, 8}, false);
  g.SetCourbeVisible(c, ckSplines, true, kDataDrawn);
  hidden.SetMasked(false);
  k.segments[3]->SetMasked(false);
  const TWorldWindow w{2, 9, -5, 8};
  auto at = [&](double x) { return WorldToPixel(g.Plot(), w, x, x); };
  EXPECT_EQ(hidden.pixel, at(2));
  EXPECT_EQ(k.segments[3]->Pixels()[0], at(3));
  EXPECT_EQ(k.segments[3]->Pixels()[1], at(4));
  ASSERT_EQ(k.splines.size(), 1u);
  ASSERT_EQ(k.splines[0]->Pixels().size(), 6u);
  for (int i = 0; i < 6; ++i) EXPECT_EQ(k.splines[0]->Pixels()[i], at(i)) << i;

  // The polyline alone, its points hidden, after another move: drawn and
  // hit where the window now puts it.
  g.SetCourbeVisible(c, ckPoints, false);
  g.SetCourbeVisible(c, ckSplines, false, kDataDrawn);
  const TWorldWindow moved{-1, 6, -2, 7};
  g.SetWorld(moved, false);
  RecordingCanvas canvas;
  g.PaintElements(canvas);
  const auto lines = canvas.Of("polyline");
  ASSERT_EQ(lines.size(), 1u);
  ASSERT_EQ(lines[0].points.size(), 6u);
  for (int i = 0; i < 6; ++i)
    EXPECT_EQ(lines[0].points[i], WorldToPixel(g.Plot(), moved, i, i)) << i;
  const TPixel a = WorldToPixel(g.Plot(), moved, 1, 1), b = WorldToPixel(g.Plot(), moved, 2, 2);
  EXPECT_TRUE(k.segments[1]->HitTest({(a.x + b.x) / 2, (a.y + b.y) / 2}, 2));
  EXPECT_FALSE(k.segments[1]->HitTest({(a.x + b.x) / 2, (a.y + b.y) / 2 - 30}, 2));
}

TEST_F(GraphModelTest, TurnedSourcePictureMatchesThePixelByPixelMapping) {
  // A picture of 16 x 9 distinct colours under a window turned by 0.3 rad
  // and flipped in y: each plot pixel shows the picture pixel under its
  // centre (turned back and scaled), or the gradient outside.
  auto pic = std::make_shared<Image>(16, 9);
  for (int y = 0; y < 9; ++y)
    for (int x = 0; x < 16; ++x) pic->SetPixel(x, y, RGBColor(x * 15, y * 25, 200));
  g.IsSourceImgVisible = true;
  g.SetWorld({-2.6, 2.2, -1.7, 1.3}, false);
  const TSourceImage src{pic, {0.4, 0.55}, 4, 2.25, false, true, 0.3};
  g.SetSourceImage(src);
  const Image& img = g.PlotPicture();
  const TWorldWindow w = g.World();
  const double c = std::cos(src.angle), s = std::sin(src.angle);
  int inside = 0, differ = 0;
  for (int j = 0; j < img.Height(); ++j)
    for (int i = 0; i < img.Width(); ++i) {
      const double x = w.xmin + (i + 0.5) * (w.xmax - w.xmin) / img.Width();
      const double y = -(w.ymax - (j + 0.5) * (w.ymax - w.ymin) / img.Height());
      const double fx = src.origin.x + (x * c - y * s) / src.width;
      const double fy = src.origin.y - (x * s + y * c) / src.height;
      if (fx < 0 || fx >= 1 || fy < 0 || fy >= 1) continue;
      // Centres within a hair of a picture pixel's edge may go either way.
      const double ex = fx * 16 - std::floor(fx * 16), ey = fy * 9 - std::floor(fy * 9);
      if (std::min(ex, 1 - ex) < 1e-9 || std::min(ey, 1 - ey) < 1e-9) continue;
      ++inside;
      differ += img.Pixel(i, j) != pic->Pixel(int(fx * 16), int(fy * 9));
    }
  EXPECT_GT(inside, 20000);
  EXPECT_EQ(differ, 0);
}

}  // namespace
}  // namespace kinevo

namespace kinevo {
namespace {

// Lines computed elsewhere (a dynamic model) drawn over the data: broken
// where a value is missing, kept clear of int overflow far outside the
// plot, merged where points share a pixel, and dropped with the graph.
TEST(GraphOverlayCurves, DrawnInRunsClippedAndDroppedWithTheGraph) {
  TGraphUtils utils;
  TGraphModel g{utils};
  g.SetSize(495, 265);  // plot 400 x 200 at (75, 20)
  g.SetWorld({0, 10, 0, 10}, false);
  const double nan = std::nan("");
  TOverlayCurve c;
  c.colour = 0x0000FF;
  c.points = {{0, 0},   {0.001, 0.001}, {5, 5}, {nan, 1},   {6, 6},
              {7, nan}, {8, 8},         {9, 9}, {10, 1e300}};
  // Not part of the element layer: a model moved by a slider keeps it.
  const uint64_t before = g.ElementsGeneration(), curves = g.OverlayCurvesGeneration();
  g.SetOverlayCurves({c});
  EXPECT_EQ(g.ElementsGeneration(), before);
  EXPECT_NE(g.OverlayCurvesGeneration(), curves);

  test::RecordingCanvas canvas;
  g.PaintElements(canvas);
  const auto lines = canvas.Of("polyline");
  ASSERT_EQ(lines.size(), 2u);  // (0, 0)-(5, 5); (8, 8)-(9, 9)-(10, far); (6, 6) alone is no line
  ASSERT_EQ(lines[0].points.size(), 2u);
  EXPECT_EQ(lines[0].points[0], (TPixel{75, 220}));
  EXPECT_EQ(lines[0].points[1], (TPixel{275, 120}));
  EXPECT_EQ(lines[0].pen.color, 0x0000FFu);
  EXPECT_EQ(lines[0].pen.width, 2);
  ASSERT_EQ(lines[1].points.size(), 3u);
  EXPECT_EQ(lines[1].points[2].x, 475);
  EXPECT_EQ(lines[1].points[2].y, -1000000);
  // Drawn inside the plot's clip.
  bool clipped = false;
  for (const auto& call : canvas.calls) {
    if (call.op == "clip") clipped = true;
    if (call.op == "clearclip") clipped = false;
    if (call.op == "polyline") EXPECT_TRUE(clipped);
  }

  g.ClearGraph();
  EXPECT_TRUE(g.OverlayCurves().empty());
  canvas.Clear();
  g.PaintElements(canvas);
  EXPECT_TRUE(canvas.Of("polyline").empty());
}

}  // namespace
}  // namespace kinevo

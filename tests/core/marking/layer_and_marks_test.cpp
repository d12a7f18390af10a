// The transparent layer and the marks, driven through the marking data as
// the view drives them.
#include <gtest/gtest.h>

#include <cmath>

#include "core/marking/marking_data.h"
#include "support/fake_view.h"
#include "support/recording_canvas.h"
#include "support/scripted_dialog.h"

using namespace kinevo;
using kinevo::test::FakeView;
using kinevo::test::RecordingCanvas;
using kinevo::test::ScriptedDialog;

namespace {

struct LayerTest : ::testing::Test {
  FakeView view{1000, 1000, 100};
  ScriptedDialog presenter;
  TUserDlg dialog{&presenter};
  TGraphUtils graph;
  TData data{view, dialog, graph};
  void SetUp() override {
    data.Reset();
    view.mode = vmTransparent;
    data.SetTool(otTsp);
  }
  void Press(int x, int y, int button = 0) { data.MouseDown(button, false, x, y); }
  void Release(int x, int y) { data.MouseUp(0, false, x, y); }
  // Grab the layer at its centre and drop it at (x, y), then point (px, py).
  void Cycle(int x, int y, int px, int py) {
    const TPixelRect& r = data.Layer().LayerRect();
    const int cx = (r.left + r.right) / 2, cy = (r.top + r.bottom) / 2;
    Press(cx, cy);
    data.MouseMove(false, x, y);
    Release(x, y);
    Press(px, py);
  }
};

bool Near(TPictureCoord a, TPictureCoord b) {
  return std::fabs(a.x - b.x) < 1e-9 && std::fabs(a.y - b.y) < 1e-9;
}

}  // namespace

TEST_F(LayerTest, HomePositionFollowsTheAxisDirections) {
  EXPECT_TRUE(Near(data.Layer().Origin(), {0.45, 0.55}));
  data.SetDirectXAxisDirection(false);
  data.SetDirectYAxisDirection(false);
  EXPECT_TRUE(Near(data.Layer().Origin(), {0.55, 0.45}));
  EXPECT_EQ(data.UndoCaption(), "Annuler Changer sens Transparent");
  data.Undo();
  EXPECT_TRUE(data.Layer().DirectYAxisDirection());
  EXPECT_FALSE(data.Layer().DirectXAxisDirection());
}

TEST_F(LayerTest, ResizingKeysStopAtTheirBounds) {
  for (int i = 0; i < 16; ++i) data.KeyDown(109, false);
  EXPECT_NEAR(data.Layer().LayerWidth(), 0.0927, 1e-4);
  data.KeyDown(109, false);
  EXPECT_NEAR(data.Layer().LayerWidth(), 0.0927, 1e-4);
  EXPECT_DOUBLE_EQ(data.Layer().LayerHeight(), data.Layer().LayerWidth());
  EXPECT_EQ(data.UndoCaption(), "Annuler Déformer Transparent");
  for (int i = 0; i < 16; ++i) data.Undo();
  EXPECT_DOUBLE_EQ(data.Layer().LayerWidth(), 0.5);
  EXPECT_EQ(data.UndoCaption(), "");
  for (int i = 0; i < 8; ++i) data.KeyDown(187, false);
  EXPECT_NEAR(data.Layer().LayerWidth(), 1.0718, 1e-4);
  data.KeyDown(107, false);
  EXPECT_NEAR(data.Layer().LayerWidth(), 1.0718, 1e-4);
  // The resizing keys do nothing with another tool.
  data.SetTool(otDeplacer);
  data.KeyDown(109, false);
  EXPECT_NEAR(data.Layer().LayerWidth(), 1.0718, 1e-4);
}

TEST_F(LayerTest, GrabDropPointAdvancesAndUndoStepsBack) {
  data.SetFramesNumberBetweenTwoMarks(3);
  view.current = 10;
  Cycle(300, 300, 350, 250);
  EXPECT_EQ(view.current, 13);
  EXPECT_EQ(data.Layer().LayerStage(), lsGrab);
  ASSERT_EQ(data.Layer().Origines().size(), 1u);
  EXPECT_EQ(data.Layer().Origines()[0]->OrigineImageNumber, 10);
  EXPECT_TRUE(Near(data.Layer().Origin(), {0.3, 0.3}));
  const TMarque* m = data.LayerMarks().DrawList()[0];
  // The layer moved with the pointer; the mark is at the centre of the
  // clicked pixel.
  EXPECT_TRUE(Near(m->GetRelative(), {0.0505, -0.0495}));
  EXPECT_EQ(data.UndoCaption(), "Annuler Poser Marque");
  data.Undo();
  EXPECT_EQ(data.MarksCount(), 0);
  EXPECT_EQ(view.current, 10);
  EXPECT_EQ(data.Layer().LayerStage(), lsPoint);
  EXPECT_EQ(data.UndoCaption(), "Annuler Déplacer Transparent");
  data.Undo();
  EXPECT_TRUE(data.Layer().Origines().empty());
  EXPECT_TRUE(Near(data.Layer().Origin(), {0.45, 0.55}));
  EXPECT_EQ(data.Layer().LayerStage(), lsGrab);
}

TEST_F(LayerTest, SecondImageGoesBackToThePreviousPosition) {
  view.current = 1;
  Cycle(300, 300, 310, 310);
  Cycle(600, 600, 610, 610);
  EXPECT_EQ(view.current, 3);
  data.Undo();
  data.Undo();
  EXPECT_TRUE(Near(data.Layer().Origin(), {0.3, 0.3}));
  // The layer's mark of image 1 follows the layer's current origin.
  EXPECT_EQ(data.LayerMarks().DrawList()[0]->ScreenPoint(), (TPixel{310, 310}));
}

TEST_F(LayerTest, DropOnAPositionedImageUpdatesItWithNothingToUndo) {
  view.current = 5;
  Cycle(300, 300, 310, 310);
  view.current = 5;
  const std::size_t steps = data.LayerHistory().StepCount();
  Press(300, 300);
  data.MouseMove(false, 400, 450);
  Release(400, 450);
  EXPECT_EQ(data.Layer().LayerStage(), lsGrab);
  EXPECT_EQ(data.LayerHistory().StepCount(), steps);
  EXPECT_TRUE(Near(data.Layer().Origines()[0]->Position, {0.4, 0.45}));
  // A second mark on image 5 would be refused anyway.
  EXPECT_EQ(data.Layer().Origines().size(), 1u);
}

TEST_F(LayerTest, RightButtonsStepBack) {
  // GoBack with nothing recorded: home and lsGrab.
  Press(500, 500);
  Release(700, 700);
  ASSERT_EQ(data.Layer().LayerStage(), lsPoint);
  data.Layer().Origines();
  Press(0, 0, 1);  // GoBack removes the position just created
  EXPECT_EQ(data.Layer().LayerStage(), lsGrab);
  EXPECT_TRUE(data.Layer().Origines().empty());
  EXPECT_TRUE(Near(data.Layer().Origin(), {0.45, 0.55}));
  Press(0, 0, 1);  // lsGrab with no mark: nothing
  EXPECT_EQ(data.Layer().LayerStage(), lsGrab);
  data.Undo();  // puts the position back: two steps forward
  EXPECT_EQ(data.Layer().LayerStage(), lsPoint);
  EXPECT_EQ(data.Layer().Origines().size(), 1u);
  // Mark, then the right button in lsGrab removes it and asks for it again.
  view.current = 7;
  Press(650, 650);
  EXPECT_EQ(view.current, 8);
  Press(0, 0, 1);
  EXPECT_EQ(view.current, 7);
  EXPECT_EQ(data.Layer().LayerStage(), lsPoint);
  // lsDrag ignores the right button.
  data.Undo();
  EXPECT_EQ(data.Layer().LayerStage(), lsGrab);
  EXPECT_EQ(data.MarksCount(), 1);
  Press(100, 100);
  Press(100, 100, 1);
  EXPECT_EQ(data.Layer().LayerStage(), lsDrag);
  data.SetTool(otTsp);  // a tool change ends the drag
  EXPECT_EQ(data.Layer().LayerStage(), lsGrab);
}

TEST_F(LayerTest, DuplicateLayerMarkIsRefusedAndTheStageStays) {
  view.current = 2;
  Cycle(300, 300, 310, 310);
  view.current = 2;
  Press(300, 300);
  Release(300, 300);  // image 2 has a position: straight back to lsGrab
  data.Layer().SetStage(lsPoint);
  Press(320, 320);
  EXPECT_EQ(presenter.Count(), 1u);
  EXPECT_EQ(data.Layer().LayerStage(), lsPoint);
  EXPECT_EQ(data.MarksCount(), 1);
}

TEST_F(LayerTest, ErasingALayerMarkRemovesItsImagesPosition) {
  view.current = 3;
  Cycle(300, 300, 310, 310);
  Cycle(500, 500, 510, 510);
  data.SetTool(otEffacer);
  view.current = 3;
  // Both marks sit at the same offset from the layer, which is now where it
  // was dropped on image 4: the first of the drawing list (image 3) is hit.
  data.MouseDown(0, false, 510, 510);
  EXPECT_EQ(data.MarksCount(), 1);
  ASSERT_EQ(data.Layer().Origines().size(), 1u);
  EXPECT_EQ(data.Layer().Origines()[0]->OrigineImageNumber, 4);
  data.Undo();
  EXPECT_EQ(data.MarksCount(), 2);
  EXPECT_EQ(data.Layer().Origines().size(), 2u);
  // The right button of the erase tool works on the Layer set too.
  data.MouseDown(1, false, 0, 0);
  EXPECT_EQ(data.MarksCount(), 1);
  EXPECT_EQ(data.Layer().Origines().size(), 1u);
  // EraseMarks with the layer tool empties both lists in one group.
  data.SetTool(otTsp);
  data.EraseMarks();
  EXPECT_EQ(data.MarksCount(), 0);
  EXPECT_TRUE(data.Layer().Origines().empty());
  data.Undo();
  EXPECT_EQ(data.MarksCount(), 1);
  EXPECT_EQ(data.Layer().Origines().size(), 1u);
}

TEST_F(LayerTest, LayerSetKeepsOneSystemAndASecondName) {
  EXPECT_EQ(data.MarksNumberPerFrame(), 1);
  EXPECT_TRUE(data.HasDefaultSystemNames());
  data.SetSystemName(1, "Du Point N°2");
  EXPECT_TRUE(data.HasDefaultSystemNames());  // case does not matter
  data.SetSystemName(1, "wagon");
  EXPECT_FALSE(data.HasDefaultSystemNames());
  // A document without names still gets both default names.
  data.LayerMarks().LoadSystems(1, {});
  EXPECT_TRUE(data.HasDefaultSystemNames());
  EXPECT_EQ(data.SystemName(1), "du point n°2");
  data.LayerMarks().SetSystemsCount(4);
  data.LayerMarks().SetCurrentSystem(3);
  EXPECT_EQ(data.LayerMarks().MarksNumberPerFrame(), 1);
  EXPECT_EQ(data.LayerMarks().CurrentMarkOrderNumber(), 0);
  EXPECT_EQ(data.OriginePointsNumber(), 1);
  EXPECT_EQ(data.XAxisAngle(), 0.0);
}

TEST_F(LayerTest, ForgetImageDropsEverythingOfTheImageAndTheMarkHistories) {
  view.current = 4;
  Cycle(300, 300, 310, 310);
  view.mode = vmRepereFixe;
  data.SetTool(otMarque);
  view.current = 4;
  data.MouseDown(0, false, 50, 50);
  data.ForgetImage(4);
  EXPECT_EQ(data.GridMarks().MarksCount(), 0);
  EXPECT_EQ(data.LayerMarks().MarksCount(), 0);
  EXPECT_TRUE(data.Layer().Origines().empty());
  EXPECT_TRUE(data.GridHistory().Empty());
  EXPECT_TRUE(data.LayerHistory().Empty());
}

TEST_F(LayerTest, DrawsRectangleAxesArrowsAndLetters) {
  data.SetElementSize(1);
  data.UpdateScreenPositions();
  RecordingCanvas canvas;
  data.Paint(canvas);
  const TPixelRect r = data.Layer().LayerRect();
  EXPECT_EQ(r, (TPixelRect{-50, 50, 950, 1050}));
  auto polylines = canvas.Of("polyline");
  ASSERT_EQ(polylines.size(), 1u);
  EXPECT_EQ(polylines[0].points.front(), (TPixel{-50, 50}));
  EXPECT_EQ(polylines[0].pen.width, 3);
  EXPECT_EQ(polylines[0].pen.color, colors::Yellow);
  auto polys = canvas.Of("polygon");
  ASSERT_EQ(polys.size(), 2u);
  EXPECT_EQ(polys[0].points[0], (TPixel{947, 550}));  // x arrow tip: R - pen width
  EXPECT_EQ(polys[0].points[1], (TPixel{932, 543}));
  EXPECT_EQ(polys[1].points[0], (TPixel{450, 53}));  // y arrow tip: T + pen width
  auto texts = canvas.Of("text");
  ASSERT_EQ(texts.size(), 2u);
  // Recording canvas: 7 pixels a character, 16 high.
  EXPECT_EQ(texts[0].points[0], (TPixel{950 - (7 + 15 + 14), 550 - (16 + 4)}));
  EXPECT_EQ(texts[1].points[0], (TPixel{450 + 8, 50 + 15 + 6}));
  EXPECT_EQ(texts[0].font.size, 18);
  EXPECT_TRUE(texts[0].font.bold);
  EXPECT_EQ(canvas.Pen().width, 1);
  EXPECT_FALSE(canvas.Font().bold);
}

// ---------------------------------------------------------------- marks

namespace {

struct MarksTest : ::testing::Test {
  FakeView view;
  ScriptedDialog presenter;
  TUserDlg dialog{&presenter};
  TGraphUtils graph;
  TData data{view, dialog, graph};
  void SetUp() override { data.Reset(); }
  void MarkOn(int image, int x, int y) {
    view.current = image;
    data.MouseDown(0, false, x, y);
  }
  int Rank(int image) { return data.GridMarks().ContainerOf(image)->MarksContainerMarkNumber; }
};

}  // namespace

TEST_F(MarksTest, RenumberingFollowsImageNumbers) {
  MarkOn(40, 10, 10);
  MarkOn(10, 20, 20);
  MarkOn(25, 30, 30);
  EXPECT_EQ(Rank(40) + 1, 3);
  EXPECT_EQ(Rank(10) + 1, 1);
  EXPECT_EQ(Rank(25) + 1, 2);
  data.SetTool(otEffacer);
  data.MouseDown(0, false, 20, 20);
  EXPECT_EQ(Rank(40) + 1, 2);
  EXPECT_EQ(Rank(25) + 1, 1);
  EXPECT_EQ(Rank(10), 2);  // empty: after all others
  EXPECT_EQ(data.LastMarkedImage(), 25);
  EXPECT_EQ(data.MarksCountOnImage(10), 0);
  EXPECT_EQ(data.MarksCountOnImage(11), -1);
}

TEST_F(MarksTest, EraseAllAndUndoRestoresIdsContainersAndOrder) {
  data.SetMarksNumberPerFrame(2);
  MarkOn(5, 10, 10);
  MarkOn(5, 20, 20);
  MarkOn(6, 30, 30);
  MarkOn(2, 40, 40);
  std::vector<int32_t> ids;
  for (const TMarque* m : data.GridMarks().DrawList()) ids.push_back(m->Id());
  data.EraseMarks();
  EXPECT_EQ(data.MarksCount(), 0);
  data.Undo();
  ASSERT_EQ(data.MarksCount(), 4);
  for (std::size_t i = 0; i < ids.size(); ++i)
    EXPECT_EQ(data.GridMarks().DrawList()[i]->Id(), ids[i]);
  EXPECT_EQ(data.GridMarks().ContainerOf(5)->Count(), 2);
  EXPECT_EQ(data.GridMarks().DrawList()[3]->ScreenPoint(), (TPixel{40, 40}));
  EXPECT_EQ(data.MinMarksPerSystem(), 2);
}

TEST_F(MarksTest, OnlyTheLastMarksAreDrawnWhenAsked) {
  for (int i = 0; i < 8; ++i) MarkOn(i * 3, 10 + 10 * i, 10);
  data.SetMarksIsAllDrawn(false);
  data.SetMarksNumberToDraw(5);
  view.current = 0;
  RecordingCanvas canvas;
  data.Paint(canvas);
  auto texts = canvas.Of("text");
  ASSERT_EQ(texts.size(), 5u);
  EXPECT_EQ(texts[0].text, "4");
  EXPECT_EQ(texts[4].text, "8");
  EXPECT_EQ(canvas.Of("polygon").size(), 5u);
}

TEST_F(MarksTest, NumbersArePlacedBySizeAndPosition) {
  data.SetMarksNumberPerFrame(2);
  MarkOn(0, 100, 100);
  MarkOn(0, 200, 200);
  struct Case {
    int size;
    TNumberPosition pos;
    TPixel at;
    int font;
  } cases[] = {{0, npDown, {98, 104}, 10},  {1, npDown, {96, 108}, 12},
               {2, npDown, {95, 111}, 15},  {0, npRight, {108, 93}, 10},
               {1, npRight, {112, 91}, 12}, {2, npRight, {115, 90}, 15}};
  for (const Case& c : cases) {
    data.SetElementSize(c.size);
    data.SetMarksNumberPosition(c.pos);
    RecordingCanvas canvas;
    data.Paint(canvas);
    auto texts = canvas.Of("text");
    ASSERT_EQ(texts.size(), 2u);
    EXPECT_EQ(texts[0].points[0], c.at) << c.size << " " << int(c.pos);
    EXPECT_EQ(texts[0].font.size, c.font);
    EXPECT_EQ(texts[0].font.color, data.MarkColor(0));
    EXPECT_EQ(texts[1].font.color, data.MarkColor(1));
    EXPECT_EQ(canvas.Font().size, 10);  // restored
  }
  data.SetMarksNumberPosition(npNone);
  RecordingCanvas canvas;
  data.Paint(canvas);
  EXPECT_TRUE(canvas.Of("text").empty());
  EXPECT_EQ(canvas.Of("polygon").size(), 2u);
  ASSERT_FALSE(canvas.Of("polygon")[1].points.empty());
  EXPECT_EQ(canvas.Of("polygon")[1].brush.color, data.MarkColor(1));
}

TEST_F(MarksTest, NumberingFromZero) {
  MarkOn(3, 10, 10);
  data.ApplyOptions({false, 0, true});
  RecordingCanvas canvas;
  data.Paint(canvas);
  EXPECT_EQ(canvas.Of("text")[0].text, "0");
}

TEST_F(LayerTest, LensCorrectsLayerMarksFromTheLayersOriginOnTheirImage) {
  view.current = 10;
  Cycle(300, 300, 350, 250);
  Cycle(700, 650, 760, 600);
  ASSERT_EQ(data.Layer().Origines().size(), 2u);
  const TSeries plain = data.GetSeries();
  ASSERT_EQ(plain.xs.at(0).size(), 2u);

  TMeasureCalibration c;
  c.lens = {true, 0.2, 0.05};
  data.SetCalibration(c);
  const TMeasureMap map = data.MeasureMap();
  const TSeries s = data.GetSeries();
  for (std::size_t k = 0; k < 2; ++k) {
    // The layer's origin on the mark's image, and the mark there.
    const TPictureCoord o = data.Layer().Origines()[k]->Position;
    const TPictureCoord at{o.x + plain.xs[0][k], o.y - plain.ys[0][k]};
    const TPictureCoord a = map.Corrected(at), b = map.Corrected(o);
    EXPECT_NEAR(s.xs[0][k], a.x - b.x, 1e-12) << k;
    EXPECT_NEAR(s.ys[0][k], -(a.y - b.y), 1e-12) << k;
    // The barrel's correction stretches offsets away from the centre.
    EXPECT_GT(std::fabs(s.xs[0][k]), std::fabs(plain.xs[0][k])) << k;
  }

  // With the plane, square to the camera (10 m over the picture's 1000
  // pixels both ways), the offsets in metres; the lens off.
  c.lens.on = false;
  c.plane = {true, {{{0, 1}, {1, 1}, {1, 0}, {0, 0}}}, 10.0, 10.0};
  data.SetCalibration(c);
  const TSeries m = data.GetSeries();
  for (std::size_t k = 0; k < 2; ++k) {
    EXPECT_NEAR(m.xs[0][k], 10 * plain.xs[0][k], 1e-12) << k;
    EXPECT_NEAR(m.ys[0][k], 10 * plain.ys[0][k], 1e-12) << k;
    EXPECT_NEAR(m.uxs[0][k], 10 * plain.uxs[0][k], 1e-9) << k;
  }
}

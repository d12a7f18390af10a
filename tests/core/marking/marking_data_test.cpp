#include "core/marking/marking_data.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "support/fake_view.h"
#include "support/recording_canvas.h"
#include "support/scripted_dialog.h"

using namespace kinevo;
using kinevo::test::FakeView;
using kinevo::test::RecordingCanvas;
using kinevo::test::ScriptedDialog;

namespace {

class PointerView : public FakeView {
 public:
  TPixel pointer;
  TViewTool pointerTool = vtNone;
  TPixel PointerPosition() const override { return pointer; }
  TViewTool PointerTool() const override { return pointerTool; }
};

struct Recorder {
  std::vector<TResultsTarget> seen;
  bool Saw(TResultsTarget t) const { return std::find(seen.begin(), seen.end(), t) != seen.end(); }
};

struct DataTest : ::testing::Test {
  PointerView view;
  ScriptedDialog presenter;
  TUserDlg dialog{&presenter};
  TGraphUtils graph;
  Recorder results;
  TData data{view, dialog, graph};
  TConnection heard =
      data.OnResultsInvalidated.Connect([this](TResultsTarget t) { results.seen.push_back(t); });
  void SetUp() override {
    data.Reset();
    results.seen.clear();
  }
  void Click(int x, int y, int button = 0) {
    data.MouseDown(button, false, x, y);
    data.MouseUp(button, false, x, y);
  }
};

}  // namespace

TEST_F(DataTest, ThreeSystemsAdvanceAfterTheLastOne) {
  data.SetMarksNumberPerFrame(3);
  data.SetFramesNumberBetweenTwoMarks(2);
  view.current = 10;
  Click(100, 100);
  Click(200, 100);
  EXPECT_EQ(view.current, 10);
  EXPECT_EQ(data.ToolCursor(), "Marque3");
  Click(300, 100);
  EXPECT_EQ(data.MarksCountOnImage(10), 3);
  EXPECT_EQ(view.current, 12);
  EXPECT_EQ(data.CurrentMarkOrderNumber(), 0);
  EXPECT_EQ(data.MarkColors().size(), 3u);
  EXPECT_EQ(data.MarkColor(2), graph.ColorA(2));
  EXPECT_TRUE(results.Saw(rtActive));
}

TEST_F(DataTest, DuplicateMarkIsRefusedWithAMessage) {
  view.current = 4;
  Click(100, 100);
  view.current = 4;
  const int before = data.GridHistory().GroupCounter();
  Click(150, 150);
  ASSERT_EQ(presenter.Count(), 1u);
  EXPECT_EQ(presenter.LastText(), "Une marque similaire existe déjà sur cette image.");
  EXPECT_EQ(presenter.shown[0].icon, icInformation);
  EXPECT_EQ(data.MarksCount(), 1);
  EXPECT_EQ(data.GridHistory().GroupCounter(), before);
  EXPECT_EQ(view.current, 4);
}

TEST_F(DataTest, RightButtonOfTheMarkToolRemovesTheLastMarkAndShowsItsImage) {
  data.SetMarksNumberPerFrame(2);
  view.current = 5;
  Click(10, 10);
  Click(20, 20);  // advances to 6
  Click(30, 30);
  view.current = 40;
  Click(0, 0, 1);
  EXPECT_EQ(view.current, 6);
  EXPECT_EQ(data.MarksCount(), 2);
  EXPECT_EQ(data.CurrentMarkOrderNumber(), 0);  // image 6 is empty again
  Click(0, 0, 1);
  EXPECT_EQ(view.current, 5);
  EXPECT_EQ(data.CurrentMarkOrderNumber(), 1);  // image 5 still has system 0
  EXPECT_EQ(data.UndoCaption(), "Annuler Supprimer Marque");
  data.Undo();
  EXPECT_EQ(data.MarksCount(), 2);
}

TEST_F(DataTest, SeriesAreInTimeOrderWithGapsForUnmarkedSystems) {
  data.SetRequiredDuration(0.04);
  data.SetMarksNumberPerFrame(2);
  data.Fixed().PlaceOrigin(320, 240);
  for (int image : {7, 3, 5}) {
    view.current = image;
    data.SetCurrentMarkOrderNumber(0);
    Click(480, 120);
  }
  view.current = 5;
  data.SetCurrentMarkOrderNumber(1);
  Click(160, 360);
  TSeries s = data.GetSeries();
  ASSERT_EQ(s.times.size(), 3u);
  EXPECT_NEAR(s.times[1], 0.08, 1e-12);
  EXPECT_NEAR(s.times[2], 0.16, 1e-12);
  EXPECT_EQ(s.images[0], (std::vector<int32_t>{0, 2, 4}));
  EXPECT_EQ(s.images[1], (std::vector<int32_t>{-1, 2, -1}));
  EXPECT_DOUBLE_EQ(s.xs[0][0], 0.25);
  EXPECT_DOUBLE_EQ(s.ys[0][0], 0.25);
  EXPECT_DOUBLE_EQ(s.xs[1][1], -0.25);
  EXPECT_DOUBLE_EQ(s.ys[1][1], -0.25);
  EXPECT_EQ(s.xs[1][0], 0.0);
  // The montage's shift moves image 7 before the others.
  data.TimeShift = [](int32_t image) { return image == 7 ? -10 : 0; };
  s = data.GetSeries();
  EXPECT_EQ(s.images[0], (std::vector<int32_t>{0, 0 + 6, 0 + 8}));
  // In tracking mode the Grid set is reported.
  view.mode = vmTracking;
  EXPECT_EQ(data.MarksCount(), 4);
  EXPECT_EQ(data.GetSeries().times.size(), 3u);
}

TEST_F(DataTest, DigitKeysStepColoursThroughThePalette) {
  data.KeyDown('1', true);
  EXPECT_EQ(data.MarkColor(0), graph.ColorA(64));  // one entry back from red
  data.KeyDown('1', false);
  EXPECT_EQ(data.MarkColor(0), graph.ColorA(0));
  data.KeyDown('5', false);  // no system 5
  EXPECT_EQ(data.MarkColors().size(), 1u);
  EXPECT_EQ(data.MarkColor(4), 255u);
  data.KeyDown(96, false);  // numeric-pad 0: the element colour
  EXPECT_EQ(data.ElementColor(), graph.ColorA(graph.IndexOfColorA(65535) + 1));
  // Nothing at all in capture mode.
  view.mode = vmCapture;
  data.KeyDown('1', false);
  EXPECT_EQ(data.MarkColor(0), graph.ColorA(0));
}

TEST_F(DataTest, AltAndEnterAndCtrlA) {
  data.SetMarksNumberPerFrame(2);
  data.KeyDown(18, false);
  EXPECT_EQ(data.CurrentMarkOrderNumber(), 1);
  data.KeyDown(18, false);
  EXPECT_EQ(data.CurrentMarkOrderNumber(), 0);
  view.pointer = {64, 48};
  view.pointerTool = vtZoom;
  data.KeyDown(13, false);
  EXPECT_EQ(data.MarksCount(), 0);
  view.pointerTool = vtNone;
  data.KeyDown(13, false);
  ASSERT_EQ(data.MarksCount(), 1);
  // The centre of the pixel under the pointer.
  EXPECT_EQ(data.GridMarks().DrawList()[0]->GetPicture(), (TPictureCoord{64.5 / 640, 48.5 / 480}));
  data.KeyDown(65, false);
  EXPECT_EQ(data.MarksCount(), 1);
  data.KeyDown(65, true);
  EXPECT_EQ(data.MarksCount(), 0);
  // Ctrl+Z undoes as Ctrl+A does; Z alone does nothing.
  data.KeyDown(13, false);
  ASSERT_EQ(data.MarksCount(), 1);
  data.KeyDown(90, false);
  EXPECT_EQ(data.MarksCount(), 1);
  data.KeyDown(90, true);
  EXPECT_EQ(data.MarksCount(), 0);
}

TEST_F(DataTest, ResetAfterWorkLeavesOneSystemAndOneColour) {
  data.SetMarksNumberPerFrame(3);
  data.SetCurrentMarkOrderNumber(2);
  Click(10, 10);
  data.SetTool(otEchelle);
  Click(10, 10);
  data.Reset();
  EXPECT_EQ(data.MarksNumberPerFrame(), 1);
  EXPECT_EQ(data.CurrentMarkOrderNumber(), 0);
  EXPECT_EQ(data.MarkColors().size(), 1u);
  EXPECT_EQ(data.MarksCount(), 0);
  EXPECT_EQ(data.Scale().ScalePointsNumber(), 0);
  EXPECT_EQ(data.Tool(), otMarque);
  EXPECT_TRUE(data.GridHistory().Empty());
  EXPECT_TRUE(data.ScaleHistory().Empty());
  EXPECT_TRUE(data.HasDefaultSystemNames());
  EXPECT_TRUE(results.Saw(rtBoth));
}

TEST_F(DataTest, ReducingSystemsDropsTheirMarksAndIsUndoable) {
  data.SetMarksNumberPerFrame(3);
  for (int i = 0; i < 3; ++i) Click(50 + 50 * i, 50);
  data.SetCurrentMarkOrderNumber(2);
  data.SetMarksNumberPerFrame(2);
  EXPECT_EQ(data.MarksCount(), 2);
  EXPECT_EQ(data.MarkColors().size(), 3u);
  EXPECT_EQ(data.CurrentMarkOrderNumber(), 0);
  EXPECT_EQ(data.SystemName(2), "");
  EXPECT_EQ(data.UndoCaption(), "Annuler Modifier");
  data.Undo();
  EXPECT_EQ(data.MarksNumberPerFrame(), 3);
  EXPECT_EQ(data.MarksCount(), 3);
  EXPECT_EQ(data.SystemName(2), "du point n°3");
  // The mark rebuilt by the undo is still the one its placing refers to.
  data.Undo();
  EXPECT_EQ(data.MarksCount(), 2);
}

TEST_F(DataTest, EraseToolByClickByRectangleAndRightButton) {
  data.SetMarksNumberPerFrame(2);
  view.current = 1;
  Click(100, 100);
  Click(200, 100);
  Click(100, 300);  // image 2
  data.SetTool(otEffacer);
  data.MouseDown(0, false, 101, 99);
  EXPECT_EQ(data.MarksCount(), 2);
  // Rectangle over nothing then over the mark of image 2.
  data.MouseDown(0, false, 50, 250);
  EXPECT_TRUE(data.IsGestureInProgress());
  data.MouseDown(0, false, 200, 100);  // a press during a gesture: ignored
  EXPECT_EQ(data.MarksCount(), 2);
  data.MouseMove(false, 150, 350);
  RecordingCanvas canvas;
  data.Paint(canvas);
  EXPECT_EQ(canvas.Of("focusrect").size(), 1u);
  data.MouseUp(0, false, 150, 350);
  EXPECT_EQ(data.MarksCount(), 1);
  EXPECT_EQ(view.cursor, "Gomme");
  // The right button on an image without marks records nothing.
  view.current = 50;
  const std::size_t steps = data.GridHistory().StepCount();
  data.MouseDown(1, false, 0, 0);
  EXPECT_EQ(data.GridHistory().StepCount(), steps);
  view.current = 1;
  data.MouseDown(1, false, 0, 0);
  EXPECT_EQ(data.MarksCount(), 0);
  data.Undo();
  EXPECT_EQ(data.MarksCount(), 1);
}

TEST_F(DataTest, MoveToolDragsAMarkAndUndoPutsItBack) {
  Click(100, 100);
  data.SetTool(otDeplacer);
  data.MouseMove(false, 300, 300);
  EXPECT_EQ(view.cursor, "Deplacer");
  data.MouseMove(false, 102, 101);
  EXPECT_EQ(view.cursor, "Selection");
  data.MouseDown(0, false, 102, 101);
  data.MouseMove(false, 700, -20);  // beyond the picture: clamped
  data.MouseUp(0, false, 700, -20);
  EXPECT_EQ(data.GridMarks().DrawList()[0]->GetPicture(), (TPictureCoord{1.0, 0.0}));
  EXPECT_EQ(data.UndoCaption(), "Annuler Déplacer Marque");
  results.seen.clear();
  data.Undo();
  EXPECT_EQ(data.GridMarks().DrawList()[0]->ScreenPoint(), (TPixel{100, 100}));
  EXPECT_TRUE(results.Saw(rtActive));  // the results of the moved mark are stale
}

// The window asks for the undo caption after every key.  A drag taken with
// Enter has recorded its step, still equal to the object until the drop: the
// question must not drop that step, or undo would take back the step before.
TEST_F(DataTest, DragsTakenWithEnterAreUndoneEvenWhenTheCaptionIsAskedMidway) {
  auto keyDrag = [&](TPixel from, TPixel to) {
    view.pointer = from;
    data.MouseMove(false, from.x, from.y);
    data.KeyDown(13, false);
    EXPECT_TRUE(data.IsDragUnderway());
    data.UndoCaption();
    view.pointer = to;
    data.MouseMove(false, to.x, to.y);
    data.UndoCaption();
    data.KeyDown(13, false);
    EXPECT_FALSE(data.IsDragUnderway());
    EXPECT_NE(data.UndoCaption(), "");
    data.Undo();
  };
  Click(100, 100);
  data.SetTool(otDeplacer);
  keyDrag({100, 100}, {200, 150});
  ASSERT_EQ(data.MarksCount(), 1);
  EXPECT_EQ(data.GridMarks().DrawList()[0]->ScreenPoint(), (TPixel{100, 100}));

  data.SetTool(otOrigine);
  Click(320, 240);
  keyDrag({320, 240}, {400, 300});
  ASSERT_TRUE(data.Fixed().HasOrigin());
  EXPECT_EQ(data.Fixed().Origin(), (TPictureCoord{320.5 / 640, 240.5 / 480}));

  data.SetTool(otEchelle);
  Click(160, 240);
  Click(480, 240);
  keyDrag({480, 240}, {500, 260});
  ASSERT_EQ(data.Scale().PointsNumber(data.Scale().ScaleKind()), 2);
  EXPECT_EQ(data.Scale().ScreenPoint(data.Scale().ScaleKind(), 1), (TPixel{480, 240}));
}

TEST_F(DataTest, ReturningSystemsTakeThePaletteColoursAgain) {
  data.SetMarksNumberPerFrame(3);
  data.SetMarkColor(1, colors::Black);
  data.SetMarkColor(2, colors::Black);
  data.SetMarksNumberPerFrame(2);
  EXPECT_EQ(data.MarkColor(1), colors::Black);  // a system still there keeps its colour
  data.SetMarksNumberPerFrame(3);
  EXPECT_EQ(data.MarkColor(1), colors::Black);
  EXPECT_EQ(data.MarkColor(2), graph.ColorA(2));
}

TEST_F(DataTest, ActiveHistoryFollowsToolAndMode) {
  EXPECT_EQ(&data.ActiveHistory(), &data.GridHistory());
  data.SetTool(otEchelle);
  EXPECT_EQ(&data.ActiveHistory(), &data.ScaleHistory());
  data.SetTool(otOrigine);
  EXPECT_EQ(&data.ActiveHistory(), &data.OriginHistory());
  view.mode = vmTransparent;
  EXPECT_EQ(&data.ActiveHistory(), &data.LayerHistory());
  view.mode = vmTracking;
  data.SetTool(otEchelle);
  EXPECT_EQ(&data.ActiveHistory(), &data.GridHistory());
}

TEST_F(DataTest, ScaleAndOriginChangesInvalidateTheRightResults) {
  data.SetTool(otEchelle);
  int scaleEvents = 0;
  TConnection onScaleChangedLink = data.OnScaleChanged.Connect([&](void*) { ++scaleEvents; });
  Click(160, 240);
  Click(480, 240);
  EXPECT_EQ(scaleEvents, 2);
  data.SetScaleLength(1);
  EXPECT_EQ(results.seen, (std::vector<TResultsTarget>{rtBoth, rtBoth, rtBoth}));
  auto f = data.GetScaleFactors();
  EXPECT_DOUBLE_EQ(f.first, 2.0);
  EXPECT_DOUBLE_EQ(f.second, 1.5);
  results.seen.clear();
  data.SetTool(otOrigine);
  int axes = 0;
  TConnection onAxesChangedLink = data.OnAxesChanged.Connect([&](void*) { ++axes; });
  Click(320, 240);
  EXPECT_EQ(axes, 1);
  ASSERT_FALSE(results.seen.empty());
  EXPECT_EQ(std::count(results.seen.begin(), results.seen.end(), rtActive),
            static_cast<long>(results.seen.size()));
  data.SetXAxisAngle(0.5);
  EXPECT_EQ(data.UndoCaption(), "Annuler Pivoter Repère");
  data.SetRequiredDuration(0.04);
  data.SetRequiredDuration(0.04);
  EXPECT_EQ(std::count(results.seen.begin(), results.seen.end(), rtBoth), 1);
  data.Undo();
  EXPECT_DOUBLE_EQ(data.XAxisAngle(), 0.0);
  data.SetTool(otMarque);
  data.EraseOrigin();
  EXPECT_EQ(data.OriginePointsNumber(), 0);
}

TEST_F(DataTest, EraseAllIsOneGroup) {
  data.SetTool(otEchelle);
  Click(10, 10);
  Click(100, 10);
  data.SetTool(otMarque);
  Click(50, 50);
  data.Fixed().PlaceOrigin(5, 5);
  data.EraseAll();
  EXPECT_EQ(data.MarksCount(), 0);
  EXPECT_EQ(data.Scale().ScalePointsNumber(), 0);
  EXPECT_EQ(data.OriginePointsNumber(), 0);
  EXPECT_EQ(data.UndoCaption(), "Annuler");
  data.Undo();
  EXPECT_EQ(data.MarksCount(), 1);
  EXPECT_EQ(data.Scale().ScalePointsNumber(), 2);
  EXPECT_EQ(data.OriginePointsNumber(), 1);
}

TEST_F(DataTest, BadInputChangesNothing) {
  view.open = false;
  Click(10, 10);
  EXPECT_EQ(data.MarksCount(), 0);
  EXPECT_EQ(data.MarksCountOnImage(0), -1);
  view.open = true;
  view.mode = vmMontage;
  Click(10, 10);
  EXPECT_EQ(data.MarksCount(), 0);
  view.mode = vmRepereFixe;
  data.SetMarkColor(7, 0);
  data.SetMarkColor(-1, 0);
  EXPECT_EQ(data.MarkColors(), std::vector<TColor>{graph.ColorA(0)});
  data.SetSystemName(5, "x");
  EXPECT_EQ(data.SystemName(5), "");
  data.SetCurrentMarkOrderNumber(9);
  EXPECT_EQ(data.CurrentMarkOrderNumber(), 0);
  data.SetMarksNumberPerFrame(0);
  EXPECT_EQ(data.MarksNumberPerFrame(), 1);
  data.ApplyTrackedPositions({{{0.5, 0.5}}, {{0.2, 0.2}}}, {{3}, {3}});  // system 1 does not exist
  EXPECT_EQ(data.MarksCount(), 1);
  Click(-50, 9000);  // outside the view: clamped to the picture
  EXPECT_EQ(data.GridMarks().DrawList().back()->GetPicture(), (TPictureCoord{0.0, 1.0}));
  // Presses while the scale or the origin is being dragged are ignored.
  data.SetTool(otEchelle);
  Click(100, 100);
  Click(300, 100);
  data.MouseDown(0, false, 300, 100);
  data.MouseDown(1, false, 300, 100);
  EXPECT_EQ(data.Scale().ScalePointsNumber(), 2);
  data.MouseUp(0, false, 300, 100);
  data.SetTool(otOrigine);
  Click(320, 240);
  data.MouseDown(0, false, 320, 240);
  ASSERT_TRUE(data.Fixed().IsDragging());
  data.MouseDown(1, false, 320, 240);
  EXPECT_EQ(data.OriginePointsNumber(), 1);
}

TEST_F(DataTest, TrackedPositionsCreateOrMoveMarksInOneGroup) {
  data.SetMarksNumberPerFrame(2);
  Click(10, 10);  // image 0, system 0
  data.ApplyTrackedPositions({{{0.5, 0.5}, {0.6, 0.6}}, {{0.1, 0.1}}}, {{0, 2}, {-1}});
  EXPECT_EQ(data.MarksCount(), 2);
  EXPECT_EQ(data.GridMarks().ContainerOf(0)->MarkOf(0)->GetPicture(), (TPictureCoord{0.5, 0.5}));
  EXPECT_EQ(data.GridMarks().ContainerOf(2)->MarksContainerMarkNumber, 1);
  EXPECT_EQ(data.UndoCaption(), "Annuler");
  data.Undo();
  EXPECT_EQ(data.MarksCount(), 1);
  EXPECT_EQ(data.GridMarks().ContainerOf(0)->MarkOf(0)->ScreenPoint(), (TPixel{10, 10}));
}

TEST_F(DataTest, ToolCursorsAndToolEvents) {
  int toolEvents = 0;
  TConnection onToolChangedLink = data.OnToolChanged.Connect([&](void*) { ++toolEvents; });
  data.SetTool(otNone);
  EXPECT_EQ(toolEvents, 0);
  EXPECT_EQ(data.ToolCursor(), "");
  data.SetTool(otOrigine);
  EXPECT_EQ(data.ToolCursor(), "Origine");
  data.SetTool(otMarque);
  EXPECT_EQ(data.ToolCursor(), "Marque");
  data.SetMarksNumberPerFrame(10);
  data.SetCurrentMarkOrderNumber(9);
  EXPECT_EQ(data.ToolCursor(), "Marque0");
  data.SetTool(otTsp);
  EXPECT_EQ(data.ToolCursor(), "Pan");
  EXPECT_EQ(toolEvents, 3);
}

TEST_F(DataTest, PaintDrawsScaleOnlyWithTheScaleTool) {
  data.Fixed().PlaceOrigin(320, 240);
  Click(100, 100);
  RecordingCanvas canvas;
  data.Paint(canvas);
  EXPECT_FALSE(canvas.Of("polygon").empty());  // the mark symbol and arrow heads
  auto texts = canvas.Of("text");
  ASSERT_EQ(texts.size(), 3u);  // "x", "y", then the mark's number
  EXPECT_EQ(texts[0].text, "x");
  EXPECT_EQ(texts[2].text, "1");
  canvas.Clear();
  data.SetTool(otEchelle);
  data.Paint(canvas);
  EXPECT_TRUE(canvas.calls.empty());
}

TEST_F(DataTest, EveryChangeOfComputedValuesInvalidatesItsResults) {
  auto last = [&] {
    return results.seen.empty() ? static_cast<TResultsTarget>(255) : results.seen.back();
  };
  struct Change {
    const char* what;
    std::function<void()> act;
    TResultsTarget expected;
  } changes[] = {
      {"mark placed", [&] { Click(100, 100); }, rtActive},
      {"systems", [&] { data.SetMarksNumberPerFrame(2); }, rtActive},
      {"mark moved",
       [&] {
         data.SetTool(otDeplacer);
         data.MouseDown(0, false, 100, 100);
         data.MouseMove(false, 140, 120);
         data.MouseUp(0, false, 140, 120);
       },
       rtActive},
      {"scale point",
       [&] {
         data.SetTool(otEchelle);
         Click(10, 10);
       },
       rtBoth},
      {"scale length", [&] { data.SetScaleHorizLength(3); }, rtBoth},
      {"origin",
       [&] {
         data.SetTool(otOrigine);
         Click(320, 240);
       },
       rtActive},
      {"axes turned", [&] { data.SetXAxisAngle(1); }, rtActive},
      {"direction", [&] { data.SetDirectYAxisDirection(false); }, rtActive},
      {"time step", [&] { data.SetRequiredDuration(0.5); }, rtBoth},
      {"numbering",
       [&] {
         data.ApplyOptions({false, 0, true});
       },
       rtBoth},
      {"mark erased",
       [&] {
         data.SetTool(otEffacer);
         view.current = 0;  // the image of the first mark
         data.MouseDown(1, false, 0, 0);
       },
       rtActive},
      {"reset", [&] { data.Reset(); }, rtBoth},
  };
  for (const Change& c : changes) {
    results.seen.clear();
    c.act();
    EXPECT_EQ(last(), c.expected) << c.what;
  }
  // Settings that change nothing computed invalidate nothing.
  results.seen.clear();
  data.SetMarksIsAllDrawn(false);
  data.SetMarksNumberPosition(npRight);
  data.SetMarkColor(0, 0);
  data.SetRequiredDuration(data.RequiredDuration());
  EXPECT_TRUE(results.seen.empty());
}

TEST_F(DataTest, EventsAreRaisedForTheirChanges) {
  int marks = 0, systems = 0, colours = 0, kinds = 0;
  TConnection onMarksChangedLink = data.OnMarksChanged.Connect([&](void*) { ++marks; });
  TConnection onSystemsCountChangedLink =
      data.OnSystemsCountChanged.Connect([&](void*) { ++systems; });
  TConnection onMarkColorChangedLink = data.OnMarkColorChanged.Connect([&](void*) { ++colours; });
  TConnection onScaleKindChangedLink = data.OnScaleKindChanged.Connect([&](void*) { ++kinds; });
  Click(10, 10);
  EXPECT_EQ(marks, 1);
  Click(10, 10, 1);
  EXPECT_EQ(marks, 2);
  data.SetMarksNumberPerFrame(3);
  data.SetMarksNumberPerFrame(3);
  EXPECT_EQ(systems, 1);
  data.SetMarkColor(2, 0x123456);
  EXPECT_EQ(colours, 1);
  EXPECT_EQ(data.MarkColor(2), 0x123456u);
  // Separate scales switch the kind to vertical, and back to the general one.
  data.ApplyOptions({true, 2, false});
  EXPECT_EQ(data.Scale().ScaleKind(), skVert);
  EXPECT_EQ(data.PenWidth(), 5);
  data.SetScaleKind(skVert);
  data.ApplyOptions({false, 1, false});
  EXPECT_EQ(data.Scale().ScaleKind(), skNormal);
  EXPECT_EQ(kinds, 2);
}

TEST_F(DataTest, EveryListenerHearsACommandOnce) {
  int first = 0, second = 0, durations = 0;
  TConnection a = data.OnChange.Connect([&](void*) { ++first; });
  TConnection b = data.OnChange.Connect([&](void*) { ++second; });
  TConnection d = data.OnDurationChanged.Connect([&](void*) { ++durations; });
  data.SetTool(otEchelle);
  Click(10, 10);
  Click(100, 10);
  data.SetTool(otMarque);
  Click(50, 50);
  first = second = 0;
  // Erasing all erases the scale, the marks and the origin: one change.
  data.EraseAll();
  EXPECT_EQ(first, 1);
  EXPECT_EQ(second, 1);
  data.Undo();
  data.SetElementSize(2);
  data.SetMarksNumberPosition(npRight);
  data.SetDirectXAxisDirection(false);
  data.SetScaleLength(2.5);
  EXPECT_EQ(first, 6);
  EXPECT_EQ(second, 6);
  data.SetRequiredDuration(0.04);
  data.SetRequiredDuration(0.04);
  EXPECT_EQ(durations, 1);
}

TEST_F(DataTest, MovingTheLayerIsAnnounced) {
  int moved = 0;
  TConnection c = data.OnLayerChanged.Connect([&](void*) { ++moved; });
  view.mode = vmTransparent;
  data.SetTool(otTsp);
  data.MouseDown(0, false, 100, 100);
  data.MouseMove(false, 150, 120);
  EXPECT_EQ(moved, 0);  // still dragged
  data.MouseUp(0, false, 150, 120);
  EXPECT_EQ(moved, 1);
  ASSERT_EQ(data.Layer().LayerStage(), lsPoint);
  data.MouseDown(1, false, 150, 120);  // sent back
  EXPECT_EQ(moved, 2);
}

TEST_F(DataTest, AListenerGoneBeforeTheDataIsNotCalled) {
  auto counter = std::make_unique<int>(0);
  auto link = std::make_unique<TConnection>(
      data.OnMarksChanged.Connect([c = counter.get()](void*) { ++*c; }));
  Click(10, 10);
  EXPECT_EQ(*counter, 1);
  link.reset();
  counter.reset();  // the handler would now write to freed memory
  Click(30, 30);
  EXPECT_EQ(data.MarksCount(), 2);
}

TEST_F(DataTest, ViewChangesMoveTheCachedPoints) {
  Click(320, 240);
  data.SetTool(otEchelle);
  Click(64, 48);
  view.SetViewSize(1280, 960);
  data.UpdateScreenPositions();
  // Pixel 320 of the picture covers 640 to 642 of the doubled view: its
  // centre, where the click put the mark, is the left edge of view pixel 641.
  EXPECT_EQ(data.GridMarks().DrawList()[0]->ScreenPoint(), (TPixel{641, 481}));
  EXPECT_EQ(data.Scale().ScreenPoint(skNormal, 0), (TPixel{129, 97}));
}

// The calibration changed by the user is one step of the undo, and it
// invalidates both result sets each way.
TEST_F(DataTest, CalibrationChangesAreUndoneAndInvalidateBothResults) {
  TMeasureCalibration c;
  c.lens = {true, 0.1, 0.01};
  c.plane = {true, {{{0.2, 0.8}, {0.8, 0.8}, {0.75, 0.3}, {0.25, 0.3}}}, 2.0, 1.5};
  data.ChangeCalibration(c);
  EXPECT_EQ(data.Calibration(), c);
  EXPECT_EQ(data.UndoCaption(), "Annuler Modifier Étalonnage");
  TMeasureCalibration lensOnly = c;
  lensOnly.plane.on = false;
  data.ChangeCalibration(lensOnly);
  data.ChangeCalibration(lensOnly);  // no change, no step
  data.Undo();
  EXPECT_EQ(data.Calibration(), c);
  data.Undo();
  EXPECT_EQ(data.Calibration(), TMeasureCalibration{});
  EXPECT_EQ(std::count(results.seen.begin(), results.seen.end(), rtBoth), 4);
  EXPECT_EQ(data.UndoCaption(), "");
}

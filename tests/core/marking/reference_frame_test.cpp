#include "core/marking/reference_frame.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <random>

#include "core/common/ini_file.h"
#include "core/common/number_format.h"
#include "support/fake_view.h"
#include "support/recording_canvas.h"

using namespace kinevo;
using kinevo::test::FakeView;
using kinevo::test::RecordingCanvas;

namespace {

constexpr double kPi = std::numbers::pi;

// Plays the marking data's part for one fixed frame: one history, a fake
// view, counters of what the frame asked for.
class FrameContext : public IMarkingContext, public IHistoryOwner {
 public:
  FakeView view{640, 480};
  THistorique history{this};
  TRepereFixe frame{this};
  int activeInvalidations = 0;
  int axesChanged = 0;
  TColor color = colors::Yellow;
  int elementSize = 0;

  IVideoView& View() override { return view; }
  THistorique& ActiveHistory() override { return history; }
  void InvalidateActiveResults() override { ++activeInvalidations; }
  void InvalidateAllResults() override {}
  void AxesChanged() override { ++axesChanged; }
  TColor ElementColor() const override { return color; }
  int ElementSize() const override { return elementSize; }

  THistObject* FindObject(int32_t id) override {
    if (frame.Id() == id) return &frame;
    return frame.FindOrigineById(id);
  }
  void AfterUndo(THistObject& live, THistAction action) override {
    if (live.Kind() == hkRepereFixe) frame.AfterUndo();
    if (live.Kind() == hkOrigine && IsCreation(action))
      frame.RemoveOrigine(static_cast<TOrigine*>(&live), haSupprimer);
  }
  void AfterUndoDeletion(std::unique_ptr<THistObject> restored, THistAction action) override {
    if (restored->Kind() != hkOrigine) return;
    frame.InsertOrigine(std::unique_ptr<TOrigine>(static_cast<TOrigine*>(restored.release())),
                        action);
  }

  std::unique_ptr<THistObject> State() const {
    auto s = frame.NewSnapshot();
    s->Assign(frame);
    return s;
  }
};

}  // namespace

TEST(PhysicalCoordinates, TransformOfAMarkedPosition) {
  const TPictureCoord o{0.5, 0.5}, p{0.75, 0.25};
  TWorldPoint r = PictureToPhysical(p, o, 2, 2, 0, true, true);
  EXPECT_DOUBLE_EQ(r.x, 0.5);
  EXPECT_DOUBLE_EQ(r.y, 0.5);
  r = PictureToPhysical(p, o, 2, 2, 0, true, false);
  EXPECT_DOUBLE_EQ(r.y, -0.5);
  r = PictureToPhysical(p, o, 2, 2, kPi / 2, true, true);
  EXPECT_NEAR(r.x, 0.5, 1e-15);
  EXPECT_NEAR(r.y, -0.5, 1e-15);
  // Separate factors: x and y are scaled on their own.
  r = PictureToPhysical(p, o, 4, 2, 0, false, true);
  EXPECT_DOUBLE_EQ(r.x, -1.0);
  EXPECT_DOUBLE_EQ(r.y, 0.5);
  const TWorldPoint off = OffsetFromOrigin(p, o);
  EXPECT_DOUBLE_EQ(off.x, 0.25);
  EXPECT_DOUBLE_EQ(off.y, 0.25);
}

TEST(PhysicalCoordinates, APointOnTheDrawnXAxisHasYZeroAndPositiveX) {
  // 640 × 480 picture, 1 mm per pixel on both axes.
  const double kx = 0.64, ky = 0.48;
  const TPictureCoord o{0.3, 0.6};
  for (double a : {0.0, 0.7, 2.5, -1.2, kPi / 2}) {
    for (bool direct : {true, false}) {
      // 100 pixels from the origin towards the arrow head of the x axis.
      const double sign = direct ? 1.0 : -1.0;
      const TPictureCoord p{o.x + sign * 100 * std::cos(a) / 640,
                            o.y - sign * 100 * std::sin(a) / 480};
      const TWorldPoint r = PictureToPhysical(p, o, kx, ky, a, direct, true);
      EXPECT_NEAR(r.x, 0.1, 1e-12) << a;
      EXPECT_NEAR(r.y, 0.0, 1e-12) << a;
    }
  }
}

TEST(ReferenceFrame, AnglesStayNormalisedAndInStep) {
  FrameContext c;
  c.frame.SetXAxisAngle(3 * kPi / 2);
  EXPECT_DOUBLE_EQ(c.frame.XAxisAngle(), -kPi / 2);
  EXPECT_NEAR(c.frame.YAxisAngle(), 0, 1e-15);
  EXPECT_EQ(c.axesChanged, 1);
  c.frame.SetXAxisAngle(-kPi / 2);  // the same angle: nothing happens
  EXPECT_EQ(c.axesChanged, 1);
  c.frame.SetYAxisAngle(kPi);
  EXPECT_DOUBLE_EQ(c.frame.XAxisAngle(), kPi / 2);
  EXPECT_NEAR(NormaliseAngle(-3 * kPi), -kPi, 1e-12);
  EXPECT_NEAR(NormaliseAngle(7.0), 7.0 - 2 * kPi, 1e-12);
  EXPECT_TRUE(std::isnan(NormaliseAngle(INFINITY)));
  c.frame.SetXAxisAngle(1e300);  // must not hang
  EXPECT_LE(std::fabs(c.frame.XAxisAngle()), kPi);
}

TEST(ReferenceFrame, AxisLinesCrossTheWholeView) {
  const TPixel o{320, 240};
  auto same = [](const TAxisLine& l, TPixel s, TPixel e) { return l.start == s && l.end == e; };
  EXPECT_TRUE(same(AxisLine(o, 0.0005, 640, 480), {0, 240}, {640, 240}));
  EXPECT_TRUE(same(AxisLine(o, -kPi + 0.0002, 640, 480), {640, 240}, {0, 240}));
  EXPECT_TRUE(same(AxisLine(o, kPi / 2, 640, 480), {320, 480}, {320, 0}));
  EXPECT_TRUE(same(AxisLine(o, -kPi / 2, 640, 480), {320, 0}, {320, 480}));
  EXPECT_TRUE(same(AxisLine(o, kPi / 4, 640, 480), {80, 480}, {560, 0}));
  EXPECT_TRUE(same(AxisLine(o, 3 * kPi / 4, 640, 480), {560, 480}, {80, 0}));
  EXPECT_TRUE(same(AxisLine(o, -kPi / 4, 640, 480), {80, 0}, {560, 480}));
  // A shallow angle leaves through the side borders.
  const TAxisLine l = AxisLine(o, 0.1, 640, 480);
  EXPECT_EQ(l.end.x, 640);
  EXPECT_EQ(l.start.x, 0);
  EXPECT_LT(l.end.y, 240);
  // An origin far outside the view still gives a line through it.
  const TAxisLine far = AxisLine({-1000, -1000}, 0.3, 640, 480);
  EXPECT_NE(far.start, far.end);
  EXPECT_NEAR(double(far.end.y - far.start.y) / (far.end.x - far.start.x), -std::tan(0.3), 1e-2);
}

TEST(ReferenceFrame, PlacingAndRemovingTheOrigin) {
  FrameContext c;
  c.frame.SetDirectX(false);
  c.history.Clear();
  EXPECT_TRUE(c.frame.PlaceOrigin(320, 120));
  EXPECT_EQ(c.frame.OriginePointsNumber(), 1);
  EXPECT_EQ(c.frame.Origin(), (TPictureCoord{320.5 / 640, 120.5 / 480}));
  EXPECT_EQ(c.frame.OriginPixel(), (TPixel{320, 120}));
  EXPECT_EQ(c.frame.XAxis().start, (TPixel{0, 120}));
  EXPECT_EQ(c.axesChanged, 1);
  EXPECT_GE(c.activeInvalidations, 1);
  EXPECT_EQ(c.history.UndoCaption(), "Annuler Choisir Repère");
  EXPECT_FALSE(c.frame.PlaceOrigin(10, 10));  // placed once, then only moved

  c.frame.SetXAxisAngle(0.4);
  const int cursorUpdates = c.view.cursorUpdates;
  EXPECT_TRUE(c.frame.RemoveOrigin());
  EXPECT_EQ(c.frame.OriginePointsNumber(), 0);
  EXPECT_EQ(c.frame.XAxisAngle(), 0);
  EXPECT_DOUBLE_EQ(c.frame.YAxisAngle(), kPi / 2);
  EXPECT_FALSE(c.frame.DirectXAxisDirection()) << "the direction flags are kept";
  EXPECT_EQ(c.view.cursorUpdates, cursorUpdates + 1);
  EXPECT_FALSE(c.frame.RemoveOrigin());
  EXPECT_EQ(c.history.UndoCaption(), "Annuler Effacer Repère");

  c.history.Undo();
  EXPECT_EQ(c.frame.OriginePointsNumber(), 1);
  EXPECT_DOUBLE_EQ(c.frame.XAxisAngle(), 0.4);
  EXPECT_EQ(c.frame.OriginPixel(), (TPixel{320, 120}));
  c.history.Undo();
  EXPECT_EQ(c.frame.OriginePointsNumber(), 0);
  EXPECT_TRUE(c.history.Empty());

  // Reset keeps the flags and the stored origin.
  c.frame.PlaceOrigin(64, 48);
  c.frame.SetXAxisAngle(1);
  c.frame.Reset();
  EXPECT_EQ(c.frame.OriginePointsNumber(), 0);
  EXPECT_EQ(c.frame.XAxisAngle(), 0);
  EXPECT_EQ(c.frame.Origin(), (TPictureCoord{64.5 / 640, 48.5 / 480}));
  EXPECT_FALSE(c.frame.DirectXAxisDirection());
}

TEST(ReferenceFrame, OriginToolPressMoveAndRelease) {
  FrameContext c;
  c.frame.MouseDown(0, 320, 240);  // places
  EXPECT_EQ(c.view.repaints, 1);
  // Within 3 pixels of the origin: a move of the origin.
  c.frame.MouseDown(0, 323, 237);
  EXPECT_EQ(c.frame.DragState(), rdOrigin);
  c.frame.MouseDown(0, 100, 100);  // ignored during a drag
  EXPECT_EQ(c.frame.DragState(), rdOrigin);
  c.frame.MouseMove(387, 285);
  EXPECT_EQ(c.frame.OriginPixel(), (TPixel{384, 288}));
  EXPECT_NEAR(c.frame.Origin().x, 384.5 / 640, 1e-12);
  EXPECT_NEAR(c.frame.Origin().y, 288.5 / 480, 1e-12);
  // Beyond the picture: clamped to its border.
  c.frame.MouseMove(2000, 285);
  EXPECT_EQ(c.frame.Origin().x, 1.0);
  c.frame.MouseUp();
  EXPECT_EQ(c.frame.DragState(), rdNone);
  EXPECT_EQ(c.history.UndoCaption(), "Annuler Déplacer Repère");
  c.history.Undo();
  EXPECT_EQ(c.frame.Origin(), (TPictureCoord{320.5 / 640, 240.5 / 480}));
  EXPECT_EQ(c.frame.OriginPixel(), (TPixel{320, 240}));

  // A drag that ends where it started leaves nothing to undo but the placing.
  c.frame.MouseDown(0, 320, 240);
  c.frame.MouseMove(330, 240);
  c.frame.MouseMove(320, 240);
  c.frame.MouseUp();
  EXPECT_EQ(c.history.UndoCaption(), "Annuler Choisir Repère");

  // Four pixels away is not on the origin, nor on an axis: nothing starts.
  c.frame.MouseDown(0, 316, 236);
  EXPECT_EQ(c.frame.DragState(), rdNone);

  // Right button removes the origin.
  c.frame.MouseDown(1, 0, 0);
  EXPECT_FALSE(c.frame.HasOrigin());
}

TEST(ReferenceFrame, TurningByEitherAxis) {
  FrameContext c;
  c.frame.PlaceOrigin(320, 240);
  // On the x axis, arrow side: turn it to point upwards.
  c.frame.MouseDown(0, 400, 241);
  ASSERT_EQ(c.frame.DragState(), rdXAxis);
  c.frame.MouseMove(320, 140);
  EXPECT_EQ(c.history.UndoCaption(), "Annuler Pivoter Repère");
  EXPECT_DOUBLE_EQ(c.frame.XAxisAngle(), kPi / 2);
  EXPECT_DOUBLE_EQ(c.frame.YAxisAngle(), kPi);
  EXPECT_EQ(c.frame.XAxis().end, (TPixel{320, 0}));
  c.frame.MouseMove(320, 240);  // on the origin: the angle stays
  EXPECT_DOUBLE_EQ(c.frame.XAxisAngle(), kPi / 2);
  c.frame.MouseUp();
  c.history.Undo();
  EXPECT_EQ(c.frame.XAxisAngle(), 0);

  // By the y axis.
  c.frame.MouseDown(0, 319, 150);
  ASSERT_EQ(c.frame.DragState(), rdYAxis);
  c.frame.MouseMove(220, 240);
  EXPECT_DOUBLE_EQ(c.frame.YAxisAngle(), kPi);
  EXPECT_DOUBLE_EQ(c.frame.XAxisAngle(), kPi / 2);
  c.frame.MouseUp();
  c.history.Undo();

  // Only the arrow side of an axis can be grabbed.
  c.frame.MouseDown(0, 250, 240);
  EXPECT_EQ(c.frame.DragState(), rdNone);

  // Reversed x axis: its arrow is at the start; a pointer straight left of
  // the origin gives the angle 0.
  c.frame.SetDirectX(false);
  c.frame.MouseDown(0, 250, 240);
  ASSERT_EQ(c.frame.DragState(), rdXAxis);
  c.frame.MouseMove(250, 200);
  EXPECT_GT(std::fabs(c.frame.XAxisAngle()), 0.1);
  c.frame.MouseMove(200, 240);
  EXPECT_DOUBLE_EQ(c.frame.XAxisAngle(), 0);
  c.frame.MouseUp();
}

TEST(ReferenceFrame, HoverCursors) {
  FrameContext c;
  c.frame.MouseMove(100, 100);
  EXPECT_EQ(c.view.cursorUpdates, 0) << "no origin: the frame leaves the cursor alone";
  c.frame.PlaceOrigin(320, 240);
  c.frame.MouseMove(321, 241);
  EXPECT_EQ(c.view.cursor, "Selection");
  c.frame.MouseMove(500, 242);
  EXPECT_EQ(c.view.cursor, "SelRotation");
  c.frame.MouseMove(320, 100);
  EXPECT_EQ(c.view.cursor, "SelRotation");
  const int before = c.view.cursorUpdates;
  c.frame.MouseMove(500, 100);
  EXPECT_EQ(c.view.cursorUpdates, before + 1);
  // The axes' tolerance is half of max(6, pen width): 3 pixels here.
  c.elementSize = 2;
  EXPECT_TRUE(c.frame.IsOnXAxis(500, 243));
  EXPECT_FALSE(c.frame.IsOnXAxis(500, 244));
}

TEST(ReferenceFrame, DrawingTheAxes) {
  FrameContext c;
  RecordingCanvas canvas(8, 14);
  TFont original;
  original.size = 11;
  canvas.SetFont(original);
  c.frame.Draw(canvas);
  EXPECT_TRUE(canvas.calls.empty()) << "nothing is drawn without an origin";

  c.elementSize = 1;
  c.frame.PlaceOrigin(320, 240);
  c.frame.Draw(canvas);
  auto lines = canvas.Of("line");
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0].points, (std::vector<TPixel>{{0, 240}, {640, 240}}));
  EXPECT_EQ(lines[1].points, (std::vector<TPixel>{{320, 480}, {320, 0}}));
  EXPECT_EQ(lines[0].pen.width, 3);
  EXPECT_EQ(lines[0].pen.color, colors::Yellow);
  auto heads = canvas.Of("polygon");
  ASSERT_EQ(heads.size(), 2u);
  // Arrow size 15 for the medium size: tip at the end, base 15 back, 7.5 wide.
  EXPECT_EQ(heads[0].points, (std::vector<TPixel>{{640, 240}, {625, 232}, {625, 248}}));
  EXPECT_EQ(heads[0].brush.color, colors::Yellow);
  EXPECT_EQ(heads[1].points[0], (TPixel{320, 0}));
  auto texts = canvas.Of("text");
  ASSERT_EQ(texts.size(), 2u);
  EXPECT_EQ(texts[0].text, "x");
  EXPECT_TRUE(texts[0].font.bold);
  EXPECT_EQ(texts[0].font.size, 18);
  EXPECT_EQ(texts[0].font.angle, 0);
  EXPECT_EQ(texts[1].font.angle, 900);
  // The letters stay inside the view, beside their heads.
  for (const auto& t : texts) {
    EXPECT_GE(t.points[0].x, 0);
    EXPECT_LE(t.points[0].x, 640);
    EXPECT_GE(t.points[0].y, 0);
    EXPECT_LE(t.points[0].y, 480);
  }
  EXPECT_LT(texts[0].points[0].y, 240) << "above the x axis";
  EXPECT_LT(texts[1].points[0].x, 320) << "left of the y axis";
  // Restored afterwards.
  EXPECT_EQ(canvas.Font(), original);
  EXPECT_EQ(canvas.Pen(), TPen{});

  // Reversed y axis: the head moves to the bottom end.
  canvas.Clear();
  c.frame.SetDirectY(false);
  c.frame.Draw(canvas);
  heads = canvas.Of("polygon");
  ASSERT_EQ(heads.size(), 2u);
  EXPECT_EQ(heads[1].points[0], (TPixel{320, 480}));
  EXPECT_EQ(heads[1].points[1].y, 465);
}

TEST(ReferenceFrame, OriginPositionsListAndItsUndo) {
  FrameContext c;
  for (int i = 0; i < 3; ++i)
    EXPECT_TRUE(c.frame.InsertOrigine(
        std::make_unique<TOrigine>(i * 10, TPictureCoord{0.1 * i, 0.2}), haPoser));
  EXPECT_EQ(c.history.UndoCaption(), "Annuler Déplacer Transparent");
  EXPECT_FALSE(c.frame.InsertOrigine(nullptr, haPoser));
  const int32_t firstId = c.frame.Origines()[0]->Id();
  struct TSameId : TOrigine {
    explicit TSameId(int32_t id) { SetId(id); }
  };
  EXPECT_FALSE(c.frame.InsertOrigine(std::make_unique<TSameId>(firstId), haPoser));
  EXPECT_EQ(c.frame.Origines().size(), 3u);

  c.frame.SetLastOrigineImageNumber(25);
  EXPECT_NE(c.frame.FindOrigineOfImage(25), nullptr);
  EXPECT_EQ(c.frame.FindOrigineOfImage(20), nullptr);

  const int32_t middleId = c.frame.Origines()[1]->Id();
  EXPECT_TRUE(c.frame.RemoveOrigineOfImage(10));
  EXPECT_FALSE(c.frame.RemoveOrigineOfImage(10));
  EXPECT_EQ(c.frame.Origines().size(), 2u);
  c.history.Undo();
  ASSERT_EQ(c.frame.Origines().size(), 3u);
  EXPECT_EQ(c.frame.Origines()[1]->Id(), middleId) << "back at its place with its id";
  EXPECT_EQ(c.frame.Origines()[1]->OrigineImageNumber, 10);
  EXPECT_FALSE(c.history.Suspended());

  // Undo the three insertions.
  c.history.Undo();
  c.history.Undo();
  c.history.Undo();
  EXPECT_TRUE(c.frame.Origines().empty());
  EXPECT_TRUE(c.history.Empty());
}

TEST(ReferenceFrame, SnapshotsCompareTheWholeState) {
  FrameContext c;
  c.frame.PlaceOrigin(100, 100);
  auto s = c.State();
  EXPECT_EQ(s->Kind(), hkRepereFixe);
  EXPECT_TRUE(c.frame.Equals(*s));
  c.frame.SetXAxisAngle(1e-12);
  EXPECT_FALSE(c.frame.Equals(*s));
  c.frame.Assign(*s);
  EXPECT_TRUE(c.frame.Equals(*s));
  c.frame.SetDirectY(false);
  EXPECT_FALSE(c.frame.Equals(*s));
  TOrigine o(3, {0.5, 0.5});
  EXPECT_FALSE(c.frame.Equals(o));
}

// Random gestures on the fixed frame, each recorded in the history; undoing
// them one by one walks the states back in reverse order to the first one.
TEST(ReferenceFrame, RandomGesturesUndoBackToTheFirstState) {
  FrameContext c;
  std::mt19937 rng(20240611);
  auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
  const auto first = c.State();
  std::vector<std::unique_ptr<THistObject>> before;
  int changes = 0;

  auto moves = [&]() {
    for (int m = pick(0, 3); m > 0; --m) c.frame.MouseMove(pick(-50, 690), pick(-50, 530));
  };
  for (int step = 0; step < 4000; ++step) {
    auto b = c.State();
    switch (pick(0, 7)) {
      case 0:  // a press anywhere, then a drag
        c.frame.MouseDown(0, pick(0, 639), pick(0, 479));
        moves();
        c.frame.MouseUp();
        break;
      case 1:
        c.frame.MouseDown(1, pick(0, 639), pick(0, 479));
        break;
      case 2:
        c.frame.SetDirectX(!c.frame.DirectXAxisDirection());
        break;
      case 3:
        c.frame.SetDirectY(!c.frame.DirectYAxisDirection());
        break;
      case 4:  // the angle typed in: the marking data records, then sets
        c.history.RecordStep(c.frame, haPivoter);
        c.frame.SetXAxisAngle(std::uniform_real_distribution<double>(-10, 10)(rng));
        break;
      case 5: {  // a drag of the origin itself
        const TPixel o = c.frame.OriginPixel();
        c.frame.MouseDown(0, o.x + pick(-3, 3), o.y + pick(-3, 3));
        moves();
        c.frame.MouseUp();
        break;
      }
      default: {  // a drag of one of the axes, grabbed between origin and head
        const TPixel o = c.frame.OriginPixel();
        const TPixel e = pick(0, 1) ? c.frame.XArrowEnd() : c.frame.YArrowEnd();
        c.frame.MouseDown(0, (o.x + e.x) / 2, (o.y + e.y) / 2);
        moves();
        c.frame.MouseUp();
        break;
      }
    }
    ASSERT_LE(std::fabs(c.frame.XAxisAngle()), kPi);
    ASSERT_NEAR(std::remainder(c.frame.YAxisAngle() - c.frame.XAxisAngle() - kPi / 2, 2 * kPi), 0,
                1e-12);
    if (!c.frame.Equals(*b)) {
      before.push_back(std::move(b));
      ++changes;
    }
  }
  EXPECT_GT(changes, 1500);
  while (!before.empty()) {
    c.history.Undo();
    ASSERT_TRUE(c.frame.Equals(*before.back())) << before.size() << " states left";
    before.pop_back();
  }
  EXPECT_EQ(c.history.UndoCaption(), "");
  EXPECT_TRUE(c.history.Empty());
  EXPECT_TRUE(c.frame.Equals(*first));
}

TEST(ReferenceFrame, DocumentKeysRoundTripWithEitherSeparator) {
  for (char sep : {'.', ','}) {
    ScopedDecimalSeparator scoped(sep);
    FrameContext c;
    c.frame.PlaceOrigin(160, 360);
    c.frame.SetXAxisAngle(-2.25);
    c.frame.SetDirectY(false);
    for (int i = 0; i < 3; ++i)
      c.frame.InsertOrigine(std::make_unique<TOrigine>(i * 5, TPictureCoord{0.125 * i, 0.3}),
                            haPoser);
    TIniFile ini;
    c.frame.SaveToFile(ini, "Data", "_Grid");
    c.frame.SaveOriginesToFile(ini, "Data", "_Grid");
    const std::string text = ini.Text();
    EXPECT_NE(text.find("DirectYAxisDirection_Grid=0"), std::string::npos);
    EXPECT_NE(text.find("OrigineCurrentXCoordinate_Grid=0" + std::string(1, sep) + "25"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("OrigineImageNumber_Grid_2=10"), std::string::npos);

    FrameContext d;
    TIniFile back;
    back.SetText(text);
    d.frame.LoadFromFile(back, "Data", "_Grid");
    d.frame.LoadOriginesFromFile(back, "Data", "_Grid");
    EXPECT_TRUE(d.frame.Equals(c.frame));
    EXPECT_EQ(d.frame.YAxisAngle(), c.frame.YAxisAngle());
    EXPECT_EQ(d.frame.OriginPixel(), (TPixel{160, 360})) << "view points recomputed";
    ASSERT_EQ(d.frame.Origines().size(), 3u);
    EXPECT_TRUE(d.frame.Origines()[2]->Equals(*c.frame.Origines()[2]));
    EXPECT_TRUE(d.history.Empty()) << "reading records nothing";
  }
}

TEST(ReferenceFrame, DocumentValuesOutOfRangeAreBroughtBack) {
  TIniFile ini;
  ini.SetText(
      "[Data]\n"
      "OrigineCurrentXCoordinate_Grid=7\n"
      "OrigineCurrentYCoordinate_Grid=abc\n"
      "OriginePointsNumber_Grid=5\n"
      "XAxisAngle_Grid=4\n"
      "YAxisAngle_Grid=0\n"
      "OriginePositionsNumber_Grid=2000000000\n"
      "OrigineImageNumber_Grid_0=3\n"
      "OrigineXCoordinate_Grid_0=-1\n");
  FrameContext c;
  c.frame.LoadFromFile(ini, "Data", "_Grid");
  EXPECT_EQ(c.frame.Origin(), (TPictureCoord{1.0, 0.5}));
  EXPECT_EQ(c.frame.OriginePointsNumber(), 1);
  EXPECT_TRUE(c.frame.DirectXAxisDirection());
  EXPECT_NEAR(c.frame.XAxisAngle(), 4 - 2 * kPi, 1e-12);
  EXPECT_NEAR(c.frame.YAxisAngle(), 4 - 2 * kPi + kPi / 2, 1e-12) << "the axes stay square";
  // A huge count stops at the first missing position.
  c.frame.LoadOriginesFromFile(ini, "Data", "_Grid");
  ASSERT_EQ(c.frame.Origines().size(), 1u);
  EXPECT_EQ(c.frame.Origines()[0]->OrigineImageNumber, 3);
  EXPECT_EQ(c.frame.Origines()[0]->Position.x, 0.0);
}

// Figures drawn on a graph through its mouse handlers: their measurements,
// the creation rules and snapping, the editing tools and the undo history.
#include "core/graph/figures.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>

#include "core/common/number_format.h"
#include "core/graph/figure_tools.h"
#include "core/graph/graph_model.h"
#include "support/recording_canvas.h"

namespace kinevo {
namespace {

constexpr double kPi = std::numbers::pi;

void ExpectAt(const TWorldPoint& p, const TWorldPoint& q) {
  EXPECT_NEAR(p.x, q.x, 1e-9);
  EXPECT_NEAR(p.y, q.y, 1e-9);
}

class FiguresTest : public ::testing::Test {
 protected:
  FiguresTest() {
    g.SetSize(495, 265);                 // plot 400 x 200 at (75, 20)
    g.SetWorld({0, 400, 0, 200}, true);  // one world unit per pixel
    g.Figures().ShowAll();
  }
  int AddShownCurve(const TCurveInput& in) {
    const int c = g.AddCourbe(in);
    g.SetCourbeVisible(c, ckPoints, true);
    g.Figures().ShowAll();
    return c;
  }
  // The pixel of a world point.
  static TPixel P(double x, double y) { return {75 + RoundToInt(x), 220 - RoundToInt(y)}; }
  void Press(TPixel p, TShiftState s = {}) { g.MouseDown(mbLeft, s, p.x, p.y); }
  void Release(TPixel p, TShiftState s = {}) { g.MouseUp(mbLeft, s, p.x, p.y); }
  void Click(TPixel p, TShiftState s = {}) {
    Press(p, s);
    Release(p, s);
  }
  void Drag(TPixel a, TPixel b, TShiftState s = {}) {
    Press(a, s);
    g.MouseMove(s, (a.x + b.x) / 2, (a.y + b.y) / 2);
    g.MouseMove(s, b.x, b.y);
    Release(b, s);
  }
  // Draws a two-point figure with its tool; the new figure, or null.
  TGPolyPoint* Draw(int tool, TPixel a, TPixel b) {
    const std::vector<TGPolyPoint*> before = Figures();
    g.SetTool(tool);
    Drag(a, b);
    for (TGPolyPoint* f : Figures())
      if (std::find(before.begin(), before.end(), f) == before.end()) return f;
    return nullptr;
  }
  TGPolyPoint* Last() {
    const auto figures = Figures();
    return figures.empty() ? nullptr : figures.back();
  }
  std::vector<TGPolyPoint*> Figures() {
    std::vector<TGPolyPoint*> out;
    for (const auto& e : g.Elements())
      if (e->userDrawn) out.push_back(static_cast<TGPolyPoint*>(e.get()));
    return out;
  }
  TGPolyPoint* OfKind(TGObjectType k) {
    for (TGPolyPoint* f : Figures())
      if (f->Kind() == k) return f;
    return nullptr;
  }
  TFigureTools& F() { return g.Figures(); }

  ScopedDecimalSeparator dot{'.'};
  TGraphUtils utils;
  TGraphModel g{utils};
};

// ---------------------------------------------------------------- measures

TEST_F(FiguresTest, SegmentAndSplineLengthsAreThoseOfTheirWorldPoints) {
  auto* s = static_cast<TGFigSegment*>(Draw(gtSegment, P(10, 10), P(40, 50)));
  ASSERT_NE(s, nullptr);
  EXPECT_NEAR(s->Length(), 50.0, 1e-9);
  EXPECT_EQ(s->InfoLines(), std::vector<std::string>{"Longueur du segment : 50 m"});
  // Three significant digits, in the program's separator.
  s->SnapPoint(1, {10 + 1.0 / 3, 10});
  {
    ScopedDecimalSeparator comma(',');
    EXPECT_EQ(s->InfoText(), "Longueur du segment : 0,333 m");
  }

  // A free curve through evenly spaced points of a line is that line.
  g.SetTool(gtSpline);
  for (int x : {100, 150, 200, 250}) Click(P(x, 2 * x - 150));
  g.DoubleClick(P(250, 350).x, P(250, 350).y);
  auto* c = static_cast<TGFigSpline*>(OfKind(obSpline));
  ASSERT_NE(c, nullptr);
  ASSERT_EQ(c->Points().size(), 4u) << "the double click's point is kept once";
  EXPECT_NEAR(c->Length(), std::hypot(150.0, 300.0), 1e-9);
  EXPECT_EQ(c->InfoText(), "Longueur de la courbe : 335 m");
}

TEST_F(FiguresTest, OnATimeGraphASegmentMeasuresItsSlope) {
  // x (m) against t (s): a length would add seconds to metres.
  g.SetWorld({0, 4, 0, 2}, false);
  g.AxeX.unit = "s";
  g.AxeY.unit = "m/s";
  auto* s = static_cast<TGFigSegment*>(Draw(gtSegment, {75, 220}, {275, 120}));
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(s->InfoLines(), std::vector<std::string>{"Pente du segment : 0.5 m/s²"});
  // Its copy measures the same way; a vertical one has an infinite slope.
  auto* copy = static_cast<TGFigSegment*>(s->Clone().release());
  EXPECT_EQ(copy->InfoLines(), s->InfoLines());
  delete copy;
  s->SnapPoint(1, {0, 1});
  EXPECT_EQ(s->InfoText(), "Pente du segment : infinie");
  // Without units, the slope alone.
  g.AxeY.unit.clear();
  auto* t = static_cast<TGFigSegment*>(Draw(gtSegment, {75, 220}, {175, 20}));
  ASSERT_NE(t, nullptr);
  EXPECT_EQ(t->InfoText(), "Pente du segment : 2");
}

TEST_F(FiguresTest, AnglesAreTheSalientAngleBetweenTheTwoLines) {
  struct Case {
    TWorldPoint a, v, b;
  } cases[] = {{{100, 0}, {0, 0}, {0, 100}},     {{100, 0}, {0, 0}, {-100, 0}},
               {{100, 0}, {0, 0}, {87, 50}},     {{10, 90}, {60, 40}, {190, 10}},
               {{0, 100}, {50, 50}, {100, 100}}, {{30, 170}, {200, 100}, {20, 20}}};
  for (const Case& k : cases) {
    const TWorldPoint u{k.a.x - k.v.x, k.a.y - k.v.y}, w{k.b.x - k.v.x, k.b.y - k.v.y};
    // Law of cosines, independently of the program's formula.
    const double expected = std::acos(std::clamp(
        (u.x * w.x + u.y * w.y) / (std::hypot(u.x, u.y) * std::hypot(w.x, w.y)), -1.0, 1.0));
    EXPECT_NEAR(SalientAngle(k.a, k.v, k.b), expected, 1e-12);
  }
  g.SetTool(gtAngle);
  Click(P(150, 50));
  Click(P(50, 50));
  Click(P(50, 150));
  const TGPolyPoint* a = OfKind(obAngle);
  ASSERT_NE(a, nullptr);
  EXPECT_EQ(a->InfoText(), "Angle saillant entre les deux droites : 90.0\u00B0 (1.571 rad)");
  ScopedDecimalSeparator comma(',');
  EXPECT_EQ(a->InfoText(), "Angle saillant entre les deux droites : 90,0\u00B0 (1,571 rad)");
}

TEST_F(FiguresTest, ArcCircleAndEllipseMeasures) {
  // A quarter of the circle of radius 100 about (200, 0).
  TGArc arc({300, 0}, {200, 100}, {200 + 100 / std::sqrt(2.0), 100 / std::sqrt(2.0)});
  EXPECT_NEAR(arc.Geometry().circle.radius, 100, 1e-9);
  EXPECT_EQ(arc.InfoLines(),
            (std::vector<std::string>{"Longueur de l'arc de cercle : 157 m",
                                      "Angle entre les rayons : 90.0\u00B0 (1.571 rad)",
                                      "Longueur du rayon : 100 m"}));
  // The long way round when the bulge is on the other side.
  TGArc big({300, 0}, {200, 100}, {100, 0});
  EXPECT_NEAR(std::fabs(big.Geometry().sweep), 1.5 * kPi, 1e-12);
  EXPECT_NEAR(big.Geometry().Length({300, 0}, {200, 100}), 150 * kPi, 1e-9);
  TGArc flat({0, 0}, {100, 0}, {40, 0});
  EXPECT_EQ(flat.InfoLines().front(), "Longueur de l'arc de cercle : 100 m");
  EXPECT_EQ(flat.InfoLines().back(), "Longueur du rayon : infinie");

  TGCercle circle({0, 0}, {30, 40});
  EXPECT_EQ(circle.InfoLines(), (std::vector<std::string>{"Circonférence du cercle : 314 m",
                                                          "Longueur du rayon : 50 m"}));

  EXPECT_DOUBLE_EQ(EllipseCircumference(3, 3), 6 * kPi);
  const double a = 2, b = 1;
  EXPECT_NEAR(EllipseCircumference(a, b),
              kPi * (3 * (a + b) - std::sqrt((3 * a + b) * (a + 3 * b))), 1e-12);
  TGEllipse e({0, 0}, 10, 20, kPi / 6);
  EXPECT_EQ(e.InfoLines(),
            (std::vector<std::string>{"Angle avec l'horizontale : 120.0\u00B0 (2.094 rad)",
                                      "Circonférence de l'ellipse: 96.9 m",
                                      "Longueur du demi grand axe: 20 m",
                                      "Longueur du demi petit axe: 10 m"}));
}

TEST_F(FiguresTest, VectorsMeasureInTheirFamilysUnit) {
  TCurveInput in;
  in.points = {{0, 0}, {100, 100}};
  in.vectors = {{7, "m/s", {{1, 0}, {0, 2}}, 0}};
  const int c = AddShownCurve(in);
  g.AutoVectorScale();  // the longest vector (2 m/s) spans 40 pixels
  auto* v = static_cast<TGFigVecteur*>(Draw(gtVecteur, P(300, 50), P(260, 90)));
  ASSERT_NE(v, nullptr);
  EXPECT_FALSE(v->worldUnits);
  EXPECT_EQ(v->family, 7);
  EXPECT_NEAR(v->components.x, -2, 1e-12);
  EXPECT_NEAR(v->components.y, 2, 1e-12);
  EXPECT_EQ(v->InfoLines(),
            (std::vector<std::string>{"Norme du vecteur : 2.83 m/s",
                                      "Angle avec l'horizontale : 135.0\u00B0 (2.356 rad)"}));
  // A new scale redraws it at the same value.
  ASSERT_TRUE(g.SetVectorScaleValue(0.8));
  EXPECT_EQ(v->Tip().x - v->Pixels()[0].x, -160);

  // Without vector families a vector is a displacement in metres.
  g.ClearGraph();
  F().ShowAll();
  auto* w = static_cast<TGFigVecteur*>(Draw(gtVecteur, P(0, 0), P(30, 40)));
  ASSERT_NE(w, nullptr);
  EXPECT_TRUE(w->worldUnits);
  EXPECT_EQ(w->InfoLines().front(), "Norme du vecteur : 50 m");
}

// ---------------------------------------------------------------- creation

TEST_F(FiguresTest, DegenerateFiguresAreNotCreatedNorRecorded) {
  for (int tool : {gtSegment, gtCercle, gtArc, gtEllipse, gtVecteur}) {
    g.SetTool(tool);
    Click(P(100, 100));
  }
  g.SetTool(gtAngle);
  Click(P(100, 100));
  Click(P(100, 100));  // equal consecutive points: the angle is dropped
  Click(P(150, 100));
  g.SetTool(gtSpline);
  Click(P(10, 10));
  g.DoubleClick(P(10, 10).x, P(10, 10).y);  // a single point is no curve
  EXPECT_TRUE(Figures().empty());
  EXPECT_EQ(F().History().Size(), 0u);
  EXPECT_EQ(F().UndoCaption(), "");
  F().Undo();  // nothing to undo: no change, no crash
  EXPECT_TRUE(Figures().empty());
}

TEST_F(FiguresTest, NewFiguresAreSelectedAloneAndJoinTheirCurve) {
  TCurveInput in;
  in.points = {{0, 0}, {100, 100}};
  const int c = AddShownCurve(in);
  const std::size_t dataCount = g.Elements().size();
  TGPolyPoint* s = Draw(gtSegment, P(10, 150), P(60, 150));
  TGPolyPoint* v = Draw(gtVecteur, P(10, 180), P(60, 180));
  ASSERT_TRUE(s && v);
  EXPECT_EQ(F().SelectionCount(), 1);
  EXPECT_TRUE(v->selected);
  EXPECT_FALSE(s->selected);
  // Vectors are drawn first, below the data and the other figures.
  EXPECT_EQ(g.Elements().front().get(), v);
  EXPECT_EQ(g.Elements().back().get(), s);
  EXPECT_EQ(g.Elements().size(), dataCount + 2);
  EXPECT_EQ(s->curve, c);
  g.SetTool(gtAngle);
  for (TPixel p : {P(300, 10), P(300, 100), P(390, 100)}) Click(p);
  EXPECT_EQ(OfKind(obAngle)->curve, -1) << "angles always belong to the free curve";

  // Changing tool drops a figure under construction.
  g.SetTool(gtAngle);
  Click(P(10, 10));
  Click(P(50, 10));
  EXPECT_EQ(F().Building().size(), 2u);
  g.SetTool(gtSegment);
  EXPECT_TRUE(F().Building().empty());

  // The owner hides a kind: its figures, on every curve.
  g.SetCourbeVisible(c, ckSegments, false, kUserDrawn);
  EXPECT_FALSE(s->Shown());
  EXPECT_TRUE(v->Shown());
  g.SetCourbeVisible(-1, ckAngles, false);
  EXPECT_FALSE(OfKind(obAngle)->Shown());
}

TEST_F(FiguresTest, CreationSnapsOntoDataPointsTheOriginAndVectorTips) {
  TCurveInput in;
  in.points = {{100.3, 50.2}, {200.45, 120.7}};
  const int c = AddShownCurve(in);
  g.IsOrigineVisible = true;
  // Pressed 2 pixels off each point, released 2 pixels off the origin.
  auto* s = static_cast<TGFigSegment*>(Draw(gtSegment, P(102, 52), P(198, 118)));
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(s->Points()[0], (TWorldPoint{100.3, 50.2}));
  EXPECT_EQ(s->Points()[1], (TWorldPoint{200.45, 120.7}));
  EXPECT_DOUBLE_EQ(s->Length(), std::hypot(100.15, 70.5));
  auto* o = Draw(gtCercle, P(2, 2), P(20, 0));
  EXPECT_EQ(o->Points()[0], (TWorldPoint{0, 0}));
  // A hidden point does not attract.
  g.SetCourbeVisible(c, ckPoints, false);
  auto* far = Draw(gtSegment, P(102, 52), P(150, 52));
  ExpectAt(far->Points()[0], {102, 52});

  // A vector drawn from the tip of another starts exactly there, chained.
  auto* v1 = static_cast<TGFigVecteur*>(Draw(gtVecteur, P(300, 20), P(333, 61)));
  auto* v2 = static_cast<TGFigVecteur*>(Draw(gtVecteur, P(334, 62), P(380, 62)));
  ASSERT_TRUE(v1 && v2 && v1 != v2);
  EXPECT_EQ(v2->Origin(), v1->TipWorld());
  EXPECT_EQ(v2->previous, v1->Id());
  EXPECT_EQ(v1->next, v2->Id());
  // Deleting the first drops the second's link to it.
  F().Select(v1, false);
  F().DeleteSelection();
  EXPECT_EQ(v2->previous, 0);
}

TEST_F(FiguresTest, MovedFiguresSnapOntoDataPoints) {
  TCurveInput in;
  in.points = {{100, 100}, {250, 30}};
  const int c = AddShownCurve(in);
  auto* s = static_cast<TGFigSegment*>(Draw(gtSegment, P(10, 150), P(160, 80)));
  g.SetTool(gtSelection);
  // The body is dragged so that its ends land 3 pixels off both points.
  Drag(P(85, 115), P(85 + 93, 115 - 47));
  EXPECT_EQ(s->Points()[0], (TWorldPoint{100, 100}));
  EXPECT_EQ(s->Points()[1], (TWorldPoint{250, 30}));
  EXPECT_EQ(F().UndoCaption(), "Annuler Déplacer Segment");
  F().Undo();
  ExpectAt(s->Points()[0], {10, 150});
}

// ---------------------------------------------------------------- editing

TEST_F(FiguresTest, DuplicatesMoveEightPixelsRightAndUpOrDown) {
  struct Case {
    TPixel a, b;
    int dy;
  } cases[] = {
      {P(100, 100), P(60, 140), -8},  // vector at 135 degrees: up
      {P(100, 100), P(60, 100), 8},   // 180 degrees: down
      {P(100, 100), P(140, 140), 8},  // 45 degrees: down
      {P(100, 100), P(140, 60), -8},  // 315 degrees: up
  };
  for (const Case& k : cases) {
    g.ClearGraph();
    F().ShowAll();
    auto* v = Draw(gtVecteur, k.a, k.b);
    g.SetTool(gtDupliquer);
    Click(v->Pixels()[0]);
    TGPolyPoint* copy = g.Elements().front()->Kind() == obVecteur
                            ? static_cast<TGPolyPoint*>(g.Elements().front().get())
                            : nullptr;
    ASSERT_TRUE(copy && copy != v);
    EXPECT_EQ(copy->Pixels()[0].x - v->Pixels()[0].x, 8);
    EXPECT_EQ(copy->Pixels()[0].y - v->Pixels()[0].y, k.dy) << k.b.x << "," << k.b.y;
    EXPECT_TRUE(copy->selected);
    EXPECT_FALSE(v->selected);
    EXPECT_EQ(F().UndoCaption(), "Annuler Dupliquer Vecteur");
  }
  // Segments: up when on a horizontal line or running down to the right
  // on the screen.
  auto* h = Draw(gtSegment, P(10, 10), P(60, 10));
  g.SetTool(gtDupliquer);
  Click(P(30, 10));
  EXPECT_EQ(Last()->Pixels()[0].y - h->Pixels()[0].y, -8);
  auto* d = Draw(gtSegment, P(10, 150), P(60, 190));
  g.SetTool(gtDupliquer);
  Click(P(35, 170));
  EXPECT_EQ(Last()->Pixels()[0].y - d->Pixels()[0].y, 8);
}

TEST_F(FiguresTest, RubberBandsActOnlyOnFiguresWhollyInsideAsOneStep) {
  Draw(gtSegment, P(10, 10), P(50, 50));
  Draw(gtCercle, P(100, 100), P(120, 100));
  Draw(gtSegment, P(10, 100), P(300, 100));  // cut by the band
  g.SetTool(gtSupprimer);
  Drag(P(0, 180), P(150, 0));
  ASSERT_EQ(Figures().size(), 1u);
  ExpectAt(Figures()[0]->Points()[1], {300, 100});
  EXPECT_EQ(F().UndoCaption(), "Annuler Supprimer");
  F().Undo();
  EXPECT_EQ(Figures().size(), 3u);
  // The selection band toggles the figures inside.
  g.SetTool(gtSelection);
  Drag(P(0, 180), P(150, 0));
  EXPECT_EQ(F().SelectionCount(), 2);
  EXPECT_EQ(F().SelectedKinds(), (1u << obSegment) | (1u << obCercle));
}

TEST_F(FiguresTest, SelectionToolDeformsRotatesAndNamesTheAction) {
  auto* s = Draw(gtSegment, P(10, 10), P(60, 10));
  g.SetTool(gtSelection);
  g.MouseMove({}, P(60, 10).x, P(60, 10).y);
  EXPECT_EQ(g.CursorName(), "SelDeformer");
  g.MouseMove({}, P(35, 10).x, P(35, 10).y);
  EXPECT_EQ(g.CursorName(), "Selection");
  Drag(P(60, 10), P(10, 60));
  ExpectAt(s->Points()[1], {10, 60});
  EXPECT_EQ(F().UndoCaption(), "Annuler Modifier Segment");

  g.SetTool(gtAngle);
  for (TPixel p : {P(200, 10), P(150, 10), P(150, 60)}) Click(p);
  g.SetTool(gtSelection);
  Drag(P(200, 10), P(200, 60));
  EXPECT_EQ(F().UndoCaption(), "Annuler Déformer Angle");

  auto* e = static_cast<TGEllipse*>(Draw(gtEllipse, P(250, 50), P(350, 100)));
  g.SetTool(gtSelection);
  g.MouseMove({}, P(300, 75).x, P(300, 75).y);
  EXPECT_EQ(g.CursorName(), "SelRotation");
  // From the centre's right to straight above it: a quarter turn.
  Press(P(300, 75));
  g.MouseMove({}, P(340, 75).x, P(340, 75).y);
  g.MouseMove({}, P(300, 115).x, P(300, 115).y);
  Release(P(300, 115));
  EXPECT_NEAR(e->Inclination(), kPi / 2, 1e-12);
  EXPECT_EQ(F().UndoCaption(), "Annuler Pivoter Ellipse");
  F().Undo();
  EXPECT_NEAR(e->Inclination(), 0, 1e-12);
  for (int i = 0; i < 4; ++i) F().Undo();  // the ellipse, the angle, its change
  ExpectAt(s->Points()[1], {60, 10});
}

TEST_F(FiguresTest, BendingNeedsTheFigureSelectedAlone) {
  auto* arc = static_cast<TGArc*>(Draw(gtArc, P(100, 100), P(200, 100)));
  auto* circle = static_cast<TGCercle*>(Draw(gtCercle, P(300, 100), P(320, 100)));
  g.SetTool(gtCurveArc);
  EXPECT_EQ(g.CursorName(), "Deformer");
  const TPixel bulge = arc->Pixels()[2];
  Drag(bulge, P(150, 150));  // only selects the arc
  EXPECT_TRUE(arc->selected);
  EXPECT_GT(Distance(arc->Points()[2], {150, 150}), 1);
  Drag(bulge, P(150, 150));
  ExpectAt(arc->Points()[2], {150, 150});
  EXPECT_NEAR(arc->Geometry().circle.radius, 50, 1e-9);
  EXPECT_EQ(F().UndoCaption(), "Annuler Courber Arc");
  g.Figures().Select(circle, false);
  Drag(P(300, 120), P(300, 130));
  EXPECT_NEAR(circle->Radius(), 30, 1e-9);
}

TEST_F(FiguresTest, ReverseSwapsOriginAndTip) {
  auto* v = static_cast<TGFigVecteur*>(Draw(gtVecteur, P(10, 10), P(50, 40)));
  g.SetTool(gtSens);
  EXPECT_EQ(g.CursorName(), "Inverser");
  Click(P(30, 25));
  ExpectAt(v->Origin(), {50, 40});
  ExpectAt(v->TipWorld(), {10, 10});
  EXPECT_EQ(F().UndoCaption(), "Annuler Changer sens Vecteur");
  F().Undo();
  ExpectAt(v->Origin(), {10, 10});
}

// ---------------------------------------------------------------- history

TEST_F(FiguresTest, UndoSkipsMovesThatChangedNothing) {
  auto* a = Draw(gtSegment, P(10, 10), P(60, 10));
  auto* b = Draw(gtCercle, P(200, 100), P(220, 100));
  g.SetTool(gtSelection);
  Drag(P(35, 10), P(35, 40));  // a real move of the segment
  Click(P(220, 100));          // a click on the circle's handle: no change
  EXPECT_EQ(F().History().Size(), 4u);
  EXPECT_EQ(F().UndoCaption(), "Annuler Déplacer Segment");
  F().Undo();
  ExpectAt(a->Points()[0], {10, 10});
  EXPECT_EQ(F().UndoCaption(), "Annuler Créer Cercle");
  F().Undo();
  EXPECT_EQ(Figures().size(), 1u);
  (void)b;
}

TEST_F(FiguresTest, DeletedFiguresComeBackOnTopWithTheirId) {
  auto* a = Draw(gtSegment, P(10, 10), P(60, 10));
  Draw(gtCercle, P(200, 100), P(220, 100));
  const int id = a->Id();
  g.SetTool(gtSupprimer);
  EXPECT_EQ(g.CursorName(), "Gomme");
  Click(P(35, 10));
  EXPECT_EQ(Figures().size(), 1u);
  EXPECT_EQ(F().UndoCaption(), "Annuler Supprimer Segment");
  F().Undo();
  ASSERT_EQ(Figures().size(), 2u);
  EXPECT_EQ(g.Elements().back()->Id(), id);
  EXPECT_TRUE(g.Elements().back()->Shown());
  // The Delete key deletes the selection; Ctrl+A undoes.
  g.Figures().Select(Figures()[0], false);
  TPixel move;
  EXPECT_TRUE(g.KeyDown(46, {}, move));
  EXPECT_EQ(Figures().size(), 1u);
  TShiftState ctrl;
  ctrl.ctrl = true;
  EXPECT_TRUE(g.KeyDown(65, ctrl, move));
  EXPECT_EQ(Figures().size(), 2u);
}

TEST_F(FiguresTest, HistoryKeepsTheLast500Copies) {
  auto* s = Draw(gtSegment, P(10, 10), P(60, 10));
  g.SetTool(gtSelection);
  for (int i = 0; i < 500; ++i) Drag(P(35 + i % 2, 10), P(36 - i % 2, 10));
  EXPECT_EQ(F().History().Size(), 500u);
  EXPECT_EQ(F().History().Step(0).action, gaDeplacer) << "the creation went first";
  F().Undo();
  ExpectAt(s->Points()[0], {11, 10});
  F().Undo();
  ExpectAt(s->Points()[0], {10, 10});
  // ClearGraph empties it.
  g.ClearGraph();
  EXPECT_EQ(F().History().Size(), 0u);
  EXPECT_EQ(F().UndoCaption(), "");
}

TEST_F(FiguresTest, PaintingDrawsFiguresRubberLinesAndHandles) {
  Draw(gtCercle, P(100, 100), P(130, 100));
  g.SetTool(gtSegment);
  Press(P(10, 10));
  g.MouseMove({}, P(50, 50).x, P(50, 50).y);
  test::RecordingCanvas canvas;
  g.PaintElements(canvas);
  // The circle (selected: width 2, handles), then the dotted rubber line.
  const auto lines = canvas.Of("polyline");
  ASSERT_GE(lines.size(), 2u);
  EXPECT_EQ(lines[0].pen.width, 2);
  EXPECT_EQ(lines.back().points, (std::vector<TPixel>{P(10, 10), P(50, 50)}));
  EXPECT_EQ(lines.back().pen.style, TPenStyle::psDot);
  EXPECT_EQ(canvas.Of("rectangle").size(), 3u) << "two handles and the plot's frame";
}

}  // namespace
}  // namespace kinevo

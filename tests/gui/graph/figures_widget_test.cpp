// Figures drawn on the graph widget offscreen with real mouse and key
// events: each kind appears in its colour, the double click ends a free
// curve, Delete removes the selection and Ctrl+A brings it back.
#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>

#include "core/graph/figure_tools.h"
#include "gui/graph/graph_widget.h"
#include "support/qt_test_application.h"
#include "support/shots.h"

namespace kinevo {
namespace {

KINEVO_QT_TEST_APPLICATION("test_gui_graph");

void Send(QWidget& w, QEvent::Type type, QPoint at, Qt::MouseButton button = Qt::NoButton) {
  const Qt::MouseButtons held =
      type == QEvent::MouseButtonRelease ? Qt::MouseButtons() : Qt::MouseButtons(button);
  QMouseEvent e(type, QPointF(at), w.mapToGlobal(QPointF(at)), button, held, Qt::NoModifier);
  QApplication::sendEvent(&w, &e);
}
void Drag(QWidget& w, QPoint a, QPoint b) {
  Send(w, QEvent::MouseButtonPress, a, Qt::LeftButton);
  Send(w, QEvent::MouseMove, (a + b) / 2, Qt::LeftButton);
  Send(w, QEvent::MouseMove, b, Qt::LeftButton);
  Send(w, QEvent::MouseButtonRelease, b, Qt::LeftButton);
}
void Click(QWidget& w, QPoint at) { Drag(w, at, at); }
void Key(QWidget& w, int key, Qt::KeyboardModifiers m = Qt::NoModifier) {
  QKeyEvent e(QEvent::KeyPress, key, m);
  QApplication::sendEvent(&w, &e);
}

class FiguresWidget : public ::testing::Test {
 protected:
  FiguresWidget() {
    graph.resize(615, 365);  // plot 520 x 300 at (75, 20)
    graph.show();
    TGraphModel& m = graph.Model();
    m.SetSize(615, 365);
    m.SetWorld({-1, 12, -1, 6.5}, true);
    TCurveInput in;
    for (int i = 0; i < 11; ++i) in.points.push_back({1.0 * i, 5 - 0.05 * (i - 5) * (i - 5) * 2});
    const int c = m.AddCourbe(in);
    m.SetCourbeVisible(c, ckPoints, true);
    m.Figures().ShowAll();
  }
  int Figures() const {
    int n = 0;
    for (const auto& e : graph.Model().Elements()) n += e->userDrawn;
    return n;
  }
  TGraphUtils utils;
  TGraph graph{utils};
};

TEST_F(FiguresWidget, EveryKindIsDrawnAndTheKeysDeleteAndUndo) {
  TGraphModel& m = graph.Model();
  m.SetTool(gtSegment);
  Drag(graph, {100, 300}, {250, 250});
  m.SetTool(gtVecteur);
  Drag(graph, {300, 300}, {360, 240});
  m.SetTool(gtCercle);
  Drag(graph, {450, 260}, {490, 260});
  m.SetTool(gtArc);
  Drag(graph, {100, 200}, {200, 200});
  m.SetTool(gtEllipse);
  Drag(graph, {250, 150}, {350, 200});
  m.SetTool(gtAngle);
  for (QPoint p : {QPoint(400, 120), QPoint(450, 180), QPoint(540, 160)}) Click(graph, p);
  m.SetTool(gtSpline);
  for (QPoint p : {QPoint(120, 60), QPoint(170, 100), QPoint(220, 70)}) Click(graph, p);
  Send(graph, QEvent::MouseButtonDblClick, {270, 110}, Qt::LeftButton);
  Send(graph, QEvent::MouseButtonRelease, {270, 110}, Qt::LeftButton);
  ASSERT_EQ(Figures(), 7);

  m.SetTool(gtNone);
  const QImage shot = graph.Grab();
  test::SaveShot(shot, "graph_figures");
  // The segment in its dark green, half way along.
  const TGElem* segment = m.Elements().back().get();
  for (const auto& e : m.Elements())
    if (e->userDrawn && e->Kind() == obSegment) segment = e.get();
  const auto& ends = static_cast<const TGPolyPoint*>(segment)->Pixels();
  const QPoint middle((ends[0].x + ends[1].x) / 2, (ends[0].y + ends[1].y) / 2);
  bool green = false;
  for (int dx = -1; dx <= 1; ++dx)
    for (int dy = -1; dy <= 1; ++dy) {
      const QColor c = shot.pixelColor(middle + QPoint(dx, dy));
      green = green || (c.green() > c.red() + 40 && c.green() > c.blue() + 40);
    }
  EXPECT_TRUE(green) << "no dark green near " << middle.x() << "," << middle.y();

  // The free curve, last drawn, is selected: Delete removes it, Ctrl+A
  // puts it back.
  EXPECT_EQ(m.Figures().SelectedKinds(), 1u << obSpline);
  graph.setFocus();
  Key(graph, Qt::Key_Delete);
  EXPECT_EQ(Figures(), 6);
  EXPECT_EQ(m.Figures().UndoCaption(), "Annuler Supprimer Courbe");
  Key(graph, Qt::Key_A, Qt::ControlModifier);
  EXPECT_EQ(Figures(), 7);
  EXPECT_EQ(m.Figures().UndoCaption(), "Annuler Créer Courbe");

  // Selected with a rubber band, every figure shows its handles.
  m.SetTool(gtSelection);
  Drag(graph, {80, 30}, {600, 330});
  EXPECT_EQ(m.Figures().SelectionCount(), 7);
  test::SaveShot(graph.Grab(), "graph_figures_selected");
}

}  // namespace
}  // namespace kinevo

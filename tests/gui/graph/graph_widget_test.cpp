// The graph widget offscreen: it draws what the model holds, keeps its
// background between mouse moves, and reports double clicks on points.
#include "gui/graph/graph_widget.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QMouseEvent>

#include "support/qt_test_application.h"

namespace kinevo {
namespace {

KINEVO_QT_TEST_APPLICATION("test_gui_graph");

void Send(QWidget& w, QEvent::Type type, QPoint at, Qt::MouseButton button = Qt::NoButton) {
  const Qt::MouseButtons held = type == QEvent::MouseButtonRelease || type == QEvent::MouseMove
                                    ? Qt::MouseButtons()
                                    : Qt::MouseButtons(button);
  QMouseEvent e(type, QPointF(at), w.mapToGlobal(QPointF(at)), button, held, Qt::NoModifier);
  QApplication::sendEvent(&w, &e);
}
void Move(QWidget& w, QPoint at) { Send(w, QEvent::MouseMove, at); }
void Click(QWidget& w, QPoint at) {
  Send(w, QEvent::MouseButtonPress, at, Qt::LeftButton);
  Send(w, QEvent::MouseButtonRelease, at, Qt::LeftButton);
}
void DoubleClick(QWidget& w, QPoint at) {
  Send(w, QEvent::MouseButtonDblClick, at, Qt::LeftButton);
}

class GraphWidget : public ::testing::Test {
 protected:
  GraphWidget() {
    graph.resize(495, 265);  // plot 400 x 200
    graph.show();
    TGraphModel& m = graph.Model();
    m.SetSize(495, 265);
    m.SetWorld({0, 10, 0, 10}, false);
    TCurveInput in;
    for (int i = 0; i < 5; ++i) {
      in.points.push_back({2.0 * i, 2.0 * i});
      in.rows.push_back(i);
    }
    const int c = m.AddCourbe(in);
    m.SetCourbeVisible(c, ckPoints, true);
    m.SetCourbeSymbol(c, 14);
    m.SetCourbeColour(c, ckPoints, colors::Blue);
  }
  TGraphUtils utils;
  TGraph graph{utils};
};

TEST_F(GraphWidget, MouseMovesRedrawElementsOverTheCachedBackground) {
  QImage first = graph.Grab();
  const int renders = graph.BackgroundRenders();
  EXPECT_GE(renders, 1);
  // A disc of the curve at world (4, 4): pixel (75 + 160, 20 + 120).
  EXPECT_EQ(first.pixelColor(235, 140), QColor(0, 0, 255));
  for (int x = 100; x < 300; x += 20) Move(graph, QPoint(x, 100));
  graph.Grab();
  EXPECT_EQ(graph.BackgroundRenders(), renders);
  // The zoom changes the window: the background is drawn again.
  graph.Model().SetTool(gtZoom);
  Click(graph, QPoint(235, 140));
  graph.Grab();
  EXPECT_EQ(graph.BackgroundRenders(), renders + 1);
}

// Pixels of row y, between x0 and x1, much darker than the light plot.
int DarkPixels(const QImage& img, int y, int x0, int x1) {
  int n = 0;
  for (int x = x0; x <= x1; ++x) n += img.pixelColor(x, y).red() < 150;
  return n;
}

TEST_F(GraphWidget, MouseMovesKeepTheDrawnElementsAndMoveOnlyTheCrossHair) {
  TGraphModel& m = graph.Model();
  m.SetTool(gtReticule);
  graph.Grab();
  const int renders = graph.ElementRenders();
  Move(graph, QPoint(300, 70));
  graph.Grab();
  Move(graph, QPoint(400, 90));
  const QImage img = graph.Grab();
  EXPECT_EQ(graph.ElementRenders(), renders);
  // The cross-hair is at the last position only (its anti-aliased dotted
  // line shares rows 89 and 90), the curve still under it.
  EXPECT_GT(DarkPixels(img, 89, 80, 200) + DarkPixels(img, 90, 80, 200), 20);
  EXPECT_EQ(DarkPixels(img, 69, 80, 200) + DarkPixels(img, 70, 80, 200), 0);
  EXPECT_EQ(img.pixelColor(235, 140), QColor(0, 0, 255));
}

TEST_F(GraphWidget, DrawnElementsFollowEveryChangeOfTheGraph) {
  TGraphModel& m = graph.Model();
  m.SetTool(gtReticule);
  Move(graph, QPoint(100, 70));
  graph.Grab();
  // A new colour, repainted together with a mouse move.
  m.SetCourbeColour(0, ckPoints, colors::Red);
  Move(graph, QPoint(110, 70));
  EXPECT_EQ(graph.Grab().pixelColor(235, 140), QColor(255, 0, 0));
  // A wider window: the point at world (4, 4) moves to pixel (155, 180),
  // the one at (6, 6) leaves pixel (315, 100) empty.
  m.ApplyWorld({0, 20, 0, 20});
  Move(graph, QPoint(120, 70));
  QImage img = graph.Grab();
  EXPECT_EQ(img.pixelColor(155, 180), QColor(255, 0, 0));
  EXPECT_NE(img.pixelColor(315, 100), QColor(255, 0, 0));
  // The points hidden, and a ring around the highlighted row.
  m.SetCourbeVisible(0, ckPoints, false);
  Move(graph, QPoint(130, 70));
  EXPECT_NE(graph.Grab().pixelColor(155, 180), QColor(255, 0, 0));
  m.SetCourbeVisible(0, ckPoints, true);
  Move(graph, QPoint(140, 70));
  EXPECT_EQ(graph.Grab().pixelColor(155 + 8, 180), img.pixelColor(155 + 8, 180));
  m.SetHighlightedRow(2);
  Move(graph, QPoint(150, 70));
  EXPECT_NE(graph.Grab().pixelColor(155 + 8, 180), img.pixelColor(155 + 8, 180));
  // A point changed without the model knowing: a repaint asked for by
  // anyone but a mouse move draws the elements again.
  m.Curve(0).points[2]->SetColour(colors::Lime);
  EXPECT_EQ(graph.Grab().pixelColor(155, 180), QColor(0, 255, 0));
}

TEST_F(GraphWidget, DoubleClickOnAPointGivesItsRow) {
  std::vector<int> rows;
  QObject::connect(&graph, &TGraph::PointDoubleClicked, [&](int r) { rows.push_back(r); });
  DoubleClick(graph, QPoint(315, 100));  // world (6, 6): row 3
  DoubleClick(graph, QPoint(400, 200));  // nothing there
  EXPECT_EQ(rows, std::vector<int>{3});
}

TEST_F(GraphWidget, CrossHairReportsWorldCoordinates) {
  double wx = -1, wy = -1;
  QObject::connect(&graph, &TGraph::MouseWorld, [&](double x, double y) { wx = x, wy = y; });
  graph.Model().SetTool(gtReticule);
  Move(graph, QPoint(275, 120));
  EXPECT_DOUBLE_EQ(wx, 5.0);
  EXPECT_DOUBLE_EQ(wy, 5.0);
}

}  // namespace
}  // namespace kinevo

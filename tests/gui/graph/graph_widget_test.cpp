// The graph widget offscreen: it draws what the model holds, keeps its
// background between mouse moves, and reports double clicks on points.
#include "gui/graph/graph_widget.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QMouseEvent>
#include <QPainter>
#include <cmath>

#include "platform/qt/graph_image.h"
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
  // Neither do the other reading tools nor the figure tools when nothing
  // is dragged; a pan drag draws them again at every step.
  for (int tool : {gtNone, gtMesurer, gtZoom, gtSelection, gtSegment, gtModele}) {
    m.SetTool(tool);
    graph.Grab();
    const int before = graph.ElementRenders();
    for (int x = 100; x < 400; x += 50) {
      Move(graph, QPoint(x, 150));
      graph.Grab();
    }
    EXPECT_EQ(graph.ElementRenders(), before) << "tool " << tool;
  }
  m.SetTool(gtPan);
  Send(graph, QEvent::MouseButtonPress, QPoint(200, 150), Qt::LeftButton);
  graph.Grab();
  const int before = graph.ElementRenders();
  for (int x = 210; x < 250; x += 10) {
    QMouseEvent e(QEvent::MouseMove, QPointF(x, 150), graph.mapToGlobal(QPointF(x, 150)),
                  Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&graph, &e);
    graph.Grab();
  }
  EXPECT_EQ(graph.ElementRenders(), before + 4);
}

// A model's curve moved again and again (a parameter on a slider): drawn
// over the kept elements, the previous curve gone, the points still there.
TEST_F(GraphWidget, NewOverlayCurvesAreDrawnOverTheKeptElements) {
  graph.Grab();
  const int renders = graph.ElementRenders();
  QImage img;
  for (double level : {3.0, 6.0}) {
    TOverlayCurve c;
    c.colour = colors::Red;
    c.points = {{0, level}, {10, level}};
    graph.SetOverlayCurves({c});
    img = graph.Grab();
    const int y = 20 + static_cast<int>(std::lround(200 * (1 - level / 10)));
    EXPECT_EQ(img.pixelColor(150, y), QColor(255, 0, 0)) << level;
    EXPECT_EQ(img.pixelColor(235, 140), QColor(0, 0, 255));
  }
  EXPECT_EQ(graph.ElementRenders(), renders);
  // The first curve (y = 3, pixel row 160) is gone.
  for (int x = 100; x < 140; x += 10) EXPECT_NE(img.pixelColor(x, 160), QColor(255, 0, 0)) << x;
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

// The largest difference of a colour channel between two pictures of the
// same size, and the pixels that differ by more than `tolerance`.
struct Difference {
  int largest = 0;
  int pixels = 0;
};
Difference Compare(const QImage& a, const QImage& b, int tolerance) {
  Difference d;
  const QImage x = a.convertToFormat(QImage::Format_RGB32);
  const QImage y = b.convertToFormat(QImage::Format_RGB32);
  for (int j = 0; j < x.height(); ++j)
    for (int i = 0; i < x.width(); ++i) {
      const QRgb p = x.pixel(i, j), q = y.pixel(i, j);
      const int m = std::max({std::abs(qRed(p) - qRed(q)), std::abs(qGreen(p) - qGreen(q)),
                              std::abs(qBlue(p) - qBlue(q))});
      d.largest = std::max(d.largest, m);
      d.pixels += m > tolerance;
    }
  return d;
}

// Dense curves of every symbol in both sizes, with polylines, labels and
// vectors: the window's drawing (cached, markers stamped from pictures)
// against the graph drawn directly, as for a file.
class DenseGraph : public ::testing::Test {
 protected:
  DenseGraph() {
    graph.resize(495, 265);
    graph.show();
    TGraphModel& m = graph.Model();
    m.SetSize(495, 265);
    m.SetWorld({0, 10, -4, 4}, false);
    for (int c = 0; c < 6; ++c) {
      TCurveInput in;
      TVectorSeries v{1, "m/s", {}, 0};
      const int n = c < 3 ? 4000 : 40;
      for (int i = 0; i < n; ++i) {
        const double t = 10.0 * i / n;
        in.points.push_back({t, (1 + 0.4 * c) * std::sin(t + c) + 0.01 * ((i * 7919) % 13)});
        v.values.push_back({1, std::cos(t + c)});
      }
      in.vectors.push_back(v);
      const int k = m.AddCourbe(in);
      m.SetCourbeVisible(k, ckPoints, true);
      m.SetCourbeVisible(k, ckSegments, true, kDataDrawn);
      m.SetCourbeVisible(k, ckLabels, c >= 3);
      m.SetCourbeVisible(k, ckVectors, c == 4, kDataDrawn);
      m.SetCourbeSymbol(k, 12 + c);  // bars, stars, the disc, the hourglass ...
      m.SetCourbeColour(k, ckPoints, utils.ColorA(k * 7));
    }
    m.AutoVectorScale();
    m.SetHighlightedRow(20);
  }
  // The graph drawn directly on a picture of `ratio` device pixels per
  // pixel, with or without stamped markers.
  QImage Direct(double ratio, QPainterStamps* stamps) {
    QImage img(graph.size() * ratio, QImage::Format_RGB32);
    img.setDevicePixelRatio(ratio);
    graph.Model().SetPixelRatio(ratio);
    QPainter p(&img);
    if (!stamps) {
      RenderGraph(graph.Model(), p);
      return img;
    }
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setRenderHint(QPainter::TextAntialiasing, true);
    p.setRenderHint(QPainter::SmoothPixmapTransform, true);
    QPainterCanvas canvas(p);
    canvas.UseStamps(stamps);
    graph.Model().Paint(canvas);
    return img;
  }
  TGraphUtils utils;
  TGraph graph{utils};
};

TEST_F(DenseGraph, WindowDrawingMatchesTheDirectDrawing) {
  const QImage direct = Direct(1.0, nullptr);
  for (int size : {0, 1}) {
    graph.Model().DisplaySize = size;
    graph.Model().InvalidateBackground();
    const QImage reference = Direct(1.0, nullptr);
    QImage window = graph.Grab();
    const Difference d = Compare(window, reference, 2);
    EXPECT_LE(d.largest, 8) << "display size " << size;
    EXPECT_LE(d.pixels, 20) << "display size " << size;
    // Drawn again after a mouse move over the cached scene: the same.
    graph.Model().SetTool(gtZoom);
    Move(graph, QPoint(300, 100));
    window = graph.Grab();
    EXPECT_LE(Compare(window, reference, 2).pixels, 20);
  }
  // The two sizes are not alike: the comparison sees the markers.
  EXPECT_GT(Compare(direct, Direct(1.0, nullptr), 2).pixels, 1000);
}

// A pan drag moves the drawn elements and draws only the strips it
// uncovers: after steps in every direction, some drawn and some not, the
// window is still the graph drawn directly, and the plot followed the hand.
TEST_F(DenseGraph, PanStepsMatchTheGraphDrawnAgain) {
  TGraphModel& m = graph.Model();
  // No point exactly between two pixels: moved by a fraction of a world
  // unit, such a point may round to the other pixel when drawn afresh.
  m.SetWorld({0.0013, 10.0013, -4.0007, 3.9993}, false);
  m.SetTool(gtPan);
  graph.Grab();
  const TPixel before = m.Curve(3).points[10]->CurrentPixel();
  QPoint at(200, 120);
  Send(graph, QEvent::MouseButtonPress, at, Qt::LeftButton);
  const QPoint steps[] = {{1, 0}, {-3, 2}, {7, -5}, {0, 1}, {-1, -1}, {12, 0}, {-2, 9}};
  int drawn = 0;
  for (std::size_t i = 0; i < std::size(steps); ++i) {
    at += steps[i];
    QMouseEvent e(QEvent::MouseMove, QPointF(at), graph.mapToGlobal(QPointF(at)), Qt::NoButton,
                  Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&graph, &e);
    if (i % 3 == 1) continue;  // two steps before one drawing
    const int renders = graph.ElementRenders();
    const QImage window = graph.Grab();
    EXPECT_EQ(graph.ElementRenders(), renders + 1);
    // A few anti-aliased pixels along the plot's edge may differ a little
    // more than in a drawing made at once; a misplaced strip or element
    // differs by hundreds.
    const Difference d = Compare(window, Direct(1.0, nullptr), 2);
    EXPECT_LE(d.largest, 24) << "step " << i;
    EXPECT_LE(d.pixels, 20) << "step " << i;
    ++drawn;
  }
  EXPECT_EQ(drawn, 5);
  const TPixel after = m.Curve(3).points[10]->CurrentPixel();
  EXPECT_EQ(after.x - before.x, at.x() - 200);
  EXPECT_EQ(after.y - before.y, at.y() - 120);
}

TEST_F(DenseGraph, StampedMarkersMatchMarkersDrawnInPlaceOnDenseScreens) {
  for (double ratio : {1.0, 2.0}) {
    QPainterStamps stamps;
    const QImage inPlace = Direct(ratio, nullptr);
    const QImage stamped = Direct(ratio, &stamps);
    EXPECT_GT(stamps.Count(), 0);
    const Difference d = Compare(stamped, inPlace, 2);
    EXPECT_LE(d.largest, 8) << "ratio " << ratio;
    EXPECT_LE(d.pixels, 20) << "ratio " << ratio;
  }
}

}  // namespace
}  // namespace kinevo

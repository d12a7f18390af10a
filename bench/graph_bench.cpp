// Repaint of a graph widget after a mouse move with the cross-hair (the
// cached scene is copied, the cross-hair and bubble drawn over it): a time
// graph of 10 curves and a trajectory with vectors over a 1920x1080 video
// picture, and how the time grows with the number of points.  Then the
// repaints that draw every element again, anti-aliased, over the cached
// background: a step of a pan, which moves the window.  The widget is real,
// on Qt's offscreen platform, and gets real mouse events.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QMouseEvent>
#include <cmath>
#include <cstdlib>
#include <memory>

#include "gui/graph/graph_widget.h"

namespace kinevo {
namespace {

QApplication& App() {
  static int argc = 1;
  static char name[] = "bench_graph";
  static char* argv[] = {name, nullptr};
  if (std::getenv("QT_QPA_PLATFORM") == nullptr) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  // Never destroyed: torn down among the other statics at exit it crashed
  // on the input devices the mouse events had created.
  static QApplication* app = new QApplication(argc, argv);
  return *app;
}

struct Fixture {
  TGraphUtils utils;
  std::unique_ptr<TGraph> graph;
  QImage screen{1000, 700, QImage::Format_ARGB32_Premultiplied};
  Fixture() {
    App();
    graph = std::make_unique<TGraph>(utils);
    graph->resize(1000, 700);
    graph->show();
    graph->Model().SetSize(1000, 700);
  }
  // One mouse move, and the repaint it asks for (the widget's own paint
  // event, into a picture of the screen's format).
  void MoveAndRepaint(int i, Qt::MouseButtons held = {}) {
    const QPointF at(200 + i % 500, 300);
    QMouseEvent e(QEvent::MouseMove, at, graph->mapToGlobal(at), Qt::NoButton, held,
                  Qt::NoModifier);
    QApplication::sendEvent(graph.get(), &e);
    graph->render(&screen);
  }
  void Press(int i) {
    const QPointF at(200 + i % 500, 300);
    QMouseEvent e(QEvent::MouseButtonPress, at, graph->mapToGlobal(at), Qt::LeftButton,
                  Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(graph.get(), &e);
  }
};

// Ten curves of n points and their polylines, over the whole window.
void FillTimeGraph(Fixture& f, int n) {
  TGraphModel& m = f.graph->Model();
  for (int c = 0; c < 10; ++c) {
    TCurveInput in;
    for (int i = 0; i < n; ++i) {
      const double t = i * 0.01;
      in.points.push_back({t, std::sin(t * 0.05 + c) * (1 + c)});
    }
    const int k = m.AddCourbe(in);
    m.SetCourbeVisible(k, ckPoints, true);
    m.SetCourbeVisible(k, ckSegments, true, kDataDrawn);
    m.SetCourbeColour(k, ckPoints, f.utils.ColorA(k));
  }
  m.SetWorld(FitRange({0, n * 0.01, -10, 10}, 0.05, {false, true}, {}), false);
}

// Two elliptic trajectories of n points with their labels, polylines and
// speed vectors, over a 1920x1080 video picture.
void FillTrajectory(Fixture& f, int n) {
  TGraphModel& m = f.graph->Model();
  for (int c = 0; c < 2; ++c) {
    TCurveInput in;
    TVectorSeries v{1, "m/s", {}, 1};
    for (int i = 0; i < n; ++i) {
      const double a = i * 6.28 / n;
      in.points.push_back({(1 + c) * std::cos(a), 0.5 * std::sin(a)});
      v.values.push_back({-(1 + c) * std::sin(a), 0.5 * std::cos(a)});
    }
    in.vectors.push_back(v);
    const int k = m.AddCourbe(in);
    m.SetCourbeVisible(k, ckPoints, true);
    m.SetCourbeVisible(k, ckLabels, true);
    m.SetCourbeVisible(k, ckSegments, true, kDataDrawn);
    m.SetCourbeVisible(k, ckVectors, true, kDataDrawn);
  }
  auto picture = std::make_shared<Image>(1920, 1080);
  for (int y = 0; y < 1080; ++y)
    for (int x = 0; x < 1920; ++x)
      picture->SetPixel(x, y, RGBColor(x & 255, y & 255, (x ^ y) & 255));
  m.IsSourceImgVisible = true;
  m.IsDessinerEchelle = true;
  m.SetWorld(MakeIsotropic({-2.5, 2.5, -1.4, 1.4}, m.Plot().width, m.Plot().height), true);
  m.SetSourceImage({picture, {0.5, 0.5}, 4.8, 2.7, false, false, 0.1});
  m.AutoVectorScale();
}

// Mouse moves with the cross-hair, which only move the overlay, or steps of
// a pan drag, which move the window so that every element is drawn again.
enum TMoves { mvCrossHair, mvPan };

void RunMoves(benchmark::State& state, Fixture& f, TMoves moves) {
  if (moves == mvPan) {
    f.graph->Model().SetTool(gtPan);
    f.Press(0);
  } else {
    f.graph->Model().SetTool(gtReticule);
    f.MoveAndRepaint(0);
  }
  int i = 0;
  for (auto _ : state) {
    if (moves == mvPan)
      f.MoveAndRepaint(++i % 2, Qt::LeftButton);
    else
      f.MoveAndRepaint(++i);
  }
}

void BM_TimeGraph(benchmark::State& state, TMoves moves) {
  const int n = static_cast<int>(state.range(0));
  Fixture f;
  FillTimeGraph(f, n);
  RunMoves(state, f, moves);
  state.SetComplexityN(n);
  state.counters["points"] = 10.0 * n;
}

void BM_TrajectoryVectors(benchmark::State& state, TMoves moves) {
  const int n = static_cast<int>(state.range(0));
  Fixture f;
  FillTrajectory(f, n);
  RunMoves(state, f, moves);
  state.counters["points"] = 2.0 * n;
}

void TimeGraphSizes(benchmark::internal::Benchmark* b) {
  for (int n : {1000, 2500, 5000, 10000, 20000}) b->Arg(n);
  b->Unit(benchmark::kMillisecond)->Complexity();
}

BENCHMARK_CAPTURE(BM_TimeGraph, Repaint, mvCrossHair)->Apply(TimeGraphSizes);
BENCHMARK_CAPTURE(BM_TrajectoryVectors, Repaint, mvCrossHair)
    ->Arg(100)
    ->Arg(1000)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_TimeGraph, PanStep, mvPan)->Apply(TimeGraphSizes);
BENCHMARK_CAPTURE(BM_TrajectoryVectors, PanStep, mvPan)
    ->Arg(100)
    ->Arg(1000)
    ->Unit(benchmark::kMillisecond);

// A pan redraws the background too (the picture under the trajectory is
// mapped again): the cost of one step of a drag, without elements.
void BM_TrajectoryPanStep(benchmark::State& state) {
  Fixture f;
  TGraphModel& m = f.graph->Model();
  auto picture = std::make_shared<Image>(1920, 1080, RGBColor(90, 120, 150));
  m.IsSourceImgVisible = true;
  m.SetWorld(MakeIsotropic({-2.5, 2.5, -1.4, 1.4}, m.Plot().width, m.Plot().height), true);
  m.SetSourceImage({picture, {0.5, 0.5}, 4.8, 2.7, false, false, 0.1});
  m.SetTool(gtPan);
  m.MouseDown(mbLeft, {}, 500, 300);
  int i = 0;
  for (auto _ : state) {
    m.MouseMove({}, 500 + (++i % 2), 300);
    f.graph->render(&f.screen);
  }
}
BENCHMARK(BM_TrajectoryPanStep)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace kinevo

BENCHMARK_MAIN();

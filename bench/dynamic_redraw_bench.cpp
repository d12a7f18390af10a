// A parameter change of the dynamic model as the results window lives it
// over 10,000 images: the model recomputed at every row of the results
// (formulas read, Runge–Kutta integration, the rows' times), then the time
// graph x(t) drawn again with the model beside the 10,000 marks.  The graph
// widget is real, on Qt's offscreen platform.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <cstdlib>
#include <memory>

#include "core/dynamics/dynamic_setup.h"
#include "core/results/quantity.h"
#include "core/results/result_views.h"
#include "core/results/results_model.h"
#include "core/results/series_source.h"
#include "gui/graph/graph_widget.h"

namespace kinevo {
namespace {

QApplication& App() {
  static int argc = 1;
  static char name[] = "bench_dynamic_redraw";
  static char* argv[] = {name, nullptr};
  if (std::getenv("QT_QPA_PLATFORM") == nullptr) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  static QApplication* app = new QApplication(argc, argv);  // never destroyed (see graph_bench)
  return *app;
}

// A throw with drag filmed at 250 images/s, marked on every image.
TCalcul DragThrow(int n) {
  test::SeriesSource src;
  src.period = 0.004;
  for (int i = 0; i < n; ++i) {
    const double t = i * src.period;
    src.Mark(0, i, 0.1 + 0.3 * t, 0.2 + 0.4 * t - 0.05 * t * t);
  }
  TCalcul calc;
  calc.Compute(src, false);
  calc.ComputeDerivatives(0);
  return calc;
}

TDynamicSetting DragModel() {
  TDynamicSetting s;
  s.ax = "-k*v*vx/m";
  s.ay = "-g-k*v*vy/m";
  s.parameters = {{"x0", 0.1}, {"y0", 0.2}, {"vx0", 3.0}, {"vy0", 4.0},
                  {"k", 0.1},  {"m", 1.0},  {"g", 9.81}};
  s.startRow = 0;
  return s;
}

double Change(TDynamicSetting& s) {
  // The parameter the student moves with the slider.
  double& k = s.parameters[4].value;
  k = k == 0.1 ? 0.11 : 0.1;
  return k;
}

// The x(t) graph of the marks, shown at 1000 x 700.
std::unique_ptr<TGraph> TimeGraph(const TGraphUtils& utils, const TCalcul& calc) {
  auto graph = std::make_unique<TGraph>(utils);
  graph->resize(1000, 700);
  graph->show();
  TGraphModel& g = graph->Model();
  g.SetSize(1000, 700);
  TSystemsLook look;
  look.names = {"balle"};
  look.colours = {0xFF0000};
  BuildTimeGraph(g, calc, {0}, qtX, look, {});
  return graph;
}

// The model's x(t), as the results window draws it beside the marks.
TOverlayCurve XCurve(const TDynamicTrack& track) {
  TOverlayCurve c;
  c.colour = 0xFF0000;
  c.points.reserve(track.t.size());
  for (std::size_t r = 0; r < track.t.size(); ++r) c.points.push_back({track.t[r], track.x[r]});
  return c;
}

void BM_ModelRecompute(benchmark::State& state) {
  const TCalcul calc = DragThrow(static_cast<int>(state.range(0)));
  TDynamicSetting s = DragModel();
  for (auto _ : state) {
    Change(s);
    TDynamicTrack track = DynamicModelTrack(s, calc);
    if (!track.status) state.SkipWithError("model refused");
    benchmark::DoNotOptimize(track);
  }
  state.counters["images"] = static_cast<double>(state.range(0));
}

// The model's curve replaced and the x(t) graph painted again, after a
// parameter change (`recompute`) or with the same track (the redraw alone).
void Redraw(benchmark::State& state, bool recompute) {
  App();
  const TCalcul calc = DragThrow(static_cast<int>(state.range(0)));
  TGraphUtils utils;
  const std::unique_ptr<TGraph> graph = TimeGraph(utils, calc);
  QImage screen(1000, 700, QImage::Format_ARGB32_Premultiplied);
  graph->render(&screen);
  TDynamicSetting s = DragModel();
  TDynamicTrack track = DynamicModelTrack(s, calc);
  for (auto _ : state) {
    if (recompute) {
      Change(s);
      track = DynamicModelTrack(s, calc);
    }
    graph->SetOverlayCurves({XCurve(track)});
    graph->render(&screen);
  }
  state.counters["images"] = static_cast<double>(state.range(0));
}

void BM_ModelRecomputeAndRedraw(benchmark::State& state) { Redraw(state, true); }
void BM_ModelRedraw(benchmark::State& state) { Redraw(state, false); }

BENCHMARK(BM_ModelRecompute)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ModelRedraw)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ModelRecomputeAndRedraw)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace kinevo
BENCHMARK_MAIN();

// A parameter change of a dynamic model recomputes it over every image: a
// throw with quadratic drag over 10,000 images (the redraw is the graph's
// own, measured in graph_bench).
#include <benchmark/benchmark.h>

#include "core/dynamics/dynamic_model.h"

namespace kinevo {
namespace {

void BM_DragModelRecompute(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  std::vector<double> times;
  for (int i = 0; i < n; ++i) times.push_back(i * 0.004);
  TDynamicModel model;
  if (!model.SetModel(
          "-k*v*vx/m", "-g-k*v*vy/m",
          {{"x0", 0}, {"y0", 0}, {"vx0", 3}, {"vy0", 4}, {"g", 9.81}, {"k", 0.1}, {"m", 1}})) {
    state.SkipWithError("model refused");
    return;
  }
  double k = 0.1;
  for (auto _ : state) {
    k = k == 0.1 ? 0.11 : 0.1;  // the parameter the student changes
    model.Find("k")->value = k;
    benchmark::DoNotOptimize(model.Simulate(times, 0));
  }
  state.counters["images"] = n;
}
BENCHMARK(BM_DragModelRecompute)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace kinevo
BENCHMARK_MAIN();

// Speed of the results computation: Compute plus smoothed
// ComputeDerivatives for 10 systems marked on every one of n images.
// Reports rows per second; the complexity fit over n shows whether the time
// grows linearly with the rows.
#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

#include "core/results/deriv.h"
#include "core/results/results_calc.h"

namespace {

using namespace kinevo;

constexpr int kSystems = 10;

// Every system marked on every image: thrown balls and circling points.
class BenchSource : public IResultsSource {
 public:
  explicit BenchSource(int rows) {
    series_.times.resize(rows);
    series_.images.assign(kSystems, std::vector<int32_t>(rows));
    series_.xs.assign(kSystems, std::vector<double>(rows));
    series_.ys.assign(kSystems, std::vector<double>(rows));
    for (int k = 0; k < rows; ++k) {
      const double u = static_cast<double>(k) / rows;  // fraction of the film
      series_.times[k] = k * 0.04;
      for (int s = 0; s < kSystems; ++s) {
        series_.images[s][k] = k;
        if (s % 2 == 0) {
          series_.xs[s][k] = -0.4 + 0.8 * u + 0.01 * s;
          series_.ys[s][k] = 0.3 * u - 0.5 * u * u;
        } else {
          const double th = 40.0 * u + s;
          series_.xs[s][k] = 0.3 * std::cos(th);
          series_.ys[s][k] = 0.3 * std::sin(th);
        }
      }
    }
  }
  bool IsVideoOpen() const override { return true; }
  bool IsLayerActive() const override { return false; }
  void GetSeries(bool, TMarkSeries& out) const override { out = series_; }
  std::pair<double, double> ScaleFactors() const override { return {2.0, 1.5}; }
  double XAxisAngle(bool) const override { return 0.1; }
  bool DirectXAxisDirection(bool) const override { return true; }
  bool DirectYAxisDirection(bool) const override { return true; }
  double ImagePeriod() const override { return 0.04; }
  std::string SystemName(bool, int) const override { return "s"; }

 private:
  TMarkSeries series_;
};

void BM_ComputeAndSmoothedDerivatives(benchmark::State& state) {
  const int rows = static_cast<int>(state.range(0));
  BenchSource source(rows);
  TResCalc calc(source);
  for (auto _ : state) {
    calc.Invalidate(rtBoth);
    if (calc.Compute() != ccOk) state.SkipWithError("Compute failed");
    if (calc.ComputeDerivatives(rtActive, TCalcul::kSmoothSpeed | TCalcul::kSmoothAcceleration) !=
        ccOk)
      state.SkipWithError("ComputeDerivatives failed");
    benchmark::DoNotOptimize(calc.Active().Value(cfAxes, 0, qtA, rows / 2));
  }
  state.SetItemsProcessed(state.iterations() * rows);  // rows per second
  state.SetComplexityN(rows);
}
BENCHMARK(BM_ComputeAndSmoothedDerivatives)
    ->Arg(25000)
    ->Arg(50000)
    ->Arg(100000)
    ->Arg(200000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity();

void BM_ComputeAndPlainDerivatives(benchmark::State& state) {
  const int rows = static_cast<int>(state.range(0));
  BenchSource source(rows);
  TResCalc calc(source);
  for (auto _ : state) {
    calc.Invalidate(rtBoth);
    calc.Compute();
    calc.ComputeDerivatives(rtActive, 0);
    benchmark::DoNotOptimize(calc.Active().Value(cfAxes, 0, qtA, rows / 2));
  }
  state.SetItemsProcessed(state.iterations() * rows);
  state.SetComplexityN(rows);
}
BENCHMARK(BM_ComputeAndPlainDerivatives)
    ->Arg(50000)
    ->Arg(100000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity();

// One smoothed derivative of a million samples whose speed is nearly
// constant: the sliding three-point slope runs over every sample.
void BM_DerivSlidingSlope(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  std::vector<double> x(n), y(n);
  for (int i = 0; i < n; ++i) {
    x[i] = i;
    y[i] = 1e-6 * i + 1e-3 * std::sin(0.1 * i);
  }
  TDeriv d;
  for (auto _ : state) {
    d.Load(x, y, 0.04);
    benchmark::DoNotOptimize(d.Derive(true));
  }
  state.SetItemsProcessed(state.iterations() * n);
  state.SetComplexityN(n);
}
BENCHMARK(BM_DerivSlidingSlope)
    ->Arg(500000)
    ->Arg(1000000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity();

}  // namespace

BENCHMARK_MAIN();

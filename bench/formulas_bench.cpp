// Thousands of user formulas: computing 4,096 formulas that use each other
// in one cycle or in one chain over a results table of 100 rows, and drawing
// the graph of the formulas view (every formula a curve, their names as the
// title of the vertical axis); then a graph whose only formula is a text of
// 20,000 characters, drawn as its title.  Each should take a time that grows
// with the size of the input, not with its square.
#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <cstdlib>
#include <string>

#include "core/common/number_format.h"
#include "core/common/palette.h"
#include "core/formulas/user_formulas.h"
#include "core/results/result_views.h"
#include "platform/qt/graph_image.h"

namespace kinevo {
namespace {

QGuiApplication& App() {
  static int argc = 1;
  static char name[] = "bench_formulas";
  static char* argv[] = {name, nullptr};
  if (std::getenv("QT_QPA_PLATFORM") == nullptr) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  static QGuiApplication* app = new QGuiApplication(argc, argv);
  return *app;
}

// One system moving along x over 100 rows.
class TRows : public IFormulaTable {
 public:
  int32_t RowCount() const override { return 100; }
  int32_t SystemsCount() const override { return 1; }
  double RowTime(int32_t row) const override { return 0.04 * row; }
  bool HasValue(int32_t, int32_t, int32_t) const override { return true; }
  double Value(int32_t, int32_t, int32_t row) const override { return 0.1 * row; }
  double AxisAngle() const override { return 0; }
};

// f0 = f<n-1> + 1 (a cycle) or f0 = x + 1 (a chain), then fk = f<k-1> + 1.
void AddFormulas(TFormules& f, int n, bool cycle) {
  const std::string last = "f" + std::to_string(n - 1);
  f.AddFormula("f0=" + (cycle ? last : std::string("x")) + "+1", "", "");
  for (int k = 1; k < n; ++k)
    f.AddFormula("f" + std::to_string(k) + "=f" + std::to_string(k - 1) + "+1", "", "");
}

void ComputeFormulas(benchmark::State& state, bool cycle) {
  ScopedDecimalSeparator sep('.');
  const int n = static_cast<int>(state.range(0));
  TRows rows;
  for (auto _ : state) {
    TFormules f;
    f.SetTable(&rows);
    AddFormulas(f, n, cycle);
    f.ComputeAll();
    benchmark::DoNotOptimize(f.Formula(n - 1).Curve.RowValues.data());
  }
  state.SetComplexityN(n);
}
void BM_FormulasInACycle(benchmark::State& state) { ComputeFormulas(state, true); }
void BM_FormulasInAChain(benchmark::State& state) { ComputeFormulas(state, false); }
BENCHMARK(BM_FormulasInACycle)->Arg(1024)->Arg(4096)->Unit(benchmark::kMillisecond)->Complexity();
BENCHMARK(BM_FormulasInAChain)->Arg(1024)->Arg(4096)->Unit(benchmark::kMillisecond)->Complexity();

// The graph of the formulas view as kinevo-cli graph draws it.
void DrawFormulaGraph(const std::vector<TFormulaSeries>& series) {
  TGraphUtils utils;
  TGraphModel g(utils);
  g.SetSize(800, 600);
  BuildFormulaGraph(g, series, TAxisQuantity{"t", "s"}, TGraphLook{});
  const QImage picture = GraphImage(g);
  benchmark::DoNotOptimize(picture.constBits());
}

// In a cycle no formula has values: all of them are drawn, empty, as when
// none is ticked; in a chain each is a curve of 100 points.
void DrawFormulas(benchmark::State& state, bool cycle) {
  App();
  ScopedDecimalSeparator sep('.');
  const int n = static_cast<int>(state.range(0));
  TRows rows;
  TFormules f;
  f.SetTable(&rows);
  AddFormulas(f, n, cycle);
  f.ComputeAll();
  std::vector<TFormulaSeries> series;
  for (int32_t i = 0; i < f.FormulaCount(); ++i) {
    TFormulaSeries one;
    one.name = f.Formula(i).Identifier;
    for (const auto& [x, y] : f.FormulaPoints(i)) one.points.push_back({x, y});
    series.push_back(std::move(one));
  }
  for (auto _ : state) DrawFormulaGraph(series);
  state.SetComplexityN(n);
}
void BM_FormulaGraphOfACycle(benchmark::State& state) { DrawFormulas(state, true); }
void BM_FormulaGraphOfAChain(benchmark::State& state) { DrawFormulas(state, false); }
BENCHMARK(BM_FormulaGraphOfACycle)
    ->Arg(1024)
    ->Arg(4096)
    ->Unit(benchmark::kMillisecond)
    ->Complexity();
BENCHMARK(BM_FormulaGraphOfAChain)
    ->Arg(1024)
    ->Arg(4096)
    ->Unit(benchmark::kMillisecond)
    ->Complexity();

void BM_LongFormulaAsTitle(benchmark::State& state) {
  App();
  const int n = static_cast<int>(state.range(0));
  std::string text = "1";
  while (static_cast<int>(text.size()) < n) text += "+1";
  TFormulaSeries one;
  one.points = {{0, 1}, {1, 2}};
  one.name = text;
  const std::vector<TFormulaSeries> series{one};
  for (auto _ : state) DrawFormulaGraph(series);
  state.SetComplexityN(n);
}
BENCHMARK(BM_LongFormulaAsTitle)
    ->Arg(5000)
    ->Arg(20000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity();

}  // namespace
}  // namespace kinevo

BENCHMARK_MAIN();

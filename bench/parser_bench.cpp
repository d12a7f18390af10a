// Evaluation speed of a parsed formula over a table of one million rows, and
// the number of heap allocations per evaluation (counted by replacing the
// global operator new of this program).
#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdlib>
#include <new>
#include <string>
#include <vector>

#include "core/common/number_format.h"
#include "core/formulas/parser.h"

namespace {
std::atomic<long long> g_allocations{0};
}

void* operator new(std::size_t n) {
  g_allocations.fetch_add(1, std::memory_order_relaxed);
  if (void* p = std::malloc(n ? n : 1)) return p;
  throw std::bad_alloc();
}
void* operator new[](std::size_t n) {
  g_allocations.fetch_add(1, std::memory_order_relaxed);
  if (void* p = std::malloc(n ? n : 1)) return p;
  throw std::bad_alloc();
}
// The replacements pair malloc with free; the compiler cannot see that
// through inlining and would warn about a mismatch.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wpragmas"
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
#pragma GCC diagnostic pop

namespace {

constexpr int kRows = 1'000'000;

struct TTable {
  std::vector<double> columns[4];  // m, vx, vy, y
  int row = 0;
  TTable() {
    for (auto& c : columns) c.resize(kRows);
    for (int r = 0; r < kRows; ++r) {
      columns[0][r] = 0.2;
      columns[1][r] = 1.0 + r * 1e-6;
      columns[2][r] = -2.0 + r * 2e-6;
      columns[3][r] = 0.5 * r / kRows;
    }
  }
};

void BM_EvaluateEnergyPerRow(benchmark::State& state) {
  kinevo::ScopedDecimalSeparator sep('.');
  TTable table;
  kinevo::TParser parser;
  static const char* names[] = {"m", "vx", "vy", "y"};
  parser.OnVariable = [&table](const kinevo::TParser&, kinevo::TVariableQuery& q) {
    if (q.Analysing) {
      for (int k = 0; k < 4; ++k)
        if (kinevo::SameName(q.Name, names[k])) q.Tag = k;
    }
    if (q.Tag >= 0) {
      q.Found = true;
      q.Value = table.columns[q.Tag][static_cast<size_t>(table.row)];
    }
  };
  parser.SetFormula("0.5*m*(vx^2+vy^2)+m*9.81*y");
  if (!parser.Evaluate()) state.SkipWithError(parser.ErrorMessage().c_str());
  long long evaluations = 0;
  long long allocations = 0;
  double sum = 0;
  for (auto _ : state) {
    const long long before = g_allocations.load();
    for (int r = 0; r < kRows; ++r) {
      table.row = r;
      parser.Evaluate();
      sum += parser.LastValue();
    }
    allocations += g_allocations.load() - before;
    evaluations += kRows;
  }
  benchmark::DoNotOptimize(sum);
  state.counters["ns_per_row"] = benchmark::Counter(
      static_cast<double>(evaluations), benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
  state.counters["allocs_per_eval"] =
      static_cast<double>(allocations) / static_cast<double>(evaluations);
  state.SetItemsProcessed(evaluations);
}
BENCHMARK(BM_EvaluateEnergyPerRow)->Unit(benchmark::kMillisecond);

void BM_AnalyseAndBuild(benchmark::State& state) {
  kinevo::ScopedDecimalSeparator sep('.');
  kinevo::TParser parser;
  parser.OnVariable = [](const kinevo::TParser&, kinevo::TVariableQuery& q) {
    q.Found = true;
    q.Value = 1.0;
  };
  for (auto _ : state) {
    parser.SetFormula("0.5*m*(vx^2+vy^2)+m*9.81*y");
    parser.Evaluate();
    benchmark::DoNotOptimize(parser.LastValue());
  }
}
BENCHMARK(BM_AnalyseAndBuild);

}  // namespace

BENCHMARK_MAIN();

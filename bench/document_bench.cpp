// Large analyses: a document of 10 systems marked on n images (n from
// 10,000 to 100,000) is opened (read and the marking data built), saved (as
// a new file, and over the file it was read from), and its results
// computed.  Each step should grow linearly with n: the complexity fit says
// so.  The peak resident memory of the process is reported as the counter
// "peak_MB"; the sizes run in increasing order, so the figure of the last
// size is the peak of the largest document.
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <memory>
#include <string>

#include "core/common/atomic_file.h"
#include "core/common/ini_file.h"
#include "core/common/palette.h"
#include "core/common/user_dialog.h"
#include "core/common/video_view.h"
#include "core/document/marking_document.h"
#include "core/marking/marking_data.h"
#include "core/results/marking_source.h"
#include "core/results/results_calc.h"

namespace {

using namespace kinevo;

constexpr int kSystems = 10;

class BenchView : public IVideoView {
 public:
  explicit BenchView(int images) : images_(images) {}
  TVideoMode Mode() const override { return vmRepereFixe; }
  bool IsOpen() const override { return true; }
  int CurrentImage() const override { return 0; }
  int ImagesNumber() const override { return images_; }
  void GoToImage(int) override {}
  void AdvanceImages(int) override {}
  TPictureCoord ScreenToPicture(double x, double y) const override {
    return {std::clamp(x / 640.0, 0.0, 1.0), std::clamp(y / 480.0, 0.0, 1.0)};
  }
  TPixel PictureToScreen(const TPictureCoord& p) const override {
    return {static_cast<int>(std::lround(p.x * 640)), static_cast<int>(std::lround(p.y * 480))};
  }
  int ImageWidth() const override { return 640; }
  int ImageHeight() const override { return 480; }
  int ViewWidth() const override { return 640; }
  int ViewHeight() const override { return 480; }
  void Repaint() override {}
  void SetViewCursor(const std::string&) override {}
  void UpdateCursor() override {}

 private:
  int images_;
};

std::string DocumentPath(int images) {
  return (std::filesystem::temp_directory_path() /
          ("kinevo_bench_" + std::to_string(images) + ".kvo"))
      .string();
}

// The document text, written once per size: scale, origin, and every system
// marked on every image.
void WriteDocument(int images, const std::string& path) {
  std::string t =
      "[Main]\nVersion=340000\nVideoFileName=/tmp/bench.avi\n\n[Data]\nRequiredDuration=0.04\n";
  t += "ScalePointsNumber=2\nScalePoint1XCoordinate=0.1\nScalePoint1YCoordinate=0.9\n";
  t += "ScalePoint2XCoordinate=0.9\nScalePoint2YCoordinate=0.9\nScaleLength=1\n";
  t += "OriginePointsNumber_Grid=1\nOrigineCurrentXCoordinate_Grid=0.5\nOrigineCurrentYCoordinate_"
       "Grid=0.5\n";
  t += "MarksNumberPerFrame_Grid=" + std::to_string(kSystems) + "\n";
  t += "MarksContainersNumber_Grid=" + std::to_string(images) + "\n";
  for (int i = 0; i < images; ++i) {
    const std::string c = "_Grid_" + std::to_string(i);
    t += "MarksContainerFrameNumber" + c + "=" + std::to_string(i) + "\n";
    t += "MarksContainerMarkNumber" + c + "=" + std::to_string(i + 1) + "\n";
    t += "MarksContainersMarksNumber" + c + "=0\n";  // an unknown key, as hand edits leave
    t += "MarksContainerMarksNumber" + c + "=" + std::to_string(kSystems) + "\n";
    for (int s = 0; s < kSystems; ++s) {
      const std::string m = c + "_" + std::to_string(s);
      const double u = static_cast<double>(i) / images;
      t += "MarkOrderNumber" + m + "=" + std::to_string(s) + "\n";
      t += "MarkXCoordinate" + m + "=" + std::to_string(0.05 + 0.9 * u) + "\n";
      t += "MarkYCoordinate" + m + "=" + std::to_string(0.5 + 0.04 * s - 0.3 * u * (1 - u)) + "\n";
    }
  }
  if (!WriteFileAtomically(path, t)) std::abort();
}

double PeakMegabytes() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return static_cast<double>(u.ru_maxrss) / 1024.0;
}

struct Analysis {
  explicit Analysis(int images) : view(images), data(view, dialog, graph) {}
  BenchView view;
  TUserDlg dialog;
  TGraphUtils graph;
  TData data;
};

void BM_OpenDocument(benchmark::State& state) {
  const int images = static_cast<int>(state.range(0));
  const std::string path = DocumentPath(images);
  WriteDocument(images, path);
  for (auto _ : state) {
    TIniFile ini(path);
    Analysis a(images);
    if (!LoadMarkingData(a.data, ini)) state.SkipWithError("document not read");
    benchmark::DoNotOptimize(a.data.GridMarks().Containers().size());
  }
  state.counters["peak_MB"] = PeakMegabytes();
  state.SetComplexityN(images);
}

// The analysis of a document written for `images` images, read back.
struct ReadAnalysis : Analysis {
  ReadAnalysis(int images, const std::string& path) : Analysis(images) {
    WriteDocument(images, path);
    TIniFile ini(path);
    (void)LoadMarkingData(data, ini);
  }
};

// Writes the whole analysis over `ini` into `out` ("" for the file it was read from).
void SaveWhole(const TData& data, TIniFile& ini, const std::string& out, benchmark::State& state) {
  ini.SaveWholeOnly();
  SaveMarkingData(data, ini);
  if (!ini.SaveToFile(out)) state.SkipWithError("document not saved");
}

void BM_SaveDocument(benchmark::State& state) {
  const int images = static_cast<int>(state.range(0));
  const std::string path = DocumentPath(images);
  ReadAnalysis a(images, path);
  const std::string out = path + ".saved";
  for (auto _ : state) {
    TIniFile ini;
    SaveWhole(a.data, ini, out, state);
  }
  std::filesystem::remove(out);
  state.counters["peak_MB"] = PeakMegabytes();
  state.SetComplexityN(images);
}

// What the program does when an analysis already saved is saved again: the
// document on disk is read, every key written over it, and the whole file
// written back.
void BM_SaveOverDocument(benchmark::State& state) {
  const int images = static_cast<int>(state.range(0));
  const std::string path = DocumentPath(images);
  ReadAnalysis a(images, path);
  const std::string saved = path + ".saved";
  {
    TIniFile ini;
    SaveWhole(a.data, ini, saved, state);
  }
  for (auto _ : state) {
    TIniFile ini(saved);
    SaveWhole(a.data, ini, "", state);
  }
  std::filesystem::remove(saved);
  state.counters["peak_MB"] = PeakMegabytes();
  state.SetComplexityN(images);
}

void BM_ComputeResults(benchmark::State& state) {
  const int images = static_cast<int>(state.range(0));
  const std::string path = DocumentPath(images);
  ReadAnalysis a(images, path);
  TMarkingResultsSource source(a.data, a.view);
  TResCalc calc(source);
  for (auto _ : state) {
    calc.Invalidate(rtBoth);
    if (!calc.Update(true)) state.SkipWithError("results not computed");
  }
  std::filesystem::remove(path);
  state.counters["peak_MB"] = PeakMegabytes();
  state.SetComplexityN(images);
}

BENCHMARK(BM_OpenDocument)
    ->Arg(10000)
    ->Arg(20000)
    ->Arg(50000)
    ->Arg(100000)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->Complexity(benchmark::oN);
BENCHMARK(BM_SaveDocument)
    ->Arg(10000)
    ->Arg(20000)
    ->Arg(50000)
    ->Arg(100000)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->Complexity(benchmark::oN);
BENCHMARK(BM_SaveOverDocument)
    ->Arg(10000)
    ->Arg(20000)
    ->Arg(50000)
    ->Arg(100000)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->Complexity(benchmark::oN);
BENCHMARK(BM_ComputeResults)
    ->Arg(10000)
    ->Arg(20000)
    ->Arg(50000)
    ->Arg(100000)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->Complexity(benchmark::oN);

}  // namespace

BENCHMARK_MAIN();

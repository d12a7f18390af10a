// Marking 10,000 images, one mark each, in random image order; the image
// containers are renumbered after every mark, as the marking requires.  Then
// the series for the results are built.  Reports the total time and the cost
// of the first and the last thousand marks.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <numeric>
#include <random>
#include <vector>

#include "core/common/palette.h"
#include "core/common/user_dialog.h"
#include "core/marking/marking_data.h"

namespace {

using namespace kinevo;

// A view without a window: a mode, an image number and a picture size.
class BenchView : public IVideoView {
 public:
  explicit BenchView(int images) : images_(images) {}
  int current = 0;
  TVideoMode Mode() const override { return vmRepereFixe; }
  bool IsOpen() const override { return true; }
  int CurrentImage() const override { return current; }
  int ImagesNumber() const override { return images_; }
  void GoToImage(int index) override {
    if (index >= 0 && index < images_) current = index;
  }
  void AdvanceImages(int n) override { GoToImage(std::min(current + n, images_ - 1)); }
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

constexpr int kImages = 10000;

void BM_MarkTenThousandImagesInRandomOrder(benchmark::State& state) {
  std::vector<int> order(kImages);
  std::iota(order.begin(), order.end(), 0);
  std::shuffle(order.begin(), order.end(), std::mt19937(12345));
  double first = 0, last = 0, series = 0;
  for (auto _ : state) {
    BenchView view(kImages);
    TUserDlg dialog;
    TGraphUtils graph;
    TData data(view, dialog, graph);
    data.Reset();
    data.SetRequiredDuration(0.04);
    auto chunkStart = std::chrono::steady_clock::now();
    for (int i = 0; i < kImages; ++i) {
      view.current = order[static_cast<std::size_t>(i)];
      data.MouseDown(0, false, (i * 7) % 640, (i * 13) % 480);
      if (i == 999 || i == kImages - 1 || i == kImages - 1001) {
        const auto now = std::chrono::steady_clock::now();
        const double us = std::chrono::duration<double, std::micro>(now - chunkStart).count();
        if (i == 999) first += us;
        if (i == kImages - 1) last += us;
        chunkStart = now;
      }
    }
    const auto s0 = std::chrono::steady_clock::now();
    TSeries s = data.GetSeries();
    series +=
        std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - s0).count();
    benchmark::DoNotOptimize(s.times.data());
    if (data.MarksCount() != kImages || s.times.size() != static_cast<std::size_t>(kImages))
      state.SkipWithError("not every image was marked");
  }
  const double n = static_cast<double>(state.iterations());
  state.counters["first1000_us"] = first / n;
  state.counters["last1000_us"] = last / n;
  state.counters["series_us"] = series / n;
}
BENCHMARK(BM_MarkTenThousandImagesInRandomOrder)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();

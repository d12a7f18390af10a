// Time of one tracked image: a 1920 × 1080 picture, a 60 × 60 model and a
// search radius of 40 (window 81 × 81), with up to 10 mean-shift steps.
// Arguments: the object's move between the two images, in pixels, and the
// colour space (0 = L*u*v*, 1 = RGB).
#include <benchmark/benchmark.h>

#include <random>

#include "core/tracking/mean_shift.h"

namespace {

using kinevo::Image;
using kinevo::RGBColor;
using kinevo::TColor;

constexpr int kWidth = 1920, kHeight = 1080, kSide = 60;

// A noisy background, like a video picture: every pixel a random grey-green.
Image Background(unsigned seed) {
  std::mt19937 gen(seed);
  std::uniform_int_distribution<int> d(0, 255);
  Image img(kWidth, kHeight);
  for (int y = 0; y < kHeight; ++y) {
    uint8_t* row = img.Row(y);
    for (int x = 0; x < kWidth; ++x) {
      const int v = d(gen);
      row[3 * x] = static_cast<uint8_t>(60 + v / 4);
      row[3 * x + 1] = static_cast<uint8_t>(90 + v / 3);
      row[3 * x + 2] = static_cast<uint8_t>(70 + v / 4);
    }
  }
  return img;
}

// A textured orange square of kSide pixels with its top-left corner at (x, y).
void Object(Image& img, int x0, int y0) {
  std::mt19937 gen(7);
  std::uniform_int_distribution<int> d(0, 40);
  for (int y = y0; y < y0 + kSide; ++y)
    for (int x = x0; x < x0 + kSide; ++x)
      img.SetPixel(x, y,
                   RGBColor(static_cast<uint8_t>(215 + d(gen)), static_cast<uint8_t>(100 + d(gen)),
                            static_cast<uint8_t>(20 + d(gen))));
}

void BM_TrackOneImage(benchmark::State& state) {
  const int move = static_cast<int>(state.range(0));
  const bool rgb = state.range(1) != 0;
  Image first = Background(1);
  Object(first, 900, 500);
  Image next = Background(2);
  Object(next, 900 + move, 500 + move / 2);

  kinevo::TMeanShift ms;
  ms.UseRGB = rgb;
  ms.SetRadius(40);
  kinevo::TPixel start;
  const double w = kWidth, h = kHeight;
  if (!ms.SetModel(first,
                   {{900 / w, 500 / h}, {959 / w, 500 / h}, {959 / w, 559 / h}, {900 / w, 559 / h}},
                   start)) {
    state.SkipWithError("model refused");
    return;
  }
  ms.SetBinCount(20);
  ms.BuildModel();

  int steps = 0;
  kinevo::TPixel p;
  for (auto _ : state) {
    p = start;
    steps = ms.Track(next, p, 10);
    benchmark::DoNotOptimize(p);
  }
  state.counters["steps"] = steps;
  state.counters["window"] = ms.WindowSize();
  state.counters["converted_px"] = static_cast<double>(ms.LastConvertedPixels());
  state.counters["error_px"] =
      std::max(std::abs(p.x - (start.x + move)), std::abs(p.y - (start.y + move / 2)));
}

BENCHMARK(BM_TrackOneImage)
    ->ArgsProduct({{0, 10, 30}, {0, 1}})
    ->ArgNames({"move", "rgb"})
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();

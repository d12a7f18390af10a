// Time of one image matched by the appearance tracker, decoding excluded:
// a 1920 × 1080 picture, a 60 × 60 template and a search radius of 30 (a
// zone of 120 × 120 pixels), the object moved by the argument's pixels from
// where it was predicted.  Second argument: grey (0) or RGB (1).  The time
// includes the template's adaptation after the match.
#include <benchmark/benchmark.h>

#include <cmath>
#include <random>

#include "core/tracking/appearance_tracker.h"

namespace {

using kinevo::Image;
using kinevo::RGBColor;

constexpr int kWidth = 1920, kHeight = 1080, kSide = 60;

// A grey scene with blobs of several sizes.
Image Scene(unsigned seed) {
  std::mt19937 gen(seed);
  std::uniform_real_distribution<double> phase(0.0, 6.28);
  const double a = phase(gen), b = phase(gen);
  Image img(kWidth, kHeight);
  for (int y = 0; y < kHeight; ++y) {
    uint8_t* row = img.Row(y);
    for (int x = 0; x < kWidth; ++x) {
      const double v = 110 + 30 * std::sin(0.21 * x + a) * std::cos(0.17 * y + b) +
                       15 * std::sin(0.05 * x - 0.07 * y);
      row[3 * x] = row[3 * x + 1] = row[3 * x + 2] = static_cast<uint8_t>(v);
    }
  }
  return img;
}

// A textured square of kSide pixels with its top-left corner at (x0, y0).
void Object(Image& img, int x0, int y0) {
  std::mt19937 gen(7);
  std::uniform_int_distribution<int> d(0, 60);
  for (int y = y0; y < y0 + kSide; ++y)
    for (int x = x0; x < x0 + kSide; ++x) {
      const auto v = static_cast<uint8_t>(80 + d(gen) + 30 * (((x - x0) / 6 + (y - y0) / 6) % 2));
      img.SetPixel(x, y, RGBColor(v, static_cast<uint8_t>(v - 20), static_cast<uint8_t>(v / 2)));
    }
}

void BM_MatchOneImage(benchmark::State& state) {
  const int move = static_cast<int>(state.range(0));
  Image first = Scene(1);
  Object(first, 900, 500);
  Image next = Scene(1);
  Object(next, 900 + move, 500 + move / 2);

  kinevo::TAppearanceTracker fresh;
  fresh.UseRGB = state.range(1) != 0;
  fresh.SetRadius(30);
  const double w = kWidth, h = kHeight;
  if (!fresh.SetModel(first, {{900 / w, 500 / h},
                              {(900 + kSide) / w, 500 / h},
                              {(900 + kSide) / w, (500 + kSide) / h},
                              {900 / w, (500 + kSide) / h}})) {
    state.SkipWithError("no template");
    return;
  }
  for (auto _ : state) {
    state.PauseTiming();
    kinevo::TAppearanceTracker tracker = fresh;
    state.ResumeTiming();
    tracker.Track(next, 0.7);
    benchmark::DoNotOptimize(tracker.LastPosition());
  }
  kinevo::TAppearanceTracker tracker = fresh;
  tracker.Track(next, 0.7);
  state.counters["error_px"] =
      std::hypot(tracker.LastPosition().x - (fresh.ModelCentre().x + move),
                 tracker.LastPosition().y - (fresh.ModelCentre().y + move / 2));
  state.counters["zone_px"] = tracker.SearchWidth();
}
BENCHMARK(BM_MatchOneImage)
    ->Args({0, 0})
    ->Args({12, 0})
    ->Args({25, 0})
    ->Args({12, 1})
    ->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();

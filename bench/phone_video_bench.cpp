// Phone videos in 4K: stepping forward and random access on a 3840 x 2160
// HEVC file of 60 images at 30 images per second (written once into
// $TMPDIR/kinevo-bench by the ffmpeg program), against the ffmpeg program
// decoding the same images to raw RGB.  Stepping must keep up with the
// file's rate (counter steps_per_s against file_rate), or playback drops
// images and the view says so.  The cache of decoded pictures stays within
// its budget (cache_MB against budget_MB) although 4K pictures are large.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>

#include "platform/ffmpeg/ds_play.h"
#include "platform/ffmpeg/ffmpeg_video.h"

namespace fs = std::filesystem;
using kinevo::Image;

namespace {

constexpr int kFrames = 60;
constexpr double kRate = 30;

const std::string& HevcFile() {
  static const std::string path = [] {
    const char* tmp = std::getenv("TMPDIR");
    const fs::path dir = fs::path(tmp ? tmp : "/tmp") / "kinevo-bench";
    fs::create_directories(dir);
    const fs::path file = dir / "hevc_4k_60.mp4";
    if (!fs::exists(file)) {
      const std::string cmd =
          "ffmpeg -v error -nostdin -y -f lavfi -i testsrc2=s=3840x2160:r=30 -frames:v " +
          std::to_string(kFrames) +
          " -c:v libx265 -preset ultrafast -x265-params log-level=none:keyint=30 "
          "-pix_fmt yuv420p -tag:v hvc1 '" +
          file.string() + ".tmp.mp4'";
      if (std::system(cmd.c_str()) != 0) std::abort();
      fs::rename(file.string() + ".tmp.mp4", file);
    }
    return file.string();
  }();
  return path;
}

double RunSeconds(const std::string& cmd) {
  const auto t0 = std::chrono::steady_clock::now();
  if (std::system(cmd.c_str()) != 0) return -1;
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

// Every image in order, as playback and the step buttons ask for them: the
// time-addressed source drawing the whole picture.
void BM_Hevc4KStepping(benchmark::State& state) {
  kinevo::TDSPlay ds;
  ds.Open(HevcFile());
  if (!ds.Opened()) {
    state.SkipWithError("cannot open");
    return;
  }
  Image view(ds.ImageWidth(), ds.ImageHeight());
  std::size_t cache = 0;
  for (auto _ : state) {
    for (int i = 0; i < ds.ImagesNumber(); ++i) {
      ds.GoToImage(i);
      if (!ds.DrawImage(view)) state.SkipWithError("draw failed");
      cache = std::max(cache, ds.Video().CacheBytes());
    }
    ds.GoToImage(-1);
  }
  state.counters["steps_per_s"] =
      benchmark::Counter(static_cast<double>(kFrames) * static_cast<double>(state.iterations()),
                         benchmark::Counter::kIsRate);
  state.counters["file_rate"] = kRate;
  state.counters["cache_MB"] = static_cast<double>(cache) / (1 << 20);
  state.counters["budget_MB"] = static_cast<double>(ds.Video().CacheBudget()) / (1 << 20);
}
BENCHMARK(BM_Hevc4KStepping)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

void BM_Hevc4KFfmpegProgram(benchmark::State& state) {
  const std::string cmd =
      "ffmpeg -v error -nostdin -i '" + HevcFile() + "' -f rawvideo -pix_fmt rgb24 -y /dev/null";
  for (auto _ : state) state.SetIterationTime(RunSeconds(cmd));
  state.counters["images_per_s"] =
      benchmark::Counter(static_cast<double>(kFrames) * static_cast<double>(state.iterations()),
                         benchmark::Counter::kIsRate);
}
BENCHMARK(BM_Hevc4KFfmpegProgram)->Unit(benchmark::kMillisecond)->Iterations(3)->UseManualTime();

// One image anywhere, the cache cold: a seek and the decoding of its group
// of pictures up to it.
void BM_Hevc4KRandomImage(benchmark::State& state) {
  kinevo::ff::TFfmpegVideo v;
  if (!v.Open(HevcFile())) {
    state.SkipWithError("cannot open");
    return;
  }
  std::mt19937 rng(42);
  Image img;
  for (auto _ : state) {
    const int n = static_cast<int>(rng() % kFrames);
    state.PauseTiming();
    v.SetCacheBudget(0);
    v.ReadFrame((n + kFrames / 2) % kFrames, img);
    state.ResumeTiming();
    v.ReadFrame(n, img);
  }
}
BENCHMARK(BM_Hevc4KRandomImage)->Unit(benchmark::kMillisecond)->Iterations(10)->UseRealTime();

// The ffmpeg program decoding one image from the middle of a group of
// pictures (seek to its keyframe, decode up to it), for comparison.
void BM_Hevc4KRandomImageFfmpeg(benchmark::State& state) {
  const std::string cmd = "ffmpeg -v error -nostdin -ss 1.5 -i '" + HevcFile() +
                          "' -frames:v 1 -f rawvideo -pix_fmt rgb24 -y /dev/null";
  for (auto _ : state) state.SetIterationTime(RunSeconds(cmd));
}
BENCHMARK(BM_Hevc4KRandomImageFfmpeg)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5)
    ->UseManualTime();

}  // namespace

BENCHMARK_MAIN();

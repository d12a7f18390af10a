// Speed and memory of the frame sources on a 1920 x 1080 H.264 file of 600
// images (written once into $TMPDIR/kinevo-bench by the ffmpeg program):
// - decoding every image in order, against the ffmpeg program decoding to
//   raw RGB (target: at most 1.15 times its wall time), also as the command
//   kinevo-cli decode-all;
// - showing a random image, against decoding one group of pictures;
// - stepping back one image 50 times, against stepping forward 50 times;
// - opening (index built), against ffprobe -count_packets;
// - peak memory while stepping through the whole file (cache budget plus a
//   few images).
#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "platform/ffmpeg/ds_play.h"
#include "platform/ffmpeg/ffmpeg_video.h"

namespace fs = std::filesystem;
using kinevo::Image;
using kinevo::ff::TFfmpegVideo;

namespace {

constexpr int kFrames = 600;
constexpr int kGop = 120;

const std::string& BenchFile() {
  static const std::string path = [] {
    const char* tmp = std::getenv("TMPDIR");
    const fs::path dir = fs::path(tmp ? tmp : "/tmp") / "kinevo-bench";
    fs::create_directories(dir);
    const fs::path file = dir / "h264_1080p_600.mp4";
    if (!fs::exists(file)) {
      const std::string cmd =
          "ffmpeg -v error -nostdin -y -f lavfi -i testsrc2=s=1920x1080:r=25 -frames:v " +
          std::to_string(kFrames) + " -c:v libx264 -preset superfast -bf 3 -g " +
          std::to_string(kGop) + " -sc_threshold 0 -pix_fmt yuv420p '" + file.string() +
          ".tmp.mp4'";
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

// Processor time (user + system) used so far by the finished child processes.
double ChildrenCpuSeconds() {
  rusage u{};
  getrusage(RUSAGE_CHILDREN, &u);
  auto sec = [](const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; };
  return sec(u.ru_utime) + sec(u.ru_stime);
}

// Wall and processor time of one command.
struct RunTimes {
  double wall = -1;
  double cpu = -1;
};
RunTimes Run(const std::string& cmd) {
  const double c0 = ChildrenCpuSeconds();
  RunTimes t;
  t.wall = RunSeconds(cmd);
  t.cpu = ChildrenCpuSeconds() - c0;
  return t;
}

double LoadAverage() {
  std::ifstream f("/proc/loadavg");
  double load = -1;
  f >> load;
  return load;
}

// kinevo-cli beside the benchmark's own folder (the build folder).
std::string CliPath() {
  std::error_code ec;
  const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
  if (ec) return {};
  for (const fs::path& p :
       {exe.parent_path() / "kinevo-cli", exe.parent_path().parent_path() / "kinevo-cli"})
    if (fs::exists(p, ec)) return p.string();
  return {};
}

void BM_DecodeAllKinevo(benchmark::State& state) {
  for (auto _ : state) {
    TFfmpegVideo v;
    if (!v.Open(BenchFile())) state.SkipWithError("cannot open");
    Image img;
    for (int i = 0; i < v.FrameCount(); ++i)
      if (!v.ReadFrame(i, img)) state.SkipWithError("decode failed");
    benchmark::DoNotOptimize(img.Data());
  }
  state.counters["images"] = kFrames;
}
BENCHMARK(BM_DecodeAllKinevo)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

void BM_DecodeAllThroughSource(benchmark::State& state) {
  // The same through the time-addressed source, drawn into a full-size view.
  for (auto _ : state) {
    kinevo::TDSPlay ds;
    ds.Open(BenchFile());
    if (!ds.Opened()) state.SkipWithError("cannot open");
    Image view(ds.ImageWidth(), ds.ImageHeight());
    for (int i = 0; i < ds.ImagesNumber(); ++i) {
      ds.GoToImage(i);
      if (!ds.DrawImage(view)) state.SkipWithError("draw failed");
    }
  }
}
BENCHMARK(BM_DecodeAllThroughSource)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

void BM_DecodeAllFfmpegProgram(benchmark::State& state) {
  const std::string cmd =
      "ffmpeg -v error -nostdin -i '" + BenchFile() + "' -f rawvideo -pix_fmt rgb24 -y /dev/null";
  for (auto _ : state) state.SetIterationTime(RunSeconds(cmd));
}
BENCHMARK(BM_DecodeAllFfmpegProgram)->Unit(benchmark::kMillisecond)->Iterations(3)->UseManualTime();

// The program's command against the ffmpeg program, run in turn so that both
// see the same load of the machine (shared, often busy): the counters give
// the ratios of wall time (target: at most 1.15) and of processor time.
void BM_DecodeAllCliVersusFfmpeg(benchmark::State& state) {
  const std::string cli = CliPath();
  if (cli.empty()) {
    state.SkipWithError("kinevo-cli not found beside the benchmark");
    return;
  }
  const std::string kinevo = "'" + cli + "' decode-all '" + BenchFile() + "' >/dev/null";
  const std::string ffmpeg =
      "ffmpeg -v error -nostdin -i '" + BenchFile() + "' -f rawvideo -pix_fmt rgb24 -y /dev/null";
  RunTimes k, f;
  double kWall = 0, kCpu = 0, fWall = 0, fCpu = 0, load = 0;
  int runs = 0;
  for (auto _ : state) {
    load += LoadAverage();
    f = Run(ffmpeg);
    k = Run(kinevo);
    if (k.wall < 0 || f.wall < 0) {
      state.SkipWithError("a command failed");
      return;
    }
    state.SetIterationTime(k.wall);
    kWall += k.wall, kCpu += k.cpu, fWall += f.wall, fCpu += f.cpu;
    ++runs;
  }
  if (runs == 0) return;
  state.counters["kinevo_wall_s"] = kWall / runs;
  state.counters["ffmpeg_wall_s"] = fWall / runs;
  state.counters["wall_ratio"] = kWall / fWall;
  state.counters["kinevo_cpu_s"] = kCpu / runs;
  state.counters["ffmpeg_cpu_s"] = fCpu / runs;
  state.counters["cpu_ratio"] = kCpu / fCpu;
  state.counters["load_1min"] = load / runs;
}
BENCHMARK(BM_DecodeAllCliVersusFfmpeg)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5)
    ->UseManualTime();

void BM_RandomImage(benchmark::State& state) {
  TFfmpegVideo v;
  v.Open(BenchFile());
  std::mt19937 rng(42);
  Image img;
  for (auto _ : state) {
    const int n = static_cast<int>(rng() % kFrames);
    state.PauseTiming();
    v.SetCacheBudget(0);  // a cold cache: the image must be decoded
    v.ReadFrame((n + kFrames / 2) % kFrames, img);
    state.ResumeTiming();
    v.ReadFrame(n, img);
  }
}
BENCHMARK(BM_RandomImage)->Unit(benchmark::kMillisecond)->Iterations(20)->UseRealTime();

void BM_DecodeOneGop(benchmark::State& state) {
  TFfmpegVideo v;
  v.Open(BenchFile());
  Image img;
  for (auto _ : state) {
    state.PauseTiming();
    v.SetCacheBudget(0);
    v.ReadFrame(kFrames - 1, img);  // decoder elsewhere, cache of other images
    state.ResumeTiming();
    v.ReadFrame(kGop + kGop - 1, img);  // the last image of the second group
  }
}
BENCHMARK(BM_DecodeOneGop)->Unit(benchmark::kMillisecond)->Iterations(5)->UseRealTime();

void BM_StepBack50(benchmark::State& state) {
  Image img;
  for (auto _ : state) {
    state.PauseTiming();
    TFfmpegVideo fresh;
    fresh.Open(BenchFile());
    fresh.ReadFrame(2 * kGop + 60, img);  // mid-group
    state.ResumeTiming();
    for (int i = 1; i <= 50; ++i) fresh.ReadFrame(2 * kGop + 60 - i, img);
  }
}
BENCHMARK(BM_StepBack50)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

void BM_StepForward50(benchmark::State& state) {
  Image img;
  for (auto _ : state) {
    state.PauseTiming();
    TFfmpegVideo fresh;
    fresh.Open(BenchFile());
    fresh.ReadFrame(2 * kGop + 10, img);
    state.ResumeTiming();
    for (int i = 1; i <= 50; ++i) fresh.ReadFrame(2 * kGop + 10 + i, img);
  }
}
BENCHMARK(BM_StepForward50)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

void BM_OpenKinevo(benchmark::State& state) {
  for (auto _ : state) {
    TFfmpegVideo v;
    if (!v.Open(BenchFile())) state.SkipWithError("cannot open");
  }
}
BENCHMARK(BM_OpenKinevo)->Unit(benchmark::kMillisecond)->Iterations(5)->UseRealTime();

void BM_OpenFfprobeCountPackets(benchmark::State& state) {
  const std::string cmd =
      "ffprobe -v error -count_packets -select_streams v:0 -show_entries stream=nb_read_packets '" +
      BenchFile() + "' >/dev/null";
  for (auto _ : state) state.SetIterationTime(RunSeconds(cmd));
}
BENCHMARK(BM_OpenFfprobeCountPackets)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5)
    ->UseManualTime();

long StatusKb(const char* key) {
  std::ifstream f("/proc/self/status");
  std::string line;
  const std::string k = key;
  while (std::getline(f, line))
    if (line.rfind(k, 0) == 0) return std::stol(line.substr(k.size()));
  return -1;
}

// Stepping through the whole file in a fresh child process (so that nothing
// left by the other benchmarks counts), through the time-addressed source
// drawing into a full-size view as the program does.  The peak resident
// memory above what the process held before opening is compared with the
// cache budget; "extra_images" counts the rest in full RGB pictures.
void BM_PeakMemoryStepping(benchmark::State& state) {
  const std::size_t budget = static_cast<std::size_t>(state.range(0)) << 20;
  BenchFile();
  for (auto _ : state) {
    int fds[2];
    if (pipe(fds) != 0) {
      state.SkipWithError("pipe");
      return;
    }
    const pid_t pid = fork();
    if (pid == 0) {
      close(fds[0]);
      double out[3] = {-1, -1, -1};
      const long before = StatusKb("VmRSS:");
      {
        kinevo::TDSPlay ds;
        ds.SetCacheBudget(budget);
        ds.Open(BenchFile());
        if (ds.Opened()) {
          Image view(ds.ImageWidth(), ds.ImageHeight());
          for (int i = 0; i < ds.ImagesNumber(); ++i) {
            ds.GoToImage(i);
            ds.DrawImage(view);
          }
          out[0] = static_cast<double>(before);
          out[1] = static_cast<double>(StatusKb("VmHWM:"));
          out[2] = static_cast<double>(ds.Video().CacheBytes());
        }
      }
      const ssize_t w = write(fds[1], out, sizeof out);
      _exit(w == sizeof out ? 0 : 1);
    }
    close(fds[1]);
    double in[3] = {-1, -1, -1};
    const ssize_t r = read(fds[0], in, sizeof in);
    close(fds[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    if (r != sizeof in || in[0] < 0) {
      state.SkipWithError("stepping failed");
      return;
    }
    const double rgbMb = 1920.0 * 1080 * 3 / 1048576.0;
    const double growthMb = (in[1] - in[0]) / 1024.0;
    state.counters["rss_before_mb"] = in[0] / 1024.0;
    state.counters["peak_growth_mb"] = growthMb;
    state.counters["cache_budget_mb"] = static_cast<double>(state.range(0));
    state.counters["cache_used_mb"] = in[2] / 1048576.0;
    state.counters["extra_images"] = (growthMb - static_cast<double>(state.range(0))) / rgbMb;
  }
}
BENCHMARK(BM_PeakMemoryStepping)
    ->Arg(256)
    ->Arg(64)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->UseRealTime();

}  // namespace

BENCHMARK_MAIN();

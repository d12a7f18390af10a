// The crash recovery's cost to the window: a session with a video of n
// images and 10 systems marked on every image (n from 1,000 to 10,000, so
// 100,000 marks at most) copies its analysis for the recovery document.
// The time measured is what the window thread spends (the snapshot and the
// hand-over to the worker; the target is under 5 ms at 10,000 images); the
// counter "write_ms" is the worker's formatting and atomic write of the same
// copy, which the window never waits for.
#include <benchmark/benchmark.h>

#include <chrono>
#include <filesystem>
#include <string>

#include "core/app/session.h"
#include "core/app/session_recovery.h"
#include "core/common/atomic_file.h"
#include "platform/avi/avi_writer.h"
#include "platform/avi/vfw_play.h"
#include "platform/ffmpeg/ds_play.h"
#include "platform/ffmpeg/ffmpeg_play.h"

namespace {

using namespace kinevo;
namespace fs = std::filesystem;

constexpr int kSystems = 10;

fs::path Folder() { return fs::temp_directory_path() / "kinevo_recovery_bench"; }

bool WriteVideo(const std::string& path, int images) {
  avi::TAviWriter w;
  if (!w.Open(path, 32, 24, 25, 1, {})) return false;
  const Image picture(32, 24);
  for (int i = 0; i < images; ++i)
    if (!w.WriteFrame(picture)) return false;
  return w.Close();
}

// A small video of `images` images and a document marking them all.
std::string MakeDocument(int images) {
  fs::create_directories(Folder());
  const std::string video = (Folder() / ("v" + std::to_string(images) + ".avi")).string();
  if (!fs::exists(video)) WriteVideo(video, images);
  const std::string doc = (Folder() / ("d" + std::to_string(images) + ".kvo")).string();
  std::string t = "[Main]\nVersion=340000\nVideoFileName=" + video +
                  "\n[Data]\nRequiredDuration=0.04\nScalePointsNumber=2\n"
                  "ScalePoint1XCoordinate=0.1\nScalePoint1YCoordinate=0.9\n"
                  "ScalePoint2XCoordinate=0.9\nScalePoint2YCoordinate=0.9\nScaleLength=1\n"
                  "OriginePointsNumber_Grid=1\nMarksNumberPerFrame_Grid=10\n";
  t += "MarksContainersNumber_Grid=" + std::to_string(images) + "\n";
  for (int i = 0; i < images; ++i) {
    const std::string c = "_Grid_" + std::to_string(i);
    t += "MarksContainerFrameNumber" + c + "=" + std::to_string(i) + "\n";
    t += "MarksContainerMarkNumber" + c + "=" + std::to_string(i + 1) + "\n";
    t += "MarksContainerMarksNumber" + c + "=" + std::to_string(kSystems) + "\n";
    for (int s = 0; s < kSystems; ++s) {
      const std::string m = c + "_" + std::to_string(s);
      const double u = static_cast<double>(i) / images;
      t += "MarkOrderNumber" + m + "=" + std::to_string(s) + "\n";
      t += "MarkXCoordinate" + m + "=" + std::to_string(0.05 + 0.9 * u) + "\n";
      t += "MarkYCoordinate" + m + "=" + std::to_string(0.5 + 0.04 * s - 0.3 * u * (1 - u)) + "\n";
    }
  }
  if (!WriteFileAtomically(doc, t)) std::abort();
  return doc;
}

TFrameSourceSet Sources() {
  TFrameSourceSet s;
  s.vfw = std::make_unique<TVfwPlay>();
  s.ds = std::make_unique<TDSPlay>();
  s.ffmpeg = std::make_unique<TFFMpegPlay>(std::string());
  return s;
}

void BM_RecoverySnapshot(benchmark::State& state) {
  const int images = static_cast<int>(state.range(0));
  const std::string doc = MakeDocument(images);
  TSession session(Sources(), "");
  if (const TStatus opened = session.LoadDocumentQuietly(doc, ""); !opened) {
    state.SkipWithError(opened.error().Text().c_str());
    return;
  }
  if (session.Data.GridMarks().MarksCount() != images * kSystems) {
    state.SkipWithError("marks not read");
    return;
  }
  TSystemRecoveryClock clock;
  TSessionRecovery recovery(session, (Folder() / "recovery").string(), clock);
  double writeMs = 0;
  for (auto _ : state) {
    recovery.Recovery().WriteNow();
    state.SetIterationTime(
        std::chrono::duration<double>(recovery.Recovery().LastSnapshotTime()).count());
    const auto start = std::chrono::steady_clock::now();
    recovery.Recovery().WaitIdle();
    writeMs = std::max(
        writeMs, std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                     .count());
  }
  if (!recovery.Recovery().LastError().empty())
    state.SkipWithError(recovery.Recovery().LastError().c_str());
  state.counters["write_ms"] = writeMs;
  state.counters["marks"] = images * kSystems;
}

BENCHMARK(BM_RecoverySnapshot)
    ->Arg(1000)
    ->Arg(10000)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5);

}  // namespace

BENCHMARK_MAIN();

#pragma once
// A TVideo over fake sources, with a simple montage map and recording clients.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "core/video/video.h"
#include "fake_video_source.h"
#include "support/recording_view_host.h"

namespace kinevo::test {

class SimpleMontage : public IMontageMap {
 public:
  std::vector<bool> visible;
  int leaves = 0;
  int ToDisplayed(int f) const override {
    if (f < 0 || f >= static_cast<int>(visible.size()) || !visible[static_cast<std::size_t>(f)])
      return -1;
    int k = 0;
    for (int i = 0; i < f; ++i) k += visible[static_cast<std::size_t>(i)] ? 1 : 0;
    return k;
  }
  int ToFileIndex(int d) const override {
    if (d < 0) return -1;
    int k = 0;
    for (std::size_t i = 0; i < visible.size(); ++i)
      if (visible[i] && k++ == d) return static_cast<int>(i);
    return -1;
  }
  int VisibleCount() const override {
    int k = 0;
    for (bool v : visible) k += v ? 1 : 0;
    return k;
  }
  bool IsVisible(int f) const override {
    return f < 0 || f >= static_cast<int>(visible.size()) || visible[static_cast<std::size_t>(f)];
  }
  void NewVideo(int count) override { visible.assign(static_cast<std::size_t>(count), true); }
  int countAtLeave = -1;
  void LeaveMontage() override {
    ++leaves;
    countAtLeave = VisibleCount();
  }
};

// Records what the view hands to the marking data or the tracker.
class RecordingClient : public IViewClient {
 public:
  std::vector<std::string> log;
  std::string cursor = "Marque";
  int recomputes = 0;
  void MouseDown(TMouseButton b, TShiftState, int x, int y) override {
    log.push_back("down " + std::to_string(b) + " " + std::to_string(x) + "," + std::to_string(y));
  }
  void MouseMove(TShiftState, int x, int y) override {
    log.push_back("move " + std::to_string(x) + "," + std::to_string(y));
  }
  void MouseUp(TMouseButton b, TShiftState, int x, int y) override {
    log.push_back("up " + std::to_string(b) + " " + std::to_string(x) + "," + std::to_string(y));
  }
  void KeyDown(int& key, TShiftState) override { log.push_back("key " + std::to_string(key)); }
  void Paint(Canvas& c) override {
    log.push_back("paint");
    c.SetPen({colors::Red, 1, TPenStyle::psSolid, TPenMode::pmCopy});
    c.Line(1, 1, 5, 5);
  }
  std::string CursorName() const override { return cursor; }
  void RecomputeViewPositions() override { ++recomputes; }
};

struct VideoFixture : ::testing::Test {
  RecordingViewHost host;  // outlives the view and its playback thread
  FakeVideoSource* fake = nullptr;
  std::unique_ptr<TVideo> video;
  SimpleMontage montage;
  RecordingClient marking, tracking;
  std::vector<std::string> events;
  TConnections links;

  void SetUp() override {
    auto vfw = std::make_unique<FakeVideoSource>(fwVfw);
    fake = vfw.get();
    video = std::make_unique<TVideo>(std::move(vfw), std::make_unique<FakeVideoSource>(fwDS, false),
                                     std::make_unique<FakeVideoSource>(fwFFMpeg, false));
    video->Montage = &montage;
    video->Marking = &marking;
    video->Tracking = &tracking;
    video->SetHost(&host);
    links += video->OnModeRefused.Connect([this](void*) { events.push_back("refused"); });
    links += video->OnModeChange.Connect([this](void*) { events.push_back("mode"); });
    links += video->OnVideoOpen.Connect([this](void*) { events.push_back("open"); });
    links += video->OnVideoClose.Connect([this](void*) { events.push_back("close"); });
    links += video->OnZoomChange.Connect([this](void*) { events.push_back("zoom"); });
    links += video->OnToolChange.Connect([this](void*) { events.push_back("tool"); });
  }
  // Opens a fake video of the given size in a view of the given size.
  void Open(int w = 640, int h = 480, int images = 50, int viewW = 640, int viewH = 480) {
    fake->width = w;
    fake->height = h;
    fake->images = images;
    video->Resize(viewW, viewH);
    video->OpenVideo("fake.avi");
    ASSERT_TRUE(video->IsOpen());
  }
};

}  // namespace kinevo::test

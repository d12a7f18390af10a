#pragma once
// The window's part for a video view under test: it records the repaints
// asked, the repaints posted, the cursor shown, and keeps the pointer; work
// posted to the window thread waits in a queue until RunPosted.
#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "core/video/view_host.h"

namespace kinevo::test {

class RecordingViewHost : public IViewHost {
 public:
  int repaints = 0;  // Invalidate with now = true
  std::atomic<int> posted{0};
  std::string cursor = "?";
  TPixel pointer{};

  void Invalidate(bool now) override { repaints += now ? 1 : 0; }
  void PostRepaint() override { ++posted; }
  void Post(std::function<void()> work) override {
    std::lock_guard lock(queueMutex_);
    queue_.push_back(std::move(work));
  }
  // Runs the work posted so far, as the window thread would; returns how
  // many pieces ran.
  int RunPosted() {
    std::vector<std::function<void()>> now;
    {
      std::lock_guard lock(queueMutex_);
      now.swap(queue_);
    }
    for (auto& w : now) w();
    return static_cast<int>(now.size());
  }
  void ShowCursor(const std::string& name) override { cursor = name; }
  TPixel CursorPos() const override { return pointer; }
  void SetCursorPos(TPixel p) override { pointer = p; }
  void ProcessMessages() override {}

 private:
  std::mutex queueMutex_;
  std::vector<std::function<void()>> queue_;
};

}  // namespace kinevo::test

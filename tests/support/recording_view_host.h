#pragma once
// The window's part for a video view under test: it records the repaints
// asked, the repaints posted, the cursor shown, and keeps the pointer.
#include <atomic>
#include <string>

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
  void ShowCursor(const std::string& name) override { cursor = name; }
  TPixel CursorPos() const override { return pointer; }
  void SetCursorPos(TPixel p) override { pointer = p; }
  void ProcessMessages() override {}
};

}  // namespace kinevo::test
